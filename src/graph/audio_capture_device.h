#pragma once
// A sound card: its source filter and a tee per stream.

#include "graph/capture_device.h"
#include "graph/device_modules.h"

namespace camtrove::graph {

class TAudioCaptureDevice final : public TCaptureDevice
{
public:
    TAudioCaptureDevice(Tdm& dm, media::IMoniker* moniker, std::int32_t instance, const QString& name);

    bool SetVideoGraph(int stream) override;
    media::ComPtr<media::IPin> SetAudioGraph(int stream) override;
    bool KillVideoGraph() override;
    bool KillAudioGraph() override;
    TFilterComponent* SetSourceGraph() override;
    bool KillSourceGraph() override;
    bool BuildMuxGraph(const QString& fileName) override;
    bool KillMuxGraph() override;

    TFilterComponent& SourceFilter() override { return m_module.aud_source; }

private:
    TdmAudio m_module;
};

} // namespace camtrove::graph
