#include "media/base/source_stream_pin.h"

#include <cassert>

namespace camtrove::media {

SourceStreamPin::SourceStreamPin(QString objectName, TBCBaseFilter* filter, TBCCritSec* lock, HRESULT* result,
                                 QString pinName)
    : TBCBaseOutputPin(std::move(objectName), filter, lock, result, std::move(pinName))
{
}

SourceStreamPin::~SourceStreamPin()
{
    assert(!m_thread.joinable() && "a streaming thread outlived its pin");
}

HRESULT SourceStreamPin::Active()
{
    const HRESULT hr = TBCBaseOutputPin::Active();
    if (Failed(hr))
        return hr;
    if (m_thread.joinable())
        return S_OK;
    {
        std::lock_guard lock(m_stopMutex);
        m_stopRequested = false;
    }
    m_thread = std::thread([this] { StreamingLoop(); });
    return S_OK;
}

HRESULT SourceStreamPin::Inactive()
{
    {
        std::lock_guard lock(m_stopMutex);
        m_stopRequested = true;
    }
    m_stopSignal.notify_all();
    const HRESULT hr = TBCBaseOutputPin::Inactive(); // decommits: a GetBuffer waiting for a buffer returns
    if (m_thread.joinable())
        m_thread.join();
    return hr;
}

bool SourceStreamPin::WaitFor(std::chrono::nanoseconds duration)
{
    std::unique_lock lock(m_stopMutex);
    return !m_stopSignal.wait_for(lock, duration, [this] { return m_stopRequested; });
}

bool SourceStreamPin::StopRequested() const
{
    std::lock_guard lock(m_stopMutex);
    return m_stopRequested;
}

void SourceStreamPin::StreamingLoop()
{
    OnThreadStart();
    while (!StopRequested()) {
        ComPtr<IMediaSample> sample;
        if (Failed(GetDeliveryBuffer(&sample, nullptr, nullptr, 0)))
            return;
        const HRESULT filled = FillBuffer(sample.Get());
        if (StopRequested())
            return; // a fill cut short by Stop is neither an end of stream nor an error
        if (filled == S_FALSE) {
            sample.Reset();
            (void)DeliverEndOfStream();
            return;
        }
        if (Failed(filled)) {
            sample.Reset();
            (void)DeliverEndOfStream();
            (void)m_filter->NotifyEvent(EC_ERRORABORT, filled, 0);
            return;
        }
        const HRESULT delivered = Deliver(sample.Get());
        if (delivered == S_OK)
            continue;
        // Downstream refuses while it stops or flushes: the run is simply over. Any other failure
        // is reported, so that a broken chain does not look like a quiet source.
        if (Failed(delivered) && delivered != VFW_E_WRONG_STATE && delivered != VFW_E_NOT_COMMITTED)
            (void)m_filter->NotifyEvent(EC_ERRORABORT, delivered, 0);
        return;
    }
}

} // namespace camtrove::media
