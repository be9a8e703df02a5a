#pragma once
// The capture state machine of the main window without its widgets: the capture toggle by state,
// the start and the end of a capture with their questions, the cut into the next file, the scene
// file of a DV capture, the registration of every finished file, the four state entries, the
// status bar's texts and its 300 ms timer, the listening volume and the two freeze toggles. What
// the window shows is kept in View(); the clock is injected so the texts that depend on it can be
// checked. UI thread only.

#include "app/capture/capture_chains.h"
#include "app/capture/capture_state_entries.h"
#include "app/capture/capture_view.h"
#include "app/capture/core_state.h"
#include "app/capture/output_naming.h"
#include "app/capture/scheduled_capture.h"

#include <QString>

#include <cstdint>
#include <functional>

namespace camtrove::graph {
class Tdm;
}
namespace camtrove::platform {
class Prompter;
}
namespace camtrove::settings {
class PreferenceCatalogue;
}

namespace camtrove::app {

class CapturedFilesList;
class SourcesPanelModel;

class CaptureControl final : public CaptureStateEntries, public ScheduleHost
{
public:
    // The name stamp of the run is the clock's time now.
    CaptureControl(graph::Tdm& dm, settings::PreferenceCatalogue& prefs, CaptureChains& chains,
                   CapturedFilesList& files, platform::Prompter& prompter, std::function<TDateTime()> clock);

    // The Sources panel reads this object's state, so it is made after it and given here.
    void SetSources(SourcesPanelModel* sources) { m_sources = sources; }
    void SetSchedule(ScheduledCapture* schedule) { m_schedule = schedule; }
    // The end of an image-by-image capture (the control filter's stop), passed to its chain.
    void SetImageByImageStop(std::function<void()> onStop) { m_imageByImageStop = std::move(onStop); }
    // The state of the settings box "Notify the changes in capture sources", which "Notifier"
    // takes back when a capture ends.
    void SetNotifyBoxChecked(bool checked) { m_notifyBoxChecked = checked; }

    // saCapturerBascule. False when the command ends up off (nothing started, or a stop).
    void CaptureToggle();
    [[nodiscard]] bool CaptureCommandChecked() const { return m_captureCommandChecked; }
    bool StartCapture() override;
    bool StopCapture() override;
    void CloseCurrentFile();
    // acCouper: the running capture goes on into the next file.
    // False when the capture could not go on (it is then stopped).
    bool Cut();

    void EnterIdleState() override;
    void EnterCaptureState() override;
    void EnterScheduledState() override;
    void EnterScheduledCaptureState() override;
    void RefreshStatusTexts() override;
    void EnableStatusTimer() override { m_view.StatusTimerEnabled = true; }
    // The status timer, every 300 ms.
    void DroppedFramesTimer();
    void ApplyListeningVolume();

    // taFreezepreview and taFreezeCapture.
    void SetFreezePreview(bool frozen);
    void SetFreezeCapture(bool frozen);

    // CaptureStateEntries and ScheduleHost.
    [[nodiscard]] TCaptureState CaptureState() const override { return m_core.CaptureState; }
    void SetCaptureState(TCaptureState state) override { m_core.CaptureState = state; }
    void ChangeNextVideoFileExtension(const QString& extension) override;
    [[nodiscard]] QString NextVideoFile() const override { return m_naming.NextVideoFile(); }
    void SetCaptureFile(const QString& path) override { m_core.CaptureFile = path; }
    [[nodiscard]] bool ConfirmVideo() const override;
    void ShowStatusPanel1(const QString& text) override;
    void ShowStatusPanel3(const QString& text) override;

    [[nodiscard]] TCoreState& Core() { return m_core; }
    [[nodiscard]] const TCoreState& Core() const { return m_core; }
    [[nodiscard]] const TCaptureView& View() const { return m_view; }
    [[nodiscard]] OutputNaming& Naming() { return m_naming; }
    [[nodiscard]] const OutputNaming& Naming() const { return m_naming; }

    // Panel 1's text while capturing: "Vid: DV  - Aud: DV =>native".
    [[nodiscard]] QString CaptureSummary() const;
    // "duration h:mm :ss" of a capture that has run for elapsed days.
    [[nodiscard]] static QString DurationText(TDateTime elapsed);
    [[nodiscard]] static QString ReplaceQuestion(const QString& file);
    [[nodiscard]] static QString CreateFolderQuestion(const QString& folder);
    [[nodiscard]] static QString LostFramesQuestion(std::int32_t lost, const QString& sceneFile);
    [[nodiscard]] static QString SceneFileOf(const QString& videoFile);

private:
    [[nodiscard]] std::uint8_t FormatCode() const;
    [[nodiscard]] bool VideoActive() const;
    [[nodiscard]] bool AudioActive() const;
    [[nodiscard]] bool SoundOnlyFormat() const;
    [[nodiscard]] bool SceneFileWanted() const;
    // Opens the scene file of videoFile and routes the detector's scenes to it.
    void OpenSceneFile(const QString& videoFile);
    void CloseSceneFile();
    // Moves an existing file to the trash; false when it is still in the way.
    [[nodiscard]] bool SendToTrash(const QString& file);
    [[nodiscard]] bool SourcesStillAttached() const;
    void TakeDroppedFramesSource();
    // Flags " mute", " in", " 16x9"/" 4x3", " v" and the flip mark, after a leading word.
    void ShowPreviewFlags(const QString& word);
    void DisableSourceGroups(bool disable);
    void SetCaptureCommandForCapture();
    void SetCaptureCommandIdle(int image);

    graph::Tdm& m_dm;
    settings::PreferenceCatalogue& m_prefs;
    CaptureChains& m_chains;
    CapturedFilesList& m_files;
    platform::Prompter& m_prompter;
    std::function<TDateTime()> m_clock;
    SourcesPanelModel* m_sources = nullptr;
    ScheduledCapture* m_schedule = nullptr;
    std::function<void()> m_imageByImageStop;
    OutputNaming m_naming;
    TCoreState m_core;
    TCaptureView m_view;
    bool m_captureCommandChecked = false;
    bool m_fileOpen = false; // a running capture is writing a file not yet registered
    bool m_notifyBoxChecked;
};

} // namespace camtrove::app
