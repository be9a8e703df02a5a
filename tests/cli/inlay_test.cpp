// camtrove-cli inlay: the recording date burnt into the test tape's pictures, the camcorder's packs
// kept, read back with libavformat and libavcodec.

#include "cli_runner.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

using camtrove::clitest::CliRun;
using camtrove::clitest::RunCli;
using Bytes = std::vector<std::uint8_t>;

constexpr int kFrames = 40;
constexpr std::size_t kFrameSize = 120000; // the test clip is 525/60
constexpr std::size_t kSequence = 12000;

// The video packets of an AVI as libavformat reads them.
std::vector<Bytes> AviVideoPackets(const QString& path)
{
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.toLocal8Bit().constData(), nullptr, nullptr) < 0)
        return {};
    std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> context(
        raw, [](AVFormatContext* c) { avformat_close_input(&c); });
    if (avformat_find_stream_info(context.get(), nullptr) < 0)
        return {};
    const int video = av_find_best_stream(context.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    std::vector<Bytes> packets;
    AVPacket* packet = av_packet_alloc();
    while (av_read_frame(context.get(), packet) >= 0) {
        if (packet->stream_index == video)
            packets.emplace_back(packet->data, packet->data + packet->size);
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    return packets;
}

// The luma plane of a DV frame decoded by libavcodec, width 720.
Bytes DecodeLuma(const Bytes& frame)
{
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_DVVIDEO);
    std::unique_ptr<AVCodecContext, void (*)(AVCodecContext*)> context(
        avcodec_alloc_context3(codec), [](AVCodecContext* c) { avcodec_free_context(&c); });
    std::unique_ptr<AVFrame, void (*)(AVFrame*)> picture(av_frame_alloc(),
                                                         [](AVFrame* f) { av_frame_free(&f); });
    std::unique_ptr<AVPacket, void (*)(AVPacket*)> packet(av_packet_alloc(),
                                                          [](AVPacket* p) { av_packet_free(&p); });
    if (avcodec_open2(context.get(), codec, nullptr) < 0 ||
        av_new_packet(packet.get(), int(frame.size())) < 0)
        return {};
    std::copy(frame.begin(), frame.end(), packet->data);
    if (avcodec_send_packet(context.get(), packet.get()) < 0 ||
        avcodec_receive_frame(context.get(), picture.get()) < 0)
        return {};
    Bytes luma;
    for (int y = 0; y < picture->height; ++y)
        luma.insert(luma.end(), picture->data[0] + y * picture->linesize[0],
                    picture->data[0] + y * picture->linesize[0] + picture->width);
    return luma;
}

// Pixels of the box (x0, y0)-(x1, y1) whose luma differs by more than 60 between the pictures.
int ChangedPixels(const Bytes& a, const Bytes& b, int x0, int y0, int x1, int y1)
{
    int changed = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            changed += std::abs(int(a[std::size_t(y * 720 + x)]) - int(b[std::size_t(y * 720 + x)])) > 60;
    return changed;
}

TEST(Inlay, BurnsTheRecordingDateInAndKeepsTheCamcordersPacks)
{
    QTemporaryDir dir;
    const QString tape = dir.filePath(QStringLiteral("tape.dv"));
    const QString avi = dir.filePath(QStringLiteral("inlay.avi"));
    ASSERT_EQ(RunCli({QStringLiteral("testclip"), tape, QStringLiteral("--frames"), QString::number(kFrames)})
                  .exitCode,
              0);
    const CliRun run = RunCli({QStringLiteral("inlay"), tape, avi});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();

    QFile source(tape);
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QByteArray sourceBytes = source.readAll();
    const std::vector<Bytes> written = AviVideoPackets(avi);
    ASSERT_EQ(written.size(), std::size_t{kFrames}) << "every frame of the tape";
    for (int i = 0; i < kFrames; i += 13) {
        SCOPED_TRACE(i);
        const auto* in =
            reinterpret_cast<const std::uint8_t*>(sourceBytes.constData()) + std::size_t(i) * kFrameSize;
        const Bytes original(in, in + kFrameSize);
        ASSERT_EQ(written[std::size_t(i)].size(), kFrameSize);
        // Header, subcode and VAUX blocks of every sequence: the camcorder's, dates and timecode included.
        for (std::size_t k = 0; k < 10; ++k)
            EXPECT_TRUE(std::equal(original.begin() + std::ptrdiff_t(k * kSequence),
                                   original.begin() + std::ptrdiff_t(k * kSequence + 480),
                                   written[std::size_t(i)].begin() + std::ptrdiff_t(k * kSequence)))
                << "sequence " << k;

        // The default settings put the date and time at the bottom right, 28 pixels a line; the
        // rest of the picture is only re-encoded.
        const Bytes before = DecodeLuma(original);
        const Bytes after = DecodeLuma(written[std::size_t(i)]);
        ASSERT_EQ(before.size(), 720u * 480u);
        ASSERT_EQ(after.size(), before.size());
        EXPECT_GT(ChangedPixels(before, after, 480, 405, 662, 470), 400) << "the text region";
        EXPECT_LT(ChangedPixels(before, after, 380, 180, 560, 330), 20) << "away from the text";
    }
}

TEST(Inlay, RefusesBadArgumentsAndAMissingTape)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out.avi"));
    EXPECT_EQ(RunCli({QStringLiteral("inlay"), dir.filePath(QStringLiteral("none.dv")), out}).exitCode, 2);
    EXPECT_EQ(RunCli({QStringLiteral("inlay"), out}).exitCode, 2);
    EXPECT_EQ(RunCli({QStringLiteral("inlay"), out, out, QStringLiteral("--what"), QStringLiteral("weather")})
                  .exitCode,
              2);
    EXPECT_EQ(RunCli({QStringLiteral("inlay"), out, out, QStringLiteral("--seconds"), QStringLiteral("-1")})
                  .exitCode,
              2);
}

} // namespace
