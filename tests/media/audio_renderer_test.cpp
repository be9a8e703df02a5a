#include "media/core/filter_graph.h"
#include "media/stock/audio_renderer.h"
#include "media/stock/audio_volume.h"
#include "test_filters.h"

#include <gtest/gtest.h>
#include <thread>

namespace camtrove::media {
namespace {

using testing::DrainEvents;
using testing::PinOf;
using testing::TestClock;
using testing::TestSource;

TEST(AudioVolume, FollowsTheCubeOfTheSettingWithinItsRange)
{
    const std::vector<std::pair<std::int32_t, std::int32_t>> cases{
        {0, 0}, {10000, 65536}, {5000, 8192}, {1000, 66}, {-5, 0}, {20000, 65536}};
    for (const auto& [volume, gain] : cases)
        EXPECT_EQ(VolumeGainQ16(volume), gain) << "volume " << volume;
}

TEST(AudioVolume, ScalesSignedSixteenAndUnsignedEightBitSamples)
{
    struct Case
    {
        const char* name;
        int bits;
        std::int32_t gain;
        std::vector<std::uint8_t> in, out;
    };
    const std::vector<Case> cases{
        // 1000 and -1000 little-endian
        {"16 full", 16, 65536, {0xE8, 0x03, 0x18, 0xFC}, {0xE8, 0x03, 0x18, 0xFC}},
        {"16 eighth", 16, 8192, {0xE8, 0x03, 0x18, 0xFC}, {0x7D, 0x00, 0x83, 0xFF}}, // 125, -125
        {"16 silent", 16, 0, {0xE8, 0x03, 0x00, 0x80}, {0x00, 0x00, 0x00, 0x00}},
        {"8 eighth", 8, 8192, {228, 28, 128}, {140, 116, 128}},
        {"8 silent", 8, 0, {255, 0}, {128, 128}},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> data = c.in;
        ScalePcm(data, c.bits, c.gain);
        EXPECT_EQ(data, c.out) << c.name;
    }
}

TEST(AudioRenderer, KeepsAVolumeFromSilentToFullAndRefusesOthers)
{
    auto renderer = AudioRenderer::Create();
    auto audio = QueryAs<IBasicAudio>(static_cast<IBaseFilter*>(renderer.Get()));
    ASSERT_TRUE(audio);
    std::int32_t volume = -1;
    for (const std::int32_t set : {0, 5000, 10000}) {
        EXPECT_EQ(audio->put_Volume(set), S_OK);
        EXPECT_EQ(audio->get_Volume(&volume), S_OK);
        EXPECT_EQ(volume, set);
    }
    EXPECT_EQ(audio->put_Volume(-1), E_INVALIDARG);
    EXPECT_EQ(audio->put_Volume(10001), E_INVALIDARG);
    EXPECT_EQ(audio->get_Volume(&volume), S_OK);
    EXPECT_EQ(volume, 10000);

    EXPECT_EQ(renderer->CheckMediaType(MakePcmAudioType(48000, 16, 2)), S_OK);
    EXPECT_EQ(renderer->CheckMediaType(MakePcmAudioType(8000, 8, 1)), S_OK);
    EXPECT_NE(renderer->CheckMediaType(MakePcmAudioType(48000, 24, 2)), S_OK);
    EXPECT_NE(renderer->CheckMediaType(MakeVideoType(MEDIASUBTYPE_RGB24, 8, 4, 0)), S_OK);
}

bool WaitForCount(const std::function<std::int64_t()>& count, std::int64_t wanted)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (count() < wanted) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::yield();
    }
    return true;
}

// With no sound device the renderer still takes the stream, a sample's worth of time apart, and
// the graph completes: a machine without sound must not stall the capture behind it.
TEST(AudioRenderer, WithoutASoundDeviceConsumesSamplesAtTheirPaceInSilence)
{
    constexpr REFERENCE_TIME kSampleTime = 1'000'000;         // 100 ms
    const AM_MEDIA_TYPE pcm = MakePcmAudioType(48000, 16, 2); // 19200 bytes per 100 ms
    auto graph = FilterGraph::Create(nullptr);
    auto clock = MakeCom<TestClock>();
    auto source = ComPtr<TestSource>(new TestSource({pcm}, 4, 19200));
    source->m_timed = false;
    auto renderer = AudioRenderer::Create("camtrove_no_such_sound_device");
    ASSERT_EQ(graph->SetSyncSource(clock.Get()), S_OK);
    ASSERT_EQ(graph->AddFilter(source.Get(), "Source"), S_OK);
    ASSERT_EQ(graph->AddFilter(renderer.Get(), "Default DirectSound Device"), S_OK);
    ASSERT_EQ(graph->ConnectDirect(PinOf(source.Get(), 0).Get(), PinOf(renderer.Get(), 0).Get(), nullptr),
              S_OK);
    ASSERT_EQ(graph->Run(), S_OK);
    EXPECT_FALSE(renderer->PlaysToDevice());

    const auto rendered = [&] { return renderer->SamplesRendered(); };
    for (std::int64_t played = 1; played <= 4; ++played) {
        ASSERT_TRUE(WaitForCount(rendered, played));
        EXPECT_EQ(rendered(), played) << "a sample went before the one ahead of it had played";
        clock->Advance(kSampleTime);
    }
    std::int32_t code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    EXPECT_EQ(graph->GetEvent(&code, &p1, &p2, 10000), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    EXPECT_EQ(graph->Stop(), S_OK);
}

TEST(AudioRenderer, LeftUnconnectedLetsTheGraphRun)
{
    auto graph = FilterGraph::Create(nullptr);
    auto source =
        ComPtr<TestSource>(new TestSource({MakeVideoType(MEDIASUBTYPE_RGB24, 8, 8, 400000)}, 1, 192));
    auto sink = ComPtr<testing::TestSink>(new testing::TestSink());
    auto renderer = AudioRenderer::Create("camtrove_no_such_sound_device");
    ASSERT_EQ(graph->AddFilter(source.Get(), "Source"), S_OK);
    ASSERT_EQ(graph->AddFilter(sink.Get(), "Sink"), S_OK);
    ASSERT_EQ(graph->AddFilter(renderer.Get(), "Default DirectSound Device"), S_OK);
    ASSERT_EQ(graph->ConnectDirect(PinOf(source.Get(), 0).Get(), PinOf(sink.Get(), 0).Get(), nullptr), S_OK);
    EXPECT_EQ(graph->Run(), S_OK) << "a video-only preview keeps the sound renderer in the graph";
    EXPECT_EQ(graph->Stop(), S_OK);
    EXPECT_EQ(renderer->SamplesRendered(), 0);
}

} // namespace
} // namespace camtrove::media
