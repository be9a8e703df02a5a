#pragma once
// Finding filters by category: the system device enumerator gives monikers, each naming one
// device or registered filter, with its properties in a property bag and a binding that makes
// the filter; the filter mapper gives monikers of the filters whose pins take and give the types
// asked for.

#include "media/core/filter_catalogue.h"
#include "media/core/registration_results.h"

#include <QString>

namespace camtrove::media {

inline constexpr GUID IID_IEnumMoniker = MakeGuid("00000102-0000-0000-C000-000000000046");

class IPropertyBag : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_IPropertyBag;
    // "FriendlyName", "CLSID" (registry text form) and, for devices, "DevicePath".
    // E_INVALIDARG for a property the object does not have.
    [[nodiscard]] virtual HRESULT Read(const QString& name, QString* value) = 0;
};

class IMoniker : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_IMoniker;
    // IID_IBaseFilter (or any interface of it) makes a new instance of the filter.
    [[nodiscard]] virtual HRESULT BindToObject(const GUID& iid, void** object) = 0;
    // IID_IPropertyBag gives the properties.
    [[nodiscard]] virtual HRESULT BindToStorage(const GUID& iid, void** object) = 0;
    // S_OK when other names the same device or filter, S_FALSE otherwise.
    [[nodiscard]] virtual HRESULT IsEqual(IMoniker* other) = 0;
    [[nodiscard]] virtual HRESULT GetDisplayName(QString* name) = 0;
};

class IEnumMoniker : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_IEnumMoniker;
    // S_OK with the next moniker, S_FALSE at the end.
    [[nodiscard]] virtual HRESULT Next(ComPtr<IMoniker>* moniker) = 0;
    [[nodiscard]] virtual HRESULT Skip(std::uint32_t count) = 0;
    virtual HRESULT Reset() = 0;
};

class ICreateDevEnum : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_ICreateDevEnum;
    // The monikers of a category: real devices first, then the registered filters of the
    // category. S_FALSE when the category is empty; the enumerator is given (empty) even then.
    [[nodiscard]] virtual HRESULT CreateClassEnumerator(const GUID& category, ComPtr<IEnumMoniker>* monikers,
                                                        std::uint32_t flags) = 0;
};

class IFilterMapper2 : public virtual IUnknown
{
public:
    static constexpr GUID Iid = IID_IFilterMapper2;
    // The registered filters of at least minimumMerit, highest merit first, with an input pin
    // taking inputType (when inputNeeded) and an output pin giving outputType (when outputNeeded).
    // A null GUID asked for matches any; with exactMatch a null GUID registered matches only a
    // null GUID asked for, otherwise it matches anything.
    [[nodiscard]] virtual HRESULT EnumMatchingFilters(ComPtr<IEnumMoniker>* monikers, bool exactMatch,
                                                      std::uint32_t minimumMerit, bool inputNeeded,
                                                      const REGPINTYPES& inputType, bool outputNeeded,
                                                      const REGPINTYPES& outputType) = 0;
};

} // namespace camtrove::media
