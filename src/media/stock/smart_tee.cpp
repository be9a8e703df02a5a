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
        hr = m_tee->m_capture->DeliverCapture(sample);
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
    : TBCBaseOutputPin(QStringLiteral("Smart tee output pin"), filter, lock, result, std::move(name)),
      m_tee(filter), m_preview(preview)
{
}

// An output has nothing to carry before the input knows its type.
HRESULT SmartTeeOutputPin::CheckConnect(IPin* pin)
{
    if (!m_tee->m_input->IsConnected())
        return VFW_E_NOT_CONNECTED;
    return TBCBaseOutputPin::CheckConnect(pin);
}

HRESULT SmartTeeOutputPin::CheckMediaType(const AM_MEDIA_TYPE& type)
{
    const SmartTeeInputPin* input = m_tee->m_input.get();
    if (!input->IsConnected())
        return VFW_E_NOT_CONNECTED;
    return type == input->CurrentMediaType() ? S_OK : S_FALSE;
}

HRESULT SmartTeeOutputPin::GetMediaType(int position, AM_MEDIA_TYPE* type)
{
    if (position < 0)
        return E_INVALIDARG;
    const SmartTeeInputPin* input = m_tee->m_input.get();
    if (!input->IsConnected())
        return VFW_E_NOT_CONNECTED;
    if (position > 0)
        return VFW_S_NO_MORE_ITEMS;
    *type = input->CurrentMediaType();
    return S_OK;
}

HRESULT SmartTeeOutputPin::BreakConnect()
{
    // The allocator may be the input's; only an own pool is this pin's to release.
    if (m_sharesInputBuffers)
        m_allocator.Reset();
    m_sharesInputBuffers = false;
    return TBCBaseOutputPin::BreakConnect();
}

// The capture output offers the input's buffers read-only; the preview output writes its own
// times and so always has its own pool.
HRESULT SmartTeeOutputPin::DecideAllocator(IMemInputPin* pin, ComPtr<IMemAllocator>* allocator)
{
    if (!pin)
        return VFW_E_NOT_CONNECTED;
    m_sharesInputBuffers = false;
    if (IMemAllocator* shared = m_tee->m_input->PeekAllocator();
        !m_preview && shared && Succeeded(pin->NotifyAllocator(shared, true))) {
        *allocator = ComPtr<IMemAllocator>(shared);
        m_sharesInputBuffers = true;
        return S_OK;
    }
    return TBCBaseOutputPin::DecideAllocator(pin, allocator);
}

HRESULT SmartTeeOutputPin::RenewSharedAllocator(IMemAllocator* allocator)
{
    if (!m_sharesInputBuffers || m_allocator.Get() == allocator)
        return S_OK;
    if (Succeeded(m_inputPin->NotifyAllocator(allocator, true))) {
        m_allocator = allocator;
        return S_OK;
    }
    m_sharesInputBuffers = false;
    return TBCBaseOutputPin::DecideAllocator(m_inputPin.Get(), &m_allocator);
}

HRESULT SmartTeeOutputPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request)
{
    ALLOCATOR_PROPERTIES wanted;
    if (IMemAllocator* upstream = m_tee->m_input->PeekAllocator())
        (void)upstream->GetProperties(&wanted);
    wanted.cBuffers = std::max({wanted.cBuffers, request->cBuffers, 1});
    wanted.cbBuffer =
        std::max({wanted.cbBuffer, request->cbBuffer, static_cast<std::int32_t>(m_mt.lSampleSize), 1});
    wanted.cbAlign = std::max({wanted.cbAlign, request->cbAlign, 1});
    ALLOCATOR_PROPERTIES actual;
    const HRESULT hr = allocator->SetProperties(wanted, &actual);
    if (Failed(hr))
        return hr;
    return actual.cbBuffer >= wanted.cbBuffer ? S_OK : E_FAIL;
}

HRESULT SmartTeeOutputPin::DeliverCapture(IMediaSample* sample)
{
    if (m_sharesInputBuffers)
        return Deliver(sample);
    const ComPtr<IMediaSample> copy = CopySampleFor(this, sample);
    if (!copy)
        return E_UNEXPECTED;
    return Deliver(copy.Get());
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
