#include "graph/acm_format.h"

#include "graph/graph_pins.h"
#include "graph/sources.h"
#include "graph/tdm.h"

namespace camtrove::graph {

using namespace media;

std::int32_t AcmCaptureRate(const TAcmRateChoice& choice)
{
    const bool knownRate =
        choice.sourceRate == 32000 || choice.sourceRate == 44100 || choice.sourceRate == 48000;
    if (choice.garderFormatDV && choice.frequenceDVNative && choice.dvCamcorderVideo && knownRate)
        return choice.sourceRate;
    switch (choice.frequenceDV) {
    case 1:
        return 32000;
    case 3:
        return 48000;
    default:
        return 44100;
    }
}

AM_MEDIA_TYPE AcmCaptureType(const AM_MEDIA_TYPE& connected, std::int32_t rate)
{
    constexpr std::uint16_t kChannels = 2;
    constexpr std::uint16_t kBits = 16;
    AM_MEDIA_TYPE type = connected;
    type.subtype = MEDIASUBTYPE_PCM;
    WAVEFORMATEX wave;
    if (const auto* old = connected.FormatAs<WAVEFORMATEX>())
        wave = *old;
    else
        wave.wFormatTag = WAVE_FORMAT_PCM;
    wave.nChannels = kChannels;
    wave.wBitsPerSample = kBits;
    wave.nSamplesPerSec = static_cast<std::uint32_t>(rate);
    wave.nAvgBytesPerSec = static_cast<std::uint32_t>(rate) * 4;
    // A mono or 8-bit source would otherwise leave a block size that contradicts the samples, and
    // a WAV header that players read as a different format.
    wave.nBlockAlign = kChannels * kBits / 8;
    type.formattype = FORMAT_WaveFormatEx;
    if (type.format.size() < sizeof(WAVEFORMATEX))
        type.format.resize(sizeof(WAVEFORMATEX));
    std::memcpy(type.format.data(), &wave, sizeof wave);
    type.bFixedSizeSamples = true;
    type.lSampleSize = wave.nBlockAlign;
    return type;
}

bool Tdm::ConfigureAcmFormat(PIN_DIRECTION direction)
{
    if (!ActiveAudioSource)
        return false;
    TAcmRateChoice choice;
    choice.garderFormatDV = Preferences.garderFormatDV;
    choice.frequenceDVNative = Preferences.frequenceDVNative;
    choice.dvCamcorderVideo = ActiveVideoIsDVCamcorder();
    choice.sourceRate = NativeAudio.SamplesPerSec;
    choice.frequenceDV = Preferences.frequenceDV;

    ComPtr<IPin> pin;
    ComPtr<IPin> output;
    if (Failed(m_builder->FindPin(acmcap.Filter(), direction, nullptr, nullptr, false, 0, &pin)) ||
        Failed(m_builder->FindPin(acmcap.Filter(), PINDIR_OUTPUT, nullptr, nullptr, false, 0, &output)))
        return false;
    const auto connected = ConnectionTypeOf(pin.Get());
    const auto config = QueryAs<IAMStreamConfig>(output.Get());
    if (!connected || !config)
        return false;
    return Succeeded(config->SetFormat(AcmCaptureType(*connected, AcmCaptureRate(choice))));
}

} // namespace camtrove::graph
