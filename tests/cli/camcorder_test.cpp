// camtrove-cli camcorder: the test camcorder's settings kept in the registry store.

#include "cli_runner.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using camtrove::clitest::CliRun;
using camtrove::clitest::RunCli;

TEST(Camcorder, SetsShowsAndResetsItsSettingsInTheRegistryStore)
{
    QTemporaryDir config;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    const QString tape = config.filePath(QStringLiteral("tape.dv"));
    ASSERT_EQ(RunCli({QStringLiteral("testclip"), tape, QStringLiteral("--frames"), QStringLiteral("5")}, env)
                  .exitCode,
              0);

    const CliRun set = RunCli({QStringLiteral("camcorder"), QStringLiteral("set"), QStringLiteral("--tape"),
                               tape, QStringLiteral("--camera"), QStringLiteral("--unclocked")},
                              env);
    ASSERT_EQ(set.exitCode, 0) << set.err.toStdString();
    const CliRun shown = RunCli({QStringLiteral("camcorder")}, env);
    EXPECT_EQ(shown.out, QStringLiteral("tape\t%1\ndevice type\tcamera\ntiming\tunclocked\n"
                                        "synthetic tape\tPAL, 7500 frames\n")
                             .arg(tape));

    const CliRun reset = RunCli({QStringLiteral("camcorder"), QStringLiteral("reset")}, env);
    EXPECT_EQ(reset.exitCode, 0);
    EXPECT_TRUE(
        RunCli({QStringLiteral("camcorder"), QStringLiteral("show")}, env)
            .out.startsWith(QStringLiteral("tape\tsynthetic\ndevice type\tvcr\ntiming\treal time\n")));

    for (const QStringList& bad :
         {QStringList{QStringLiteral("set"), QStringLiteral("--tape"),
                      config.filePath(QStringLiteral("missing.dv"))},
          QStringList{QStringLiteral("set"), QStringLiteral("--frames"), QStringLiteral("0")},
          QStringList{QStringLiteral("set"), QStringLiteral("--system"), QStringLiteral("secam")},
          QStringList{QStringLiteral("eject")}}) {
        EXPECT_EQ(RunCli(QStringList{QStringLiteral("camcorder")} + bad, env).exitCode, 2)
            << bad.join(' ').toStdString();
    }
}

} // namespace
