#include "app/capture/tdm_capture_chains.h"

#include "graph/capture_formats.h"
#include "graph/sources.h"
#include "graph/tdm.h"

namespace camtrove::app {

using graph::CaptureFormat;
using graph::CodeOf;

namespace {

graph::TCaptureDevice* VideoDevice(const graph::Tdm& dm)
{
    return dm.ActiveVideoSource ? dm.ActiveVideoSource->Device : nullptr;
}

} // namespace

bool TdmCaptureChains::BuildCaptureChain(std::uint8_t code, const QString& fileName,
                                         std::function<void()> onImageByImageStop)
{
    (void)onImageByImageStop;
    if (code == CodeOf(CaptureFormat::None) || code == CodeOf(CaptureFormat::Default))
        return true;
    if (code == CodeOf(CaptureFormat::DvType1Native)) {
        auto* device = VideoDevice(m_dm);
        return device && device->BuildMuxGraph(fileName);
    }
    // The other chains are not in the graph module yet: never report a capture that writes nothing.
    return false;
}

bool TdmCaptureChains::TeardownCapture()
{
    if (auto* device = VideoDevice(m_dm))
        (void)device->KillMuxGraph();
    return true;
}

bool TdmCaptureChains::GiveWriterNewFile(std::uint8_t code, const QString& fileName)
{
    if (code == CodeOf(CaptureFormat::None) || code == CodeOf(CaptureFormat::Default))
        return true;
    if (code == CodeOf(CaptureFormat::DvType1Native)) {
        // The device's file branch is built again for the new name.
        auto* device = VideoDevice(m_dm);
        return device && device->KillMuxGraph() && device->BuildMuxGraph(fileName);
    }
    return false;
}

} // namespace camtrove::app
