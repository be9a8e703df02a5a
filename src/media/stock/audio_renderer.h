#pragma once
// The audio renderer "Default DirectSound Device": plays PCM (8 or 16 bits) through ALSA's
// playback device, at the listening volume set through IBasicAudio (0 silent to 10000 full,
// never what is recorded). When no sound device opens it falls back to silence: it consumes
// the samples at the pace they would have played, against the graph's clock, and reports
// success, so that a machine without sound still previews and captures.
//
// The device is opened when streaming starts and closed at Stop, on the streaming thread's side
// of the receive lock; the volume is an atomic the streaming thread reads once per sample.

#include "media/base/base_renderer.h"
#include "media/core/device_interfaces.h"

#include <atomic>
#include <memory>

using snd_pcm_t = struct _snd_pcm;

namespace camtrove::media {

class AudioRenderer final : public TBCBaseRenderer, public IBasicAudio
{
public:
    // The ALSA playback device to open; the system's default unless a test names another.
    [[nodiscard]] static ComPtr<AudioRenderer> Create(const char* device = "default");
    ~AudioRenderer() override;

    HRESULT NonDelegatingQueryInterface(const GUID& iid, void** object) override;

    HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override;
    HRESULT StartStreaming() override;
    HRESULT StopStreaming() override;
    HRESULT DoRenderSample(IMediaSample* sample) override;

    // IBasicAudio: 0 to 10000; E_INVALIDARG outside. Any thread.
    HRESULT put_Volume(std::int32_t volume) override;
    HRESULT get_Volume(std::int32_t* volume) override;

    // True while streaming into a sound device; false when stopped or silent.
    [[nodiscard]] bool PlaysToDevice() const { return m_playing.load(); }
    // Samples consumed since streaming last started, played or not.
    [[nodiscard]] std::int64_t SamplesRendered() const { return m_rendered.load(); }

private:
    explicit AudioRenderer(const char* device);

    struct PcmClose
    {
        void operator()(snd_pcm_t* pcm) const;
    };
    using PcmHandle = std::unique_ptr<snd_pcm_t, PcmClose>;

    [[nodiscard]] PcmHandle OpenDevice(const AM_MEDIA_TYPE& type) const;
    // False when the device failed for good; the stream then goes on in silence.
    [[nodiscard]] bool Play(const std::uint8_t* data, std::int32_t length);
    // Waits until the silent device would have played what came before; false when stopped.
    [[nodiscard]] bool PaceSilently(IMediaSample* sample);

    const char* m_deviceName;
    std::atomic<std::int32_t> m_volume{10000};
    std::atomic<bool> m_playing{false};
    std::atomic<std::int64_t> m_rendered{0};

    // Under the receive lock.
    PcmHandle m_pcm;
    std::uint32_t m_bytesPerSecond = 0;
    std::uint32_t m_bytesPerFrame = 0;
    int m_bitsPerSample = 16;
    REFERENCE_TIME m_silentEnd = 0; // stream time where the audio consumed in silence ends
    std::vector<std::uint8_t> m_scaled;
};

} // namespace camtrove::media
