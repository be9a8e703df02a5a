#pragma once
// The capture control of a run that only previews (camtrove-cli): never captures, so stopping has
// nothing to do, and the state entries keep only what they would show.

#include "app/capture/capture_state_entries.h"

#include <QFileInfo>

namespace camtrove::app {

class PreviewOnlyCaptureControl final : public CaptureStateEntries
{
public:
    [[nodiscard]] TCaptureState CaptureState() const override { return m_state; }
    bool StopCapture() override { return true; }
    void EnterIdleState() override { m_state = csIdle; }
    void RefreshStatusTexts() override {}
    void EnableStatusTimer() override {}
    void ChangeNextVideoFileExtension(const QString& extension) override
    {
        const QFileInfo file(nextVideoFile);
        const QString base = file.completeBaseName().isEmpty() ? file.fileName() : file.completeBaseName();
        const QString folder = nextVideoFile.left(nextVideoFile.size() - file.fileName().size());
        nextVideoFile = folder + base + extension;
    }

    QString nextVideoFile;

private:
    TCaptureState m_state = csNotReady;
};

} // namespace camtrove::app
