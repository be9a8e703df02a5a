#pragma once
// Small lookups over filters and pins that the devices and the preview share: pin k of a filter
// as the framework enumerates it, the first free pin of a direction, what a pin is connected to.

#include "media/core/graph_interfaces.h"
#include "media/core/media_type.h"

#include <optional>

namespace camtrove::graph {

// The graph a filter is in, or null.
[[nodiscard]] media::ComPtr<media::IFilterGraph> GraphOf(media::IBaseFilter* filter);
// Pin index of the filter's enumeration, or null.
[[nodiscard]] media::ComPtr<media::IPin> PinAt(media::IBaseFilter* filter, int index);
// The first unconnected pin of the direction, of the major type when one is given.
[[nodiscard]] media::ComPtr<media::IPin> FreePin(media::IBaseFilter* filter, media::PIN_DIRECTION direction,
                                                 const media::GUID* majorType = nullptr);
// The first connected pin of the direction, or null.
[[nodiscard]] media::ComPtr<media::IPin> FirstConnectedPin(media::IBaseFilter* filter,
                                                           media::PIN_DIRECTION direction);
[[nodiscard]] media::ComPtr<media::IPin> PeerOf(media::IPin* pin);
// The filter on the other side of the pin's connection, or null.
[[nodiscard]] media::ComPtr<media::IBaseFilter> PeerFilterOf(media::IPin* pin);
[[nodiscard]] std::optional<media::AM_MEDIA_TYPE> ConnectionTypeOf(media::IPin* pin);
[[nodiscard]] bool InGraph(media::IFilterGraph* graph, media::IBaseFilter* filter);

} // namespace camtrove::graph
