#pragma once
// The registered filters: class identifier, name, merit, category and the major type and
// subtype of each pin, with the factory that makes an instance. Built-in filters register in
// code; the graph's Connect and the filter mapper look converters up here. Thread-safe.

#include "media/core/filter_interfaces.h"

#include <QString>

#include <functional>
#include <mutex>
#include <optional>
#include <vector>

namespace camtrove::media {

inline constexpr std::uint32_t MERIT_PREFERRED = 0x800000;
inline constexpr std::uint32_t MERIT_NORMAL = 0x600000;
inline constexpr std::uint32_t MERIT_UNLIKELY = 0x400000;
inline constexpr std::uint32_t MERIT_DO_NOT_USE = 0x200000;

// A pin's type in a registration; a null GUID stands for any.
struct REGPINTYPES
{
    GUID clsMajorType;
    GUID clsMinorType;
};

struct FilterRegistration
{
    GUID clsid;
    QString name;
    std::uint32_t merit = MERIT_NORMAL;
    GUID category;
    std::vector<REGPINTYPES> inputTypes;
    std::vector<REGPINTYPES> outputTypes;
    std::function<ComPtr<IBaseFilter>()> create;
};

// True when a registered pin type admits the given major type and subtype (null: any).
[[nodiscard]] bool RegTypeMatches(const REGPINTYPES& registered, const GUID& major, const GUID& minor);

class FilterCatalogue
{
public:
    // The process's catalogue, where built-in filters register themselves.
    [[nodiscard]] static FilterCatalogue& BuiltIn();

    void Register(FilterRegistration registration); // replaces a registration of the same class
    bool Unregister(const GUID& clsid);
    [[nodiscard]] std::vector<FilterRegistration> Registrations() const;
    [[nodiscard]] std::optional<FilterRegistration> Find(const GUID& clsid) const;
    [[nodiscard]] ComPtr<IBaseFilter> Create(const GUID& clsid) const;

    // Filters above MERIT_DO_NOT_USE with an input that takes one of the types, highest merit first.
    [[nodiscard]] std::vector<FilterRegistration>
    ConvertersFor(const std::vector<AM_MEDIA_TYPE>& types) const;

private:
    mutable std::mutex m_mutex;
    std::vector<FilterRegistration> m_registrations;
};

} // namespace camtrove::media
