#include "media/stock/smart_tee.h"

#include "media/core/guids.h"
#include "media/stock/sample_copy.h"

#include <algorithm>

namespace camtrove::media {

// ---- SmartTeeInputPin ----

SmartTeeInputPin::SmartTeeInputPin(SmartTee* filter, TBCCritSec* lock, HRESULT* result)
    : TBCBaseInputPin(QStringLiteral("Smart tee input pin"), filter, lock, result, QStringLiteral("Input")),
      m_tee(filter)
{
}

// Any type, as long as the outputs already connected can carry it.
HRESULT SmartTeeInputPin::CheckMediaType(const AM_MEDIA_TYPE& type)
{
    for (SmartTeeOutputPin* output : {m_tee->m_capture.get(), m_tee->m_preview.get()})
        if (output->IsConnected() && output->GetConnected()->QueryAccept(type) != S_OK)
            return S_FALSE;
    return S_OK;
}

HRESULT SmartTeeInputPin::NotifyAllocator(IMemAllocator* allocator, bool readOnly)
{
    const HRESULT hr = TBCBaseInputPin::NotifyAllocator(allocator, readOnly);
    if (Failed(hr))
        return hr;
    TBCAutoLock lock(m_lock);
    return m_tee->m_capture->IsConnected() ? m_tee->m_capture->RenewSharedAllocator(allocator) : S_OK;
}

// Upstream hears only what the capture branch says; the preview never stops the capture.
HRESULT SmartTeeInputPin::Receive(IMediaSample* sample)
{
    HRESULT hr = TBCBaseInputPin::Receive(sample);
    if (hr != S_OK)
        return hr;
    if (m_tee->m_capture->IsConnected())
        hr = m_tee->m_capture->DeliverCopyOrShare(sample);
    if (m_tee->m_preview->IsConnected())
        (void)m_tee->m_preview->DeliverPreview(sample);
    return hr;
}

HRESULT SmartTeeInputPin::EndOfStream()
{
    for (SmartTeeOutputPin* output : {m_tee->m_capture.get(), m_tee->m_preview.get()})
        if (output->IsConnected())
            (void)output->DeliverEndOfStream();
    return S_OK;
}

HRESULT SmartTeeInputPin::BeginFlush()
{
    (void)TBCBaseInputPin::BeginFlush();
    for (SmartTeeOutputPin* output : {m_tee->m_capture.get(), m_tee->m_preview.get()})
        if (output->IsConnected())
            (void)output->DeliverBeginFlush();
    return S_OK;
}

HRESULT SmartTeeInputPin::EndFlush()
{
    for (SmartTeeOutputPin* output : {m_tee->m_capture.get(), m_tee->m_preview.get()})
        if (output->IsConnected())
            (void)output->DeliverEndFlush();
    return TBCBaseInputPin::EndFlush();
}

HRESULT SmartTeeInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    (void)TBCBaseInputPin::NewSegment(start, stop, rate);
    for (SmartTeeOutputPin* output : {m_tee->m_capture.get(), m_tee->m_preview.get()})
        if (output->IsConnected())
            (void)output->DeliverNewSegment(start, stop, rate);
    return S_OK;
}

// ---- SmartTeeOutputPin ----

SmartTeeOutputPin::SmartTeeOutputPin(SmartTee* filter, TBCCritSec* lock, HRESULT* result, QString name,
                                     bool preview)
    : TeeOutputPin(QStringLiteral("Smart tee output pin"), filter, lock, result, std::move(name)),
      m_tee(filter), m_preview(preview)
{
}

const TBCBaseInputPin& SmartTeeOutputPin::TeeInput() const
{
    return *m_tee->m_input;
}

HRESULT SmartTeeOutputPin::DeliverPreview(IMediaSample* sample)
{
    const ComPtr<IMediaSample> copy = CopySampleFor(this, sample, AM_GBF_NOWAIT);
    if (!copy) {
        ++m_tee->m_previewDropped;
        return S_FALSE;
    }
    (void)copy->SetTime(nullptr, nullptr);
    return Deliver(copy.Get());
}

// ---- SmartTee ----

SmartTee::SmartTee() : TBCBaseFilter(QStringLiteral("Smart Tee"), &m_lock, CLSID_SmartTee)
{
    HRESULT hr = S_OK;
    m_input = std::make_unique<SmartTeeInputPin>(this, &m_lock, &hr);
    m_capture = std::make_unique<SmartTeeOutputPin>(this, &m_lock, &hr, QStringLiteral("Capture"), false);
    m_preview = std::make_unique<SmartTeeOutputPin>(this, &m_lock, &hr, QStringLiteral("Preview"), true);
}

ComPtr<SmartTee> SmartTee::Create()
{
    return ComPtr<SmartTee>(new SmartTee());
}

TBCBasePin* SmartTee::GetPin(int index)
{
    switch (index) {
    case 0:
        return m_input.get();
    case 1:
        return m_capture.get();
    case 2:
        return m_preview.get();
    default:
        return nullptr;
    }
}

HRESULT SmartTee::Pause()
{
    TBCAutoLock lock(&m_lock);
    if (IsStopped())
        m_previewDropped = 0;
    return TBCBaseFilter::Pause();
}

} // namespace camtrove::media
