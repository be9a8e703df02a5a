#include "media/devices/live_source_pin.h"

#include <chrono>
#include <cstring>

namespace camtrove::media {

LiveSourcePin::LiveSourcePin(QString objectName, TBCBaseFilter* filter, TBCCritSec* lock, QString pinName,
                             const GUID& category)
    : SourceStreamPin(std::move(objectName), filter, lock, nullptr, std::move(pinName)), m_category(category)
{
}

HRESULT LiveSourcePin::NonDelegatingQueryInterface(const GUID& iid, void** object)
{
    if (iid == IID_IKsPropertySet) {
        *object = static_cast<IKsPropertySet*>(this);
        AddRef();
        return S_OK;
    }
    return SourceStreamPin::NonDelegatingQueryInterface(iid, object);
}

HRESULT LiveSourcePin::Get(const GUID& propertySet, std::uint32_t id, void* data, std::uint32_t size,
                           std::uint32_t* returned)
{
    if (propertySet != AMPROPSETID_Pin)
        return E_PROP_ID_UNSUPPORTED;
    if (id != AMPROPERTY_PIN_CATEGORY)
        return E_PROP_ID_UNSUPPORTED;
    if (!data || size < sizeof(GUID))
        return E_POINTER;
    std::memcpy(data, &m_category, sizeof(GUID));
    if (returned)
        *returned = sizeof(GUID);
    return S_OK;
}

HRESULT LiveSourcePin::Active()
{
    (void)m_filter->GetSyncSource(&m_clock);
    return SourceStreamPin::Active();
}

HRESULT LiveSourcePin::Run(REFERENCE_TIME start)
{
    m_runStart.store(start, std::memory_order_relaxed);
    m_runs.fetch_add(1, std::memory_order_release);
    return SourceStreamPin::Run(start);
}

bool LiveSourcePin::WaitForNextPeriod(REFERENCE_TIME period, REFERENCE_TIME* start, std::int64_t* skipped)
{
    using namespace std::chrono_literals;
    for (;;) {
        if (StopRequested())
            return false;
        const std::uint64_t run = m_runs.load(std::memory_order_acquire);
        if (m_filter->State() != State_Running || !m_clock || run == 0) {
            if (!WaitFor(5ms))
                return false;
            continue;
        }
        if (run != m_scheduledRun) {
            m_scheduledRun = run;
            m_nextPeriod = 0;
        }
        REFERENCE_TIME now = 0;
        if (Failed(m_clock->GetTime(&now)))
            return false;
        now -= m_runStart.load(std::memory_order_relaxed);
        const REFERENCE_TIME due = m_nextPeriod * period;
        if (now < due) {
            // Woken early or not: the clock is read again, so a clock that jumps is followed.
            if (!WaitFor(std::chrono::nanoseconds((due - now) * 100)))
                return false;
            continue;
        }
        *skipped = (now - due) / period;
        m_nextPeriod += *skipped;
        *start = m_nextPeriod * period;
        ++m_nextPeriod;
        return true;
    }
}

} // namespace camtrove::media
