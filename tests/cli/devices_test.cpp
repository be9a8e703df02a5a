// camtrove-cli devices, run as a program on the built-in test devices with a fresh configuration.

#include "cli_runner.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using camtrove::clitest::CliRun;
using camtrove::clitest::RunCli;

class DevicesCommand : public ::testing::Test
{
protected:
    CliRun Run(QStringList args)
    {
        args.prepend(QStringLiteral("devices"));
        args << QStringLiteral("--exe-dir") << m_dir.filePath(QStringLiteral("bin"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
        return RunCli(args, env);
    }
    // The lines printed under a heading, up to the next heading.
    static QStringList Section(const QString& out, const QString& heading)
    {
        const QStringList lines = out.split(QLatin1Char('\n'));
        QStringList section;
        const qsizetype start = lines.indexOf(heading);
        for (qsizetype i = start + 1;
             start >= 0 && i < lines.size() && (lines[i].startsWith("  ") || lines[i].startsWith("* ")); ++i)
            section.append(lines[i]);
        return section;
    }

    QTemporaryDir m_dir;
};

TEST_F(DevicesCommand, ListsTheDevicesSourcesAndFormatsOfTheDefaultChoices)
{
    const CliRun run = Run({});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(Section(run.out, "Video sources:"),
              QStringList({"* DV Source - Video", "  Camtrove Test Camera", "  no video stream"}));
    EXPECT_EQ(Section(run.out, "Audio sources:"),
              QStringList({"* DV Source - Audio", "  Camtrove Test Sound Card", "  no audio stream"}));
    EXPECT_EQ(Section(run.out, "Formats:"),
              QStringList({"* dv type 1 natifve", "  dv type 2 native", "  dv type 2 (recomp)", "  Wmv",
                           "  Image by Image", "  Wav", "  mp3"}));
    EXPECT_EQ(Section(run.out, "Video devices:").size(), 2);
    EXPECT_TRUE(run.out.contains("Native video: dvsd, 720x576, 25.00 fps, temporally compressed no"));
    EXPECT_TRUE(run.out.contains("Native audio: 48000 Hz, 16 bits, 2 channels"));
    EXPECT_FALSE(run.out.contains("trace: "));
}

TEST_F(DevicesCommand, ActivatesTheChoicesGivenFirst)
{
    const CliRun run = Run({"--video", "Camtrove Test Camera", "--audio", "Camtrove Test Sound Card",
                            "--format", "Wmv", "--trace"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(Section(run.out, "Video sources:").contains("* Camtrove Test Camera"));
    EXPECT_TRUE(Section(run.out, "Audio sources:").contains("* Camtrove Test Sound Card"));
    EXPECT_TRUE(Section(run.out, "Formats:").contains("* Wmv"));
    EXPECT_EQ(Section(run.out, "Sound card entries:").size(), 3);
    EXPECT_TRUE(run.out.contains("Native video: , 320x240, 25.00 fps"));
    EXPECT_TRUE(run.out.contains("trace: ChargerDrivers passed"));
}

TEST_F(DevicesCommand, RefusesUnknownArguments)
{
    for (const QStringList& args : {QStringList{"--video"}, QStringList{"--colour", "red"}}) {
        const CliRun run = Run(args);
        EXPECT_EQ(run.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains("usage: camtrove-cli devices"));
    }
}

} // namespace
