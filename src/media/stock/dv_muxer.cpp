#include "media/stock/dv_muxer.h"

#include "media/core/guids.h"
#include "media/stock/dv_dif.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace camtrove::media {
namespace {

// Frames that may wait for their sound before the video thread waits too, and how long it waits
// before silence stands in: enough to ride out the jitter between two capture threads.
constexpr std::size_t kMaxWaitingFrames = 8;
constexpr auto kLongestWaitForSound = std::chrono::seconds(2);

[[nodiscard]] bool IsDvRate(std::uint32_t rate)
{
    return rate == 48000 || rate == 44100 || rate == 32000;
}

} // namespace

// ---- DvMuxerInputPin ----

DvMuxerInputPin::DvMuxerInputPin(DvMuxer* filter, TBCCritSec* lock, HRESULT* result, QString name, bool video)
    : TBCBaseInputPin(QStringLiteral("DV muxer input pin"), filter, lock, result, std::move(name)),
      m_muxer(filter), m_video(video)
{
}

HRESULT DvMuxerInputPin::CheckMediaType(const AM_MEDIA_TYPE& type)
{
    if (m_video) {
        const auto* vih = type.FormatAs<VIDEOINFOHEADER>();
        if (type.majortype != MEDIATYPE_Video || type.subtype != MEDIASUBTYPE_dvsd ||
            type.formattype != FORMAT_VideoInfo || !vih || vih->bmiHeader.biWidth != 720 ||
            (std::abs(vih->bmiHeader.biHeight) != 576 && std::abs(vih->bmiHeader.biHeight) != 480))
            return VFW_E_TYPE_NOT_ACCEPTED;
        return S_OK;
    }
    const auto* wfx = type.FormatAs<WAVEFORMATEX>();
    if (type.majortype != MEDIATYPE_Audio || type.subtype != MEDIASUBTYPE_PCM ||
        type.formattype != FORMAT_WaveFormatEx || !wfx || wfx->wFormatTag != WAVE_FORMAT_PCM ||
        wfx->wBitsPerSample != 16 || (wfx->nChannels != 1 && wfx->nChannels != 2) ||
        !IsDvRate(wfx->nSamplesPerSec))
        return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

HRESULT DvMuxerInputPin::CompleteConnect(IPin* receivePin)
{
    const HRESULT hr = TBCBaseInputPin::CompleteConnect(receivePin);
    if (Succeeded(hr)) {
        if (m_video)
            m_muxer->VideoConnectionChanged();
        else
            m_muxer->AudioConnectionChanged();
    }
    return hr;
}

HRESULT DvMuxerInputPin::BreakConnect()
{
    const HRESULT hr = TBCBaseInputPin::BreakConnect();
    // Only the pin list follows a disconnection: it may come from a graph being torn down.
    m_muxer->VideoConnectionChanged();
    return hr;
}

HRESULT DvMuxerInputPin::Receive(IMediaSample* sample)
{
    const HRESULT hr = TBCBaseInputPin::Receive(sample);
    if (hr != S_OK)
        return hr;
    return m_video ? m_muxer->ReceiveVideo(sample) : m_muxer->ReceiveAudio(sample);
}

HRESULT DvMuxerInputPin::EndOfStream()
{
    if (CheckStreaming() != S_OK)
        return S_OK;
    if (m_video)
        m_muxer->VideoEnded();
    else
        m_muxer->AudioEnded();
    return S_OK;
}

HRESULT DvMuxerInputPin::BeginFlush()
{
    (void)TBCBaseInputPin::BeginFlush();
    if (m_video && m_muxer->m_output->IsConnected())
        (void)m_muxer->m_output->DeliverBeginFlush();
    return S_OK;
}

HRESULT DvMuxerInputPin::EndFlush()
{
    if (m_video) {
        {
            std::lock_guard lock(m_muxer->m_streamLock);
            m_muxer->ResetStream();
        }
        if (m_muxer->m_output->IsConnected())
            (void)m_muxer->m_output->DeliverEndFlush();
    }
    return TBCBaseInputPin::EndFlush();
}

// ---- DvMuxerOutputPin ----

DvMuxerOutputPin::DvMuxerOutputPin(DvMuxer* filter, TBCCritSec* lock, HRESULT* result)
    : TBCBaseOutputPin(QStringLiteral("DV muxer output pin"), filter, lock, result, QStringLiteral("Output")),
      m_muxer(filter)
{
}

// The stream's line system comes from the picture, so the video goes first.
HRESULT DvMuxerOutputPin::CheckConnect(IPin* pin)
{
    if (!m_muxer->m_video->IsConnected())
        return VFW_E_NOT_CONNECTED;
    return TBCBaseOutputPin::CheckConnect(pin);
}

HRESULT DvMuxerOutputPin::CheckMediaType(const AM_MEDIA_TYPE& type)
{
    if (!m_muxer->m_video->IsConnected())
        return VFW_E_NOT_CONNECTED;
    return type == m_muxer->OutputType() ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT DvMuxerOutputPin::GetMediaType(int position, AM_MEDIA_TYPE* type)
{
    if (position < 0)
        return E_INVALIDARG;
    if (!m_muxer->m_video->IsConnected())
        return VFW_E_NOT_CONNECTED;
    if (position > 0)
        return VFW_S_NO_MORE_ITEMS;
    *type = m_muxer->OutputType();
    return S_OK;
}

HRESULT DvMuxerOutputPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request)
{
    ALLOCATOR_PROPERTIES wanted = *request;
    wanted.cBuffers = std::max(request->cBuffers, 4);
    wanted.cbBuffer = std::max(request->cbBuffer, static_cast<std::int32_t>(kDvFrameSize625));
    wanted.cbAlign = std::max(request->cbAlign, 1);
    ALLOCATOR_PROPERTIES actual;
    const HRESULT hr = allocator->SetProperties(wanted, &actual);
    if (Failed(hr))
        return hr;
    return actual.cbBuffer >= wanted.cbBuffer ? S_OK : E_FAIL;
}

// ---- DvMuxer ----

DvMuxer::DvMuxer() : TBCBaseFilter(QStringLiteral("DV Muxer"), &m_lock, CLSID_DVMux)
{
    HRESULT hr = S_OK;
    m_video = std::make_unique<DvMuxerInputPin>(this, &m_lock, &hr, QStringLiteral("Video"), true);
    m_audio = std::make_unique<DvMuxerInputPin>(this, &m_lock, &hr, QStringLiteral("Audio"), false);
    m_output = std::make_unique<DvMuxerOutputPin>(this, &m_lock, &hr);
}

ComPtr<DvMuxer> DvMuxer::Create()
{
    return ComPtr<DvMuxer>(new DvMuxer());
}

int DvMuxer::GetPinCount()
{
    TBCAutoLock lock(&m_lock);
    return m_audioListed ? 3 : 2;
}

TBCBasePin* DvMuxer::GetPin(int index)
{
    TBCAutoLock lock(&m_lock);
    if (index == 0)
        return m_video.get();
    if (m_audioListed && index == 1)
        return m_audio.get();
    if (index == (m_audioListed ? 2 : 1))
        return m_output.get();
    return nullptr;
}

bool DvMuxer::VideoIs625() const
{
    const auto* vih = m_video->CurrentMediaType().FormatAs<VIDEOINFOHEADER>();
    return !vih || std::abs(vih->bmiHeader.biHeight) != 480;
}

int DvMuxer::AudioRate() const
{
    const auto* wfx = m_audio->CurrentMediaType().FormatAs<WAVEFORMATEX>();
    return m_audio->IsConnected() && wfx ? static_cast<int>(wfx->nSamplesPerSec) : 48000;
}

AM_MEDIA_TYPE DvMuxer::OutputType() const
{
    const bool is625 = VideoIs625();
    AM_MEDIA_TYPE mt;
    mt.majortype = MEDIATYPE_Interleaved;
    mt.subtype = MEDIASUBTYPE_dvsd;
    mt.bFixedSizeSamples = true;
    mt.lSampleSize = static_cast<std::uint32_t>(DvFrameSizeOf(is625));
    mt.SetFormat(FORMAT_DvInfo, DvInfoFor(is625, AudioRate()));
    return mt;
}

void DvMuxer::VideoConnectionChanged()
{
    TBCAutoLock lock(&m_lock);
    // The audio pin stays listed while connected, so a caller's pin numbers keep their meaning.
    const bool listed = m_video->IsConnected() || m_audio->IsConnected();
    if (listed != m_audioListed) {
        m_audioListed = listed;
        IncrementPinVersion();
    }
}

void DvMuxer::AudioConnectionChanged()
{
    VideoConnectionChanged();
    // The DVINFO of a connected output announces the sound: it follows the audio input.
    if (m_output->IsConnected() && !(m_output->CurrentMediaType() == OutputType()))
        (void)ReconnectPin(m_output.get(), nullptr);
}

HRESULT DvMuxer::Pause()
{
    if (IsStopped()) {
        std::lock_guard lock(m_streamLock);
        ResetStream();
        m_streaming = true;
    }
    return TBCBaseFilter::Pause();
}

HRESULT DvMuxer::Stop()
{
    {
        std::lock_guard lock(m_streamLock);
        m_streaming = false;
    }
    m_soundArrived.notify_all();
    const HRESULT hr = TBCBaseFilter::Stop();
    std::lock_guard lock(m_streamLock);
    ResetStream();
    return hr;
}

void DvMuxer::ResetStream()
{
    m_frames.clear();
    m_pcm.clear();
    m_pcmRead = 0;
    m_audioEnded = false;
    m_videoEnded = false;
    m_frameIndex = 0;
    m_soundLate = false;
}

HRESULT DvMuxer::ReceiveVideo(IMediaSample* sample)
{
    std::uint8_t* data = nullptr;
    if (Failed(sample->GetPointer(&data)))
        return E_POINTER;
    const std::span<const std::uint8_t> frame(data, static_cast<std::size_t>(sample->GetActualDataLength()));
    // A torn frame or one of the other line system would be written as a broken frame.
    if (!DvFrameComplete(frame) || DvIs625(frame) != VideoIs625())
        return S_OK;
    PendingFrame pending;
    pending.bytes.assign(frame.begin(),
                         frame.begin() + static_cast<std::ptrdiff_t>(DvFrameSizeOf(VideoIs625())));
    const HRESULT times = sample->GetTime(&pending.start, &pending.stop);
    pending.hasTime = times == S_OK || times == VFW_S_NO_STOP_TIME;
    if (times == VFW_S_NO_STOP_TIME)
        pending.stop = pending.start + (VideoIs625() ? kDvFrameTime625 : kDvFrameTime525);
    pending.discontinuity = sample->IsDiscontinuity() == S_OK;

    std::unique_lock lock(m_streamLock);
    if (m_videoEnded)
        return S_FALSE;
    m_frames.push_back(std::move(pending));
    HRESULT hr = EmitReady(false);
    if (m_frames.size() > kMaxWaitingFrames && !m_soundLate) {
        const auto deadline = std::chrono::steady_clock::now() + kLongestWaitForSound;
        const bool came = m_soundArrived.wait_until(lock, deadline, [this] {
            return !m_streaming || m_frames.size() <= kMaxWaitingFrames || m_audioEnded;
        });
        if (!m_streaming)
            return VFW_E_WRONG_STATE;
        if (!came)
            m_soundLate = true;
        hr = EmitReady(false);
    }
    return hr;
}

HRESULT DvMuxer::ReceiveAudio(IMediaSample* sample)
{
    std::uint8_t* data = nullptr;
    if (Failed(sample->GetPointer(&data)))
        return E_POINTER;
    const auto* wfx = m_audio->CurrentMediaType().FormatAs<WAVEFORMATEX>();
    const std::size_t bytes = static_cast<std::size_t>(std::max(sample->GetActualDataLength(), 0));
    const std::size_t values = bytes / sizeof(std::int16_t);

    std::lock_guard lock(m_streamLock);
    if (m_videoEnded)
        return S_FALSE;
    // Drop what has been used so the queue does not grow over a long capture.
    if (m_pcmRead > 0 && m_pcmRead * 2 >= m_pcm.size()) {
        m_pcm.erase(m_pcm.begin(), m_pcm.begin() + static_cast<std::ptrdiff_t>(m_pcmRead));
        m_pcmRead = 0;
    }
    const std::size_t at = m_pcm.size();
    if (wfx->nChannels == 2) {
        m_pcm.resize(at + values);
        std::memcpy(m_pcm.data() + at, data, values * sizeof(std::int16_t));
    } else {
        m_pcm.resize(at + 2 * values);
        for (std::size_t i = 0; i < values; ++i) {
            std::int16_t sample16 = 0;
            std::memcpy(&sample16, data + 2 * i, sizeof sample16);
            m_pcm[at + 2 * i] = m_pcm[at + 2 * i + 1] = sample16;
        }
    }
    const HRESULT hr = EmitReady(false);
    m_soundArrived.notify_all();
    return hr;
}

void DvMuxer::VideoEnded()
{
    std::unique_lock lock(m_streamLock);
    if (m_videoEnded)
        return;
    // The last frames still get the sound that is on its way.
    if (m_audio->IsConnected() && !m_soundLate)
        (void)m_soundArrived.wait_for(lock, kLongestWaitForSound,
                                      [this] { return !m_streaming || m_frames.empty() || m_audioEnded; });
    (void)EmitReady(true);
    m_videoEnded = true;
    if (m_output->IsConnected())
        (void)m_output->DeliverEndOfStream();
}

void DvMuxer::AudioEnded()
{
    std::lock_guard lock(m_streamLock);
    m_audioEnded = true;
    (void)EmitReady(false);
    m_soundArrived.notify_all();
}

HRESULT DvMuxer::EmitReady(bool flush)
{
    if (!m_output->IsConnected()) {
        m_frames.clear();
        return S_OK;
    }
    const bool is625 = VideoIs625();
    const bool withAudio = m_audio->IsConnected();
    const int rate = AudioRate();
    HRESULT result = S_OK;
    while (!m_frames.empty()) {
        const int need = DvSamplesInFrame(m_frameIndex, rate, is625);
        const std::size_t available = (m_pcm.size() - m_pcmRead) / 2;
        const bool ready =
            !withAudio || m_audioEnded || flush || m_soundLate || available >= static_cast<std::size_t>(need);
        if (!ready)
            break;
        PendingFrame frame = std::move(m_frames.front());
        m_frames.pop_front();
        if (withAudio) {
            const std::size_t take = std::min(available, static_cast<std::size_t>(need));
            m_framePcm.assign(m_pcm.begin() + static_cast<std::ptrdiff_t>(m_pcmRead),
                              m_pcm.begin() + static_cast<std::ptrdiff_t>(m_pcmRead + 2 * take));
            m_framePcm.resize(2 * static_cast<std::size_t>(need), 0);
            m_pcmRead += 2 * take;
            DvWriteAudio(frame.bytes, m_framePcm, need, rate);
        }
        ++m_frameIndex;

        ComPtr<IMediaSample> sample;
        HRESULT hr = m_output->GetDeliveryBuffer(&sample, frame.hasTime ? &frame.start : nullptr,
                                                 frame.hasTime ? &frame.stop : nullptr, 0);
        std::uint8_t* to = nullptr;
        if (Succeeded(hr) && (sample->GetSize() < static_cast<std::int32_t>(frame.bytes.size()) ||
                              Failed(sample->GetPointer(&to))))
            hr = VFW_E_BUFFER_OVERFLOW;
        if (Succeeded(hr)) {
            std::memcpy(to, frame.bytes.data(), frame.bytes.size());
            (void)sample->SetActualDataLength(static_cast<std::int32_t>(frame.bytes.size()));
            (void)sample->SetTime(frame.hasTime ? &frame.start : nullptr,
                                  frame.hasTime ? &frame.stop : nullptr);
            (void)sample->SetSyncPoint(true);
            (void)sample->SetDiscontinuity(frame.discontinuity);
            hr = m_output->Deliver(sample.Get());
        }
        if (hr != S_OK)
            result = hr;
        if (Failed(hr))
            break;
    }
    return result;
}

} // namespace camtrove::media
