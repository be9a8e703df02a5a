#include "media/core/filter_catalogue.h"

#include "media/core/built_in_filters.h"

#include <algorithm>
#include <mutex>

namespace camtrove::media {

bool RegTypeMatches(const REGPINTYPES& registered, const GUID& major, const GUID& minor)
{
    const bool majorOk =
        IsNullGuid(registered.clsMajorType) || IsNullGuid(major) || registered.clsMajorType == major;
    const bool minorOk =
        IsNullGuid(registered.clsMinorType) || IsNullGuid(minor) || registered.clsMinorType == minor;
    return majorOk && minorOk;
}

FilterCatalogue& FilterCatalogue::BuiltIn()
{
    static FilterCatalogue catalogue;
    static std::once_flag filled;
    std::call_once(filled, [] {
        RegisterStockFilters(catalogue);
        RegisterFileFilters(catalogue);
        RegisterDvFilters(catalogue);
        RegisterCodecs(catalogue);
        RegisterDevices(catalogue);
    });
    return catalogue;
}

void FilterCatalogue::Register(FilterRegistration registration)
{
    std::lock_guard lock(m_mutex);
    std::erase_if(m_registrations,
                  [&](const FilterRegistration& r) { return r.clsid == registration.clsid; });
    m_registrations.push_back(std::move(registration));
}

bool FilterCatalogue::Unregister(const GUID& clsid)
{
    std::lock_guard lock(m_mutex);
    return std::erase_if(m_registrations, [&](const FilterRegistration& r) { return r.clsid == clsid; }) > 0;
}

std::vector<FilterRegistration> FilterCatalogue::Registrations() const
{
    std::lock_guard lock(m_mutex);
    return m_registrations;
}

std::optional<FilterRegistration> FilterCatalogue::Find(const GUID& clsid) const
{
    std::lock_guard lock(m_mutex);
    for (const auto& r : m_registrations)
        if (r.clsid == clsid)
            return r;
    return std::nullopt;
}

ComPtr<IBaseFilter> FilterCatalogue::Create(const GUID& clsid) const
{
    const auto registration = Find(clsid);
    if (!registration || !registration->create)
        return {};
    return registration->create();
}

std::vector<FilterRegistration> FilterCatalogue::ConvertersFor(const std::vector<AM_MEDIA_TYPE>& types) const
{
    std::vector<FilterRegistration> found;
    for (const auto& r : Registrations()) {
        if (r.merit <= MERIT_DO_NOT_USE || !r.create)
            continue;
        const bool takesOne =
            std::any_of(r.inputTypes.begin(), r.inputTypes.end(), [&](const REGPINTYPES& in) {
                return std::any_of(types.begin(), types.end(), [&](const AM_MEDIA_TYPE& t) {
                    return RegTypeMatches(in, t.majortype, t.subtype);
                });
            });
        if (takesOne)
            found.push_back(r);
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.merit > b.merit; });
    return found;
}

} // namespace camtrove::media
