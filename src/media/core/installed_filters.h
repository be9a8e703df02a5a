#pragma once
// Filters installed from libraries after the program was built. Installing writes the filter's
// class under HKEY_CLASSES_ROOT\CLSID\{clsid} (its name, and its library as the default value of
// InprocServer32) and its registration under HKEY_CLASSES_ROOT\CLSID\{category}\Instance\{clsid}
// ("FriendlyName", "CLSID", "Merit", and the pin types as "InputTypes" and "OutputTypes", each
// "{major}/{minor}" joined by ";"). A library makes its filters through the exported function
// kCreateFilterExport, of type CreateFilterFunction.

#include "media/core/filter_catalogue.h"
#include "platform/registry.h"

#include <vector>

namespace camtrove::media {

inline constexpr const char* kCreateFilterExport = "CamtroveCreateFilter";
// Gives a new filter of the class with a reference for the caller, or an error.
using CreateFilterFunction = HRESULT (*)(const GUID* clsid, IBaseFilter** filter);

[[nodiscard]] bool WriteInstalledFilter(platform::Registry& classesRoot,
                                        const FilterRegistration& registration, const QString& libraryPath);
[[nodiscard]] bool RemoveInstalledFilter(platform::Registry& classesRoot, const GUID& clsid);

// Every installed filter whose registration can be read; creating one loads its library.
[[nodiscard]] std::vector<FilterRegistration> ReadInstalledFilters(platform::Registry& classesRoot);

// Adds the installed filters to the catalogue, except classes it already has. Gives how many.
int AddInstalledFilters(FilterCatalogue& catalogue, platform::Registry& classesRoot);

// Loads the library once for the process (its code must outlive every filter it made) and asks
// it for a filter of the class; null when the library or its export is missing or it refuses.
[[nodiscard]] ComPtr<IBaseFilter> CreateFilterFromLibrary(const QString& libraryPath, const GUID& clsid);

} // namespace camtrove::media
