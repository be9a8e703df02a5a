#pragma once
// The system device enumerator and the filter mapper over a filter catalogue. The enumerator asks
// the device sources for the hardware present now, then lists the catalogue's filters of the
// category, so that the built-in test devices come last. Control thread.

#include "media/core/device_source.h"
#include "media/core/moniker_interfaces.h"

namespace camtrove::media {

class SystemDeviceEnum final : public RefCounted, public ICreateDevEnum
{
public:
    [[nodiscard]] static ComPtr<SystemDeviceEnum>
    Create(const FilterCatalogue* catalogue = &FilterCatalogue::BuiltIn(), DeviceSources sources = {});

    HRESULT QueryInterface(const GUID& iid, void** object) override;
    HRESULT CreateClassEnumerator(const GUID& category, ComPtr<IEnumMoniker>* monikers,
                                  std::uint32_t flags) override;

private:
    SystemDeviceEnum(const FilterCatalogue* catalogue, DeviceSources sources);

    const FilterCatalogue* m_catalogue;
    DeviceSources m_sources;
};

class FilterMapper final : public RefCounted, public IFilterMapper2
{
public:
    [[nodiscard]] static ComPtr<FilterMapper>
    Create(const FilterCatalogue* catalogue = &FilterCatalogue::BuiltIn());

    HRESULT QueryInterface(const GUID& iid, void** object) override;
    HRESULT EnumMatchingFilters(ComPtr<IEnumMoniker>* monikers, bool exactMatch, std::uint32_t minimumMerit,
                                bool inputNeeded, const REGPINTYPES& inputType, bool outputNeeded,
                                const REGPINTYPES& outputType) override;

private:
    explicit FilterMapper(const FilterCatalogue* catalogue) : m_catalogue(catalogue) {}

    const FilterCatalogue* m_catalogue;
};

// True when a registered pin type takes the type asked for, under the mapper's matching rule.
[[nodiscard]] bool MapperTypeMatches(const REGPINTYPES& registered, const REGPINTYPES& asked,
                                     bool exactMatch);

} // namespace camtrove::media
