#pragma once
// TCrossbar, the video crossbar router: every route from a capture filter's analog video input
// back through the crossbars in front of it to a video connector, named by the connector's
// physical type, and the selection of one route. Control thread only.

#include "media/core/device_interfaces.h"

#include <QString>

#include <vector>

namespace camtrove::graph {

// One crossbar on a route.
struct TCrRouting
{
    std::int32_t VideoInput = 0;
    std::int32_t VideoOutput = 0;
    std::int32_t AudioInput = -1;  // the input's related pin, -1 for none
    std::int32_t AudioOutput = -1; // the output's related pin
    media::ComPtr<media::IAMCrossbar> Crossbar;
    std::int32_t InputPhysicalType = 0;
    std::int32_t OutputPhysicalType = 0;
    std::int32_t Depth = 0; // 0 for the crossbar next to the capture filter
};

// One route; element 0 is the crossbar nearest the connector.
using TRouteArray = std::vector<TCrRouting>;

[[nodiscard]] QString PinTypeName(std::int32_t physicalType);

class TCrossbar
{
public:
    // Collects the routes that reach startPin, the capture filter's analog video input.
    explicit TCrossbar(media::IPin* startPin);

    [[nodiscard]] std::int32_t InputCount() const { return static_cast<std::int32_t>(m_routes.size()); }
    // The connector's physical type of route index, or -1 out of range.
    [[nodiscard]] std::int32_t InputType(std::int32_t index) const;
    [[nodiscard]] QString InputName(std::int32_t index) const;
    // Routes every crossbar of route index, the one nearest the connector first.
    [[nodiscard]] media::HRESULT SelectInput(std::int32_t index);
    [[nodiscard]] std::int32_t CurrentInput() const { return m_current; }
    [[nodiscard]] const std::vector<TRouteArray>& Routes() const { return m_routes; }

private:
    enum class Walk
    {
        Failed,
        EndOfChain,
        Done
    };
    // path: the crossbars from the capture filter to here, nearest the capture filter first.
    Walk CollectRoutes(media::IPin* inputPin, std::vector<TCrRouting>& path, std::int32_t depth);

    std::vector<TRouteArray> m_routes;
    std::int32_t m_current = -1;
};

} // namespace camtrove::graph
