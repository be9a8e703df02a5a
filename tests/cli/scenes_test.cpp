// camtrove-cli scenes: the test tape split into its scenes, and the scene file beside it.

#include "cli_runner.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

namespace {

using camtrove::clitest::CliRun;
using camtrove::clitest::RunCli;

QStringList DataLines(const QString& out)
{
    QStringList lines;
    for (const QString& line : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        if (!line.startsWith(QLatin1Char('#')))
            lines << line;
    return lines;
}

TEST(Scenes, SplitsTheTestTapeAtItsDateJumpsAndWritesTheSceneFile)
{
    QTemporaryDir dir;
    const QString tape = dir.filePath(QStringLiteral("tape.dv"));
    ASSERT_EQ(RunCli({QStringLiteral("testclip"), tape}).exitCode, 0);

    const CliRun run = RunCli({QStringLiteral("scenes"), tape});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();

    // The scenes of the test tape: jumps of minutes and days, an undated stretch, 16:9, 32 kHz,
    // then a scene across midnight that stays one scene.
    const QStringList expected = {
        QStringLiteral("0\t59\t2024-07-08 19:55:58"),    QStringLiteral("60\t104\t2024-07-08 20:03:12"),
        QStringLiteral("105\t149\t2024-07-11 09:30:00"), QStringLiteral("150\t179\t-"),
        QStringLiteral("180\t224\t2024-07-11 09:41:05"), QStringLiteral("225\t269\t2024-07-11 09:52:40"),
        QStringLiteral("270\t359\t2024-12-31 23:59:58"),
    };
    EXPECT_EQ(DataLines(run.out), expected);
    EXPECT_TRUE(run.out.contains(QStringLiteral("# frame 180: picture 16:9")));
    EXPECT_TRUE(run.out.contains(QStringLiteral("# frame 225: picture 4:3")));

    QFile scn(dir.filePath(QStringLiteral("tape.scn")));
    ASSERT_TRUE(scn.open(QIODevice::ReadOnly));
    const QByteArray bytes = scn.readAll();
    const QByteArray name = scn.fileName().toUtf8();
    ASSERT_GE(bytes.size(), 65 + name.size());
    EXPECT_EQ(bytes.mid(25, name.size()), name);
    EXPECT_EQ(qFromLittleEndian<std::uint16_t>(bytes.constData() + 33 + name.size()), 7);
    // One first-scene record, six later ones.
    EXPECT_EQ(bytes.size(), 65 + name.size() + 23 + name.size() + 6 * 35);
    // The last record: scene 7 from frame 270 to the end of the tape (counters are 1-based).
    const char* last = bytes.constData() + bytes.size() - 35;
    EXPECT_EQ(qFromLittleEndian<std::int32_t>(last + 9), 271);
    EXPECT_EQ(qFromLittleEndian<std::int32_t>(last + 13), 361 - 271 + 1);
}

TEST(Scenes, FindsTheOneSceneOfARealCamcorderClip)
{
    const QString clip = QStringLiteral(CAMTROVE_FIXTURES_DIR "/sony_good_quality.dv");
    if (!QFile::exists(clip)) {
        if (qEnvironmentVariableIsSet("CI"))
            FAIL() << "missing fixture " << clip.toStdString();
        GTEST_SKIP() << "no fixtures";
    }
    QTemporaryDir dir;
    const CliRun run = RunCli(
        {QStringLiteral("scenes"), clip, QStringLiteral("--scn"), dir.filePath(QStringLiteral("sony.scn"))});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(DataLines(run.out), QStringList{QStringLiteral("0\t4\t2024-07-08 19:55:58")});
}

TEST(Scenes, RefusesMissingInputAndAnUnwritableSceneFile)
{
    QTemporaryDir dir;
    EXPECT_EQ(RunCli({QStringLiteral("scenes"), dir.filePath(QStringLiteral("none.dv"))}).exitCode, 2);
    EXPECT_EQ(RunCli({QStringLiteral("scenes")}).exitCode, 2);

    const QString tape = dir.filePath(QStringLiteral("tape.dv"));
    ASSERT_EQ(
        RunCli({QStringLiteral("testclip"), tape, QStringLiteral("--frames"), QStringLiteral("10")}).exitCode,
        0);
    const CliRun run = RunCli({QStringLiteral("scenes"), tape, QStringLiteral("--scn"),
                               dir.filePath(QStringLiteral("no/such/x.scn"))});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("scene file")));
}

} // namespace
