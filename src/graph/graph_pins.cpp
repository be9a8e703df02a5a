#include "graph/graph_pins.h"

#include "media/core/filter_graph.h"

namespace camtrove::graph {

using namespace media;

ComPtr<IFilterGraph> GraphOf(IBaseFilter* filter)
{
    FILTER_INFO info;
    if (!filter || Failed(filter->QueryFilterInfo(&info)))
        return nullptr;
    return info.pGraph;
}

ComPtr<IPin> PinAt(IBaseFilter* filter, int index)
{
    if (!filter || index < 0)
        return nullptr;
    const auto pins = PinsOf(filter);
    return index < static_cast<int>(pins.size()) ? pins[static_cast<std::size_t>(index)] : nullptr;
}

ComPtr<IPin> FreePin(IBaseFilter* filter, PIN_DIRECTION direction, const GUID* majorType)
{
    if (!filter)
        return nullptr;
    for (const auto& pin : PinsOf(filter)) {
        if (DirectionOf(pin.Get()) != direction || PeerOf(pin.Get()))
            continue;
        if (!majorType)
            return pin;
        for (const auto& type : MediaTypesOf(pin.Get()))
            if (type.majortype == *majorType)
                return pin;
    }
    return nullptr;
}

ComPtr<IPin> FirstConnectedPin(IBaseFilter* filter, PIN_DIRECTION direction)
{
    if (!filter)
        return nullptr;
    for (const auto& pin : PinsOf(filter))
        if (DirectionOf(pin.Get()) == direction && PeerOf(pin.Get()))
            return pin;
    return nullptr;
}

ComPtr<IPin> PeerOf(IPin* pin)
{
    ComPtr<IPin> peer;
    if (!pin || pin->ConnectedTo(&peer) != S_OK)
        return nullptr;
    return peer;
}

ComPtr<IBaseFilter> PeerFilterOf(IPin* pin)
{
    const auto peer = PeerOf(pin);
    return peer ? FilterOf(peer.Get()) : nullptr;
}

std::optional<AM_MEDIA_TYPE> ConnectionTypeOf(IPin* pin)
{
    AM_MEDIA_TYPE type;
    if (!pin || Failed(pin->ConnectionMediaType(&type)))
        return std::nullopt;
    return type;
}

bool InGraph(IFilterGraph* graph, IBaseFilter* filter)
{
    return graph && filter && GraphOf(filter).Get() == graph;
}

} // namespace camtrove::graph
