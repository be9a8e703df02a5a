#pragma once
// Runs the built camtrove-cli as a user runs it, and keeps what it printed.

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace camtrove::clitest {

struct CliRun
{
    int exitCode = -1; // -1 when the program crashed or did not finish
    QString out;
    QString err;
};

inline CliRun RunCli(const QStringList& args,
                     const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(CAMTROVE_CLI), args);
    CliRun run;
    if (!process.waitForFinished(60000))
        return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

} // namespace camtrove::clitest
