#pragma once
// The Sources panel without its widgets: the capture devices and the sources they give, the four
// choice lists (video source, audio source, capture format, sound card entry), the info labels,
// the controls that source selection switches, the help panel's source check list and the devices
// excluded for the run. It activates the chosen sources in the graph module and keeps the
// preferences that name them. Owns the device and source lists; UI thread only.

#include "app/capture/capture_state_entries.h"
#include "app/panels/encoder_inventory.h"
#include "app/panels/source_list_data.h"
#include "app/panels/sources_controls.h"
#include "app/panels/sources_panel_host.h"
#include "app/panels/trace_sink.h"
#include "graph/capture_device_list.h"
#include "graph/sources.h"
#include "graph/tdm.h"
#include "settings/catalogue.h"

#include <QStringList>

#include <cstdint>
#include <vector>

namespace camtrove::app {

inline constexpr const char* kNoVideoStream = "no video stream";
inline constexpr const char* kNoAudioStream = "no audio stream";
// The device-change message's event code for "the device nodes changed".
inline constexpr int kDeviceNodesChanged = 7;

// An entry of the help panel's "Sources" tab: unticked devices give no sources.
struct TSourceCheckItem
{
    QString Name;
    bool Checked = true;
};

class SourcesPanelModel
{
public:
    SourcesPanelModel(graph::Tdm& dm, settings::PreferenceCatalogue& prefs, CaptureStateEntries& capture,
                      SourcesPanelHost& host, const EncoderInventory& encoders, TraceSink& trace);
    ~SourcesPanelModel();
    SourcesPanelModel(const SourcesPanelModel&) = delete;
    SourcesPanelModel& operator=(const SourcesPanelModel&) = delete;

    // Releases the active sources, enumerates the devices again and rebuilds both source lists.
    // False when a category cannot be enumerated.
    [[nodiscard]] bool ChargerDrivers();
    // Activates the video source of that name (the first one when none has it), or none for
    // "no video stream". False when attaching failed: the device is then excluded and the lists
    // rebuilt.
    bool activervideo(const QString& name);
    bool ActiverAudio(const QString& name);
    // Offers the formats of the active sources and selects code, or else the first offered.
    void activerformatcapture(std::uint8_t code);
    // With the lock on, the preview shows what the format captures: the ratio commands it allows,
    // and no video for a sound format, no sound for image by image.
    void ApplyPreviewLock(bool locked);

    void VideoControlsOn();
    void VideoControlsOff();
    void AudioControlsOn();
    void AudioControlsOff();

    // The user's choices in the lists.
    void OnVideoListChange(const QString& choice);
    void OnAudioListChange(const QString& choice);
    void OnFormatChosen(const QString& name);
    void OnEntryChosen(const QString& entry);
    // The refresh button.
    void Refresh();
    // A tick or untick in the help panel's source list.
    void OnSourceCheckClicked(int index, bool checked);
    // The format settings button: the Settings panel on the format's tab.
    void OnFormatSettings();
    // The preview-lock toggle (taLock).
    void SetPreviewLock(bool on);
    // Executes a ratio command: "Aspect ratio" := ratio and the preview is sized again.
    void ExecuteRatio(TRatioCommand ratio);

    // The device-change message (0x0219) with its event code and data.
    void OnDeviceChange(int eventCode, std::intptr_t data);
    // An event of the graph; a lost device is recovered from while the loss is routed here.
    void OnGraphEvent(std::int32_t code);
    // The settings box "Notify the changes in capture sources".
    void OnNotifierClicked(bool checked);
    // Routes the graph's device-lost event to the recovery (start of a capture), or stops routing.
    void RouteDeviceLost(bool routed) { m_deviceLostRouted = routed; }
    [[nodiscard]] bool DeviceLostRouted() const { return m_deviceLostRouted; }

    // The help panel's source list from "Sources Exclues": one name a line, all unticked.
    void LoadSourceChecks(const QString& excluded);
    // The unticked names, each followed by CR LF, as "Sources Exclues" stores them.
    [[nodiscard]] QString ExcludedSourcesText() const;

    [[nodiscard]] graph::TCaptureDeviceList& VideoDevices() { return m_videoDevices; }
    [[nodiscard]] graph::TCaptureDeviceList& AudioDevices() { return m_audioDevices; }
    [[nodiscard]] const graph::TvideoSourcesList& VideoSources() const { return m_videoSources; }
    [[nodiscard]] const graph::TAudioSourcesList& AudioSources() const { return m_audioSources; }
    // The sound card's input lines that have an input mixer, in pin order.
    [[nodiscard]] QStringList SoundCardLines() const;

    TSourceListData VideoList;
    TSourceListData AudioList;
    TSourceListData FormatList;
    TSourceListData EntryList;
    QString VideoLabel;
    QString AudioLabel;
    TSourcesControls Controls;
    std::vector<TSourceCheckItem> SourceChecks;
    QStringList RunExclusions; // device names excluded for this run; only grows

    // Shared with the main window.
    bool TransformAllowed = true; // the video path may carry the inlay and the flips
    bool BatchActivation = false; // activations do not run the graph; one run follows them
    bool Initialising = true;     // device changes are ignored until the start-up ends

private:
    // Remembers the three lists' texts, rebuilds the lists and activates the same choices again.
    [[nodiscard]] bool ReloadSources();
    void ExcludeAndReload(const graph::TCaptureDevice& device);
    void AddSourcesOf(const graph::TCaptureDevice& device, bool video, QStringList& videoNames,
                      QStringList& audioNames);
    [[nodiscard]] bool Skipped(const graph::TCaptureDevice& device);
    void FillEntryList();
    void RunGraphUnlessBatch(const char* passed);
    void SetVideoLabel();
    void SetAudioLabel();
    void EnableTransforms();
    [[nodiscard]] graph::TVideoSource* ActiveVideo() const { return m_dm.ActiveVideoSource; }
    [[nodiscard]] graph::TAudioSource* ActiveAudio() const { return m_dm.ActiveAudioSource; }

    graph::Tdm& m_dm;
    settings::PreferenceCatalogue& m_prefs;
    CaptureStateEntries& m_capture;
    SourcesPanelHost& m_host;
    const EncoderInventory& m_encoders;
    TraceSink& m_trace;
    graph::TCaptureDeviceList m_videoDevices;
    graph::TCaptureDeviceList m_audioDevices;
    graph::TvideoSourcesList m_videoSources; // after the devices: a source refers to its device
    graph::TAudioSourcesList m_audioSources;
    bool m_deviceLostRouted = false;
};

} // namespace camtrove::app
