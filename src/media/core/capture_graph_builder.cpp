#include "media/core/capture_graph_builder.h"

#include "media/core/filter_graph.h"

#include <deque>
#include <unordered_set>

namespace camtrove::media {

GUID PinCategoryOf(IPin* pin)
{
    GUID category;
    const auto properties = QueryAs<IKsPropertySet>(pin);
    std::uint32_t returned = 0;
    if (!properties ||
        Failed(properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, &category, sizeof(category),
                               &returned)) ||
        returned < sizeof(category))
        return GUID_NULL;
    return category;
}

namespace {

bool IsConnected(IPin* pin)
{
    ComPtr<IPin> peer;
    return pin->ConnectedTo(&peer) == S_OK;
}

// A connected pin carries its connection's type; an unconnected one whatever it offers.
bool CarriesMajorType(IPin* pin, const GUID& major)
{
    AM_MEDIA_TYPE connection;
    if (IsConnected(pin) && pin->ConnectionMediaType(&connection) == S_OK)
        return connection.majortype == major;
    for (const auto& offered : MediaTypesOf(pin))
        if (offered.majortype == major)
            return true;
    return false;
}

bool PinMatches(IPin* pin, PIN_DIRECTION direction, const GUID* category, const GUID* type, bool unconnected)
{
    if (DirectionOf(pin) != direction)
        return false;
    if (unconnected && IsConnected(pin))
        return false;
    if (category && !IsNullGuid(*category) && PinCategoryOf(pin) != *category)
        return false;
    if (type && !IsNullGuid(*type) && !CarriesMajorType(pin, *type))
        return false;
    return true;
}

bool IsPinCategory(const GUID* category)
{
    return category && !IsNullGuid(*category) && *category != LOOK_UPSTREAM_ONLY &&
           *category != LOOK_DOWNSTREAM_ONLY;
}

HRESULT QueryFilterAndPins(IBaseFilter* filter, const GUID& iid, void** object)
{
    if (Succeeded(filter->QueryInterface(iid, object)))
        return S_OK;
    for (const auto& pin : PinsOf(filter))
        if (Succeeded(pin->QueryInterface(iid, object)))
            return S_OK;
    return E_NOINTERFACE;
}

// The filters reached from the starting pins' peers, nearest first, each once, never the ones
// in `visited` beforehand.
std::vector<ComPtr<IBaseFilter>> FiltersBeyond(std::vector<ComPtr<IPin>> startPins, PIN_DIRECTION direction,
                                               std::unordered_set<IBaseFilter*> visited)
{
    std::vector<ComPtr<IBaseFilter>> found;
    std::deque<ComPtr<IPin>> pending(startPins.begin(), startPins.end());
    while (!pending.empty()) {
        const ComPtr<IPin> pin = pending.front();
        pending.pop_front();
        ComPtr<IPin> peer;
        if (pin->ConnectedTo(&peer) != S_OK)
            continue;
        const auto next = FilterOf(peer.Get());
        if (!next || !visited.insert(next.Get()).second)
            continue;
        found.push_back(next);
        for (const auto& nextPin : PinsOf(next.Get()))
            if (DirectionOf(nextPin.Get()) == direction)
                pending.push_back(nextPin);
    }
    return found;
}

std::vector<ComPtr<IPin>> PinsWithDirection(IBaseFilter* filter, PIN_DIRECTION direction)
{
    std::vector<ComPtr<IPin>> pins;
    for (const auto& pin : PinsOf(filter))
        if (DirectionOf(pin.Get()) == direction)
            pins.push_back(pin);
    return pins;
}

HRESULT QueryAny(const std::vector<ComPtr<IBaseFilter>>& filters, const GUID& iid, void** object)
{
    for (const auto& filter : filters)
        if (Succeeded(QueryFilterAndPins(filter.Get(), iid, object)))
            return S_OK;
    return E_NOINTERFACE;
}

} // namespace

ComPtr<CaptureGraphBuilder> CaptureGraphBuilder::Create(const FilterCatalogue* catalogue)
{
    return ComPtr<CaptureGraphBuilder>(new CaptureGraphBuilder(catalogue));
}

HRESULT CaptureGraphBuilder::QueryInterface(const GUID& iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown) {
        *object = static_cast<IUnknown*>(this);
    } else if (iid == IID_ICaptureGraphBuilder2) {
        *object = static_cast<ICaptureGraphBuilder2*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

HRESULT CaptureGraphBuilder::SetFiltergraph(IGraphBuilder* graph)
{
    if (!graph)
        return E_POINTER;
    if (m_graph)
        return E_UNEXPECTED;
    m_graph = graph;
    return S_OK;
}

HRESULT CaptureGraphBuilder::GetFiltergraph(ComPtr<IGraphBuilder>* graph)
{
    if (!graph)
        return E_POINTER;
    if (!m_graph)
        m_graph = ComPtr<IGraphBuilder>(FilterGraph::Create(m_catalogue).Get());
    *graph = m_graph;
    return S_OK;
}

const FilterCatalogue& CaptureGraphBuilder::Catalogue() const
{
    return m_catalogue ? *m_catalogue : FilterCatalogue::BuiltIn();
}

HRESULT CaptureGraphBuilder::FindPin(IUnknown* source, PIN_DIRECTION direction, const GUID* category,
                                     const GUID* type, bool unconnected, int index, ComPtr<IPin>* pin)
{
    if (!source || !pin)
        return E_POINTER;
    pin->Reset();
    if (index < 0)
        return E_INVALIDARG;
    if (const auto asPin = QueryAs<IPin>(source)) {
        if (index != 0 || !PinMatches(asPin.Get(), direction, category, type, unconnected))
            return E_FAIL;
        *pin = asPin;
        return S_OK;
    }
    const auto filter = QueryAs<IBaseFilter>(source);
    if (!filter)
        return E_NOINTERFACE;
    int matches = 0;
    for (const auto& candidate : PinsOf(filter.Get())) {
        if (!PinMatches(candidate.Get(), direction, category, type, unconnected))
            continue;
        if (matches++ == index) {
            *pin = candidate;
            return S_OK;
        }
    }
    return E_FAIL;
}

HRESULT CaptureGraphBuilder::FindInterface(const GUID* category, const GUID* type, IBaseFilter* filter,
                                           const GUID& iid, void** object)
{
    if (!filter || !object)
        return E_POINTER;
    *object = nullptr;
    const std::unordered_set<IBaseFilter*> self{filter};
    const auto upstream = [&] {
        return FiltersBeyond(PinsWithDirection(filter, PINDIR_INPUT), PINDIR_INPUT, self);
    };
    const auto downstream = [&] {
        return FiltersBeyond(PinsWithDirection(filter, PINDIR_OUTPUT), PINDIR_OUTPUT, self);
    };

    if (category && *category == LOOK_UPSTREAM_ONLY)
        return QueryAny(upstream(), iid, object);
    if (category && *category == LOOK_DOWNSTREAM_ONLY)
        return QueryAny(downstream(), iid, object);
    if (!IsPinCategory(category)) {
        if (Succeeded(QueryFilterAndPins(filter, iid, object)))
            return S_OK;
        if (Succeeded(QueryAny(upstream(), iid, object)))
            return S_OK;
        return QueryAny(downstream(), iid, object);
    }

    // The pin of the category speaks for the stream: its own interfaces come before the
    // filter's, and only what lies behind that pin is searched downstream.
    ComPtr<IPin> pin;
    if (Failed(FindPin(filter, PINDIR_OUTPUT, category, type, false, 0, &pin)))
        return E_FAIL;
    if (Succeeded(pin->QueryInterface(iid, object)) || Succeeded(filter->QueryInterface(iid, object)))
        return S_OK;
    if (Succeeded(QueryAny(FiltersBeyond({pin}, PINDIR_OUTPUT, self), iid, object)))
        return S_OK;
    return QueryAny(upstream(), iid, object);
}

HRESULT CaptureGraphBuilder::ConnectToFilter(IPin* output, IBaseFilter* filter)
{
    HRESULT result = VFW_E_CANNOT_CONNECT;
    for (const auto& input : PinsWithDirection(filter, PINDIR_INPUT)) {
        if (IsConnected(input.Get()))
            continue;
        result = m_graph->Connect(output, input.Get());
        if (Succeeded(result))
            return result;
    }
    return result;
}

HRESULT CaptureGraphBuilder::RenderStream(const GUID* category, const GUID* type, IUnknown* source,
                                          IBaseFilter* intermediate, IBaseFilter* sink)
{
    if (!source || !sink)
        return E_POINTER;
    ComPtr<IGraphBuilder> graph;
    (void)GetFiltergraph(&graph);

    std::vector<ComPtr<IPin>> outputs;
    if (const auto asPin = QueryAs<IPin>(source)) {
        if (DirectionOf(asPin.Get()) != PINDIR_OUTPUT)
            return VFW_E_INVALID_DIRECTION;
        if (IsConnected(asPin.Get()))
            return VFW_E_ALREADY_CONNECTED;
        if (!PinMatches(asPin.Get(), PINDIR_OUTPUT, category, type, true))
            return E_FAIL;
        outputs.push_back(asPin);
    } else {
        ComPtr<IPin> pin;
        for (int i = 0; Succeeded(FindPin(source, PINDIR_OUTPUT, category, type, true, i, &pin)); ++i)
            outputs.push_back(pin);
    }
    if (outputs.empty())
        return E_FAIL;

    // The first output that reaches the next filter carries the stream; the rest stay free.
    IBaseFilter* first = intermediate ? intermediate : sink;
    HRESULT result = VFW_E_CANNOT_CONNECT;
    for (const auto& output : outputs) {
        result = ConnectToFilter(output.Get(), first);
        if (Succeeded(result))
            break;
    }
    if (Failed(result) || !intermediate)
        return result;

    HRESULT last = VFW_E_CANNOT_CONNECT;
    ComPtr<IPin> pin;
    for (int i = 0; Succeeded(FindPin(intermediate, PINDIR_OUTPUT, nullptr, nullptr, true, i, &pin)); ++i) {
        last = ConnectToFilter(pin.Get(), sink);
        if (Succeeded(last))
            return last;
    }
    return last;
}

HRESULT CaptureGraphBuilder::AddFromCatalogue(const GUID& clsid, const QString& name,
                                              ComPtr<IBaseFilter>* filter)
{
    const auto registration = Catalogue().Find(clsid);
    if (!registration || !registration->create)
        return REGDB_E_CLASSNOTREG;
    *filter = registration->create();
    if (!*filter)
        return E_OUTOFMEMORY;
    ComPtr<IGraphBuilder> graph;
    (void)GetFiltergraph(&graph);
    const HRESULT hr = graph->AddFilter(filter->Get(), name.isEmpty() ? registration->name : name);
    if (Failed(hr))
        filter->Reset();
    return hr;
}

HRESULT CaptureGraphBuilder::SetOutputFileName(const GUID& type, const QString& fileName,
                                               ComPtr<IBaseFilter>* mux, ComPtr<IFileSinkFilter>* sink)
{
    if (IsNullGuid(type) || fileName.isEmpty())
        return E_INVALIDARG;
    ComPtr<IGraphBuilder> graph;
    (void)GetFiltergraph(&graph);

    // What was added leaves again on failure: the caller gets no multiplexer back to remove.
    std::vector<ComPtr<IBaseFilter>> added;
    const auto fail = [&](HRESULT hr) {
        for (const auto& filter : added)
            (void)graph->RemoveFilter(filter.Get());
        return hr;
    };
    const auto setFile = [&](IBaseFilter* filter, ComPtr<IFileSinkFilter>* fileSink) {
        *fileSink = QueryAs<IFileSinkFilter>(filter);
        if (!*fileSink)
            return E_NOINTERFACE;
        return (*fileSink)->SetFileName(fileName, nullptr);
    };

    ComPtr<IBaseFilter> multiplexer;
    ComPtr<IFileSinkFilter> fileSink;
    if (type == MEDIASUBTYPE_Asf) {
        HRESULT hr = AddFromCatalogue(CLSID_WMAsfWriter, {}, &multiplexer);
        if (Failed(hr))
            return hr;
        added.push_back(multiplexer);
        if (hr = setFile(multiplexer.Get(), &fileSink); Failed(hr))
            return fail(hr);
    } else {
        // Any other subtype names the multiplexer's class; the file writer follows it.
        const GUID muxClass = type == MEDIASUBTYPE_Avi ? CLSID_AviDest : type;
        HRESULT hr = AddFromCatalogue(muxClass, {}, &multiplexer);
        if (Failed(hr))
            return hr;
        added.push_back(multiplexer);
        ComPtr<IBaseFilter> writer;
        if (hr = AddFromCatalogue(CLSID_FileWriter, {}, &writer); Failed(hr))
            return fail(hr);
        added.push_back(writer);
        if (hr = setFile(writer.Get(), &fileSink); Failed(hr))
            return fail(hr);
        ComPtr<IPin> muxOutput;
        if (Failed(FindPin(multiplexer.Get(), PINDIR_OUTPUT, nullptr, nullptr, true, 0, &muxOutput)))
            return fail(VFW_E_NOT_FOUND);
        if (hr = ConnectToFilter(muxOutput.Get(), writer.Get()); Failed(hr))
            return fail(hr);
    }
    if (mux)
        *mux = multiplexer;
    if (sink)
        *sink = fileSink;
    return S_OK;
}

} // namespace camtrove::media
