#pragma once
// The moniker of one device or registered filter, and an enumeration of monikers. A moniker keeps
// the factory of its filter, so each binding makes a new instance.

#include "media/core/device_source.h"
#include "media/core/moniker_interfaces.h"

#include <vector>

namespace camtrove::media {

class FilterMoniker final : public RefCounted, public IMoniker, public IPropertyBag
{
public:
    // A registered filter of a category, named by its class.
    [[nodiscard]] static ComPtr<FilterMoniker> ForRegistration(const FilterRegistration& registration,
                                                               const GUID& category);
    [[nodiscard]] static ComPtr<FilterMoniker> ForDevice(const DeviceEntry& device, const GUID& category);

    HRESULT QueryInterface(const GUID& iid, void** object) override;

    HRESULT BindToObject(const GUID& iid, void** object) override;
    HRESULT BindToStorage(const GUID& iid, void** object) override;
    HRESULT IsEqual(IMoniker* other) override;
    HRESULT GetDisplayName(QString* name) override;

    HRESULT Read(const QString& name, QString* value) override;

private:
    FilterMoniker(QString displayName, QString friendlyName, const GUID& clsid, QString devicePath,
                  std::function<ComPtr<IBaseFilter>()> create);

    QString m_displayName;
    QString m_friendlyName;
    GUID m_clsid;
    QString m_devicePath;
    std::function<ComPtr<IBaseFilter>()> m_create;
};

class MonikerEnumerator final : public RefCounted, public IEnumMoniker
{
public:
    explicit MonikerEnumerator(std::vector<ComPtr<IMoniker>> monikers) : m_monikers(std::move(monikers)) {}

    HRESULT QueryInterface(const GUID& iid, void** object) override;
    HRESULT Next(ComPtr<IMoniker>* moniker) override;
    HRESULT Skip(std::uint32_t count) override;
    HRESULT Reset() override;

private:
    std::vector<ComPtr<IMoniker>> m_monikers;
    std::size_t m_position = 0;
};

// The friendly name of a moniker, empty when it has none.
[[nodiscard]] QString FriendlyNameOf(IMoniker* moniker);

} // namespace camtrove::media
