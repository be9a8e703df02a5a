#include "../filters/avi_fixture.h"
#include "cli_runner.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <functional>
#include <gtest/gtest.h>
#include <ostream>
#include <string>

namespace camtrove {
namespace {

using namespace camtrove::avi_fixture;

using camtrove::clitest::CliRun;
using camtrove::clitest::RunCli;

TEST(SetFps, GivesALibavAviEighteenImagesPerSecond)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.avi"));
    WriteAviWithLibav(path, {.videoStreams = 1, .framesPerSecond = 10, .audio = true});

    const CliRun run = RunCli({QStringLiteral("setfps"), path, QStringLiteral("18")});

    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("scale 55556 rate 1000000\n"));
    const std::vector<LibavStream> streams = ReadWithLibav(path);
    ASSERT_FALSE(streams.empty());
    EXPECT_EQ(av_cmp_q(streams[0].timeBase, AVRational{55556, 1000000}), 0);
    EXPECT_NEAR(av_q2d(streams[0].frameRate), 18.0, 0.001);
    EXPECT_EQ(streams[0].frames, 5);
}

struct FailureCase
{
    const char* name;
    const char* fps;
    std::function<QString(const QTemporaryDir&)> makeFile; // the file to give the command
    int exitCode;
    const char* errorMentions;
};

void PrintTo(const FailureCase& c, std::ostream* os)
{
    *os << c.name;
}

QString GoodAvi(const QTemporaryDir& dir)
{
    const QString path = dir.filePath(QStringLiteral("good.avi"));
    WriteAviWithLibav(path);
    return path;
}

class SetFpsRefuses : public ::testing::TestWithParam<FailureCase>
{
};

TEST_P(SetFpsRefuses, WithAMessageAndAnUnchangedFile)
{
    const FailureCase& c = GetParam();
    QTemporaryDir dir;
    const QString path = c.makeFile(dir);
    const QByteArray before = ReadAll(path);

    const CliRun run = RunCli({QStringLiteral("setfps"), path, QString::fromUtf8(c.fps)});

    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.errorMentions))) << run.err.toStdString();
    EXPECT_EQ(ReadAll(path), before);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, SetFpsRefuses,
    ::testing::Values(FailureCase{"MissingFile", "18",
                                  [](const QTemporaryDir& dir) { return dir.filePath("none.avi"); }, 2,
                                  "does not exist"},
                      FailureCase{"UnparsableFps", "fast", GoodAvi, 2, "not a number"},
                      FailureCase{"ZeroFps", "0", GoodAvi, 2, "not a usable frame rate"},
                      FailureCase{"NegativeFps", "-25", GoodAvi, 2, "not a usable frame rate"},
                      FailureCase{"FpsWithoutAScale", "1e-9", GoodAvi, 2, "not a usable frame rate"},
                      FailureCase{"NoVideoStream", "18",
                                  [](const QTemporaryDir& dir) {
                                      const QString path = dir.filePath(QStringLiteral("audio.avi"));
                                      WriteAviWithLibav(
                                          path, {.videoStreams = 0, .framesPerSecond = 10, .audio = true});
                                      return path;
                                  },
                                  1, "no video or interleaved stream header"},
                      FailureCase{"NotRiff", "18",
                                  [](const QTemporaryDir& dir) {
                                      const QString path = dir.filePath(QStringLiteral("list.avi"));
                                      WriteAll(path, List("LIST", "AVI ", StreamList("vids", "vid1", 1, 10)));
                                      return path;
                                  },
                                  1, "no video or interleaved stream header"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SetFps, MissingFileIsNotCreated)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("none.avi"));
    EXPECT_EQ(RunCli({QStringLiteral("setfps"), path, QStringLiteral("18")}).exitCode, 2);
    EXPECT_FALSE(QFile::exists(path));
}

TEST(SetFps, WrongArgumentCountShowsTheUsage)
{
    const CliRun run = RunCli({QStringLiteral("setfps"), QStringLiteral("only.avi")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains(QStringLiteral("usage: camtrove-cli setfps FILE FPS")))
        << run.err.toStdString();
}

TEST(SetFps, AFileThatCannotBeWrittenIsReportedAndUnchanged)
{
    QTemporaryDir dir;
    const QString path = GoodAvi(dir);
    const QByteArray before = ReadAll(path);
    const WriteLock lock(path);
    if (!lock.Locked())
        GTEST_SKIP() << "this file system lets this user write to any file";

    const CliRun run = RunCli({QStringLiteral("setfps"), path, QStringLiteral("18")});

    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("for writing"))) << run.err.toStdString();
    EXPECT_EQ(ReadAll(path), before);
}

} // namespace
} // namespace camtrove
