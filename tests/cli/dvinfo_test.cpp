// camtrove-cli dvinfo and testclip, run as a user runs them.

#include "../support/dv_fixtures.h"
#include "cli_runner.h"

#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using camtrove::clitest::CliRun;
using camtrove::clitest::RunCli;

// The frame lines of dvinfo's output: the header line first, checked and dropped.
std::vector<QStringList> FrameLines(const CliRun& run)
{
    QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_FALSE(lines.isEmpty());
    if (lines.isEmpty())
        return {};
    EXPECT_TRUE(lines.front().startsWith(QLatin1Char('#'))) << lines.front().toStdString();
    std::vector<QStringList> frames;
    for (int i = 1; i < lines.size(); ++i) {
        frames.push_back(lines[i].split(QLatin1Char('\t')));
        EXPECT_EQ(frames.back().size(), 10) << lines[i].toStdString();
    }
    return frames;
}

struct FixtureCase
{
    const char* file;
    std::vector<const char*> lines;
};

void PrintTo(const FixtureCase& c, std::ostream* os)
{
    *os << c.file;
}

class DvInfoOnRealFrames : public ::testing::TestWithParam<FixtureCase>
{
};

TEST_P(DvInfoOnRealFrames, PrintsOneLinePerFrame)
{
    const FixtureCase& c = GetParam();
    std::vector<std::uint8_t> bytes;
    CAMTROVE_LOAD_DV_FIXTURE(c.file, bytes);
    const CliRun run = RunCli(
        {QStringLiteral("dvinfo"), QString::fromStdString(camtrove::testsupport::DvFixturePath(c.file))});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    const std::vector<QStringList> frames = FrameLines(run);
    ASSERT_EQ(frames.size(), c.lines.size());
    for (std::size_t i = 0; i < frames.size(); ++i)
        EXPECT_EQ(frames[i].join(QLatin1Char('\t')).toStdString(), c.lines[i]) << "frame " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, DvInfoOnRealFrames,
    ::testing::Values(
        FixtureCase{"sony_head_clog.dv", {"0\t1\t2000-12-03 10:15:57\t1\t0:00:00:12\t1\t0\t-1\t-1\t0"}},
        FixtureCase{"sony_drop_frame.dv", {"0\t0\t-\t0\t-\t1\t0\t-1\t-1\t0"}},
        FixtureCase{"sony_perfect.dv", {"0\t1\t2024-07-08 19:55:58\t1\t0:00:02:20\t1\t0\t32000\t12\t1"}},
        FixtureCase{"sony_subcode_errors.dv",
                    {"0\t1\t2000-12-03 10:15:59\t1\t0:00:02:06\t1\t0\t32000\t12\t1"}},
        FixtureCase{"sony_good_quality.dv",
                    {"0\t1\t2024-07-08 19:55:58\t1\t0:00:02:17\t1\t0\t32000\t12\t1",
                     "1\t1\t2024-07-08 19:55:58\t1\t0:00:02:18\t1\t0\t32000\t12\t1",
                     "2\t1\t2024-07-08 19:55:58\t1\t0:00:02:19\t1\t0\t32000\t12\t1",
                     "3\t1\t2024-07-08 19:55:58\t1\t0:00:02:20\t1\t0\t32000\t12\t1",
                     "4\t1\t2024-07-08 19:55:58\t1\t0:00:02:21\t1\t0\t32000\t12\t1"}}),
    [](const auto& info) {
        std::string name = info.param.file;
        return name.substr(5, name.size() - 8);
    });

TEST(DvInfo, ReportsATruncatedTailAndPrintsTheWholeFrames)
{
    std::vector<std::uint8_t> good, clog;
    CAMTROVE_LOAD_DV_FIXTURE("sony_good_quality.dv", good);
    CAMTROVE_LOAD_DV_FIXTURE("sony_head_clog.dv", clog);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("cut.dv"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(good.data()), static_cast<qint64>(good.size()));
    file.write(reinterpret_cast<const char*>(clog.data()), 50000);
    file.close();

    const CliRun run = RunCli({QStringLiteral("dvinfo"), path});
    EXPECT_EQ(run.exitCode, 0);
    const std::vector<QStringList> frames = FrameLines(run);
    ASSERT_EQ(frames.size(), 5u);
    EXPECT_EQ(frames[4][4], QStringLiteral("0:00:02:21"));
    EXPECT_TRUE(run.err.contains(QStringLiteral("frame 5"))) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("truncated"))) << run.err.toStdString();
}

TEST(DvInfo, RefusesMissingFilesAndBadArguments)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString missing = dir.filePath(QStringLiteral("no-such-tape.dv"));
    const struct
    {
        const char* name;
        QStringList args;
    } cases[] = {{"missing file", {QStringLiteral("dvinfo"), missing}},
                 {"a folder", {QStringLiteral("dvinfo"), dir.path()}},
                 {"no file", {QStringLiteral("dvinfo")}},
                 {"two files", {QStringLiteral("dvinfo"), missing, missing}}};
    for (const auto& c : cases) {
        const CliRun run = RunCli(c.args);
        EXPECT_EQ(run.exitCode, 2) << c.name;
        EXPECT_TRUE(run.out.isEmpty()) << c.name << ": " << run.out.toStdString();
        EXPECT_FALSE(run.err.isEmpty()) << c.name;
    }
    EXPECT_TRUE(RunCli({QStringLiteral("dvinfo"), missing}).err.contains(missing));
}

TEST(DvInfo, PrintsAnEmptyFileAsTheHeaderAlone)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("empty.dv"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const CliRun run = RunCli({QStringLiteral("dvinfo"), path});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(FrameLines(run).empty());
}

QDateTime RecordingTime(const QStringList& frame)
{
    return QDateTime::fromString(frame[2], QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// The default test clip read back: its scene table shows up frame by frame, and between scenes
// the dates jump the way scene detection must see them.
TEST(TestClip, WritesTheSceneTableThatDvInfoReadsBack)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("test-tape.dv"));
    const CliRun written = RunCli({QStringLiteral("testclip"), path});
    ASSERT_EQ(written.exitCode, 0) << written.err.toStdString();

    struct Scene
    {
        int first, last;
    };
    std::vector<Scene> scenes;
    const QRegularExpression sceneLine(QStringLiteral("^# scene \\d+: frames (\\d+) to (\\d+): "),
                                       QRegularExpression::MultilineOption);
    for (auto match = sceneLine.globalMatch(written.out); match.hasNext();) {
        const auto m = match.next();
        scenes.push_back({m.captured(1).toInt(), m.captured(2).toInt()});
    }
    ASSERT_GE(scenes.size(), 5u) << written.out.toStdString();

    const CliRun run = RunCli({QStringLiteral("dvinfo"), path});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const std::vector<QStringList> frames = FrameLines(run);
    ASSERT_EQ(static_cast<int>(frames.size()), scenes.back().last + 1);

    for (std::size_t i = 0; i < frames.size(); ++i) {
        const QStringList& f = frames[i];
        EXPECT_EQ(f[0].toInt(), static_cast<int>(i));
        EXPECT_EQ(f[3], QStringLiteral("1")) << "frame " << i << ": the timecode never stops";
        EXPECT_EQ(f[5], QStringLiteral("1")) << "frame " << i;
        EXPECT_EQ(f[9], QStringLiteral("1")) << "frame " << i << ": every pack is there";
        if (i > 0) {
            // Fixed-width fields below ten hours, so text order is time order.
            EXPECT_GT(f[4], frames[i - 1][4]) << "frame " << i << ": the timecode runs forward";
        }
    }

    bool sawWide = false, saw32k = false, sawUndated = false, sawMinutes = false, sawDays = false,
         sawNewDay = false;
    for (std::size_t s = 0; s < scenes.size(); ++s) {
        const QStringList& first = frames[static_cast<std::size_t>(scenes[s].first)];
        for (int i = scenes[s].first; i <= scenes[s].last; ++i) {
            const QStringList& f = frames[static_cast<std::size_t>(i)];
            // Within a scene the picture and sound stay, and the clock runs at most a second a frame.
            EXPECT_EQ(f[1], first[1]) << "frame " << i;
            EXPECT_EQ(f[6], first[6]) << "frame " << i;
            EXPECT_EQ(f[7], first[7]) << "frame " << i;
            EXPECT_EQ(f[8], first[8]) << "frame " << i;
            if (i > scenes[s].first && f[1] == QLatin1String("1")) {
                const qint64 step =
                    RecordingTime(frames[static_cast<std::size_t>(i - 1)]).secsTo(RecordingTime(f));
                EXPECT_TRUE(step == 0 || step == 1) << "frame " << i << " steps " << step << " s";
                sawNewDay |=
                    RecordingTime(f).date() != RecordingTime(frames[static_cast<std::size_t>(i - 1)]).date();
            }
        }
        sawWide |= first[6] == QLatin1String("1");
        saw32k |= first[7] == QLatin1String("32000") && first[8] == QLatin1String("12");
        sawUndated |= first[1] == QLatin1String("0") && first[2] == QLatin1String("-");
        if (s > 0 && first[1] == QLatin1String("1")) {
            const QStringList& before = frames[static_cast<std::size_t>(scenes[s].first - 1)];
            if (before[1] == QLatin1String("1")) {
                const qint64 jump = RecordingTime(before).secsTo(RecordingTime(first));
                EXPECT_GT(jump, 2) << "scene " << s + 1 << " must start with a jump";
                sawMinutes |= jump > 60 && jump < 3600;
                sawDays |= jump > 86400;
            }
        }
    }
    EXPECT_TRUE(sawWide);
    EXPECT_TRUE(saw32k);
    EXPECT_TRUE(sawUndated);
    EXPECT_TRUE(sawMinutes);
    EXPECT_TRUE(sawDays);
    EXPECT_TRUE(sawNewDay) << "one scene runs over midnight";
}

TEST(TestClip, WritesPalFramesOnRequest)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("pal.dv"));
    ASSERT_EQ(RunCli({QStringLiteral("testclip"), path, QStringLiteral("--frames"), QStringLiteral("30"),
                      QStringLiteral("--pal")})
                  .exitCode,
              0);
    EXPECT_EQ(QFile(path).size(), 30 * 144000);
    const std::vector<QStringList> frames = FrameLines(RunCli({QStringLiteral("dvinfo"), path}));
    ASSERT_EQ(frames.size(), 30u);
    EXPECT_EQ(frames[0][5], QStringLiteral("0"));
    EXPECT_EQ(frames[29][4], QStringLiteral("0:00:01:04"));
}

TEST(TestClip, RefusesBadArguments)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("t.dv"));
    for (const QStringList& args :
         {QStringList{QStringLiteral("testclip")},
          QStringList{QStringLiteral("testclip"), path, QStringLiteral("--frames")},
          QStringList{QStringLiteral("testclip"), path, QStringLiteral("--frames"), QStringLiteral("0")},
          QStringList{QStringLiteral("testclip"), path, QStringLiteral("--frames"), QStringLiteral("many")},
          QStringList{QStringLiteral("testclip"), path, QStringLiteral("--ntsc")}}) {
        EXPECT_EQ(RunCli(args).exitCode, 2) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_FALSE(QFile::exists(path));
    }
    EXPECT_EQ(
        RunCli({QStringLiteral("testclip"), dir.filePath(QStringLiteral("no/such/folder.dv"))}).exitCode, 1);
}

} // namespace
