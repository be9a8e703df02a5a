#include "media/core/filter_graph.h"

#include "media/core/reference_clock.h"

#include <algorithm>
#include <chrono>
#include <unordered_set>

namespace camtrove::media {

std::vector<ComPtr<IPin>> PinsOf(IBaseFilter* filter)
{
    std::vector<ComPtr<IPin>> pins;
    ComPtr<IEnumPins> enumerator;
    if (!filter || Failed(filter->EnumPins(&enumerator)))
        return pins;
    for (;;) {
        ComPtr<IPin> pin;
        const HRESULT hr = enumerator->Next(&pin);
        if (hr == VFW_E_ENUM_OUT_OF_SYNC) {
            // the filter added pins meanwhile: read the list again
            pins.clear();
            (void)enumerator->Reset();
            continue;
        }
        if (hr != S_OK)
            break;
        pins.push_back(pin);
    }
    return pins;
}

PIN_DIRECTION DirectionOf(IPin* pin)
{
    PIN_DIRECTION direction = PINDIR_INPUT;
    (void)pin->QueryDirection(&direction);
    return direction;
}

ComPtr<IBaseFilter> FilterOf(IPin* pin)
{
    PIN_INFO info;
    if (!pin || Failed(pin->QueryPinInfo(&info)))
        return {};
    return info.pFilter;
}

std::vector<AM_MEDIA_TYPE> MediaTypesOf(IPin* pin)
{
    std::vector<AM_MEDIA_TYPE> types;
    ComPtr<IEnumMediaTypes> enumerator;
    if (Failed(pin->EnumMediaTypes(&enumerator)) || !enumerator)
        return types;
    AM_MEDIA_TYPE type;
    while (enumerator->Next(&type) == S_OK)
        types.push_back(type);
    return types;
}

namespace {

class FilterEnumerator final : public RefCounted, public IEnumFilters
{
public:
    explicit FilterEnumerator(std::vector<ComPtr<IBaseFilter>> filters) : m_filters(std::move(filters)) {}
    HRESULT QueryInterface(const GUID& iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (iid == IID_IUnknown) {
            *object = static_cast<IUnknown*>(this);
        } else if (iid == IID_IEnumFilters) {
            *object = static_cast<IEnumFilters*>(this);
        } else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    HRESULT Next(ComPtr<IBaseFilter>* filter) override
    {
        if (!filter)
            return E_POINTER;
        if (m_position >= m_filters.size()) {
            filter->Reset();
            return S_FALSE;
        }
        *filter = m_filters[m_position++];
        return S_OK;
    }
    HRESULT Reset() override
    {
        m_position = 0;
        return S_OK;
    }

private:
    std::vector<ComPtr<IBaseFilter>> m_filters;
    std::size_t m_position = 0;
};

} // namespace

ComPtr<FilterGraph> FilterGraph::Create(const FilterCatalogue* catalogue)
{
    return ComPtr<FilterGraph>(new FilterGraph(catalogue));
}

FilterGraph::FilterGraph(const FilterCatalogue* catalogue) : m_catalogue(catalogue)
{
    m_clock = ComPtr<IReferenceClock>(SystemClock::Create());
}

FilterGraph::~FilterGraph()
{
    (void)StopFilters();
    // Filters leave disconnected, so that no pin keeps a peer of another filter alive.
    for (const auto& entry : m_filters)
        for (const auto& pin : PinsOf(entry.filter.Get()))
            (void)pin->Disconnect();
    for (const auto& entry : m_filters)
        (void)entry.filter->JoinFilterGraph(nullptr, {});
    m_filters.clear();
}

HRESULT FilterGraph::QueryInterface(const GUID& iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown) {
        *object = static_cast<IUnknown*>(this);
    } else if (iid == IID_IFilterGraph) {
        *object = static_cast<IFilterGraph*>(this);
    } else if (iid == IID_IGraphBuilder) {
        *object = static_cast<IGraphBuilder*>(this);
    } else if (iid == IID_IMediaControl) {
        *object = static_cast<IMediaControl*>(this);
    } else if (iid == IID_IMediaEventEx || iid == IID_IMediaEvent) {
        *object = static_cast<IMediaEventEx*>(this);
    } else if (iid == IID_IMediaEventSink) {
        *object = static_cast<IMediaEventSink*>(this);
    } else if (iid == IID_IFilterChain) {
        *object = static_cast<IFilterChain*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

bool FilterGraph::Contains(IBaseFilter* filter) const
{
    return std::any_of(m_filters.begin(), m_filters.end(),
                       [&](const Entry& e) { return e.filter.Get() == filter; });
}

bool FilterGraph::IsNameTaken(const QString& name) const
{
    return std::any_of(m_filters.begin(), m_filters.end(), [&](const Entry& e) { return e.name == name; });
}

bool FilterGraph::PinInGraph(IPin* pin) const
{
    const auto owner = FilterOf(pin);
    return owner && Contains(owner.Get());
}

HRESULT FilterGraph::AddFilter(IBaseFilter* filter, const QString& name)
{
    if (!filter)
        return E_POINTER;
    if (Contains(filter))
        return E_INVALIDARG;
    const QString base = name.isEmpty() ? QStringLiteral("Filter") : name;
    QString unique = base;
    HRESULT result = S_OK;
    for (int n = 1; IsNameTaken(unique); ++n) {
        unique = QStringLiteral("%1 %2").arg(base).arg(n, 4, 10, QLatin1Char('0'));
        result = VFW_S_DUPLICATE_NAME;
    }
    m_filters.push_back({ComPtr<IBaseFilter>(filter), unique});
    const HRESULT joined = filter->JoinFilterGraph(this, unique);
    if (Failed(joined)) {
        m_filters.pop_back();
        return joined;
    }
    if (m_clock)
        (void)filter->SetSyncSource(m_clock.Get());
    return result;
}

HRESULT FilterGraph::RemoveFilter(IBaseFilter* filter)
{
    if (!filter)
        return E_POINTER;
    const auto it = std::find_if(m_filters.begin(), m_filters.end(),
                                 [&](const Entry& e) { return e.filter.Get() == filter; });
    if (it == m_filters.end())
        return S_FALSE;
    const ComPtr<IBaseFilter> keep = it->filter;
    (void)filter->Stop();
    for (const auto& pin : PinsOf(filter)) {
        ComPtr<IPin> peer;
        if (pin->ConnectedTo(&peer) == S_OK) {
            if (auto peerFilter = FilterOf(peer.Get()))
                (void)peerFilter->Stop();
            (void)peer->Disconnect();
            (void)pin->Disconnect();
        }
    }
    m_filters.erase(std::find_if(m_filters.begin(), m_filters.end(),
                                 [&](const Entry& e) { return e.filter.Get() == filter; }));
    (void)filter->JoinFilterGraph(nullptr, {});
    (void)filter->SetSyncSource(nullptr);
    return S_OK;
}

HRESULT FilterGraph::EnumFilters(ComPtr<IEnumFilters>* filters)
{
    if (!filters)
        return E_POINTER;
    *filters = ComPtr<IEnumFilters>(new FilterEnumerator(Filters()));
    return S_OK;
}

HRESULT FilterGraph::FindFilterByName(const QString& name, ComPtr<IBaseFilter>* filter)
{
    if (!filter)
        return E_POINTER;
    for (const auto& e : m_filters) {
        if (e.name == name) {
            *filter = e.filter;
            return S_OK;
        }
    }
    filter->Reset();
    return VFW_E_NOT_FOUND;
}

HRESULT FilterGraph::ConnectDirect(IPin* output, IPin* input, const AM_MEDIA_TYPE* type)
{
    if (!output || !input)
        return E_POINTER;
    if (!PinInGraph(output) || !PinInGraph(input))
        return VFW_E_NOT_IN_GRAPH;
    if (DirectionOf(output) != PINDIR_OUTPUT || DirectionOf(input) != PINDIR_INPUT)
        return VFW_E_INVALID_DIRECTION;
    ++m_connectDepth;
    HRESULT hr = output->Connect(input, type);
    --m_connectDepth;
    if (m_connectDepth > 0)
        return hr;
    while (!m_pendingReconnects.empty()) {
        const PendingReconnect next = m_pendingReconnects.front();
        m_pendingReconnects.erase(m_pendingReconnects.begin());
        ++m_connectDepth;
        const HRESULT reconnected = ReconnectNow(next.pin.Get(), next.type ? &*next.type : nullptr);
        --m_connectDepth;
        if (Failed(reconnected) && Succeeded(hr))
            hr = reconnected;
    }
    return hr;
}

HRESULT FilterGraph::Reconnect(IPin* pin)
{
    return ReconnectEx(pin, nullptr);
}

HRESULT FilterGraph::ReconnectEx(IPin* pin, const AM_MEDIA_TYPE* type)
{
    if (!pin)
        return E_POINTER;
    if (m_connectDepth > 0) {
        m_pendingReconnects.push_back(
            {ComPtr<IPin>(pin), type ? std::optional<AM_MEDIA_TYPE>(*type) : std::nullopt});
        return S_OK;
    }
    return ReconnectNow(pin, type);
}

HRESULT FilterGraph::ReconnectNow(IPin* pin, const AM_MEDIA_TYPE* type)
{
    ComPtr<IPin> peer;
    if (pin->ConnectedTo(&peer) != S_OK)
        return VFW_E_NOT_CONNECTED;
    IPin* output = DirectionOf(pin) == PINDIR_OUTPUT ? pin : peer.Get();
    IPin* input = output == pin ? peer.Get() : pin;
    const ComPtr<IPin> holdOutput(output), holdInput(input);
    HRESULT hr = output->Disconnect();
    if (Failed(hr))
        return hr;
    hr = input->Disconnect();
    if (Failed(hr))
        return hr;
    return output->Connect(input, type);
}

HRESULT FilterGraph::Disconnect(IPin* pin)
{
    if (!pin)
        return E_POINTER;
    return pin->Disconnect();
}

HRESULT FilterGraph::SetDefaultSyncSource()
{
    m_clock = ComPtr<IReferenceClock>(SystemClock::Create());
    for (const auto& e : m_filters)
        (void)e.filter->SetSyncSource(m_clock.Get());
    return S_OK;
}

HRESULT FilterGraph::SetSyncSource(IReferenceClock* clock)
{
    if (m_state != State_Stopped)
        return VFW_E_NOT_STOPPED;
    m_clock = clock;
    for (const auto& e : m_filters)
        (void)e.filter->SetSyncSource(clock);
    return S_OK;
}

HRESULT FilterGraph::Connect(IPin* output, IPin* input)
{
    const HRESULT direct = ConnectDirect(output, input, nullptr);
    if (Succeeded(direct))
        return direct;
    if (direct == VFW_E_NOT_IN_GRAPH || direct == VFW_E_INVALID_DIRECTION ||
        direct == VFW_E_ALREADY_CONNECTED || direct == VFW_E_NOT_STOPPED || direct == E_POINTER)
        return direct;
    ComPtr<IPin> already;
    if (input->ConnectedTo(&already) == S_OK)
        return VFW_E_ALREADY_CONNECTED;
    return ConnectThroughConverter(output, input);
}

HRESULT FilterGraph::ConnectThroughConverter(IPin* output, IPin* input)
{
    if (!m_catalogue)
        return VFW_E_CANNOT_CONNECT;
    const std::vector<AM_MEDIA_TYPE> offered = MediaTypesOf(output);
    for (const auto& candidate : m_catalogue->ConvertersFor(offered)) {
        ComPtr<IBaseFilter> converter = candidate.create();
        if (!converter || Failed(AddFilter(converter.Get(), candidate.name)))
            continue;
        bool connected = false;
        for (const auto& in : PinsOf(converter.Get())) {
            ComPtr<IPin> peer;
            if (DirectionOf(in.Get()) != PINDIR_INPUT || in->ConnectedTo(&peer) == S_OK)
                continue;
            if (Failed(ConnectDirect(output, in.Get(), nullptr)))
                break;
            // outputs may appear once the input is connected
            for (const auto& out : PinsOf(converter.Get())) {
                if (DirectionOf(out.Get()) != PINDIR_OUTPUT || out->ConnectedTo(&peer) == S_OK)
                    continue;
                if (Succeeded(ConnectDirect(out.Get(), input, nullptr))) {
                    connected = true;
                    break;
                }
            }
            break;
        }
        if (connected)
            return S_OK;
        (void)RemoveFilter(converter.Get());
    }
    return VFW_E_CANNOT_CONNECT;
}

std::vector<IBaseFilter*> FilterGraph::DownstreamFirst() const
{
    std::vector<IBaseFilter*> order;
    std::unordered_set<IBaseFilter*> visited;
    const auto visit = [&](auto&& self, IBaseFilter* filter) -> void {
        if (!visited.insert(filter).second)
            return;
        for (const auto& pin : PinsOf(filter)) {
            if (DirectionOf(pin.Get()) != PINDIR_OUTPUT)
                continue;
            ComPtr<IPin> peer;
            if (pin->ConnectedTo(&peer) != S_OK)
                continue;
            const auto next = FilterOf(peer.Get());
            if (next && Contains(next.Get()))
                self(self, next.Get());
        }
        order.push_back(filter);
    };
    for (const auto& e : m_filters)
        visit(visit, e.filter.Get());
    return order;
}

HRESULT FilterGraph::Pause()
{
    HRESULT result = S_OK;
    for (IBaseFilter* filter : DownstreamFirst()) {
        const HRESULT hr = filter->Pause();
        if (Failed(hr) && Succeeded(result))
            result = hr;
    }
    if (Succeeded(result))
        m_state = State_Paused;
    return result;
}

HRESULT FilterGraph::Run()
{
    if (m_state == State_Running)
        return S_OK;
    if (m_state == State_Stopped) {
        const HRESULT hr = Pause();
        if (Failed(hr))
            return hr;
    }
    REFERENCE_TIME start = 0;
    if (m_clock)
        (void)m_clock->GetTime(&start);
    for (IBaseFilter* filter : DownstreamFirst()) {
        const HRESULT hr = filter->Run(start);
        if (Failed(hr))
            return hr;
    }
    m_state = State_Running;
    return S_OK;
}

HRESULT FilterGraph::StopFilters()
{
    HRESULT result = S_OK;
    for (IBaseFilter* filter : DownstreamFirst()) {
        const HRESULT hr = filter->Stop();
        if (Failed(hr) && Succeeded(result))
            result = hr;
    }
    m_state = State_Stopped;
    return result;
}

HRESULT FilterGraph::Stop()
{
    return StopFilters();
}

HRESULT FilterGraph::GetState(std::int32_t, FILTER_STATE* state)
{
    if (!state)
        return E_POINTER;
    *state = m_state;
    return S_OK;
}

HRESULT FilterGraph::Notify(std::int32_t code, LONG_PTR param1, LONG_PTR param2)
{
    std::function<void()> callback;
    {
        std::lock_guard lock(m_eventMutex);
        m_events.push_back({code, param1, param2});
        callback = m_notifyCallback;
    }
    m_eventArrived.notify_all();
    if (callback)
        callback();
    return S_OK;
}

HRESULT FilterGraph::GetEvent(std::int32_t* code, LONG_PTR* param1, LONG_PTR* param2, std::int32_t timeoutMs)
{
    if (!code || !param1 || !param2)
        return E_POINTER;
    std::unique_lock lock(m_eventMutex);
    const auto ready = [&] { return !m_events.empty(); };
    if (timeoutMs < 0)
        m_eventArrived.wait(lock, ready);
    else if (!m_eventArrived.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready))
        return E_ABORT;
    const Event event = m_events.front();
    m_events.pop_front();
    *code = event.code;
    *param1 = event.param1;
    *param2 = event.param2;
    return S_OK;
}

HRESULT FilterGraph::SetNotifyCallback(std::function<void()> callback)
{
    std::lock_guard lock(m_eventMutex);
    m_notifyCallback = std::move(callback);
    return S_OK;
}

HRESULT FilterGraph::RemoveChain(IBaseFilter* start, IBaseFilter* end)
{
    if (!start)
        return E_POINTER;
    if (!Contains(start) || (end && !Contains(end)))
        return VFW_E_NOT_IN_GRAPH;
    const auto connectedPins = [](IBaseFilter* filter, PIN_DIRECTION direction) {
        std::vector<ComPtr<IPin>> peers;
        for (const auto& pin : PinsOf(filter)) {
            ComPtr<IPin> peer;
            if (DirectionOf(pin.Get()) == direction && pin->ConnectedTo(&peer) == S_OK)
                peers.push_back(peer);
        }
        return peers;
    };
    std::vector<ComPtr<IBaseFilter>> chain{ComPtr<IBaseFilter>(start)};
    IBaseFilter* current = start;
    while (current != end) {
        const auto outputs = connectedPins(current, PINDIR_OUTPUT);
        if (outputs.size() != 1)
            break;
        const auto next = FilterOf(outputs.front().Get());
        if (!next || !Contains(next.Get()) || connectedPins(next.Get(), PINDIR_INPUT).size() != 1)
            break;
        chain.push_back(next);
        current = next.Get();
    }
    if (end && current != end)
        return VFW_E_NOT_FOUND;
    for (const auto& filter : chain)
        (void)RemoveFilter(filter.Get());
    return S_OK;
}

std::vector<ComPtr<IBaseFilter>> FilterGraph::Filters() const
{
    std::vector<ComPtr<IBaseFilter>> filters;
    for (const auto& e : m_filters)
        filters.push_back(e.filter);
    return filters;
}

QString FilterGraph::NameOf(IBaseFilter* filter) const
{
    for (const auto& e : m_filters)
        if (e.filter.Get() == filter)
            return e.name;
    return {};
}

} // namespace camtrove::media
