#include "graph/crossbar.h"

#include "graph/graph_pins.h"
#include "media/core/filter_graph.h"

#include <algorithm>

namespace camtrove::graph {

using namespace media;

QString PinTypeName(std::int32_t physicalType)
{
    static const char* const video[] = {
        "Video Tuner",         "Video Composite",       "Video SVideo",  "Video RGB",  "Video YRYBY",
        "Video SerialDigital", "Video ParallelDigital", "Video SCSI",    "Video AUX",  "Video 1394",
        "Video USB",           "Video Decoder",         "Video Encoder", "Video Scart"};
    static const char* const audio[] = {"Audio Tuner",        "Audio Line",   "Audio Mic", "Audio AESDigital",
                                        "Audio SPDIFDigital", "Audio SCSI",   "Audio AUX", "Audio 1394",
                                        "Audio USB",          "Audio Decoder"};
    if (physicalType >= 1 && physicalType <= 14)
        return QString::fromLatin1(video[physicalType - 1]);
    if (physicalType >= 4096 && physicalType <= 4105)
        return QString::fromLatin1(audio[physicalType - 4096]);
    return QStringLiteral("Unknown");
}

TCrossbar::TCrossbar(IPin* startPin)
{
    std::vector<TCrRouting> path;
    (void)CollectRoutes(startPin, path, 0);
}

TCrossbar::Walk TCrossbar::CollectRoutes(IPin* inputPin, std::vector<TCrRouting>& path, std::int32_t depth)
{
    const auto endOrFail = depth > 0 ? Walk::EndOfChain : Walk::Failed;
    const auto output = PeerOf(inputPin);
    if (!output || DirectionOf(output.Get()) != PINDIR_OUTPUT)
        return endOrFail;
    const auto filter = FilterOf(output.Get());
    const auto crossbar = QueryAs<IAMCrossbar>(filter.Get());
    if (!crossbar)
        return endOrFail;

    std::int32_t outputs = 0;
    std::int32_t inputs = 0;
    if (Failed(crossbar->get_PinCounts(&outputs, &inputs)))
        return Walk::Failed;
    const auto pins = PinsOf(filter.Get());
    const auto position = std::find(pins.begin(), pins.end(), output);
    const std::int32_t out = static_cast<std::int32_t>(position - pins.begin()) - inputs;
    std::int32_t outRelated = -1;
    std::int32_t outType = 0;
    if (Failed(crossbar->get_CrossbarPinInfo(false, out, &outRelated, &outType)))
        return Walk::Failed;

    for (std::int32_t i = 0; i < inputs; ++i) {
        std::int32_t inRelated = -1;
        std::int32_t inType = 0;
        if (Failed(crossbar->get_CrossbarPinInfo(true, i, &inRelated, &inType)))
            continue;
        // Audio connectors are routed along with their video, never followed.
        if (inType >= 4096 || crossbar->CanRoute(out, i) != S_OK)
            continue;
        path.push_back({i, out, inRelated, outRelated, crossbar, inType, outType, depth});
        const auto inputPinOfCrossbar = PinAt(filter.Get(), i);
        if (CollectRoutes(inputPinOfCrossbar.Get(), path, depth + 1) == Walk::EndOfChain)
            m_routes.emplace_back(path.rbegin(), path.rend());
        path.pop_back();
    }
    return Walk::Done;
}

std::int32_t TCrossbar::InputType(std::int32_t index) const
{
    if (index < 0 || index >= InputCount())
        return -1;
    return m_routes[static_cast<std::size_t>(index)].front().InputPhysicalType;
}

QString TCrossbar::InputName(std::int32_t index) const
{
    return PinTypeName(InputType(index));
}

HRESULT TCrossbar::SelectInput(std::int32_t index)
{
    if (m_routes.empty() || index < 0 || index >= InputCount())
        return E_INVALIDARG;
    HRESULT result = S_OK;
    for (const auto& element : m_routes[static_cast<std::size_t>(index)]) {
        result = element.Crossbar->Route(element.VideoOutput, element.VideoInput);
        if (Succeeded(result) && element.AudioInput != -1 && element.AudioOutput != -1)
            result = element.Crossbar->Route(element.AudioOutput, element.AudioInput);
    }
    m_current = index;
    return result;
}

} // namespace camtrove::graph
