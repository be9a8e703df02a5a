#pragma once
// The graph's reference clock over the monotonic system clock, in 100 ns units.

#include "media/core/filter_interfaces.h"

#include <chrono>

namespace camtrove::media {

class SystemClock final : public RefCounted, public IReferenceClock
{
public:
    [[nodiscard]] static ComPtr<SystemClock> Create() { return ComPtr<SystemClock>(new SystemClock()); }

    HRESULT QueryInterface(const GUID& iid, void** object) override;
    HRESULT GetTime(REFERENCE_TIME* time) override;

private:
    SystemClock() = default;
};

} // namespace camtrove::media
