#pragma once
// TBCBaseFilter: a filter's identity, state, clock and graph membership. Subclasses own their
// pins and give them through GetPinCount and GetPin; pin i is the i-th pin enumerated. State
// changes and pin negotiation run under the filter lock given at construction.

#include "media/base/base_object.h"
#include "media/base/crit_sec.h"
#include "media/core/graph_interfaces.h"

#include <atomic>

namespace camtrove::media {

class TBCBasePin;

class TBCBaseFilter : public TBCUnknown, public IBaseFilter
{
public:
    TBCBaseFilter(QString objectName, TBCCritSec* lock, const GUID& classId);

    HRESULT NonDelegatingQueryInterface(const GUID& iid, void** object) override;

    // IPersist
    HRESULT GetClassID(GUID* classId) override;

    // IMediaFilter
    HRESULT Stop() override;
    HRESULT Pause() override;
    HRESULT Run(REFERENCE_TIME start) override;
    HRESULT GetState(std::uint32_t timeoutMs, FILTER_STATE* state) override;
    HRESULT SetSyncSource(IReferenceClock* clock) override;
    HRESULT GetSyncSource(ComPtr<IReferenceClock>* clock) override;

    // IBaseFilter
    HRESULT EnumPins(ComPtr<IEnumPins>* pins) override;
    HRESULT FindPin(const QString& id, ComPtr<IPin>* pin) override;
    HRESULT QueryFilterInfo(FILTER_INFO* info) override;
    HRESULT JoinFilterGraph(IFilterGraph* graph, const QString& name) override;
    HRESULT QueryVendorInfo(QString* info) override;

    [[nodiscard]] virtual int GetPinCount() = 0;
    [[nodiscard]] virtual TBCBasePin* GetPin(int index) = 0;

    // Pin enumerators detect a changed pin list through this version.
    [[nodiscard]] int GetPinVersion() const { return m_pinVersion.load(); }
    void IncrementPinVersion() { ++m_pinVersion; }

    // Posts an event to the graph's event channel; S_FALSE outside a graph. Any thread.
    HRESULT NotifyEvent(std::int32_t code, LONG_PTR param1, LONG_PTR param2);

    // Reconnects pin and its peer with the given type through the graph.
    [[nodiscard]] HRESULT ReconnectPin(IPin* pin, const AM_MEDIA_TYPE* type);

    [[nodiscard]] FILTER_STATE State() const { return m_state.load(); }
    [[nodiscard]] bool IsStopped() const { return m_state.load() == State_Stopped; }
    [[nodiscard]] bool IsActive() const { return m_state.load() != State_Stopped; }
    [[nodiscard]] IFilterGraph* Graph() const { return m_graph; }
    [[nodiscard]] TBCCritSec* FilterLock() const { return m_lock; }
    [[nodiscard]] REFERENCE_TIME StartTime() const { return m_start; }
    [[nodiscard]] const QString& Name() const { return m_name; }
    // The clock's time less the start time; VFW_E_NO_CLOCK without a clock.
    [[nodiscard]] HRESULT StreamTime(REFERENCE_TIME* time);

protected:
    void SetState(FILTER_STATE state) { m_state.store(state); }

    std::atomic<FILTER_STATE> m_state{State_Stopped};
    TBCCritSec* m_lock;
    GUID m_classId;
    ComPtr<IReferenceClock> m_clock;
    REFERENCE_TIME m_start = 0;
    IFilterGraph* m_graph = nullptr;                    // not referenced: the graph owns its filters
    std::atomic<IMediaEventSink*> m_eventSink{nullptr}; // read by streaming threads
    QString m_name;
    std::atomic<int> m_pinVersion{1};
};

} // namespace camtrove::media
