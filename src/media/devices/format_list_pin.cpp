#include "media/devices/format_list_pin.h"

namespace camtrove::media {

HRESULT FormatListPin::NonDelegatingQueryInterface(const GUID& iid, void** object)
{
    if (iid == IID_IAMStreamConfig) {
        *object = static_cast<IAMStreamConfig*>(this);
        AddRef();
        return S_OK;
    }
    return LiveSourcePin::NonDelegatingQueryInterface(iid, object);
}

HRESULT FormatListPin::CheckMediaType(const AM_MEDIA_TYPE& type)
{
    const auto wanted = TypeFor(type);
    if (!wanted)
        return VFW_E_TYPE_NOT_ACCEPTED;
    TBCAutoLock lock(m_lock);
    return !m_chosen || *wanted == *m_chosen ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT FormatListPin::GetMediaType(int position, AM_MEDIA_TYPE* type)
{
    if (position < 0)
        return E_INVALIDARG;
    TBCAutoLock lock(m_lock);
    std::vector<AM_MEDIA_TYPE> offered;
    if (m_chosen)
        offered.push_back(*m_chosen);
    for (const auto& format : Formats())
        if (!m_chosen || !(format == *m_chosen))
            offered.push_back(format);
    if (position >= static_cast<int>(offered.size()))
        return VFW_S_NO_MORE_ITEMS;
    *type = offered[static_cast<std::size_t>(position)];
    return S_OK;
}

HRESULT FormatListPin::SetFormat(const AM_MEDIA_TYPE& type)
{
    const auto chosen = TypeFor(type);
    if (!chosen)
        return VFW_E_INVALIDMEDIATYPE;
    ComPtr<IPin> peer;
    {
        TBCAutoLock lock(m_lock);
        if (!m_filter->IsStopped())
            return VFW_E_NOT_STOPPED;
        if (IsConnected()) {
            peer = ComPtr<IPin>(GetConnected());
            if (peer->QueryAccept(*chosen) != S_OK)
                return VFW_E_INVALIDMEDIATYPE;
        }
        m_chosen = chosen;
        IncrementTypeVersion();
    }
    if (!peer || CurrentMediaType() == *chosen)
        return S_OK;
    return m_filter->ReconnectPin(this, &*chosen);
}

HRESULT FormatListPin::GetFormat(AM_MEDIA_TYPE* type)
{
    if (!type)
        return E_POINTER;
    TBCAutoLock lock(m_lock);
    if (IsConnected())
        *type = CurrentMediaType();
    else
        *type = m_chosen ? *m_chosen : Formats().front();
    return S_OK;
}

HRESULT FormatListPin::GetNumberOfCapabilities(std::int32_t* count, std::int32_t* capsSize)
{
    if (!count || !capsSize)
        return E_POINTER;
    *count = static_cast<std::int32_t>(Formats().size());
    *capsSize = 0; // the capabilities are the types themselves
    return S_OK;
}

HRESULT FormatListPin::GetStreamCaps(std::int32_t index, AM_MEDIA_TYPE* type)
{
    if (!type)
        return E_POINTER;
    if (index < 0)
        return E_INVALIDARG;
    if (index >= static_cast<std::int32_t>(Formats().size()))
        return S_FALSE;
    *type = Formats()[static_cast<std::size_t>(index)];
    return S_OK;
}

} // namespace camtrove::media
