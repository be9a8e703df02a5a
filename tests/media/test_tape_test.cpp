#include "media/devices/test_tape.h"
#include "media/devices/test_tape_clip.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}

#include <QFile>
#include <QTemporaryDir>

#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace camtrove::media {
namespace {

constexpr std::size_t kSequence = 12000;

struct FormatClose
{
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct CodecFree
{
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct PacketFree
{
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct FrameFree
{
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};

// Index of the first frame of scene number (from 0) of the table.
[[nodiscard]] int SceneStart(int number)
{
    int start = 0;
    for (int s = 0; s < number; ++s)
        start += TestTapeScenes()[static_cast<std::size_t>(s)].frames;
    return start;
}

[[nodiscard]] int SceneWhere(bool (*wanted)(const TestTapeScene&))
{
    for (std::size_t s = 0; s < TestTapeScenes().size(); ++s) {
        if (wanted(TestTapeScenes()[s]))
            return static_cast<int>(s);
    }
    return -1;
}

TEST(TestTapeScenes, CoverEveryCaseTheirToolsMustHandle)
{
    ASSERT_GE(SceneWhere([](const TestTapeScene& s) { return !s.dated; }), 0);
    ASSERT_GE(SceneWhere([](const TestTapeScene& s) { return s.wide; }), 0);
    ASSERT_GE(SceneWhere([](const TestTapeScene& s) { return s.audio32k12bit; }), 0);
    const int undated = SceneWhere([](const TestTapeScene& s) { return !s.dated; });
    EXPECT_GT(TestTapeScenes()[static_cast<std::size_t>(undated)].frames, 12)
        << "an undated stretch of its own";
}

TEST(TestTapeTimecode, CountsDropFrameOn525AndPlainOn625)
{
    const struct
    {
        TapeSystem system;
        int index;
        TapeTimecode expected;
    } cases[] = {
        {TapeSystem::Ntsc, 0, {0, 0, 0, 0}},       {TapeSystem::Ntsc, 29, {0, 0, 0, 29}},
        {TapeSystem::Ntsc, 1799, {0, 0, 59, 29}},  {TapeSystem::Ntsc, 1800, {0, 1, 0, 2}},
        {TapeSystem::Ntsc, 3597, {0, 1, 59, 29}},  {TapeSystem::Ntsc, 3598, {0, 2, 0, 2}},
        {TapeSystem::Ntsc, 17981, {0, 9, 59, 29}}, {TapeSystem::Ntsc, 17982, {0, 10, 0, 0}},
        {TapeSystem::Ntsc, 107892, {1, 0, 0, 0}},  {TapeSystem::Pal, 24, {0, 0, 0, 24}},
        {TapeSystem::Pal, 25, {0, 0, 1, 0}},       {TapeSystem::Pal, 90000, {1, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        const TapeTimecode tc = TestTapeTimecode(c.index, c.system);
        EXPECT_EQ(tc.hours, c.expected.hours) << c.index;
        EXPECT_EQ(tc.minutes, c.expected.minutes) << c.index;
        EXPECT_EQ(tc.seconds, c.expected.seconds) << c.index;
        EXPECT_EQ(tc.frames, c.expected.frames) << c.index;
    }
}

// The packs at their IEC 61834 offsets, checked against fixed bytes rather than the writer's view.
TEST(TestTape, StampsThePacksAtTheirDefinedOffsets)
{
    TestTape tape(TapeSystem::Ntsc);
    std::vector<std::uint8_t> frame;
    ASSERT_FALSE(tape.RenderFrame(0, frame).has_value());
    ASSERT_EQ(frame.size(), 120000u);
    EXPECT_EQ(frame[3], 0x3F);
    for (std::size_t k = 0; k < 10; ++k) {
        const std::uint8_t* seq = frame.data() + kSequence * k;
        EXPECT_EQ(seq[7] & 7, 0) << "AP3 of sequence " << k;
        for (std::size_t at : {std::size_t{110}, std::size_t{190}}) {
            EXPECT_EQ(seq[at], 0x13) << "timecode pack at " << at << " of sequence " << k;
            EXPECT_EQ(seq[at + 1] & 0x3F, 0x00);
        }
        // Monday 8 July 2024, 19:55:58.
        const std::vector<std::uint8_t> date(seq + 458, seq + 468);
        EXPECT_EQ(date,
                  (std::vector<std::uint8_t>{0x62, 0xFF, 0xC8, 0x27, 0x24, 0x63, 0xFF, 0xD8, 0xD5, 0xD9}))
            << k;
        EXPECT_EQ(seq[453], 0x61);
        EXPECT_EQ(seq[455] & 7, 0) << "4:3";
    }
    EXPECT_EQ(frame[4323], 0x50);
    EXPECT_EQ(frame[4327], 0xC0) << "48 kHz, 16-bit";

    // At one minute the drop-frame count has skipped frames 0 and 1.
    ASSERT_FALSE(tape.RenderFrame(1800, frame).has_value());
    EXPECT_EQ(frame[110 + 1] & 0x3F, 0x02);
    EXPECT_EQ(frame[110 + 2] & 0x7F, 0x00);
    EXPECT_EQ(frame[110 + 3] & 0x7F, 0x01);

    const int undated = SceneStart(SceneWhere([](const TestTapeScene& s) { return !s.dated; }));
    ASSERT_FALSE(tape.RenderFrame(undated, frame).has_value());
    for (std::size_t k = 0; k < 10; ++k) {
        EXPECT_EQ(frame[kSequence * k + 458], 0xFF) << k;
        EXPECT_EQ(frame[kSequence * k + 463], 0xFF) << k;
        EXPECT_EQ(frame[kSequence * k + 110], 0x13) << "the timecode runs on";
    }

    const int wide = SceneStart(SceneWhere([](const TestTapeScene& s) { return s.wide; }));
    ASSERT_FALSE(tape.RenderFrame(wide, frame).has_value());
    EXPECT_EQ(frame[453], 0x61);
    EXPECT_EQ(frame[455] & 7, 7) << "full 16:9 on a tape with AP3 0";

    const int audio32 = SceneStart(SceneWhere([](const TestTapeScene& s) { return s.audio32k12bit; }));
    ASSERT_FALSE(tape.RenderFrame(audio32, frame).has_value());
    EXPECT_EQ(frame[4323], 0x50);
    EXPECT_EQ(frame[4327] & 0x3F, 0x11) << "32 kHz, 12-bit";
}

// libavformat's DV demuxer and libavcodec's decoder read what we wrote as a camcorder's tape.
struct SystemCase
{
    const char* name;
    TapeSystem system;
    int height;
    const char* firstTimecode;
};

void PrintTo(const SystemCase& c, std::ostream* os)
{
    *os << c.name;
}

class TestTapeClip : public ::testing::TestWithParam<SystemCase>
{
};

TEST_P(TestTapeClip, OpensInLibavformatAsDvVideoWithSoundTimecodeAndAspect)
{
    const SystemCase& c = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("tape.dv"));
    const int frames = TestTapeSceneFrames();
    const auto error = WriteTestTapeClip(path, c.system, frames);
    ASSERT_FALSE(error.has_value()) << error->toStdString();
    EXPECT_EQ(QFile(path).size(), static_cast<qint64>(TapeFrameSize(c.system)) * frames);

    AVFormatContext* raw = nullptr;
    ASSERT_EQ(avformat_open_input(&raw, path.toUtf8().constData(), nullptr, nullptr), 0);
    std::unique_ptr<AVFormatContext, FormatClose> format(raw);
    ASSERT_GE(avformat_find_stream_info(format.get(), nullptr), 0);
    EXPECT_STREQ(format->iformat->name, "dv");

    const int video = av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const int audio = av_find_best_stream(format.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    ASSERT_GE(video, 0);
    ASSERT_GE(audio, 0) << "the AAUX source pack announces sound";
    const AVCodecParameters* params = format->streams[video]->codecpar;
    EXPECT_EQ(params->codec_id, AV_CODEC_ID_DVVIDEO);
    EXPECT_EQ(params->width, 720);
    EXPECT_EQ(params->height, c.height);
    EXPECT_EQ(format->streams[audio]->codecpar->sample_rate, 48000);
    const AVDictionaryEntry* timecode = av_dict_get(format->metadata, "timecode", nullptr, 0);
    ASSERT_NE(timecode, nullptr) << "the demuxer finds the subcode timecode";
    EXPECT_STREQ(timecode->value, c.firstTimecode);

    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_DVVIDEO);
    ASSERT_NE(codec, nullptr);
    std::unique_ptr<AVCodecContext, CodecFree> decoder(avcodec_alloc_context3(codec));
    ASSERT_GE(avcodec_parameters_to_context(decoder.get(), params), 0);
    ASSERT_EQ(avcodec_open2(decoder.get(), codec, nullptr), 0);

    const int wideStart = SceneStart(SceneWhere([](const TestTapeScene& s) { return s.wide; }));
    const int wideEnd =
        wideStart +
        TestTapeScenes()[static_cast<std::size_t>(SceneWhere([](const TestTapeScene& s) { return s.wide; }))]
            .frames;
    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, FrameFree> picture(av_frame_alloc());
    std::vector<std::uint8_t> firstLuma;
    int videoPackets = 0;
    int audioPackets = 0;
    int twelveBitPackets = 0;
    int moved = 0;
    while (av_read_frame(format.get(), packet.get()) >= 0) {
        if (packet->stream_index == video) {
            const int index = videoPackets++;
            ASSERT_EQ(packet->size, static_cast<int>(TapeFrameSize(c.system))) << "frame " << index;
            ASSERT_EQ(avcodec_send_packet(decoder.get(), packet.get()), 0) << "frame " << index;
            ASSERT_EQ(avcodec_receive_frame(decoder.get(), picture.get()), 0) << "frame " << index;
            const bool wide = index >= wideStart && index < wideEnd;
            // Whatever sample aspect this libavcodec gives, the picture's shape must come out right.
            const double shape = av_q2d(picture->sample_aspect_ratio) * picture->width / picture->height;
            EXPECT_NEAR(shape, wide ? 16.0 / 9.0 : 4.0 / 3.0, 0.01)
                << "frame " << index << (wide ? " is 16:9" : " is 4:3");
            const std::vector<std::uint8_t> luma(picture->data[0],
                                                 picture->data[0] + picture->linesize[0] * 8);
            if (index == 0)
                firstLuma = luma;
            else if (luma != firstLuma)
                ++moved;
            av_frame_unref(picture.get());
        } else if (packet->stream_index == audio) {
            ++audioPackets;
            // A 1 kHz tone at a quarter of full scale on both channels: a period is 48 samples at
            // 48 kHz, 32 at 32 kHz, where the 12-bit code keeps the peak exact.
            std::vector<std::int16_t> stereo(static_cast<std::size_t>(packet->size) / 2);
            std::memcpy(stereo.data(), packet->data, stereo.size() * 2);
            const std::size_t period = stereo.size() / 2 >= 1580 ? 48 : 32;
            int peak = 0;
            for (std::size_t i = 0; i + 1 < stereo.size(); i += 2) {
                ASSERT_EQ(stereo[i], stereo[i + 1]) << "both channels carry the tone";
                peak = std::max(peak, std::abs(int{stereo[i]}));
                if (i + 2 * period < stereo.size())
                    ASSERT_EQ(stereo[i], stereo[i + 2 * period]) << "one period is " << period << " samples";
            }
            EXPECT_NEAR(peak, 8192, 2) << "audio packet " << audioPackets;
            if (period == 32)
                ++twelveBitPackets;
        }
        av_packet_unref(packet.get());
    }
    EXPECT_EQ(videoPackets, frames);
    EXPECT_GE(audioPackets, frames) << "every frame carries the tone";
    EXPECT_GT(twelveBitPackets, 0) << "the 32 kHz 12-bit scene is within the clip";
    EXPECT_GE(moved, frames - 10) << "the pattern moves from frame to frame";
}

INSTANTIATE_TEST_SUITE_P(BothSystems, TestTapeClip,
                         ::testing::Values(SystemCase{"Ntsc", TapeSystem::Ntsc, 480, "00:00:00;00"},
                                           SystemCase{"Pal", TapeSystem::Pal, 576, "00:00:00:00"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TestTapeClip, RefusesAnUnwritablePathAndLeavesNoFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("missing-folder/tape.dv"));
    const auto error = WriteTestTapeClip(path, TapeSystem::Ntsc, 2);
    ASSERT_TRUE(error.has_value());
    EXPECT_TRUE(error->contains(path));
    EXPECT_FALSE(QFile::exists(path));
}

} // namespace
} // namespace camtrove::media
