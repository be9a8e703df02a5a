// camtrove-cli capture, run as a program on the built-in test camcorder with a fresh configuration;
// the files it writes are read back by libavformat.

#include "cli_runner.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

extern "C" {
#include <libavformat/avformat.h>
}

namespace {

using camtrove::clitest::CliRun;
using camtrove::clitest::RunCli;

class CaptureCommand : public ::testing::Test
{
protected:
    CliRun Run(QStringList args)
    {
        args.prepend(QStringLiteral("capture"));
        args << QStringLiteral("--exe-dir") << m_dir.filePath(QStringLiteral("bin"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.filePath(QStringLiteral("data")));
        return RunCli(args, env);
    }
    [[nodiscard]] QString Folder() const { return m_dir.filePath(QStringLiteral("videos")); }

    QTemporaryDir m_dir;
};

// The DV frames libavformat reads from the file; -1 when it does not open.
int DvFrames(const QString& path)
{
    AVFormatContext* context = nullptr;
    if (avformat_open_input(&context, path.toUtf8().constData(), nullptr, nullptr) < 0)
        return -1;
    int frames = 0;
    if (avformat_find_stream_info(context, nullptr) >= 0) {
        AVPacket* packet = av_packet_alloc();
        while (av_read_frame(context, packet) >= 0) {
            const AVStream* stream = context->streams[packet->stream_index];
            frames += stream->codecpar->codec_id == AV_CODEC_ID_DVVIDEO;
            av_packet_unref(packet);
        }
        av_packet_free(&packet);
    }
    avformat_close_input(&context);
    return frames;
}

TEST_F(CaptureCommand, CapturesTheCamcorderIntoADvFileThatPlaysAndListsIt)
{
    const CliRun run = Run({"--seconds", "3", "--folder", Folder(), "--root", "Clip", "--no-date", "--yes"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    const QString file = Folder() + QStringLiteral("/Clip_0.avi");
    EXPECT_TRUE(run.out.contains("file: " + file)) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("Capture Format: dv type 1 natifve"));
    EXPECT_TRUE(run.out.contains("Video Source: DV Source - Video"));
    // Three seconds of PAL, give or take what a busy machine drops.
    EXPECT_GT(DvFrames(file), 50);
}

TEST_F(CaptureCommand, CutsIntoNumberedFilesEachWithItsSceneFile)
{
    QDir().mkpath(Folder());
    const CliRun run = Run({"--seconds", "3", "--cut-every", "1.5", "--folder", Folder(), "--root", "Clip",
                            "--no-date", "--scn", "--no"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    for (const char* name : {"/Clip_0", "/Clip_1"}) {
        EXPECT_GT(DvFrames(Folder() + QLatin1String(name) + ".avi"), 0) << name;
        EXPECT_TRUE(QFile::exists(Folder() + QLatin1String(name) + ".scn")) << name;
    }
    EXPECT_TRUE(run.out.contains("2 files sorted in alphabetical order")) << run.out.toStdString();
}

TEST_F(CaptureCommand, AQuestionWithoutAnAnswerStopsTheCapture)
{
    // The folder is missing: the capture asks whether to create it.
    const CliRun run = Run({"--seconds", "1", "--folder", Folder()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("a question needs --yes or --no")) << run.err.toStdString();
    EXPECT_FALSE(QDir(Folder()).exists());
}

TEST_F(CaptureCommand, RefusesBadArgumentsAndFormatsNotOffered)
{
    EXPECT_EQ(Run({"--seconds", "0"}).exitCode, 2);
    EXPECT_EQ(Run({"--bogus"}).exitCode, 2);
    // No MP3 encoder is installed for the command line.
    const CliRun run = Run({"--format", "mp3", "--folder", Folder(), "--yes"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("not offered")) << run.err.toStdString();
}

} // namespace
