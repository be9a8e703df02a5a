#include "media/core/reference_clock.h"

namespace camtrove::media {

HRESULT SystemClock::QueryInterface(const GUID& iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown) {
        *object = static_cast<IUnknown*>(this);
    } else if (iid == IID_IReferenceClock) {
        *object = static_cast<IReferenceClock*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

HRESULT SystemClock::GetTime(REFERENCE_TIME* time)
{
    if (!time)
        return E_POINTER;
    using Ticks = std::chrono::duration<REFERENCE_TIME, std::ratio<1, 10'000'000>>;
    *time = std::chrono::duration_cast<Ticks>(std::chrono::steady_clock::now().time_since_epoch()).count();
    return S_OK;
}

} // namespace camtrove::media
