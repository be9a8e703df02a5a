#pragma once
// A video device (webcam, capture or TV card): its source filter with a crossbar in front of its
// analog input when one fits, a tee per stream and, for the picture, the first decoder that turns
// the native stream into RGB24 pictures.

#include "graph/capture_device.h"
#include "graph/device_modules.h"

namespace camtrove::graph {

class TVideoCaptureDevice final : public TCaptureDevice
{
public:
    // Probes the capture pins' streams on a private graph.
    TVideoCaptureDevice(Tdm& dm, media::IMoniker* moniker, std::int32_t instance, const QString& name);

    bool SetVideoGraph(int stream) override;
    media::ComPtr<media::IPin> SetAudioGraph(int stream) override;
    bool KillVideoGraph() override;
    bool KillAudioGraph() override;
    TFilterComponent* SetSourceGraph() override;
    bool KillSourceGraph() override;
    // A video device has no DV type 1 chain: the user is told "Not Ready".
    bool BuildMuxGraph(const QString& fileName) override;
    bool KillMuxGraph() override;

    TFilterComponent& SourceFilter() override { return m_module.vid_source; }
    [[nodiscard]] TdmVideo& Module() { return m_module; }

private:
    void Probe();
    // Joins the grabber that stands for the preview while a decoder is chosen.
    [[nodiscard]] bool JoinGrabber();

    TdmVideo m_module;
};
} // namespace camtrove::graph
