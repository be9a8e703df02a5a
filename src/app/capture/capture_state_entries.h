#pragma once
// What source selection asks of the capture control: the state it is in, the state entries it
// calls after changing sources, and the next file's extension when the format changes. The
// capture control implements it; UI thread only.

#include "app/capture/capture_state.h"

#include <QString>

namespace camtrove::app {

class CaptureStateEntries
{
public:
    virtual ~CaptureStateEntries() = default;

    [[nodiscard]] virtual TCaptureState CaptureState() const = 0;
    // Ends a running capture; false when a source was lost on the way.
    virtual bool StopCapture() = 0;
    virtual void EnterIdleState() = 0;
    virtual void RefreshStatusTexts() = 0;
    virtual void EnableStatusTimer() = 0;
    // Gives the next video file the extension of the chosen format (".avi", ".wav" ...).
    virtual void ChangeNextVideoFileExtension(const QString& extension) = 0;
};

} // namespace camtrove::app
