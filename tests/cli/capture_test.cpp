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

// The format libavformat finds in a file and the codecs of its streams, "" when it does not open.
QString Streams(const QString& path)
{
    AVFormatContext* context = nullptr;
    if (avformat_open_input(&context, path.toUtf8().constData(), nullptr, nullptr) < 0)
        return {};
    QString text = QString::fromLatin1(context->iformat->name);
    if (avformat_find_stream_info(context, nullptr) >= 0)
        for (unsigned i = 0; i < context->nb_streams; ++i)
            text += QLatin1Char(' ') +
                    QString::fromLatin1(avcodec_get_name(context->streams[i]->codecpar->codec_id));
    avformat_close_input(&context);
    return text;
}

// Each format of the camcorder's pair through the capture control and its chain.
TEST_F(CaptureCommand, CapturesTheCamcordersFormatsIntoFilesThatOpen)
{
    const struct
    {
        const char* format;
        const char* file;
        const char* streams;
    } cases[] = {
        {"dv type 2 native", "Clip_0.avi", "avi dvvideo pcm_s16le"},
        {"dv type 2 (recomp)", "Clip_0.avi", "avi dvvideo pcm_s16le"},
        {"Wav", "Clip_0.wav", "wav pcm_s16le"},
    };
    for (const auto& c : cases) {
        QDir(Folder()).removeRecursively();
        const CliRun run = Run({"--format", c.format, "--seconds", "2", "--folder", Folder(), "--root",
                                "Clip", "--no-date", "--yes"});
        ASSERT_EQ(run.exitCode, 0) << c.format << ": " << run.err.toStdString() << run.out.toStdString();
        EXPECT_TRUE(run.out.contains(QStringLiteral("Capture Format: ") + c.format)) << c.format;
        EXPECT_EQ(Streams(Folder() + QLatin1Char('/') + c.file), QString::fromLatin1(c.streams)) << c.format;
    }
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
