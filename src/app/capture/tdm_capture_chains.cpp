#include "app/capture/tdm_capture_chains.h"

#include "app/panels/graph_preferences.h"
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
    m_dm.Preferences = GraphPreferencesOf(m_preferences);
    return m_dm.BuildCaptureChain(code, fileName, std::move(onImageByImageStop));
}

bool TdmCaptureChains::TeardownCapture()
{
    return m_dm.TeardownCapture();
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
    // The sound formats write through the plain file writer, the others through the multiplexer's sink.
    if (code == CodeOf(CaptureFormat::Wav) || code == CodeOf(CaptureFormat::Mp3)) {
        const auto sink = media::QueryAs<media::IFileSinkFilter>(m_dm.FileWriter.Filter());
        return sink && Succeeded(sink->SetFileName(fileName, nullptr));
    }
    return m_dm.CaptureSink && Succeeded(m_dm.CaptureSink->SetFileName(fileName, nullptr));
}

} // namespace camtrove::app
