#pragma once
// A DV camcorder: its source filter, the scene detection filter right behind it, a tee whose
// spare output feeds the DV type 1 capture, the DV Splitter, and per stream a tee and (for the
// picture) the DV Video Decoder.

#include "graph/capture_device.h"
#include "graph/device_modules.h"
#include "media/core/device_interfaces.h"

namespace camtrove::graph {

class TDVCaptureDevice final : public TCaptureDevice
{
public:
    // Probes the streams through the DV Splitter on a private graph.
    TDVCaptureDevice(Tdm& dm, media::IMoniker* moniker, std::int32_t instance, const QString& name);

    bool SetVideoGraph(int stream) override;
    media::ComPtr<media::IPin> SetAudioGraph(int stream) override;
    bool KillVideoGraph() override;
    bool KillAudioGraph() override;
    TFilterComponent* SetSourceGraph() override;
    bool KillSourceGraph() override;
    bool BuildMuxGraph(const QString& fileName) override;
    bool KillMuxGraph() override;

    TFilterComponent& SourceFilter() override { return m_module.dv_source; }
    filters::Tct_SceneDetect* SceneDetect() const override { return m_module.SceneDetect.Get(); }
    [[nodiscard]] TdmDV& Module() { return m_module; }

private:
    void Probe();
    // Removes filter and the filters feeding it, upstream ones first, down to the source.
    void RemoveUpstream(media::IBaseFilter* filter);

    TdmDV m_module;
    media::ComPtr<media::IBaseFilter> m_mux;
    media::ComPtr<media::IFileSinkFilter> m_sink;
};

} // namespace camtrove::graph
