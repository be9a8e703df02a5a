#include "app/capture/capture_control.h"

#include "app/panels/captured_files_list.h"
#include "app/panels/sources_panel_model.h"
#include "filters/ct_scene_detect.h"
#include "filters/ecrire_scnunit.h"
#include "graph/capture_formats.h"
#include "graph/graph_pins.h"
#include "graph/sources.h"
#include "graph/tdm.h"
#include "platform/prompter.h"
#include "platform/trash.h"
#include "settings/catalogue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <cmath>
#include <exception>

namespace camtrove::app {

using graph::CaptureFormat;
using graph::CodeOf;
using platform::PromptAnswer;
using platform::PromptButtons;

namespace {

const QString kIdleCaptureHint = QStringLiteral(
    "Capture the current streams on the hard disk.\r\nYou may also start capture with the space bar.");
const QString kStopCaptureHint =
    QStringLiteral("Stop the capture.\r\nYou may also stop the capture with the space bar.");

QString FirstThree(const QString& name)
{
    return name.left(3);
}

} // namespace

CaptureControl::CaptureControl(graph::Tdm& dm, settings::PreferenceCatalogue& prefs, CaptureChains& chains,
                               CapturedFilesList& files, platform::Prompter& prompter,
                               std::function<TDateTime()> clock)
    : m_dm(dm), m_prefs(prefs), m_chains(chains), m_files(files), m_prompter(prompter),
      m_clock(std::move(clock)), m_naming(prefs, m_clock()), m_notifyBoxChecked(prefs.Notifier->value)
{
    m_naming.ChangeVideoExtension(graph::CaptureFormatExtension(FormatCode()));
}

bool CaptureControl::ConfirmVideo() const
{
    return m_prefs.ConfirmerVideo->value;
}

std::uint8_t CaptureControl::FormatCode() const
{
    return m_prefs.CaptureFormat->value;
}

bool CaptureControl::VideoActive() const
{
    return m_dm.ActiveVideoSource != nullptr;
}

bool CaptureControl::AudioActive() const
{
    return m_dm.ActiveAudioSource != nullptr;
}

bool CaptureControl::SoundOnlyFormat() const
{
    const std::uint8_t code = FormatCode();
    return code == CodeOf(CaptureFormat::Wav) || code == CodeOf(CaptureFormat::Mp3);
}

bool CaptureControl::SceneFileWanted() const
{
    return VideoActive() && m_dm.ActiveVideoSource->SceneDetect && !SoundOnlyFormat() && m_prefs.Scn->value;
}

QString CaptureControl::SceneFileOf(const QString& videoFile)
{
    const QFileInfo file(videoFile);
    const QString name = file.fileName();
    const auto dot = name.lastIndexOf(QLatin1Char('.'));
    const QString base = dot < 0 ? name : name.left(dot);
    return videoFile.left(videoFile.size() - name.size()) + base + QStringLiteral(".scn");
}

QString CaptureControl::ReplaceQuestion(const QString& file)
{
    return QStringLiteral("The file ") + file + QStringLiteral(" exists already. Do you want to crush it?") +
           QStringLiteral("\r\n") +
           QStringLiteral("If you click on \"All\", then you will no more be prompted for confirmation");
}

QString CaptureControl::CreateFolderQuestion(const QString& folder)
{
    return folder + QStringLiteral(" does not exist.") + QStringLiteral("\r\n") +
           QStringLiteral("Do you want to create it?");
}

QString CaptureControl::LostFramesQuestion(std::int32_t lost, const QString& sceneFile)
{
    return QStringLiteral("%1 frames have been lost during capture.\r\nThe .scn file created in real time is "
                          "probably not correct.\r\nIt is recommended to delete it and recreate one with "
                          "Reeltrak\r\n\r\nDo you want to delete the file %2?")
        .arg(lost)
        .arg(sceneFile);
}

QString CaptureControl::DurationText(TDateTime elapsed)
{
    // Whole milliseconds first, so that 3723 s stored as 3722.9999... still reads :03.
    const auto milliseconds = std::max<std::int64_t>(0, std::llround(elapsed * 86400000.0));
    const std::int64_t seconds = milliseconds / 1000;
    return QString::asprintf("duration %d:%.2d :%.2d", static_cast<int>(seconds / 3600 % 24),
                             static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
}

// --- the capture toggle -----------------------------------------------------------------------

void CaptureControl::CaptureToggle()
{
    switch (m_core.CaptureState) {
    case csIdle:
        m_captureCommandChecked = StartCapture();
        if (m_captureCommandChecked)
            EnterCaptureState();
        break;
    case csCapturing:
    case csScheduledCapturing: {
        const bool scheduled = m_core.CaptureState == csScheduledCapturing;
        if (StopCapture()) {
            EnterIdleState();
            if (scheduled && m_schedule)
                m_schedule->DisarmSchedule();
        } else {
            CloseCurrentFile();
            if (m_schedule)
                m_schedule->DisarmSchedule();
            if (m_sources)
                m_sources->VideoControlsOff();
        }
        m_captureCommandChecked = false;
        break;
    }
    case csScheduled:
        m_captureCommandChecked = StartCapture();
        if (m_captureCommandChecked) {
            EnterScheduledCaptureState();
            if (m_schedule)
                (void)m_schedule->ArmScheduleEnd();
        } else {
            EnterIdleState();
            if (m_schedule)
                m_schedule->DisarmSchedule();
        }
        break;
    case csNotReady:
        break;
    }
}

bool CaptureControl::SendToTrash(const QString& file)
{
    if (!QFileInfo::exists(file))
        return true;
    if (platform::MoveToTrash(file))
        return true;
    // Writing over it would lose the old file for good.
    m_prompter.Inform(QStringLiteral("The file ") + file + QStringLiteral(" cannot be moved to the trash."));
    return false;
}

bool CaptureControl::StartCapture()
{
    try {
        const QString next = m_naming.NextVideoFile();
        if (m_core.CaptureState == csIdle) {
            const QString folder = QFileInfo(next).absolutePath();
            if (ConfirmVideo() && QFileInfo::exists(next)) {
                switch (m_prompter.Ask(ReplaceQuestion(next), PromptButtons::YesNoAll)) {
                case PromptAnswer::No:
                    return false;
                case PromptAnswer::All:
                    m_prefs.ConfirmerVideo->value = false;
                    break;
                case PromptAnswer::Yes:
                    break;
                }
            }
            if (ConfirmVideo() && !QFileInfo::exists(folder) &&
                m_prompter.Ask(CreateFolderQuestion(folder), PromptButtons::YesNo) != PromptAnswer::Yes)
                return false;
            if (!QDir().mkpath(folder))
                return false;
        }
        if (!SendToTrash(next))
            return false;

        m_core.CaptureFile = next;
        CloseCurrentFile();

        const std::uint8_t code = FormatCode();
        if (!m_chains.BuildCaptureChain(code, m_core.CaptureFile, m_imageByImageStop)) {
            // Nothing starts: the preview goes on as it was.
            (void)m_chains.TeardownCapture();
            (void)m_dm.RunGraph();
            return false;
        }
        if (code == CodeOf(CaptureFormat::ImageByImage)) {
            m_core.ImageByImage = true;
            m_core.ImageByImageFrames = 0;
        }
        if (SceneFileWanted())
            OpenSceneFile(m_core.CaptureFile);
        TakeDroppedFramesSource();
        ApplyListeningVolume();
        m_core.CaptureStart = m_clock();
        if (m_sources)
            m_sources->RouteDeviceLost(true);
        m_prefs.Notifier->value = false;

        if (!m_dm.RunGraph()) {
            // A capture that does not run is no capture: take it down and say so.
            m_dm.StopGraph();
            CloseSceneFile();
            (void)m_chains.TeardownCapture();
            m_core.ImageByImage = false;
            m_core.DroppedFramesSource.Reset();
            m_prefs.Notifier->value = m_notifyBoxChecked;
            if (m_sources)
                m_sources->RouteDeviceLost(false);
            (void)m_dm.RunGraph();
            return false;
        }
        m_fileOpen = true;
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool CaptureControl::SourcesStillAttached() const
{
    auto* graph = m_dm.Graph();
    const auto attached = [graph](const graph::TavFlux* source) {
        if (!source)
            return true;
        auto* filter = source->Device->SourceFilter().Filter();
        return filter && graph::InGraph(graph, filter);
    };
    return attached(m_dm.ActiveVideoSource) && attached(m_dm.ActiveAudioSource);
}

bool CaptureControl::StopCapture()
{
    try {
        CloseCurrentFile();
        (void)m_chains.TeardownCapture();
        const bool attached = SourcesStillAttached();
        m_core.ImageByImage = false;
        m_naming.SetImageByImageRunning(false);
        m_core.DroppedFramesSource.Reset();
        if (!attached)
            return false;
        ApplyListeningVolume();
        m_prefs.Notifier->value = m_notifyBoxChecked;
        if (m_sources)
            m_sources->RouteDeviceLost(false);
        (void)m_dm.RunGraph();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void CaptureControl::CloseCurrentFile()
{
    media::FILTER_STATE state = media::State_Stopped;
    if (Failed(m_dm.Graph()->GetState(0, &state)) || state != media::State_Stopped)
        m_dm.StopGraph();
    // Only a file that a running capture wrote is registered, once.
    if (!IsCapturing(m_core.CaptureState) || !m_fileOpen)
        return;
    m_fileOpen = false;

    std::int32_t dropped = -1;
    std::int32_t delivered = -1;
    if (const auto& counters = m_core.DroppedFramesSource) {
        if (Failed(counters->GetNumDropped(&dropped)))
            dropped = -1;
        if (Failed(counters->GetNumNotDropped(&delivered)))
            delivered = -1;
    }
    CaptureRecord record;
    record.droppedFrames = dropped;
    record.capturedFrames = delivered;
    if (m_sources) {
        record.videoSource = m_sources->VideoList.Text;
        record.audioSource = m_sources->AudioList.Text;
        record.audioEntry = m_sources->EntryList.Text;
        record.captureFormat = m_sources->FormatList.Text;
    }
    m_files.Register(m_naming.NextVideoFile(), record);
    m_naming.AdvanceVideoFile();

    if (m_core.SceneFileOpen) {
        const QString sceneFile = m_core.SceneFile;
        CloseSceneFile();
        if (dropped > 0 &&
            m_prompter.Ask(LostFramesQuestion(dropped, sceneFile), PromptButtons::YesNo) == PromptAnswer::Yes)
            (void)platform::MoveToTrash(sceneFile);
    }
}

void CaptureControl::OpenSceneFile(const QString& videoFile)
{
    const QString sceneFile = SceneFileOf(videoFile);
    // A scene file that cannot be created leaves the capture running without one.
    if (!filters::ScnOpen(sceneFile))
        return;
    m_dm.ActiveVideoSource->SceneDetect->SetSceneCallback(&filters::ScnAddScene);
    m_core.SceneFileOpen = true;
    m_core.SceneFile = sceneFile;
}

void CaptureControl::CloseSceneFile()
{
    if (!m_core.SceneFileOpen)
        return;
    filters::ScnClose();
    if (m_dm.ActiveVideoSource && m_dm.ActiveVideoSource->SceneDetect)
        m_dm.ActiveVideoSource->SceneDetect->SetSceneCallback(nullptr);
    m_core.SceneFileOpen = false;
    m_core.SceneFile.clear();
}

void CaptureControl::TakeDroppedFramesSource()
{
    m_core.DroppedFramesSource.Reset();
    if (!VideoActive())
        return;
    auto* filter = m_dm.ActiveVideoSource->Device->SourceFilter().Filter();
    if (!filter)
        return;
    void* counters = nullptr;
    if (Succeeded(m_dm.Builder()->FindInterface(nullptr, nullptr, filter, media::IID_IAMDroppedFrames,
                                                &counters)) &&
        counters)
        m_core.DroppedFramesSource =
            media::ComPtr<media::IAMDroppedFrames>::Adopt(static_cast<media::IAMDroppedFrames*>(counters));
}

bool CaptureControl::Cut()
{
    if (!IsCapturing(m_core.CaptureState))
        return false;
    CloseCurrentFile();
    const QString next = m_naming.NextVideoFile();
    // A file of the new name (an earlier run's, without the date in the names) is kept in the
    // trash rather than written over.
    if (!SendToTrash(next) || !m_chains.GiveWriterNewFile(FormatCode(), next)) {
        if (StopCapture())
            EnterIdleState();
        m_captureCommandChecked = false;
        return false;
    }
    if (SceneFileWanted())
        OpenSceneFile(next);
    if (!m_dm.RunGraph())
        return false;
    m_fileOpen = true;
    m_core.ImageByImageFrames = 0;
    ApplyListeningVolume();
    return true;
}

// --- state entries ----------------------------------------------------------------------------

void CaptureControl::DisableSourceGroups(bool disable)
{
    m_view.VideoSourceGroupEnabled = !disable;
    m_view.AudioSourceGroupEnabled = !disable;
    m_view.FormatGroupEnabled = !disable;
    m_view.RefreshButtonEnabled = !disable;
}

void CaptureControl::SetCaptureCommandForCapture()
{
    m_view.CaptureCommand.Caption = QStringLiteral("Stop Capture");
    m_view.CaptureCommand.Hint = kStopCaptureHint;
    m_view.CaptureCommand.ImageIndex = kImageStopCapture;
    m_view.CaptureCommand.Enabled = true;
    m_view.CaptureButtonGlyph = kImageStopCapture;
}

void CaptureControl::SetCaptureCommandIdle(int image)
{
    m_view.CaptureCommand.Caption = QStringLiteral("Capture");
    m_view.CaptureCommand.Hint = kIdleCaptureHint;
    m_view.CaptureCommand.ImageIndex = image;
    m_view.CaptureButtonGlyph = image;
}

void CaptureControl::EnterCaptureState()
{
    m_core.CaptureState = csCapturing;
    m_view.FrameColor = clRed;
    m_view.BackdropFrameColor = clRed;
    m_view.StatusPanels[1] = CaptureSummary();
    m_view.FlipMark.clear();
    DisableSourceGroups(true);
    m_view.ScheduleStartVisible = false;
    m_view.ProfileGroupEnabled = false;
    m_view.VideoFileGroupEnabled = false;
    m_view.CutEnabled = true;
    m_view.PreviewLockEnabled = false;
    SetCaptureCommandForCapture();
    m_view.ScheduleCommand = {QStringLiteral("Schedule"), QStringLiteral("Start scheduling"), kImageSchedule,
                              m_view.ScheduleCommand.Enabled};
    m_view.ScheduleButtonGlyph = kImageSchedule;
}

void CaptureControl::EnterScheduledCaptureState()
{
    m_core.CaptureState = csScheduledCapturing;
    m_view.FrameColor = clFuchsia;
    m_view.BackdropFrameColor = clFuchsia;
    m_view.StatusPanels[1] = m_schedule ? m_schedule->CaptureUntilText() : QString();
    m_view.FlipMark.clear();
    DisableSourceGroups(true);
    m_view.ScheduleStartVisible = false;
    m_view.ProfileGroupEnabled = false;
    m_view.VideoFileGroupEnabled = false;
    m_view.CutEnabled = true;
    m_view.PreviewLockEnabled = false;
    SetCaptureCommandForCapture();
    m_view.ScheduleCommand.Caption = QStringLiteral("Stop Prog");
    m_view.ScheduleCommand.Hint = QStringLiteral("Stop the scheduling");
    m_view.ScheduleButtonGlyph = kImageStopSchedule;
}

void CaptureControl::EnterScheduledState()
{
    m_core.CaptureState = csScheduled;
    m_view.FrameColor = clYellow;
    m_view.BackdropFrameColor = clYellow;
    ShowPreviewFlags(QStringLiteral("programmation"));
    m_view.StatusPanels[3] = m_schedule ? m_schedule->StartAtText() : QString();
    m_view.ScheduleStartVisible = true;
    DisableSourceGroups(false);
    m_view.CutEnabled = false;
    m_view.PreviewLockEnabled = true;
    SetCaptureCommandIdle(m_view.CaptureCommand.ImageIndex);
    m_view.CaptureButtonGlyph = kImageCapture;
    m_view.ScheduleCommand.Caption = QStringLiteral("Stop Prog");
    m_view.ScheduleCommand.Hint = QStringLiteral("Stop the scheduling");
    m_view.ScheduleCommand.ImageIndex = kImageStopSchedule;
    m_view.ScheduleButtonGlyph = kImageSchedule;
}

void CaptureControl::EnterIdleState()
{
    m_core.CaptureState = csIdle;
    m_view.FrameColor = clBtnFace;
    m_view.BackdropFrameColor = clBlack;
    RefreshStatusTexts();
    DisableSourceGroups(false);
    m_view.ProfileGroupEnabled = true;
    m_view.VideoFileGroupEnabled = true;
    m_view.ScheduleStartVisible = true;
    m_view.CutEnabled = false;
    m_view.PreviewLockEnabled = true;
    SetCaptureCommandIdle(VideoActive() && !SoundOnlyFormat() ? kImageCapture : kImageCaptureSound);
    m_view.CaptureCommand.Enabled = VideoActive() || AudioActive();
    m_view.ScheduleCommand.Caption = QStringLiteral("Schedule");
    m_view.ScheduleCommand.Hint = QStringLiteral("Start scheduling");
    m_view.ScheduleCommand.ImageIndex = kImageSchedule;
    m_view.ScheduleButtonGlyph = kImageSchedule;
}

QString CaptureControl::CaptureSummary() const
{
    const std::uint8_t code = FormatCode();
    QString text;
    if (VideoActive() && !SoundOnlyFormat())
        text = QStringLiteral("Vid: ") + FirstThree(m_dm.ActiveVideoSource->Name).toUpper();
    if (AudioActive() && code != CodeOf(CaptureFormat::ImageByImage)) {
        if (!text.isEmpty())
            text += QStringLiteral(" - ");
        text += QStringLiteral("Aud: ") + FirstThree(m_dm.ActiveAudioSource->Name);
    }
    if (!text.isEmpty())
        text += QStringLiteral("=>") + graph::CaptureFormatShortName(code);
    return text;
}

void CaptureControl::ShowPreviewFlags(const QString& word)
{
    QString text = word;
    if (m_prefs.MuteOn->value)
        text += QStringLiteral(" mute");
    if (m_core.InlayActive)
        text += QStringLiteral(" in");
    text += m_prefs.WideScreen->value ? QStringLiteral(" 16x9") : QStringLiteral(" 4x3");
    if (m_core.VertFlipActive)
        text += QStringLiteral(" v");
    m_view.StatusPanels[1] = text;
    m_view.FlipMark = m_core.HorzFlipActive ? QStringLiteral(" h") : QString();
}

void CaptureControl::RefreshStatusTexts()
{
    ShowPreviewFlags(QStringLiteral("Preview"));
    if (VideoActive() || AudioActive()) {
        QString sources;
        if (VideoActive())
            sources = QStringLiteral("Vid: ") + FirstThree(m_dm.ActiveVideoSource->Name).toUpper();
        if (AudioActive())
            sources +=
                QStringLiteral(" - ") + QStringLiteral("Aud: ") + FirstThree(m_dm.ActiveAudioSource->Name);
        m_view.StatusPanels[2] = sources + QStringLiteral("=>") + graph::CaptureFormatShortName(FormatCode());
    }
    const DriveSpace drive = OutputNaming::DriveOf(QFileInfo(m_naming.NextVideoFile()).absolutePath());
    const QStorageInfo storage(drive.mountPoint);
    const auto freeMegabytes = drive.mountPoint.isEmpty() ? 0 : storage.bytesAvailable() >> 20;
    m_view.StatusPanels[3] = QString::asprintf("%d free mb on %s", static_cast<int>(freeMegabytes),
                                               qUtf8Printable(drive.mountPoint));
}

void CaptureControl::DroppedFramesTimer()
{
    if (!IsCapturing(m_core.CaptureState))
        return;
    m_view.StatusPanels[2] = DurationText(m_clock() - m_core.CaptureStart);
    const std::uint8_t code = FormatCode();
    if (code == CodeOf(CaptureFormat::ImageByImage)) {
        m_view.StatusPanels[3] = QString::asprintf("Image by Image: %d frames", m_core.ImageByImageFrames);
    } else if (code == CodeOf(CaptureFormat::Wav)) {
        m_view.StatusPanels[3] = QStringLiteral("Audio Wav");
    } else if (code == CodeOf(CaptureFormat::Mp3)) {
        m_view.StatusPanels[3] = QStringLiteral("Audio Mp3");
    } else if (const auto& counters = m_core.DroppedFramesSource) {
        std::int32_t dropped = 0;
        std::int32_t delivered = 0;
        (void)counters->GetNumDropped(&dropped);
        (void)counters->GetNumNotDropped(&delivered);
        m_view.StatusPanels[3] = QString::asprintf("%d lost frames / %d", dropped, dropped + delivered);
    } else {
        m_view.StatusPanels[3].clear();
    }
}

void CaptureControl::ApplyListeningVolume()
{
    const std::int32_t volume = m_prefs.Volume->value;
    if (const auto audio = media::QueryAs<media::IBasicAudio>(m_dm.audiorender.Filter()))
        (void)audio->put_Volume(m_prefs.MuteOn->value ? 0 : volume);
    m_view.VolumeGauge = volume / 100;
}

void CaptureControl::SetFreezePreview(bool frozen)
{
    m_dm.ControlPreviewVideo->SetFrozen(frozen);
    m_dm.ControlPreviewAudio->SetFrozen(frozen);
    m_prefs.FreezePreview->value = frozen;
}

void CaptureControl::SetFreezeCapture(bool frozen)
{
    m_dm.ControlCaptureVideo->SetFrozen(frozen);
    m_dm.AudioCapTamponer->SetFrozen(frozen);
    m_prefs.FreezeCapture->value = frozen;
    m_view.FrameHatched = frozen;
    m_view.BackdropColor = frozen ? clBtnFace : clBlack;
}

void CaptureControl::ChangeNextVideoFileExtension(const QString& extension)
{
    m_naming.ChangeVideoExtension(extension);
}

void CaptureControl::ShowStatusPanel1(const QString& text)
{
    m_view.StatusPanels[1] = text;
    m_view.FlipMark.clear();
}

void CaptureControl::ShowStatusPanel3(const QString& text)
{
    m_view.StatusPanels[3] = text;
}

} // namespace camtrove::app
