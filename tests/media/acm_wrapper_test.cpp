#include "media/core/filter_catalogue.h"
#include "media/stock/acm_wrapper.h"
#include "support/avi_capture.h"

#include <QTemporaryDir>

#include <cmath>
#include <gtest/gtest.h>

namespace camtrove::media {
namespace {

using testsupport::AviCaptureGraph;
using testsupport::ReadWithLibav;

// One second of a 1 kHz tone, 16-bit mono at 32000 Hz, in ten buffers.
std::vector<std::vector<std::uint8_t>> ToneBuffers()
{
    std::vector<std::vector<std::uint8_t>> buffers;
    for (int b = 0; b < 10; ++b) {
        std::vector<std::uint8_t> buffer;
        for (int i = 0; i < 3200; ++i) {
            const double t = (b * 3200 + i) / 32000.0;
            const auto s = static_cast<std::int16_t>(std::lround(12000 * std::sin(2 * M_PI * 1000 * t)));
            buffer.push_back(static_cast<std::uint8_t>(s));
            buffer.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(s) >> 8));
        }
        buffers.push_back(std::move(buffer));
    }
    return buffers;
}

// The application's way of choosing the output: the connection type of one of the wrapper's
// pins, made 16-bit stereo PCM at the rate, with the byte rate set and every other field kept.
HRESULT ConfigureAcmFormat(AcmWrapper* acm, int pinIndex, std::uint32_t rate)
{
    AM_MEDIA_TYPE type;
    HRESULT hr = acm->GetPin(pinIndex)->ConnectionMediaType(&type);
    if (Failed(hr))
        return hr;
    type.subtype = MEDIASUBTYPE_PCM;
    type.formattype = FORMAT_WaveFormatEx;
    auto* wave = type.FormatAs<WAVEFORMATEX>();
    wave->nChannels = 2;
    wave->wBitsPerSample = 16;
    wave->nSamplesPerSec = rate;
    wave->nAvgBytesPerSec = rate * 4;
    const auto config = QueryAs<IAMStreamConfig>(static_cast<IUnknown*>(static_cast<IPin*>(acm->GetPin(1))));
    return config ? config->SetFormat(type) : E_NOINTERFACE;
}

int ZeroCrossings(const std::vector<std::uint8_t>& stereo16, int channel)
{
    int crossings = 0;
    std::int16_t previous = 0;
    for (std::size_t at = static_cast<std::size_t>(channel) * 2; at + 1 < stereo16.size(); at += 4) {
        const auto s = static_cast<std::int16_t>(stereo16[at] | stereo16[at + 1] << 8);
        if ((previous < 0) != (s < 0))
            ++crossings;
        previous = s;
    }
    return crossings;
}

// A tone through the wrapper into an AVI file, the format chosen before or after the output was
// connected, as the WAV chain and the AVI chains do.
class AcmWrapperChain : public ::testing::TestWithParam<bool>
{
};

TEST_P(AcmWrapperChain, ConvertsRateChannelsAndSizeToTheChosenFormat)
{
    const bool chooseAfterConnecting = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath("tone.avi");
    AviCaptureGraph g(path);
    const auto acm = AcmWrapper::Create();
    ASSERT_EQ(g.graph->AddFilter(acm.Get(), QStringLiteral("ACM Wrapper")), S_OK);
    g.sources.push_back(ComPtr<testsupport::BufferSource>(
        new testsupport::BufferSource(MakePcmAudioType(32000, 16, 1), ToneBuffers(), 1000000)));
    ASSERT_EQ(g.graph->AddFilter(g.sources[0].Get(), QStringLiteral("Tone")), S_OK);
    ASSERT_EQ(g.graph->ConnectDirect(g.sources[0]->GetPin(0), acm->GetPin(0), nullptr), S_OK);
    if (chooseAfterConnecting) {
        ASSERT_EQ(g.graph->ConnectDirect(acm->GetPin(1), g.mux->GetPin(1), nullptr), S_OK);
        ASSERT_EQ(ConfigureAcmFormat(acm.Get(), 1, 48000), S_OK);
    } else {
        ASSERT_EQ(ConfigureAcmFormat(acm.Get(), 0, 48000), S_OK);
        ASSERT_EQ(g.graph->ConnectDirect(acm->GetPin(1), g.mux->GetPin(1), nullptr), S_OK);
    }

    // Both connection types read back; the output's block size follows the new channel count.
    AM_MEDIA_TYPE input, output, atMux;
    ASSERT_EQ(acm->GetPin(0)->ConnectionMediaType(&input), S_OK);
    ASSERT_EQ(acm->GetPin(1)->ConnectionMediaType(&output), S_OK);
    ASSERT_EQ(g.mux->GetPin(1)->ConnectionMediaType(&atMux), S_OK);
    EXPECT_EQ(input, MakePcmAudioType(32000, 16, 1));
    EXPECT_EQ(output, MakePcmAudioType(48000, 16, 2));
    EXPECT_EQ(atMux, output);
    EXPECT_EQ(output.FormatAs<WAVEFORMATEX>()->nBlockAlign, 4);
    EXPECT_EQ(output.FormatAs<WAVEFORMATEX>()->nAvgBytesPerSec, 192000u);

    const auto events = g.RunToEnd();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front().first, EC_COMPLETE);
    const auto streams = ReadWithLibav(path.toStdString());
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_EQ(streams[0].codec, AV_CODEC_ID_PCM_S16LE);
    EXPECT_EQ(streams[0].sampleRate, 48000);
    EXPECT_EQ(streams[0].channels, 2);
    std::vector<std::uint8_t> pcm;
    for (const auto& packet : streams[0].packets)
        pcm.insert(pcm.end(), packet.begin(), packet.end());
    // One second at the new rate, less what the resampler still holds at the end.
    const auto frames = static_cast<int>(pcm.size() / 4);
    EXPECT_LE(frames, 48000);
    EXPECT_GE(frames, 48000 - 64);
    // Still a 1 kHz tone, in both channels: two zero crossings a cycle.
    for (int channel = 0; channel < 2; ++channel)
        EXPECT_NEAR(ZeroCrossings(pcm, channel), 2000, 4) << "channel " << channel;
}

INSTANTIATE_TEST_SUITE_P(FormatChosen, AcmWrapperChain, ::testing::Bool(), [](const auto& info) {
    return info.param ? "AfterConnecting" : "BeforeConnecting";
});

TEST(AcmWrapper, RefusesFormatsItCannotConvertAndChangesWhileRunning)
{
    const auto acm = AcmWrapper::Create();
    const auto config = QueryAs<IAMStreamConfig>(static_cast<IUnknown*>(static_cast<IPin*>(acm->GetPin(1))));
    ASSERT_TRUE(config);
    AM_MEDIA_TYPE format;
    EXPECT_EQ(config->GetFormat(&format), VFW_E_NOT_CONNECTED);

    AM_MEDIA_TYPE mp3 = MakePcmAudioType(44100, 16, 2);
    mp3.subtype = MakeGuid("00000055-0000-0010-8000-00AA00389B71");
    AM_MEDIA_TYPE bits24 = MakePcmAudioType(44100, 16, 2);
    bits24.FormatAs<WAVEFORMATEX>()->wBitsPerSample = 24;
    AM_MEDIA_TYPE noChannels = MakePcmAudioType(44100, 16, 2);
    noChannels.FormatAs<WAVEFORMATEX>()->nChannels = 0;
    AM_MEDIA_TYPE video = MakeVideoType(MEDIASUBTYPE_RGB24, 8, 8, 400000);
    for (const AM_MEDIA_TYPE* refused : {&mp3, &bits24, &noChannels, &video}) {
        EXPECT_EQ(config->SetFormat(*refused), VFW_E_INVALIDMEDIATYPE);
        EXPECT_EQ(acm->GetPin(0)->QueryAccept(*refused), S_FALSE);
    }

    ASSERT_EQ(config->SetFormat(MakePcmAudioType(44100, 8, 1)), S_OK);
    ASSERT_EQ(config->GetFormat(&format), S_OK);
    EXPECT_EQ(format, MakePcmAudioType(44100, 8, 1));

    auto graph = FilterGraph::Create(nullptr);
    ASSERT_EQ(graph->AddFilter(acm.Get(), QStringLiteral("ACM Wrapper")), S_OK);
    ASSERT_EQ(graph->Run(), S_OK);
    EXPECT_EQ(config->SetFormat(MakePcmAudioType(48000, 16, 2)), VFW_E_NOT_STOPPED);
    (void)graph->Stop();
}

TEST(AcmWrapper, IsInTheCatalogueAsAPcmConverter)
{
    const auto registration = FilterCatalogue::BuiltIn().Find(CLSID_ACMWrapper);
    ASSERT_TRUE(registration);
    EXPECT_EQ(registration->name, QStringLiteral("ACM Wrapper"));
    EXPECT_GT(registration->merit, MERIT_DO_NOT_USE);
    const auto converters = FilterCatalogue::BuiltIn().ConvertersFor({MakePcmAudioType(32000, 16, 1)});
    EXPECT_TRUE(std::any_of(converters.begin(), converters.end(),
                            [](const FilterRegistration& r) { return r.clsid == CLSID_ACMWrapper; }));
}

} // namespace
} // namespace camtrove::media
