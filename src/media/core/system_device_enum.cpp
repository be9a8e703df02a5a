#include "media/core/system_device_enum.h"

#include "media/core/filter_moniker.h"

#include <algorithm>

namespace camtrove::media {

namespace {

template <class Self, class Interface> HRESULT QueryOne(Self* self, const GUID& iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == Interface::Iid) {
        *object = static_cast<Interface*>(self);
        self->AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

bool GuidMatches(const GUID& registered, const GUID& asked, bool exactMatch)
{
    if (IsNullGuid(asked))
        return true;
    if (IsNullGuid(registered))
        return !exactMatch;
    return registered == asked;
}

} // namespace

bool MapperTypeMatches(const REGPINTYPES& registered, const REGPINTYPES& asked, bool exactMatch)
{
    return GuidMatches(registered.clsMajorType, asked.clsMajorType, exactMatch) &&
           GuidMatches(registered.clsMinorType, asked.clsMinorType, exactMatch);
}

ComPtr<SystemDeviceEnum> SystemDeviceEnum::Create(const FilterCatalogue* catalogue, DeviceSources sources)
{
    return ComPtr<SystemDeviceEnum>(new SystemDeviceEnum(catalogue, std::move(sources)));
}

SystemDeviceEnum::SystemDeviceEnum(const FilterCatalogue* catalogue, DeviceSources sources)
    : m_catalogue(catalogue), m_sources(std::move(sources))
{
}

HRESULT SystemDeviceEnum::QueryInterface(const GUID& iid, void** object)
{
    return QueryOne<SystemDeviceEnum, ICreateDevEnum>(this, iid, object);
}

HRESULT SystemDeviceEnum::CreateClassEnumerator(const GUID& category, ComPtr<IEnumMoniker>* monikers,
                                                std::uint32_t)
{
    if (!monikers)
        return E_POINTER;
    std::vector<ComPtr<IMoniker>> found;
    for (const auto& source : m_sources)
        if (source)
            for (const auto& device : source->Devices(category))
                found.push_back(ComPtr<IMoniker>(FilterMoniker::ForDevice(device, category).Get()));
    if (m_catalogue)
        for (const auto& registration : m_catalogue->Registrations())
            if (registration.category == category)
                found.push_back(
                    ComPtr<IMoniker>(FilterMoniker::ForRegistration(registration, category).Get()));
    // An empty category answers S_FALSE, but still with an enumerator: a caller that only checks
    // for failure then walks an empty list instead of a null one.
    const HRESULT result = found.empty() ? S_FALSE : S_OK;
    *monikers = ComPtr<IEnumMoniker>(new MonikerEnumerator(std::move(found)));
    return result;
}

ComPtr<FilterMapper> FilterMapper::Create(const FilterCatalogue* catalogue)
{
    return ComPtr<FilterMapper>(new FilterMapper(catalogue));
}

HRESULT FilterMapper::QueryInterface(const GUID& iid, void** object)
{
    return QueryOne<FilterMapper, IFilterMapper2>(this, iid, object);
}

HRESULT FilterMapper::EnumMatchingFilters(ComPtr<IEnumMoniker>* monikers, bool exactMatch,
                                          std::uint32_t minimumMerit, bool inputNeeded,
                                          const REGPINTYPES& inputType, bool outputNeeded,
                                          const REGPINTYPES& outputType)
{
    if (!monikers)
        return E_POINTER;
    std::vector<FilterRegistration> matching;
    if (m_catalogue) {
        const auto takes = [&](const std::vector<REGPINTYPES>& pins, const REGPINTYPES& asked) {
            return std::any_of(pins.begin(), pins.end(), [&](const REGPINTYPES& pin) {
                return MapperTypeMatches(pin, asked, exactMatch);
            });
        };
        for (const auto& registration : m_catalogue->Registrations()) {
            if (registration.merit < minimumMerit)
                continue;
            if (inputNeeded && !takes(registration.inputTypes, inputType))
                continue;
            if (outputNeeded && !takes(registration.outputTypes, outputType))
                continue;
            matching.push_back(registration);
        }
    }
    std::stable_sort(matching.begin(), matching.end(),
                     [](const auto& a, const auto& b) { return a.merit > b.merit; });
    std::vector<ComPtr<IMoniker>> found;
    for (const auto& registration : matching)
        found.push_back(
            ComPtr<IMoniker>(FilterMoniker::ForRegistration(registration, registration.category).Get()));
    *monikers = ComPtr<IEnumMoniker>(new MonikerEnumerator(std::move(found)));
    return S_OK;
}

} // namespace camtrove::media
