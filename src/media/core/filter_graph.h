#pragma once
// The filter graph: owns its filters (by reference), connects their pins, changes their states
// in the framework's order (downstream filters first) and carries the event channel from the
// streaming threads to the application. Building and state changes happen on one control
// thread; Notify may be called from any thread.

#include "media/core/filter_catalogue.h"
#include "media/core/graph_interfaces.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

namespace camtrove::media {

class FilterGraph final : public RefCounted,
                          public IGraphBuilder,
                          public IMediaControl,
                          public IMediaEventEx,
                          public IMediaEventSink,
                          public IFilterChain
{
public:
    // Converters for Connect come from the catalogue; the built-in one unless a test gives its own.
    [[nodiscard]] static ComPtr<FilterGraph>
    Create(const FilterCatalogue* catalogue = &FilterCatalogue::BuiltIn());
    ~FilterGraph() override;

    HRESULT QueryInterface(const GUID& iid, void** object) override;

    // IFilterGraph
    HRESULT AddFilter(IBaseFilter* filter, const QString& name) override;
    HRESULT RemoveFilter(IBaseFilter* filter) override;
    HRESULT EnumFilters(ComPtr<IEnumFilters>* filters) override;
    HRESULT FindFilterByName(const QString& name, ComPtr<IBaseFilter>* filter) override;
    HRESULT ConnectDirect(IPin* output, IPin* input, const AM_MEDIA_TYPE* type) override;
    HRESULT Reconnect(IPin* pin) override;
    HRESULT Disconnect(IPin* pin) override;
    HRESULT SetDefaultSyncSource() override;

    // IGraphBuilder
    HRESULT Connect(IPin* output, IPin* input) override;
    HRESULT ReconnectEx(IPin* pin, const AM_MEDIA_TYPE* type) override;

    // IMediaControl
    HRESULT Run() override;
    HRESULT Pause() override;
    HRESULT Stop() override;
    HRESULT GetState(std::int32_t timeoutMs, FILTER_STATE* state) override;

    // IMediaEventSink
    HRESULT Notify(std::int32_t code, LONG_PTR param1, LONG_PTR param2) override;

    // IMediaEventEx
    HRESULT GetEvent(std::int32_t* code, LONG_PTR* param1, LONG_PTR* param2, std::int32_t timeoutMs) override;
    HRESULT FreeEventParams(std::int32_t, LONG_PTR, LONG_PTR) override { return S_OK; }
    HRESULT SetNotifyCallback(std::function<void()> callback) override;

    // IFilterChain
    HRESULT RemoveChain(IBaseFilter* start, IBaseFilter* end) override;

    // The clock given to every filter, now and as filters are added; null runs the graph without
    // one. Only while stopped.
    HRESULT SetSyncSource(IReferenceClock* clock);

    // The graph's filters in the order they were added.
    [[nodiscard]] std::vector<ComPtr<IBaseFilter>> Filters() const;
    [[nodiscard]] QString NameOf(IBaseFilter* filter) const;

private:
    struct Entry
    {
        ComPtr<IBaseFilter> filter;
        QString name;
    };
    struct Event
    {
        std::int32_t code;
        LONG_PTR param1;
        LONG_PTR param2;
    };

    explicit FilterGraph(const FilterCatalogue* catalogue);
    [[nodiscard]] bool Contains(IBaseFilter* filter) const;
    [[nodiscard]] bool IsNameTaken(const QString& name) const;
    [[nodiscard]] bool PinInGraph(IPin* pin) const;
    // Every filter after the filters it feeds.
    [[nodiscard]] std::vector<IBaseFilter*> DownstreamFirst() const;
    [[nodiscard]] HRESULT ConnectThroughConverter(IPin* output, IPin* input);
    HRESULT StopFilters();
    [[nodiscard]] HRESULT ReconnectNow(IPin* pin, const AM_MEDIA_TYPE* type);
    struct PendingReconnect
    {
        ComPtr<IPin> pin;
        std::optional<AM_MEDIA_TYPE> type;
    };

    const FilterCatalogue* m_catalogue;
    std::vector<Entry> m_filters;
    ComPtr<IReferenceClock> m_clock;
    FILTER_STATE m_state = State_Stopped;
    // A filter asks for a reconnection from inside a connection, with its pin lock held; it runs
    // once the outermost connection returns, so that pin locks are never taken upstream-last.
    int m_connectDepth = 0;
    std::vector<PendingReconnect> m_pendingReconnects;

    std::mutex m_eventMutex;
    std::condition_variable m_eventArrived;
    std::deque<Event> m_events;
    std::function<void()> m_notifyCallback;
};

// Helpers over pins that the graph and its users share.
[[nodiscard]] std::vector<ComPtr<IPin>> PinsOf(IBaseFilter* filter);
[[nodiscard]] PIN_DIRECTION DirectionOf(IPin* pin);
[[nodiscard]] ComPtr<IBaseFilter> FilterOf(IPin* pin);
[[nodiscard]] std::vector<AM_MEDIA_TYPE> MediaTypesOf(IPin* pin);

} // namespace camtrove::media
