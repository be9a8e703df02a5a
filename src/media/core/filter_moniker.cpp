#include "media/core/filter_moniker.h"

namespace camtrove::media {

ComPtr<FilterMoniker> FilterMoniker::ForRegistration(const FilterRegistration& registration,
                                                     const GUID& category)
{
    const QString name =
        QStringLiteral("@device:sw:%1\\%2").arg(GuidToString(category), GuidToString(registration.clsid));
    return ComPtr<FilterMoniker>(
        new FilterMoniker(name, registration.name, registration.clsid, QString(), registration.create));
}

ComPtr<FilterMoniker> FilterMoniker::ForDevice(const DeviceEntry& device, const GUID&)
{
    return ComPtr<FilterMoniker>(new FilterMoniker(QStringLiteral("@device:pnp:%1").arg(device.devicePath),
                                                   device.friendlyName, device.clsid, device.devicePath,
                                                   device.create));
}

FilterMoniker::FilterMoniker(QString displayName, QString friendlyName, const GUID& clsid, QString devicePath,
                             std::function<ComPtr<IBaseFilter>()> create)
    : m_displayName(std::move(displayName)), m_friendlyName(std::move(friendlyName)), m_clsid(clsid),
      m_devicePath(std::move(devicePath)), m_create(std::move(create))
{
}

HRESULT FilterMoniker::QueryInterface(const GUID& iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown) {
        *object = static_cast<IUnknown*>(static_cast<IMoniker*>(this));
    } else if (iid == IID_IMoniker) {
        *object = static_cast<IMoniker*>(this);
    } else if (iid == IID_IPropertyBag) {
        *object = static_cast<IPropertyBag*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

HRESULT FilterMoniker::BindToObject(const GUID& iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (!m_create)
        return REGDB_E_CLASSNOTREG;
    const ComPtr<IBaseFilter> filter = m_create();
    if (!filter)
        return E_FAIL; // the device is gone, or its library would not load
    return filter->QueryInterface(iid, object);
}

HRESULT FilterMoniker::BindToStorage(const GUID& iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (iid != IID_IPropertyBag) {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    return QueryInterface(iid, object);
}

HRESULT FilterMoniker::IsEqual(IMoniker* other)
{
    if (!other)
        return E_POINTER;
    QString otherName;
    if (Failed(other->GetDisplayName(&otherName)))
        return S_FALSE;
    return otherName.compare(m_displayName, Qt::CaseInsensitive) == 0 ? S_OK : S_FALSE;
}

HRESULT FilterMoniker::GetDisplayName(QString* name)
{
    if (!name)
        return E_POINTER;
    *name = m_displayName;
    return S_OK;
}

HRESULT FilterMoniker::Read(const QString& name, QString* value)
{
    if (!value)
        return E_POINTER;
    if (name == QLatin1String("FriendlyName")) {
        *value = m_friendlyName;
    } else if (name == QLatin1String("CLSID")) {
        *value = GuidToString(m_clsid);
    } else if (name == QLatin1String("DevicePath") && !m_devicePath.isEmpty()) {
        *value = m_devicePath;
    } else {
        return E_INVALIDARG;
    }
    return S_OK;
}

HRESULT MonikerEnumerator::QueryInterface(const GUID& iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown) {
        *object = static_cast<IUnknown*>(this);
    } else if (iid == IID_IEnumMoniker) {
        *object = static_cast<IEnumMoniker*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

HRESULT MonikerEnumerator::Next(ComPtr<IMoniker>* moniker)
{
    if (!moniker)
        return E_POINTER;
    if (m_position >= m_monikers.size()) {
        moniker->Reset();
        return S_FALSE;
    }
    *moniker = m_monikers[m_position++];
    return S_OK;
}

HRESULT MonikerEnumerator::Skip(std::uint32_t count)
{
    const std::size_t left = m_monikers.size() - m_position;
    m_position += std::min<std::size_t>(count, left);
    return count <= left ? S_OK : S_FALSE;
}

HRESULT MonikerEnumerator::Reset()
{
    m_position = 0;
    return S_OK;
}

QString FriendlyNameOf(IMoniker* moniker)
{
    ComPtr<IPropertyBag> bag;
    QString name;
    if (!moniker || Failed(moniker->BindToStorage(IID_IPropertyBag, bag.AsOut())) ||
        Failed(bag->Read(QStringLiteral("FriendlyName"), &name)))
        return {};
    return name;
}

} // namespace camtrove::media
