#include "media/base/base_renderer.h"

#include "media/core/graph_interfaces.h"

#include <algorithm>
#include <chrono>

namespace camtrove::media {

namespace {

// A clock may be moved by something other than the passing of real time (a device clock, a
// test's clock), so a wait is never longer than this before the clock is read again.
constexpr REFERENCE_TIME kLongestWait = 50'000; // 5 ms

} // namespace

// ---- TBCRendererInputPin ----

TBCRendererInputPin::TBCRendererInputPin(TBCBaseRenderer* renderer, HRESULT* result, QString pinName)
    : TBCBaseInputPin(QStringLiteral("Renderer input pin"), renderer, &renderer->m_csFilter, result,
                      std::move(pinName)),
      m_renderer(renderer)
{
}

HRESULT TBCRendererInputPin::CheckMediaType(const AM_MEDIA_TYPE& type)
{
    return m_renderer->CheckMediaType(type);
}

HRESULT TBCRendererInputPin::SetMediaType(const AM_MEDIA_TYPE& type)
{
    const HRESULT hr = TBCBaseInputPin::SetMediaType(type);
    if (Failed(hr))
        return hr;
    return m_renderer->SetMediaType(type);
}

HRESULT TBCRendererInputPin::BreakConnect()
{
    (void)m_renderer->BreakConnect();
    return TBCBaseInputPin::BreakConnect();
}

HRESULT TBCRendererInputPin::Receive(IMediaSample* sample)
{
    TBCAutoLock lock(&m_renderer->m_csReceive);
    const HRESULT hr = TBCBaseInputPin::Receive(sample);
    if (hr != S_OK)
        return hr;
    return m_renderer->Receive(sample);
}

HRESULT TBCRendererInputPin::EndOfStream()
{
    TBCAutoLock lock(&m_renderer->m_csReceive);
    if (CheckStreaming() != S_OK)
        return S_OK;
    return m_renderer->EndOfStream();
}

HRESULT TBCRendererInputPin::BeginFlush()
{
    m_renderer->WakeWaiters(true);
    return TBCBaseInputPin::BeginFlush();
}

HRESULT TBCRendererInputPin::EndFlush()
{
    m_renderer->WakeWaiters(false);
    return TBCBaseInputPin::EndFlush();
}

// ---- TBCBaseRenderer ----

TBCBaseRenderer::TBCBaseRenderer(QString objectName, const GUID& classId, QString pinName)
    : TBCBaseFilter(std::move(objectName), &m_csFilter, classId)
{
    HRESULT hr = S_OK;
    m_pin = std::make_unique<TBCRendererInputPin>(this, &hr, std::move(pinName));
}

TBCBaseRenderer::~TBCBaseRenderer() = default;

void TBCBaseRenderer::WakeWaiters(bool aborting)
{
    {
        std::lock_guard lock(m_scheduleMutex);
        m_aborting = aborting;
    }
    m_scheduleChanged.notify_all();
}

HRESULT TBCBaseRenderer::Stop()
{
    {
        std::lock_guard lock(m_scheduleMutex);
        m_aborting = true;
        m_running = false;
    }
    m_scheduleChanged.notify_all();
    TBCAutoLock lock(&m_csFilter);
    if (IsStopped())
        return S_OK;
    const HRESULT hr = TBCBaseFilter::Stop(); // the pin refuses samples from here on
    TBCAutoLock receiving(&m_csReceive);      // and the one being presented has returned
    (void)StopStreaming();
    return hr;
}

HRESULT TBCBaseRenderer::Pause()
{
    TBCAutoLock lock(&m_csFilter);
    if (IsStopped()) {
        {
            std::lock_guard schedule(m_scheduleMutex);
            m_aborting = false;
        }
        TBCAutoLock receiving(&m_csReceive);
        const HRESULT hr = StartStreaming();
        if (Failed(hr))
            return hr;
    } else {
        std::lock_guard schedule(m_scheduleMutex);
        m_running = false;
    }
    const HRESULT hr = TBCBaseFilter::Pause();
    if (Failed(hr)) {
        TBCAutoLock receiving(&m_csReceive);
        (void)StopStreaming();
    }
    return hr;
}

HRESULT TBCBaseRenderer::Run(REFERENCE_TIME start)
{
    TBCAutoLock lock(&m_csFilter);
    const HRESULT hr = TBCBaseFilter::Run(start);
    if (Failed(hr))
        return hr;
    {
        std::lock_guard schedule(m_scheduleMutex);
        m_runClock = m_clock;
        m_streamStart = start;
        m_running = true;
    }
    m_scheduleChanged.notify_all();
    return S_OK;
}

ComPtr<IReferenceClock> TBCBaseRenderer::RunClock(REFERENCE_TIME* streamStart)
{
    std::lock_guard lock(m_scheduleMutex);
    if (streamStart)
        *streamStart = m_streamStart;
    return m_running ? m_runClock : ComPtr<IReferenceClock>();
}

bool TBCBaseRenderer::WaitForRenderTime(IMediaSample* sample)
{
    REFERENCE_TIME start = 0, stop = 0;
    const HRESULT times = sample->GetTime(&start, &stop);
    if (times != S_OK && times != VFW_S_NO_STOP_TIME) {
        std::lock_guard lock(m_scheduleMutex);
        return !m_aborting;
    }
    return WaitForStreamTime(start);
}

bool TBCBaseRenderer::WaitUntilRunning()
{
    std::unique_lock lock(m_scheduleMutex);
    m_scheduleChanged.wait(lock, [this] { return m_running || m_aborting; });
    return !m_aborting;
}

bool TBCBaseRenderer::WaitForStreamTime(REFERENCE_TIME streamTime)
{
    std::unique_lock lock(m_scheduleMutex);
    for (;;) {
        if (m_aborting)
            return false;
        if (!m_running) {
            m_scheduleChanged.wait(lock);
            continue;
        }
        REFERENCE_TIME now = 0;
        if (!m_runClock || Failed(m_runClock->GetTime(&now)))
            return true;
        const REFERENCE_TIME remaining = m_streamStart + streamTime - now;
        if (remaining <= 0)
            return true;
        m_scheduleChanged.wait_for(lock, std::chrono::microseconds(std::min(remaining, kLongestWait) / 10));
    }
}

HRESULT TBCBaseRenderer::Receive(IMediaSample* sample)
{
    if (!WaitForRenderTime(sample))
        return VFW_E_WRONG_STATE;
    return DoRenderSample(sample);
}

// The stream ends here, so its end-of-stream is the graph's completion.
HRESULT TBCBaseRenderer::EndOfStream()
{
    return NotifyEvent(EC_COMPLETE, S_OK, 0);
}

} // namespace camtrove::media
