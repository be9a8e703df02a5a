// A filter library as a third party would ship it, loaded by the installed-filter tests: one
// filter class without pins, built on nothing but the framework's headers.

#include "media/core/filter_interfaces.h"
#include "media/core/registration_results.h"

#include <atomic>

namespace {

using namespace camtrove;
using namespace camtrove::media;

const GUID kLibraryFilter = MakeGuid("6A1C0003-0000-4000-8000-00CA37120001");

class LibraryFilter final : public IBaseFilter
{
public:
    HRESULT QueryInterface(const GUID& iid, void** object) override
    {
        if (iid != IID_IUnknown && iid != IID_IPersist && iid != IID_IMediaFilter && iid != IID_IBaseFilter)
            return E_NOINTERFACE;
        *object = static_cast<IBaseFilter*>(this);
        AddRef();
        return S_OK;
    }
    std::uint32_t AddRef() override { return ++m_refs; }
    std::uint32_t Release() override
    {
        const std::uint32_t left = --m_refs;
        if (left == 0)
            delete this;
        return left;
    }
    HRESULT GetClassID(GUID* classId) override
    {
        *classId = kLibraryFilter;
        return S_OK;
    }
    HRESULT Stop() override { return S_OK; }
    HRESULT Pause() override { return S_OK; }
    HRESULT Run(REFERENCE_TIME) override { return S_OK; }
    HRESULT GetState(std::uint32_t, FILTER_STATE* state) override
    {
        *state = State_Stopped;
        return S_OK;
    }
    HRESULT SetSyncSource(IReferenceClock*) override { return S_OK; }
    HRESULT GetSyncSource(ComPtr<IReferenceClock>* clock) override
    {
        clock->Reset();
        return S_OK;
    }
    HRESULT EnumPins(ComPtr<IEnumPins>*) override { return E_NOTIMPL; }
    HRESULT FindPin(const QString&, ComPtr<IPin>*) override { return VFW_E_NOT_FOUND; }
    HRESULT QueryFilterInfo(FILTER_INFO* info) override
    {
        info->achName = m_name;
        return S_OK;
    }
    HRESULT JoinFilterGraph(IFilterGraph*, const QString& name) override
    {
        m_name = name;
        return S_OK;
    }
    HRESULT QueryVendorInfo(QString*) override { return E_NOTIMPL; }

private:
    std::atomic<std::uint32_t> m_refs{0};
    QString m_name;
};

} // namespace

extern "C" __attribute__((visibility("default"))) camtrove::HRESULT CamtroveCreateFilter(const GUID* clsid,
                                                                                         IBaseFilter** filter)
{
    if (!clsid || !filter)
        return E_POINTER;
    if (*clsid != kLibraryFilter)
        return camtrove::media::REGDB_E_CLASSNOTREG;
    *filter = new LibraryFilter();
    (*filter)->AddRef();
    return S_OK;
}
