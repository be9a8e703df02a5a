#include "dv_test_filters.h"
#include "media/devices/test_tape.h"
#include "media/stock/dv_dif.h"
#include "media/stock/dv_splitter.h"
#include "support/dv_fixtures.h"
#include "support/dv_frame_forge.h"

#include <random>

namespace camtrove::media {
namespace {

using namespace dvtesting;
using testsupport::DvFrameForge;
using testsupport::DvLines;

// Frames of the forge with an AAUX source pack (frequency and quantisation codes, samples above
// the minimum) in every sequence and random bytes in every audio sample slot.
std::vector<Bytes> ForgedFramesWithSound(DvLines lines, int frequencyCode, int quantizationCode, int count)
{
    const bool is625 = lines == DvLines::System625;
    const int sequences = is625 ? 12 : 10;
    std::mt19937 random(static_cast<unsigned>(frequencyCode * 10 + quantizationCode));
    const Bytes picture = DvFrameForge::Encoded(lines).Take();
    std::vector<Bytes> frames;
    for (int f = 0; f < count; ++f) {
        Bytes frame = picture;
        for (int k = 0; k < sequences; ++k) {
            for (int a = 0; a < 9; ++a) {
                std::uint8_t* block = frame.data() + k * 12000 + (6 + 16 * a) * 80;
                for (int i = 8; i < 80; ++i)
                    block[i] = static_cast<std::uint8_t>(random());
            }
            // The source pack stands in block 3 of even sequences and block 0 of odd ones.
            std::uint8_t* pack = frame.data() + k * 12000 + (6 + 16 * (k % 2 == 0 ? 3 : 0)) * 80 + 3;
            const std::uint8_t pc1 = static_cast<std::uint8_t>(0x40 | (f * 7) % 20);
            const std::uint8_t pc4 = static_cast<std::uint8_t>(0xC0 | frequencyCode << 3 | quantizationCode);
            const std::uint8_t packBytes[5] = {0x50, pc1, 0x00,
                                               static_cast<std::uint8_t>(is625 ? 0xE0 : 0xC0), pc4};
            std::copy(std::begin(packBytes), std::end(packBytes), pack);
        }
        frames.push_back(std::move(frame));
    }
    return frames;
}

struct SplitCase
{
    const char* name;
    std::function<std::vector<Bytes>()> frames;
    int pairs;
    int rate;
};

class DvSplitterStreams : public ::testing::TestWithParam<SplitCase>
{
};

// The splitter in a running graph: the video output carries every frame byte for byte, each
// audio output the PCM libavformat's own DV demuxer reads from the same frames, and each sound
// sample starts with its picture.
TEST_P(DvSplitterStreams, CarryThePictureUnchangedAndTheSoundLibavformatReads)
{
    std::vector<Bytes> frames;
    if (std::string(GetParam().name) == "camcorder_ntsc_32k_12bit") {
        Bytes all;
        CAMTROVE_LOAD_DV_FIXTURE("sony_good_quality.dv", all);
        for (std::size_t at = 0; at + 120000 <= all.size(); at += 120000)
            frames.emplace_back(all.begin() + static_cast<std::ptrdiff_t>(at),
                                all.begin() + static_cast<std::ptrdiff_t>(at + 120000));
    } else {
        frames = GetParam().frames();
    }
    ASSERT_FALSE(frames.empty());
    const bool is625 = DvIs625(frames[0]);
    const REFERENCE_TIME frameTime = is625 ? 400000 : 333667;

    auto graph = FilterGraph::Create();
    ComPtr<BufferSource> source(
        new BufferSource(InterleavedDvType(DvInfoFromFrame(frames[0]), is625), frames, frameTime));
    auto splitter = DvSplitter::Create();
    ASSERT_EQ(graph->AddFilter(source.Get(), "source"), S_OK);
    ASSERT_EQ(graph->AddFilter(splitter.Get(), "splitter"), S_OK);
    ASSERT_EQ(splitter->GetPinCount(), 1) << "outputs come with the input's type";
    ASSERT_EQ(graph->ConnectDirect(source->Pin(), splitter->GetPin(0), nullptr), S_OK);
    ASSERT_EQ(splitter->GetPinCount(), 2 + GetParam().pairs);

    ComPtr<CopySink> video(new CopySink(AcceptsSubtype(MEDIASUBTYPE_dvsd)));
    ASSERT_EQ(graph->AddFilter(video.Get(), "video"), S_OK);
    ASSERT_EQ(graph->ConnectDirect(splitter->GetPin(1), video->Pin(), nullptr), S_OK);
    const auto* vih = video->Pin()->CurrentMediaType().FormatAs<VIDEOINFOHEADER>();
    ASSERT_NE(vih, nullptr);
    EXPECT_EQ(vih->AvgTimePerFrame, frameTime);
    EXPECT_EQ(vih->bmiHeader.biWidth, 720);
    EXPECT_EQ(vih->bmiHeader.biHeight, is625 ? 576 : 480);

    std::vector<ComPtr<CopySink>> audio;
    for (int pair = 0; pair < GetParam().pairs; ++pair) {
        audio.emplace_back(new CopySink(AcceptsSubtype(MEDIASUBTYPE_PCM)));
        ASSERT_EQ(graph->AddFilter(audio.back().Get(), QStringLiteral("audio %1").arg(pair)), S_OK);
        ASSERT_EQ(graph->ConnectDirect(splitter->GetPin(2 + pair), audio.back()->Pin(), nullptr), S_OK);
        const auto* wfx = audio.back()->Pin()->CurrentMediaType().FormatAs<WAVEFORMATEX>();
        ASSERT_NE(wfx, nullptr);
        EXPECT_EQ(wfx->nSamplesPerSec, static_cast<std::uint32_t>(GetParam().rate));
        EXPECT_EQ(wfx->wBitsPerSample, 16);
        EXPECT_EQ(wfx->nChannels, 2);
    }

    ASSERT_EQ(graph->Run(), S_OK);
    EXPECT_TRUE(video->WaitForEnd());
    for (auto& sink : audio)
        EXPECT_TRUE(sink->WaitForEnd());
    EXPECT_EQ(graph->Stop(), S_OK);

    const std::vector<CopiedSample> pictures = video->Samples();
    ASSERT_EQ(pictures.size(), frames.size());
    for (std::size_t i = 0; i < frames.size(); ++i) {
        EXPECT_TRUE(pictures[i].bytes == frames[i]) << "frame " << i;
        EXPECT_EQ(pictures[i].start, static_cast<REFERENCE_TIME>(i) * frameTime);
    }

    const DemuxedDv reference = DemuxDv(frames);
    ASSERT_EQ(reference.audio.size(), static_cast<std::size_t>(GetParam().pairs));
    for (std::size_t pair = 0; pair < audio.size(); ++pair) {
        const std::vector<CopiedSample> sound = audio[pair]->Samples();
        ASSERT_EQ(sound.size(), frames.size());
        EXPECT_EQ(reference.rates[pair], GetParam().rate);
        EXPECT_TRUE(Concatenate(sound) == reference.audio[pair]) << "pair " << pair;
        for (std::size_t i = 0; i < sound.size(); ++i)
            EXPECT_EQ(sound[i].start, pictures[i].start) << "frame " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Frames, DvSplitterStreams,
    ::testing::Values(SplitCase{"camcorder_ntsc_32k_12bit", {}, 2, 32000},
                      SplitCase{"pal_48k_16bit",
                                [] { return ForgedFramesWithSound(DvLines::System625, 0, 0, 6); }, 1, 48000},
                      SplitCase{"ntsc_48k_16bit",
                                [] { return ForgedFramesWithSound(DvLines::System525, 0, 0, 6); }, 1, 48000},
                      SplitCase{"ntsc_44k_16bit",
                                [] { return ForgedFramesWithSound(DvLines::System525, 1, 0, 4); }, 1, 44100},
                      SplitCase{"pal_32k_12bit",
                                [] { return ForgedFramesWithSound(DvLines::System625, 2, 1, 6); }, 2, 32000}),
    [](const ::testing::TestParamInfo<SplitCase>& info) { return std::string(info.param.name); });

// The synthetic tape changes from 48 kHz to 32 kHz 12-bit sound between two scenes: the 48 kHz
// output keeps its rate, resampling the new scene, and the sound keeps pace with the picture.
TEST(DvSplitter, KeepsSoundInStepAcrossARateChangeOfTheTape)
{
    int sceneStart = 0;
    for (const TestTapeScene& scene : TestTapeScenes()) {
        if (scene.audio32k12bit)
            break;
        sceneStart += scene.frames;
    }
    TestTape tape(TapeSystem::Pal);
    std::vector<Bytes> frames;
    for (int index = sceneStart - 10; index < sceneStart + 15; ++index) {
        Bytes frame;
        ASSERT_FALSE(tape.RenderFrame(index, frame).has_value());
        frames.push_back(std::move(frame));
    }
    ASSERT_EQ(DvFindAauxSource(frames.back(), 0).value()[3], 0xD1) << "the last frames are 32 kHz 12-bit";

    auto graph = FilterGraph::Create();
    ComPtr<BufferSource> source(
        new BufferSource(InterleavedDvType(DvInfoFromFrame(frames[0]), true), frames, 0));
    auto splitter = DvSplitter::Create();
    ComPtr<CopySink> video(new CopySink(AcceptsSubtype(MEDIASUBTYPE_dvsd)));
    ComPtr<CopySink> sound(new CopySink(AcceptsSubtype(MEDIASUBTYPE_PCM)));
    ASSERT_EQ(graph->AddFilter(source.Get(), "source"), S_OK);
    ASSERT_EQ(graph->AddFilter(splitter.Get(), "splitter"), S_OK);
    ASSERT_EQ(graph->AddFilter(video.Get(), "video"), S_OK);
    ASSERT_EQ(graph->AddFilter(sound.Get(), "sound"), S_OK);
    ASSERT_EQ(graph->ConnectDirect(source->Pin(), splitter->GetPin(0), nullptr), S_OK);
    ASSERT_EQ(splitter->GetPinCount(), 3) << "a 48 kHz stream starts with one pair";
    ASSERT_EQ(graph->ConnectDirect(splitter->GetPin(1), video->Pin(), nullptr), S_OK);
    ASSERT_EQ(graph->ConnectDirect(splitter->GetPin(2), sound->Pin(), nullptr), S_OK);
    RunToEnd(graph.Get(), {video.Get(), sound.Get()});

    const std::vector<CopiedSample> pictures = video->Samples();
    const std::vector<CopiedSample> pcm = sound->Samples();
    ASSERT_EQ(pictures.size(), frames.size());
    ASSERT_EQ(pcm.size(), frames.size());
    for (std::size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(pictures[i].start, static_cast<REFERENCE_TIME>(i) * 400000)
            << "counted from the first frame";
        EXPECT_EQ(pcm[i].start, pictures[i].start);
    }
    // 1920 samples a frame at 48 kHz; the resampler may hold back a few while it starts.
    const std::size_t samples = Concatenate(pcm).size() / 4;
    EXPECT_LE(samples, frames.size() * 1920);
    EXPECT_GE(samples, frames.size() * 1920 - 64);
}

// Frames the outputs cannot carry are left out: a torn frame, a frame of the other line system.
TEST(DvSplitter, LeavesOutFramesItsOutputsCannotCarry)
{
    std::vector<Bytes> frames = ForgedFramesWithSound(DvLines::System625, 0, 0, 3);
    frames[1].resize(100000);
    frames.insert(frames.begin() + 2, ForgedFramesWithSound(DvLines::System525, 0, 0, 1)[0]);

    auto graph = FilterGraph::Create();
    ComPtr<BufferSource> source(
        new BufferSource(InterleavedDvType(DvInfoFromFrame(frames[0]), true), frames, 400000));
    auto splitter = DvSplitter::Create();
    ComPtr<CopySink> video(new CopySink(AcceptsSubtype(MEDIASUBTYPE_dvsd)));
    ASSERT_EQ(graph->AddFilter(source.Get(), "source"), S_OK);
    ASSERT_EQ(graph->AddFilter(splitter.Get(), "splitter"), S_OK);
    ASSERT_EQ(graph->AddFilter(video.Get(), "video"), S_OK);
    ASSERT_EQ(graph->ConnectDirect(source->Pin(), splitter->GetPin(0), nullptr), S_OK);
    ASSERT_EQ(graph->ConnectDirect(splitter->GetPin(1), video->Pin(), nullptr), S_OK);
    RunToEnd(graph.Get(), {video.Get()});

    const std::vector<CopiedSample> pictures = video->Samples();
    ASSERT_EQ(pictures.size(), 2u);
    EXPECT_TRUE(pictures[0].bytes == frames[0]);
    EXPECT_TRUE(pictures[1].bytes == frames[3]);
}

// The input takes interleaved dvsd with a DVINFO block only; a disconnected input takes its
// outputs away.
TEST(DvSplitter, TakesInterleavedDvWithItsFormatBlockOnly)
{
    auto splitter = DvSplitter::Create();
    TBCBasePin* input = splitter->GetPin(0);
    const AM_MEDIA_TYPE good = InterleavedDvType(DvInfoFor(true, 48000), true);
    EXPECT_EQ(input->QueryAccept(good), S_OK);
    AM_MEDIA_TYPE noBlock = good;
    noBlock.SetFormat(FORMAT_DvInfo, std::span<const std::uint8_t>());
    AM_MEDIA_TYPE video = good;
    video.majortype = MEDIATYPE_Video;
    AM_MEDIA_TYPE otherSubtype = good;
    otherSubtype.subtype = MEDIASUBTYPE_dvsl;
    for (const AM_MEDIA_TYPE& refused : {noBlock, video, otherSubtype})
        EXPECT_NE(input->QueryAccept(refused), S_OK);

    auto graph = FilterGraph::Create();
    ComPtr<BufferSource> source(new BufferSource(good, {}, 400000));
    ASSERT_EQ(graph->AddFilter(source.Get(), "source"), S_OK);
    ASSERT_EQ(graph->AddFilter(splitter.Get(), "splitter"), S_OK);
    ASSERT_EQ(graph->ConnectDirect(source->Pin(), input, nullptr), S_OK);
    EXPECT_EQ(splitter->GetPinCount(), 3);
    ASSERT_EQ(graph->Disconnect(source->Pin()), S_OK);
    ASSERT_EQ(graph->Disconnect(input), S_OK);
    EXPECT_EQ(splitter->GetPinCount(), 1);
}

} // namespace
} // namespace camtrove::media
