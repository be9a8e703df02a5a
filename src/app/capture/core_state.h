#pragma once
// The application-wide state the capture control keeps: the capture state, the running capture's
// file and start, the dropped-frame counters of its video source and the effective picture
// switches the status texts show. The next names live in OutputNaming, the active sources in the
// graph module and the source lists in the Sources panel model. UI thread only.

#include "app/capture/capture_state.h"
#include "common/datetime.h"
#include "media/core/device_interfaces.h"
#include "media/core/unknown.h"

#include <QString>

#include <cstdint>

namespace camtrove::app {

struct TCoreState
{
    TCaptureState CaptureState = csNotReady;
    QString CaptureFile; // the file given to the capture chain when the capture started
    TDateTime CaptureStart = 0;
    bool InlayActive = false;
    bool VertFlipActive = false;
    bool HorzFlipActive = false;
    bool ImageByImage = false;
    std::int32_t ImageByImageFrames = 0;
    bool SceneFileOpen = false;
    QString SceneFile; // the open scene file's path while SceneFileOpen
    // The video capture filter's counts, taken at capture start; null when it has none.
    media::ComPtr<media::IAMDroppedFrames> DroppedFramesSource;
};

} // namespace camtrove::app
