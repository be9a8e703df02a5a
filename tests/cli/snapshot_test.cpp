// camtrove-cli snapshot, run as a program on the built-in test camera with a fresh configuration:
// the pictures it names are there and read back as pictures of the camera's size.

#include "cli_runner.h"

#include <QImageReader>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using camtrove::clitest::CliRun;
using camtrove::clitest::RunCli;

class SnapshotCommand : public ::testing::Test
{
protected:
    CliRun Run(QStringList args)
    {
        args.prepend(QStringLiteral("snapshot"));
        args << QStringLiteral("--exe-dir") << m_dir.filePath(QStringLiteral("bin"))
             << QStringLiteral("--folder") << m_dir.filePath(QStringLiteral("pictures"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.filePath(QStringLiteral("data")));
        return RunCli(args, env);
    }

    QTemporaryDir m_dir;
};

TEST_F(SnapshotCommand, SavesTheCountOfPicturesAskedInTheFormatAsked)
{
    const CliRun run = Run({"--video", "Camtrove Test Camera", "--count", "3", "--jpeg", "90"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList paths = run.out.trimmed().split(QLatin1Char('\n'));
    ASSERT_EQ(paths.size(), 3) << run.out.toStdString();
    for (const QString& path : paths) {
        EXPECT_TRUE(path.endsWith(QStringLiteral(".jpg"))) << path.toStdString();
        QImageReader reader(path);
        EXPECT_EQ(reader.format(), QByteArray("jpeg")) << path.toStdString();
        EXPECT_EQ(reader.size(), QSize(320, 240));
    }
}

TEST_F(SnapshotCommand, RefusesBadArgumentsAndASourceThatGivesNoPicture)
{
    EXPECT_EQ(Run({"--count", "0"}).exitCode, 2);
    EXPECT_EQ(Run({"--jpeg", "101"}).exitCode, 2);
    EXPECT_EQ(Run({"--video", "no video stream"}).exitCode, 1);
}

} // namespace
