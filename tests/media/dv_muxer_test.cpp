#include "dv_test_filters.h"
#include "media/devices/test_tape.h"
#include "media/stock/dv_dif.h"
#include "media/stock/dv_muxer.h"
#include "support/dv_frame_forge.h"

#include <cmath>

namespace camtrove::media {
namespace {

using namespace dvtesting;
using testsupport::DvFrameForge;
using testsupport::DvLines;

// Pictures with the packs a camcorder records, numbered by their timecode.
std::vector<Bytes> DatedFrames(bool is625, int count)
{
    const DvLines lines = is625 ? DvLines::System625 : DvLines::System525;
    std::vector<Bytes> frames;
    for (int i = 0; i < count; ++i)
        frames.push_back(DvFrameForge::Encoded(lines)
                             .RecDate(2024, 7, 8, 19, 55, 58 + i / 30)
                             .Timecode(0, 0, 2, i % 25)
                             .SourceControl(0, 0)
                             .Take());
    return frames;
}

std::vector<Bytes> TapeFrames(int count)
{
    TestTape tape(TapeSystem::Pal);
    std::vector<Bytes> frames;
    for (int i = 0; i < count; ++i) {
        Bytes frame;
        if (tape.RenderFrame(i, frame))
            return {};
        frames.push_back(std::move(frame));
    }
    return frames;
}

// A tone of different pitch on each channel, cut into chunks that do not line up with frames.
std::vector<Bytes> ToneChunks(int rate, int samples, int chunk, std::vector<std::int16_t>* all)
{
    all->resize(2 * static_cast<std::size_t>(samples));
    for (int n = 0; n < samples; ++n) {
        (*all)[2 * static_cast<std::size_t>(n)] =
            static_cast<std::int16_t>(12000 * std::sin(n * 2 * M_PI * 440 / rate));
        (*all)[2 * static_cast<std::size_t>(n) + 1] =
            static_cast<std::int16_t>(9000 * std::sin(n * 2 * M_PI * 1000 / rate) + (n % 7) - 3);
    }
    std::vector<Bytes> chunks;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(all->data());
    for (int at = 0; at < samples; at += chunk) {
        const int n = std::min(chunk, samples - at);
        chunks.emplace_back(bytes + 4 * static_cast<std::size_t>(at),
                            bytes + 4 * static_cast<std::size_t>(at + n));
    }
    return chunks;
}

// Every byte of the frame that is not sound: header, subcode, VAUX, video and the audio block ids.
Bytes NonAudioBytes(const Bytes& frame)
{
    Bytes kept;
    for (std::size_t block = 0; block < frame.size() / 80; ++block) {
        const bool audio = (block % 150) >= 6 && ((block % 150) - 6) % 16 == 0;
        const std::size_t end = audio ? 3 : 80;
        kept.insert(kept.end(), frame.begin() + static_cast<std::ptrdiff_t>(block * 80),
                    frame.begin() + static_cast<std::ptrdiff_t>(block * 80 + end));
    }
    return kept;
}

struct MuxCase
{
    const char* name;
    bool is625;
    int rate;
    bool tape;
};

class DvMuxerStreams : public ::testing::TestWithParam<MuxCase>
{
};

// Video and sound on two streaming threads of their own: libavformat's DV demuxer reads back the
// sound that went in, at its rate, and every other byte of each frame is the picture's own.
TEST_P(DvMuxerStreams, WriteTheSoundIntoTheFramesAndKeepThePicturesPacks)
{
    const MuxCase& c = GetParam();
    const int count = 12;
    const std::vector<Bytes> pictures = c.tape ? TapeFrames(count) : DatedFrames(c.is625, count);
    ASSERT_EQ(pictures.size(), static_cast<std::size_t>(count));
    int samples = 0;
    for (int i = 0; i < count; ++i)
        samples += DvSamplesInFrame(i, c.rate, c.is625);
    std::vector<std::int16_t> tone;
    const std::vector<Bytes> chunks = ToneChunks(c.rate, samples + 3000, 1000, &tone);

    auto graph = FilterGraph::Create();
    ComPtr<BufferSource> video(
        new BufferSource(DvsdVideoType(c.is625), pictures, c.is625 ? kDvFrameTime625 : kDvFrameTime525));
    ComPtr<BufferSource> audio(new BufferSource(MakePcmAudioType(static_cast<std::uint32_t>(c.rate), 16, 2),
                                                chunks, 10'000'000LL * 1000 / c.rate));
    auto muxer = DvMuxer::Create();
    ComPtr<CopySink> sink(new CopySink(AcceptsSubtype(MEDIASUBTYPE_dvsd)));
    ASSERT_EQ(graph->AddFilter(video.Get(), "video"), S_OK);
    ASSERT_EQ(graph->AddFilter(audio.Get(), "audio"), S_OK);
    ASSERT_EQ(graph->AddFilter(muxer.Get(), "muxer"), S_OK);
    ASSERT_EQ(graph->AddFilter(sink.Get(), "sink"), S_OK);
    ASSERT_EQ(muxer->GetPinCount(), 2) << "video input and output";
    ASSERT_EQ(graph->ConnectDirect(video->Pin(), muxer->GetPin(0), nullptr), S_OK);
    ASSERT_EQ(muxer->GetPinCount(), 3) << "an audio input follows the video";
    ASSERT_EQ(graph->ConnectDirect(audio->Pin(), muxer->GetPin(1), nullptr), S_OK);
    ASSERT_EQ(graph->ConnectDirect(muxer->GetPin(muxer->GetPinCount() - 1), sink->Pin(), nullptr), S_OK);
    const AM_MEDIA_TYPE& out = sink->Pin()->CurrentMediaType();
    EXPECT_EQ(out.majortype, MEDIATYPE_Interleaved);
    ASSERT_NE(out.FormatAs<DVINFO>(), nullptr);
    EXPECT_EQ(DvInfoIs625(*out.FormatAs<DVINFO>()), c.is625);
    EXPECT_EQ(DvInfoAudio(*out.FormatAs<DVINFO>(), 0).value().sampleRate, c.rate);
    RunToEnd(graph.Get(), {sink.Get()});

    const std::vector<CopiedSample> frames = sink->Samples();
    ASSERT_EQ(frames.size(), pictures.size());
    std::vector<Bytes> written;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        EXPECT_TRUE(NonAudioBytes(frames[i].bytes) == NonAudioBytes(pictures[i])) << "frame " << i;
        EXPECT_EQ(frames[i].start,
                  static_cast<REFERENCE_TIME>(i) * (c.is625 ? kDvFrameTime625 : kDvFrameTime525));
        written.push_back(frames[i].bytes);
    }
    const DemuxedDv reread = DemuxDv(written);
    ASSERT_EQ(reread.audio.size(), 1u);
    EXPECT_EQ(reread.rates[0], c.rate);
    ASSERT_EQ(reread.audio[0].size(), 4 * static_cast<std::size_t>(samples));
    const auto* got = reinterpret_cast<const std::int16_t*>(reread.audio[0].data());
    const auto mismatch = std::mismatch(got, got + 2 * samples, tone.data());
    EXPECT_EQ(mismatch.first, got + 2 * samples)
        << "sound differs from sample value " << (mismatch.first - got) << ": " << *mismatch.first
        << " instead of " << *mismatch.second;
}

INSTANTIATE_TEST_SUITE_P(
    Formats, DvMuxerStreams,
    ::testing::Values(MuxCase{"pal_48k", true, 48000, false}, MuxCase{"ntsc_48k", false, 48000, false},
                      MuxCase{"ntsc_32k", false, 32000, false}, MuxCase{"pal_44k", true, 44100, false},
                      MuxCase{"test_tape_pal_32k", true, 32000, true}),
    [](const ::testing::TestParamInfo<MuxCase>& info) { return std::string(info.param.name); });

// Without an audio input the frames go through untouched, and the stream ends with the video.
TEST(DvMuxer, PassesFramesThroughWithoutSound)
{
    const std::vector<Bytes> pictures = DatedFrames(true, 4);
    auto graph = FilterGraph::Create();
    ComPtr<BufferSource> video(new BufferSource(DvsdVideoType(true), pictures, kDvFrameTime625));
    auto muxer = DvMuxer::Create();
    ComPtr<CopySink> sink(new CopySink(AcceptsSubtype(MEDIASUBTYPE_dvsd)));
    ASSERT_EQ(graph->AddFilter(video.Get(), "video"), S_OK);
    ASSERT_EQ(graph->AddFilter(muxer.Get(), "muxer"), S_OK);
    ASSERT_EQ(graph->AddFilter(sink.Get(), "sink"), S_OK);
    EXPECT_NE(graph->ConnectDirect(muxer->GetPin(1), sink->Pin(), nullptr), S_OK) << "no line system yet";
    ASSERT_EQ(graph->ConnectDirect(video->Pin(), muxer->GetPin(0), nullptr), S_OK);
    ASSERT_EQ(graph->ConnectDirect(muxer->GetPin(2), sink->Pin(), nullptr), S_OK);
    RunToEnd(graph.Get(), {sink.Get()});
    const std::vector<CopiedSample> frames = sink->Samples();
    ASSERT_EQ(frames.size(), pictures.size());
    for (std::size_t i = 0; i < frames.size(); ++i)
        EXPECT_TRUE(frames[i].bytes == pictures[i]) << i;
}

// A sound branch that delivers nothing does not hold the capture: after a wait the frames go out
// with silence, and the stream ends.
TEST(DvMuxer, FillsInSilenceWhenTheSoundNeverComes)
{
    const std::vector<Bytes> pictures = DatedFrames(true, 12);
    auto graph = FilterGraph::Create();
    ComPtr<BufferSource> video(new BufferSource(DvsdVideoType(true), pictures, kDvFrameTime625));
    // A source whose only sample lies far in the future of the stream: it never ends on time.
    ComPtr<BufferSource> audio(new BufferSource(MakePcmAudioType(48000, 16, 2), {}, 400000));
    auto muxer = DvMuxer::Create();
    ComPtr<CopySink> sink(new CopySink(AcceptsSubtype(MEDIASUBTYPE_dvsd)));
    ASSERT_EQ(graph->AddFilter(video.Get(), "video"), S_OK);
    ASSERT_EQ(graph->AddFilter(audio.Get(), "audio"), S_OK);
    ASSERT_EQ(graph->AddFilter(muxer.Get(), "muxer"), S_OK);
    ASSERT_EQ(graph->AddFilter(sink.Get(), "sink"), S_OK);
    ASSERT_EQ(graph->ConnectDirect(video->Pin(), muxer->GetPin(0), nullptr), S_OK);
    ASSERT_EQ(graph->ConnectDirect(audio->Pin(), muxer->GetPin(1), nullptr), S_OK);
    ASSERT_EQ(graph->ConnectDirect(muxer->GetPin(2), sink->Pin(), nullptr), S_OK);
    RunToEnd(graph.Get(), {sink.Get()});
    const std::vector<CopiedSample> frames = sink->Samples();
    ASSERT_EQ(frames.size(), pictures.size());
    std::vector<Bytes> written;
    for (const CopiedSample& frame : frames)
        written.push_back(frame.bytes);
    const DemuxedDv reread = DemuxDv(written);
    ASSERT_EQ(reread.audio.size(), 1u);
    EXPECT_EQ(reread.audio[0].size(), 12u * 1920 * 4);
    EXPECT_TRUE(
        std::all_of(reread.audio[0].begin(), reread.audio[0].end(), [](std::uint8_t b) { return b == 0; }));
}

} // namespace
} // namespace camtrove::media
