#include "media/base/enumerators.h"

#include "media/base/base_pin.h"

namespace camtrove::media {

TBCEnumPins::TBCEnumPins(TBCBaseFilter* filter)
    : TBCUnknown(QStringLiteral("Pin Enumerator")), m_filter(filter), m_version(filter->GetPinVersion())
{
    m_filter->AddRef();
}

TBCEnumPins::~TBCEnumPins()
{
    m_filter->Release();
}

HRESULT TBCEnumPins::NonDelegatingQueryInterface(const GUID& iid, void** object)
{
    if (iid == IID_IEnumPins)
        return GetInterface(static_cast<IEnumPins*>(this), object);
    return TBCUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT TBCEnumPins::Next(ComPtr<IPin>* pin)
{
    if (!pin)
        return E_POINTER;
    pin->Reset();
    if (m_version != m_filter->GetPinVersion())
        return VFW_E_ENUM_OUT_OF_SYNC;
    if (m_position >= m_filter->GetPinCount())
        return S_FALSE;
    TBCBasePin* found = m_filter->GetPin(m_position++);
    if (!found)
        return S_FALSE;
    *pin = ComPtr<IPin>(found);
    return S_OK;
}

HRESULT TBCEnumPins::Skip(std::uint32_t count)
{
    if (m_version != m_filter->GetPinVersion())
        return VFW_E_ENUM_OUT_OF_SYNC;
    const int left = m_filter->GetPinCount() - m_position;
    if (static_cast<std::int64_t>(count) > left)
        return S_FALSE;
    m_position += static_cast<int>(count);
    return S_OK;
}

HRESULT TBCEnumPins::Reset()
{
    m_version = m_filter->GetPinVersion();
    m_position = 0;
    return S_OK;
}

TBCEnumMediaTypes::TBCEnumMediaTypes(TBCBasePin* pin)
    : TBCUnknown(QStringLiteral("Media Type Enumerator")), m_pin(pin), m_version(pin->GetMediaTypeVersion())
{
    m_pin->AddRef();
}

TBCEnumMediaTypes::~TBCEnumMediaTypes()
{
    m_pin->Release();
}

HRESULT TBCEnumMediaTypes::NonDelegatingQueryInterface(const GUID& iid, void** object)
{
    if (iid == IID_IEnumMediaTypes)
        return GetInterface(static_cast<IEnumMediaTypes*>(this), object);
    return TBCUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT TBCEnumMediaTypes::Next(AM_MEDIA_TYPE* type)
{
    if (!type)
        return E_POINTER;
    if (m_version != m_pin->GetMediaTypeVersion())
        return VFW_E_ENUM_OUT_OF_SYNC;
    AM_MEDIA_TYPE found;
    if (m_pin->GetMediaType(m_position, &found) != S_OK)
        return S_FALSE;
    ++m_position;
    *type = std::move(found);
    return S_OK;
}

HRESULT TBCEnumMediaTypes::Skip(std::uint32_t count)
{
    for (std::uint32_t i = 0; i < count; ++i) {
        AM_MEDIA_TYPE ignored;
        const HRESULT hr = Next(&ignored);
        if (hr != S_OK)
            return hr;
    }
    return S_OK;
}

HRESULT TBCEnumMediaTypes::Reset()
{
    m_version = m_pin->GetMediaTypeVersion();
    m_position = 0;
    return S_OK;
}

} // namespace camtrove::media
