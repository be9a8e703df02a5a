#include "media/stock/tee_output_pin.h"

#include "media/stock/sample_copy.h"

#include <algorithm>

namespace camtrove::media {

HRESULT TeeOutputPin::CheckConnect(IPin* pin)
{
    if (!TeeInput().IsConnected())
        return VFW_E_NOT_CONNECTED;
    return TBCBaseOutputPin::CheckConnect(pin);
}

HRESULT TeeOutputPin::CheckMediaType(const AM_MEDIA_TYPE& type)
{
    const TBCBaseInputPin& input = TeeInput();
    if (!input.IsConnected())
        return VFW_E_NOT_CONNECTED;
    return type == input.CurrentMediaType() ? S_OK : S_FALSE;
}

HRESULT TeeOutputPin::GetMediaType(int position, AM_MEDIA_TYPE* type)
{
    if (position < 0)
        return E_INVALIDARG;
    const TBCBaseInputPin& input = TeeInput();
    if (!input.IsConnected())
        return VFW_E_NOT_CONNECTED;
    if (position > 0)
        return VFW_S_NO_MORE_ITEMS;
    *type = input.CurrentMediaType();
    return S_OK;
}

HRESULT TeeOutputPin::BreakConnect()
{
    // The allocator may be the input's; only an own pool is this pin's to release.
    if (m_sharesInputBuffers)
        m_allocator.Reset();
    m_sharesInputBuffers = false;
    return TBCBaseOutputPin::BreakConnect();
}

HRESULT TeeOutputPin::DecideAllocator(IMemInputPin* pin, ComPtr<IMemAllocator>* allocator)
{
    if (!pin)
        return VFW_E_NOT_CONNECTED;
    m_sharesInputBuffers = false;
    if (IMemAllocator* shared = TeeInput().PeekAllocator();
        MayShareInputBuffers() && shared && Succeeded(pin->NotifyAllocator(shared, true))) {
        *allocator = ComPtr<IMemAllocator>(shared);
        m_sharesInputBuffers = true;
        return S_OK;
    }
    return TBCBaseOutputPin::DecideAllocator(pin, allocator);
}

HRESULT TeeOutputPin::RenewSharedAllocator(IMemAllocator* allocator)
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

HRESULT TeeOutputPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request)
{
    ALLOCATOR_PROPERTIES wanted;
    if (IMemAllocator* upstream = TeeInput().PeekAllocator())
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

HRESULT TeeOutputPin::DeliverCopyOrShare(IMediaSample* sample)
{
    if (m_sharesInputBuffers)
        return Deliver(sample);
    const ComPtr<IMediaSample> copy = CopySampleFor(this, sample);
    if (!copy)
        return E_UNEXPECTED;
    return Deliver(copy.Get());
}

} // namespace camtrove::media
