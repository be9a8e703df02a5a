#include "media/stock/audio_renderer.h"

#include "media/core/guids.h"
#include "media/stock/audio_volume.h"

#include <algorithm>
#include <alsa/asoundlib.h>
#include <cerrno>

namespace camtrove::media {

namespace {

// How much sound ALSA holds ahead of what is heard.
constexpr unsigned kDeviceLatencyUs = 200'000;
// How long a write waits for room before looking whether the renderer is stopping.
constexpr int kWriteWaitMs = 20;

// ALSA's library prints its own errors to stderr, where a machine without sound would see them at
// every preview; a missing device is handled here, by playing silence.
void QuietAlsaErrors(const char*, int, const char*, int, const char*, ...) {}

const WAVEFORMATEX* PcmFormatOf(const AM_MEDIA_TYPE& type)
{
    if (type.majortype != MEDIATYPE_Audio || type.formattype != FORMAT_WaveFormatEx)
        return nullptr;
    const auto* wfx = type.FormatAs<WAVEFORMATEX>();
    if (!wfx || wfx->wFormatTag != WAVE_FORMAT_PCM || (wfx->wBitsPerSample != 8 && wfx->wBitsPerSample != 16))
        return nullptr;
    if (wfx->nChannels == 0 || wfx->nSamplesPerSec == 0 ||
        wfx->nBlockAlign != wfx->nChannels * wfx->wBitsPerSample / 8)
        return nullptr;
    return wfx;
}

} // namespace

void AudioRenderer::PcmClose::operator()(snd_pcm_t* pcm) const
{
    snd_pcm_close(pcm);
}

AudioRenderer::AudioRenderer(const char* device)
    : TBCBaseRenderer(QStringLiteral("Default DirectSound Device"), CLSID_DSoundRender,
                      QStringLiteral("Audio Input pin (rendered)")),
      m_deviceName(device)
{
}

AudioRenderer::~AudioRenderer() = default;

ComPtr<AudioRenderer> AudioRenderer::Create(const char* device)
{
    return ComPtr<AudioRenderer>(new AudioRenderer(device));
}

HRESULT AudioRenderer::NonDelegatingQueryInterface(const GUID& iid, void** object)
{
    if (iid == IID_IBasicAudio)
        return GetInterface(static_cast<IBasicAudio*>(this), object);
    return TBCBaseRenderer::NonDelegatingQueryInterface(iid, object);
}

HRESULT AudioRenderer::CheckMediaType(const AM_MEDIA_TYPE& type)
{
    return PcmFormatOf(type) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT AudioRenderer::put_Volume(std::int32_t volume)
{
    if (volume < kVolumeSilent || volume > kVolumeFull)
        return E_INVALIDARG;
    m_volume = volume;
    return S_OK;
}

HRESULT AudioRenderer::get_Volume(std::int32_t* volume)
{
    if (!volume)
        return E_POINTER;
    *volume = m_volume.load();
    return S_OK;
}

AudioRenderer::PcmHandle AudioRenderer::OpenDevice(const AM_MEDIA_TYPE& type) const
{
    const WAVEFORMATEX* wfx = PcmFormatOf(type);
    snd_pcm_t* raw = nullptr;
    static const bool quiet = (snd_lib_error_set_handler(QuietAlsaErrors), true);
    (void)quiet;
    // Non-blocking, so that neither a busy device nor a full buffer can hold up Stop.
    if (!wfx || snd_pcm_open(&raw, m_deviceName, SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0)
        return {};
    PcmHandle pcm(raw);
    const snd_pcm_format_t format = wfx->wBitsPerSample == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
    if (snd_pcm_set_params(pcm.get(), format, SND_PCM_ACCESS_RW_INTERLEAVED, wfx->nChannels,
                           wfx->nSamplesPerSec, 1, kDeviceLatencyUs) < 0)
        return {};
    return pcm;
}

HRESULT AudioRenderer::StartStreaming()
{
    // A preview without a sound source leaves the renderer unconnected; the graph still runs.
    if (!InputPin()->IsConnected())
        return S_OK;
    const AM_MEDIA_TYPE& type = InputPin()->CurrentMediaType();
    const WAVEFORMATEX* wfx = PcmFormatOf(type);
    if (!wfx)
        return VFW_E_NOT_CONNECTED;
    m_bytesPerSecond = wfx->nAvgBytesPerSec ? wfx->nAvgBytesPerSec : wfx->nSamplesPerSec * wfx->nBlockAlign;
    m_bytesPerFrame = wfx->nBlockAlign;
    m_bitsPerSample = wfx->wBitsPerSample;
    m_silentEnd = 0;
    m_rendered = 0;
    m_pcm = OpenDevice(type);
    m_playing = static_cast<bool>(m_pcm);
    return S_OK;
}

HRESULT AudioRenderer::StopStreaming()
{
    if (m_pcm)
        (void)snd_pcm_drop(m_pcm.get());
    m_pcm.reset();
    m_playing = false;
    return S_OK;
}

HRESULT AudioRenderer::DoRenderSample(IMediaSample* sample)
{
    std::uint8_t* data = nullptr;
    const std::int32_t length = sample->GetActualDataLength();
    if (Failed(sample->GetPointer(&data)) || length < 0 || length > sample->GetSize())
        return E_UNEXPECTED;
    if (m_pcm) {
        m_scaled.assign(data, data + length);
        ScalePcm(m_scaled, m_bitsPerSample, VolumeGainQ16(m_volume.load()));
        if (!Play(m_scaled.data(), length)) {
            // the device went away: go on in silence rather than end the stream
            m_pcm.reset();
            m_playing = false;
        }
    } else if (!PaceSilently(sample)) {
        return VFW_E_WRONG_STATE;
    }
    ++m_rendered;
    return S_OK;
}

bool AudioRenderer::Play(const std::uint8_t* data, std::int32_t length)
{
    snd_pcm_uframes_t left = m_bytesPerFrame ? snd_pcm_uframes_t(length) / m_bytesPerFrame : 0;
    while (left > 0) {
        const snd_pcm_sframes_t written = snd_pcm_writei(m_pcm.get(), data, left);
        if (written >= 0) {
            left -= snd_pcm_uframes_t(written);
            data += std::size_t(written) * m_bytesPerFrame;
            continue;
        }
        if (written == -EAGAIN) {
            if (!InputPin()->IsPinActive() || InputPin()->IsFlushing())
                return true; // stopping: the rest is not wanted
            (void)snd_pcm_wait(m_pcm.get(), kWriteWaitMs);
            continue;
        }
        if (snd_pcm_recover(m_pcm.get(), int(written), 1) < 0)
            return false;
    }
    return true;
}

// A silent device plays only while running, as a real one does. A sample with a time has already
// waited for it; one without starts where the last one ended, or now when the stream fell behind.
bool AudioRenderer::PaceSilently(IMediaSample* sample)
{
    if (!WaitUntilRunning())
        return false;
    REFERENCE_TIME streamStart = 0;
    const ComPtr<IReferenceClock> clock = RunClock(&streamStart);
    REFERENCE_TIME now = 0;
    if (!clock || Failed(clock->GetTime(&now)))
        return true; // nothing to pace against
    now -= streamStart;
    REFERENCE_TIME start = 0, stop = 0;
    const HRESULT times = sample->GetTime(&start, &stop);
    const bool timed = times == S_OK || times == VFW_S_NO_STOP_TIME;
    const REFERENCE_TIME begin = timed ? start : std::max(m_silentEnd, now);
    const REFERENCE_TIME duration =
        m_bytesPerSecond ? REFERENCE_TIME(sample->GetActualDataLength()) * 10'000'000 / m_bytesPerSecond : 0;
    m_silentEnd = begin + duration;
    return WaitForStreamTime(begin);
}

} // namespace camtrove::media
