#pragma once
// The device interfaces gathered when a source is activated, for the settings menus, the
// picture controls and the dropped-frame counts. Empty where the device does not give one.

#include "graph/crossbar.h"
#include "media/core/device_interfaces.h"

#include <memory>

namespace camtrove::graph {

struct TVideoInterfaces
{
    media::ComPtr<media::IBaseFilter> Filter;
    media::ComPtr<media::IAMVideoCompression> VideoCompression;
    media::ComPtr<media::IAMStreamConfig> CaptureStreamConfig;
    media::ComPtr<media::IAMStreamConfig> PreviewStreamConfig;
    media::ComPtr<media::IAMTVTuner> TVTuner;
    media::ComPtr<media::IAMVfwCaptureDialogs> CaptureDialogs;
    media::ComPtr<media::IAMVideoProcAmp> VideoProcAmp;
    media::ComPtr<media::IAMCameraControl> CameraControl;
    media::ComPtr<media::IAMCrossbar> Crossbar;
    media::ComPtr<media::IAMCrossbar> SecondCrossbar;
    // The routes from the analog video input to the connectors.
    std::unique_ptr<TCrossbar> CrossbarRouter;
    std::int32_t CrossbarInputCount = 0;
};

struct TAudioInterfaces
{
    media::ComPtr<media::IBaseFilter> Filter;
    media::ComPtr<media::IAMStreamConfig> CaptureStreamConfig;
    media::ComPtr<media::IAMTVAudio> TVAudio;
};

} // namespace camtrove::graph
