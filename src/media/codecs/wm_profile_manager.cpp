#include "media/codecs/wm_profile_manager.h"

#include "media/codecs/wm_profile_catalogue.h"

#include <atomic>

namespace camtrove::media {

namespace {

class WmProfileManager final : public RefCounted, public IWMProfileManager2
{
public:
    HRESULT QueryInterface(const GUID& iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == IWMProfileManager::Iid || iid == IWMProfileManager2::Iid) {
            *object = static_cast<IWMProfileManager2*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }

    HRESULT LoadProfileByID(const GUID& id, ComPtr<IWMProfile>* profile) override
    {
        if (!profile)
            return E_POINTER;
        const WmProfileDescription* found = FindSystemProfile(id);
        if (!found)
            return VFW_E_NOT_FOUND;
        *profile = MakeWmProfile(*found);
        return S_OK;
    }

    HRESULT GetSystemProfileCount(std::uint32_t* count) override
    {
        if (!count)
            return E_POINTER;
        *count = static_cast<std::uint32_t>(SystemProfiles(m_version.load()).size());
        return S_OK;
    }

    HRESULT LoadSystemProfile(std::uint32_t index, ComPtr<IWMProfile>* profile) override
    {
        if (!profile)
            return E_POINTER;
        const auto profiles = SystemProfiles(m_version.load());
        if (index >= profiles.size())
            return E_INVALIDARG;
        *profile = MakeWmProfile(profiles[index]);
        return S_OK;
    }

    HRESULT GetSystemProfileVersion(WMT_VERSION* version) override
    {
        if (!version)
            return E_POINTER;
        *version = m_version.load();
        return S_OK;
    }

    HRESULT SetSystemProfileVersion(WMT_VERSION version) override
    {
        if (SystemProfiles(version).empty())
            return E_INVALIDARG;
        m_version.store(version);
        return S_OK;
    }

private:
    std::atomic<WMT_VERSION> m_version{WMT_VER_8_0};
};

} // namespace

HRESULT WMCreateProfileManager(ComPtr<IWMProfileManager>* manager)
{
    if (!manager)
        return E_POINTER;
    *manager = ComPtr<IWMProfileManager>(new WmProfileManager());
    return S_OK;
}

} // namespace camtrove::media
