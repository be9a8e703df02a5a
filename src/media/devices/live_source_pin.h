#pragma once
// The output pin of a live device: it reports its pin category and paces its streaming thread by
// the graph's reference clock, one period (a frame, a buffer of sound) at a time. A device does not
// wait for a slow downstream: periods that went by meanwhile are skipped and counted as dropped.

#include "media/base/source_stream_pin.h"
#include "media/core/device_interfaces.h"

#include <atomic>

namespace camtrove::media {

class LiveSourcePin : public SourceStreamPin, public IKsPropertySet
{
public:
    LiveSourcePin(QString objectName, TBCBaseFilter* filter, TBCCritSec* lock, QString pinName,
                  const GUID& category);

    HRESULT NonDelegatingQueryInterface(const GUID& iid, void** object) override;

    // IKsPropertySet: AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY.
    HRESULT Get(const GUID& propertySet, std::uint32_t id, void* data, std::uint32_t size,
                std::uint32_t* returned) override;

    HRESULT Active() override; // takes the filter's clock before the streaming thread starts
    HRESULT Run(REFERENCE_TIME start) override;

    [[nodiscard]] const GUID& Category() const { return m_category; }

protected:
    // Streaming thread: waits while the filter is not running and until the next period is due on
    // the clock; gives the period's stream time and how many periods were skipped because they
    // were already over. False when the pin is told to stop. Each run starts at stream time 0.
    [[nodiscard]] bool WaitForNextPeriod(REFERENCE_TIME period, REFERENCE_TIME* start, std::int64_t* skipped);

private:
    GUID m_category;
    ComPtr<IReferenceClock> m_clock; // written before the streaming thread starts
    std::atomic<REFERENCE_TIME> m_runStart{0};
    std::atomic<std::uint64_t> m_runs{0};
    std::uint64_t m_scheduledRun = 0; // streaming thread only
    std::int64_t m_nextPeriod = 0;    // streaming thread only
};

} // namespace camtrove::media
