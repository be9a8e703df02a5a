#include "app/panels/sources_panel_model.h"

#include "filters/ct_scene_detect.h"
#include "graph/capture_formats.h"
#include "media/core/audio_input_mixer.h"
#include "media/core/filter_graph.h"
#include "media/core/graph_interfaces.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>

namespace camtrove::app {

using namespace graph;

namespace {

const QString kNoVideo = QString::fromLatin1(kNoVideoStream);
const QString kNoAudio = QString::fromLatin1(kNoAudioStream);

// Removes the items that are no longer collected, appends the new ones in their order, then the
// "no stream" entry; the selection follows its text.
void SyncList(TSourceListData& list, const QStringList& names, const QString& noStream)
{
    const QString selected = list.ItemIndex >= 0 ? list.Items[list.ItemIndex] : QString();
    list.Items.removeIf([&](const QString& item) { return !names.contains(item); });
    for (const QString& name : names) {
        if (!list.Items.contains(name))
            list.Items.append(name);
    }
    list.Items.append(noStream);
    list.ItemIndex = static_cast<int>(list.Items.indexOf(selected));
}

// Rounded to two decimals and written without trailing zeros, in the locale's notation.
QString FramesPerSecond(std::int32_t frameDuration)
{
    const double rate = std::round(1e9 / frameDuration) / 100.0;
    return QLocale().toString(rate, 'g', QLocale::FloatingPointShortest);
}

} // namespace

SourcesPanelModel::SourcesPanelModel(Tdm& dm, settings::PreferenceCatalogue& prefs,
                                     CaptureStateEntries& capture, SourcesPanelHost& host,
                                     const EncoderInventory& encoders, TraceSink& trace)
    : m_dm(dm), m_prefs(prefs), m_capture(capture), m_host(host), m_encoders(encoders), m_trace(trace),
      m_videoDevices(dm), m_audioDevices(dm)
{
}

SourcesPanelModel::~SourcesPanelModel()
{
    if (ActiveVideo())
        m_dm.DeactivateVideoSource(ActiveVideo(), true);
    if (ActiveAudio())
        m_dm.DeactivateAudioSource(ActiveAudio(), true);
}

bool SourcesPanelModel::ChargerDrivers()
{
    try {
        if (ActiveVideo())
            m_dm.DeactivateVideoSource(ActiveVideo(), true);
        if (ActiveAudio())
            m_dm.DeactivateAudioSource(ActiveAudio(), true);
        m_videoSources.Clear();
        m_audioSources.Clear();

        if (!m_videoDevices.Refresh(media::CLSID_VideoInputDeviceCategory) ||
            !m_audioDevices.Refresh(media::CLSID_AudioInputDeviceCategory))
            return false;

        QStringList videoNames;
        QStringList audioNames;
        for (int i = 0; i < m_videoDevices.Count(); ++i)
            AddSourcesOf(*m_videoDevices.Items(i), true, videoNames, audioNames);
        for (int i = 0; i < m_audioDevices.Count(); ++i)
            AddSourcesOf(*m_audioDevices.Items(i), false, videoNames, audioNames);

        SyncList(VideoList, videoNames, kNoVideo);
        SyncList(AudioList, audioNames, kNoAudio);
        return true;
    } catch (...) {
        return false;
    }
}

bool SourcesPanelModel::Skipped(const TCaptureDevice& device)
{
    if (RunExclusions.contains(device.DisplayName))
        return true;
    for (const TSourceCheckItem& item : SourceChecks) {
        if (item.Name == device.DisplayName)
            return !item.Checked;
    }
    SourceChecks.push_back({device.DisplayName, true});
    return false;
}

void SourcesPanelModel::AddSourcesOf(const TCaptureDevice& device, bool video, QStringList& videoNames,
                                     QStringList& audioNames)
{
    if (Skipped(device))
        return;
    // The lists hold their sources; the device outlives them.
    auto& owner = const_cast<TCaptureDevice&>(device);
    if (video) {
        for (std::int32_t stream = 1; stream <= device.VideoStreams; ++stream) {
            auto source = TVideoSource::Create(owner, stream);
            if (!source)
                continue;
            videoNames.append(source->Name);
            m_videoSources.Add(std::move(source));
        }
    }
    for (std::int32_t stream = 1; stream <= device.AudioStreams; ++stream) {
        auto source = TAudioSource::Create(owner, stream);
        if (!source)
            continue;
        audioNames.append(source->Name);
        m_audioSources.Add(std::move(source));
    }
}

bool SourcesPanelModel::activervideo(const QString& name)
{
    if (ActiveVideo() && ActiveVideo()->Name == name) {
        m_trace.TraceLine(name + QStringLiteral(" est déjà connecté"));
        return true;
    }
    if (!ActiveVideo() && name == kNoVideo) {
        VideoList.Select(m_prefs.SourceVideo->value);
        VideoControlsOff();
        m_trace.TraceLine(QStringLiteral("No Video"));
        return true;
    }
    if (IsCapturing(m_capture.CaptureState()))
        (void)m_capture.StopCapture();

    VideoList.Select(name);
    const QString text = VideoList.Holds(name) ? name : VideoList.First();
    TVideoSource* source = nullptr;
    if (text != kNoVideo) {
        source = m_videoSources.Find(text);
        if (!source)
            source = m_videoSources.Items(0);
    }

    if (!source) {
        m_trace.TraceLine(QStringLiteral("Aucune connexion video"));
        VideoList.Text = kNoVideo;
        if (!ActiveVideo() || m_dm.DeactivateVideoSource(ActiveVideo(), true)) {
            m_prefs.SourceVideo->value = kNoVideo;
            VideoControlsOff();
        }
    } else if (m_dm.ActivateVideoSource(source)) {
        m_trace.TraceLine(QStringLiteral("connexion Video réussie"));
        SetVideoLabel();
        VideoControlsOn();
        m_prefs.SourceVideo->value = source->Name;
    } else {
        m_trace.TraceLine(QStringLiteral("connexion échouée"));
        ExcludeAndReload(*source->Device);
        return false;
    }

    VideoList.Select(m_prefs.SourceVideo->value);
    m_capture.EnableStatusTimer();
    m_capture.EnterIdleState();
    m_trace.TraceLine(QStringLiteral("setinterfacepreview passed"));
    if (ActiveVideo()) {
        if (ActiveVideo()->SceneDetect) {
            ActiveVideo()->SceneDetect->Detector().Reset();
            m_host.ResetDvWideFlag();
        }
        m_host.DimensionnerWithRatio();
        m_trace.TraceLine(QStringLiteral("DimensionnerWithRatio passed"));
    }
    Controls.FreezeCaptureEnabled = !m_dm.NativeVideo.TemporallyCompressed;
    m_dm.Superposer->SetInlayWhen(m_prefs.WhenIncrust->value, m_prefs.DureeIncruster->value);
    RunGraphUnlessBatch("dm.play passed");
    m_host.PlaceButtonRow();
    m_trace.TraceLine(QStringLiteral("Exit activervideo OK"));
    return true;
}

bool SourcesPanelModel::ActiverAudio(const QString& name)
{
    try {
        m_trace.TraceLine(QStringLiteral("Enter ActiverAudio"));
        m_trace.TraceLine(QStringLiteral(" Source Audio: ") + name);
        m_dm.StopGraph();
        m_trace.TraceLine(QStringLiteral("stop passed"));

        QString text = name;
        bool attach = true;
        if (!AudioList.Holds(name)) {
            text = AudioList.First();
            AudioList.Select(text);
        } else {
            AudioList.Select(name);
            if (ActiveAudio() && ActiveAudio()->Name == name) {
                attach = false;
            } else if (!ActiveAudio() && name == kNoAudio) {
                AudioControlsOff();
                m_trace.TraceLine(QStringLiteral("No Audio"));
                attach = false;
            }
        }

        if (attach && (text == kNoAudio || m_audioSources.Count() == 0)) {
            if (ActiveAudio())
                m_dm.DeactivateAudioSource(ActiveAudio(), true);
            AudioControlsOff();
            m_trace.TraceLine(QStringLiteral("No Audio"));
        } else if (attach) {
            TAudioSource* source = m_audioSources.Find(text);
            if (!source)
                source = m_audioSources.Items(0);
            if (m_dm.ActivateAudioSource(source)) {
                m_trace.TraceLine(QStringLiteral("Connexion audio a réussi"));
                SetAudioLabel();
                AudioControlsOn();
                if (source->Device->Kind == dkAudio) {
                    FillEntryList();
                    m_trace.TraceLine(QStringLiteral("plsource passed"));
                } else {
                    EntryList.Clear();
                    Controls.EntryListVisible = false;
                }
                Controls.FormatGroupVisible = ActiveVideo() || ActiveAudio();
                m_capture.RefreshStatusTexts();
                m_trace.TraceLine(QStringLiteral("Exit ActiverAudio OK"));
            } else {
                m_trace.TraceLine(QStringLiteral("Connexion audio a échoué"));
                ExcludeAndReload(*source->Device);
            }
        }
        RunGraphUnlessBatch("finally dm.play passed");
        return true;
    } catch (...) {
        return false;
    }
}

void SourcesPanelModel::FillEntryList()
{
    EntryList.Clear();
    EntryList.Items = SoundCardLines();
    const auto filter = m_dm.AudioInterfaces.Filter;
    for (const auto& pin : media::PinsOf(filter.Get())) {
        const auto mixer = media::QueryAs<media::IAMAudioInputMixer>(pin);
        bool enabled = false;
        media::PIN_INFO info;
        if (mixer && Succeeded(mixer->get_Enable(&enabled)) && enabled &&
            Succeeded(pin->QueryPinInfo(&info))) {
            m_prefs.SoundCardEntry->value = info.achName;
            break;
        }
    }
    Controls.EntryListVisible = !EntryList.Items.isEmpty();
    if (EntryList.Holds(m_prefs.SoundCardEntry->value))
        EntryList.Select(m_prefs.SoundCardEntry->value);
    else
        EntryList.SelectIndex(0);
}

QStringList SourcesPanelModel::SoundCardLines() const
{
    QStringList lines;
    const auto filter = m_dm.AudioInterfaces.Filter;
    for (const auto& pin : media::PinsOf(filter.Get())) {
        media::PIN_INFO info;
        if (media::QueryAs<media::IAMAudioInputMixer>(pin) && Succeeded(pin->QueryPinInfo(&info)))
            lines.append(info.achName);
    }
    return lines;
}

void SourcesPanelModel::activerformatcapture(std::uint8_t code)
{
    QStringList offered;
    if (const TVideoSource* video = ActiveVideo()) {
        if (video->Device->FirstNativeFormat != CaptureFormat::None)
            offered.append(CaptureFormatName(CodeOf(video->Device->FirstNativeFormat)));
        if (video->Device->SecondNativeFormat != CaptureFormat::None)
            offered.append(CaptureFormatName(CodeOf(video->Device->SecondNativeFormat)));
        offered.append(CaptureFormatName(CodeOf(CaptureFormat::DvType2Recomp)));
        if (m_encoders.DivxEncoderFound())
            offered.append(CaptureFormatName(CodeOf(CaptureFormat::Divx)));
        offered.append(CaptureFormatName(CodeOf(CaptureFormat::Wmv)));
        offered.append(CaptureFormatName(CodeOf(CaptureFormat::ImageByImage)));
    }
    if (ActiveAudio()) {
        offered.append(CaptureFormatName(CodeOf(CaptureFormat::Wav)));
        if (m_encoders.Mp3EncoderFound())
            offered.append(CaptureFormatName(CodeOf(CaptureFormat::Mp3)));
    }

    FormatList.Clear();
    FormatList.Items = offered;
    if (!offered.isEmpty()) {
        const QString wanted = CaptureFormatName(code);
        if (FormatList.Holds(wanted))
            FormatList.Select(wanted);
        else
            FormatList.SelectIndex(0);
    }
    Controls.FormatGroupVisible = !offered.isEmpty();
    const std::uint8_t chosen =
        FormatList.ItemIndex >= 0 ? CaptureFormatCode(FormatList.Text) : CodeOf(CaptureFormat::None);
    m_prefs.CaptureFormat->value = chosen;
    m_capture.ChangeNextVideoFileExtension(CaptureFormatExtension(chosen));

    const auto format = static_cast<CaptureFormat>(chosen);
    Controls.ImagesPerSecondVisible = format == CaptureFormat::ImageByImage;
    AudioList.TextColor = format == CaptureFormat::ImageByImage ? clGrayText : clWindowText;
    VideoList.TextColor =
        format == CaptureFormat::Wav || format == CaptureFormat::Mp3 ? clGrayText : clWindowText;
    m_capture.EnterIdleState();
}

void SourcesPanelModel::ApplyPreviewLock(bool locked)
{
    const auto lockRatio = [&](TRatioCommand executed, std::initializer_list<TRatioCommand> disabled) {
        ExecuteRatio(executed);
        for (const TRatioCommand ratio : disabled)
            Controls.RatioEnabled[ratio] = false;
    };
    if (locked) {
        const auto format = static_cast<CaptureFormat>(m_prefs.CaptureFormat->value);
        switch (format) {
        case CaptureFormat::DvType1Native:
        case CaptureFormat::Mpeg2Native:
        case CaptureFormat::Mpeg1Native:
        case CaptureFormat::DvType2Native:
        case CaptureFormat::AviNative:
            TransformAllowed = false;
            lockRatio(rcNormal, {rc4x3, rc16x9, rcNative});
            if (format != CaptureFormat::DvType2Native && format != CaptureFormat::AviNative &&
                ActiveVideo() && ActiveAudio() && ActiveAudio()->Device != ActiveVideo()->Device) {
                for (int i = 0; i < m_audioSources.Count(); ++i) {
                    if (m_audioSources.Items(i)->Device == ActiveVideo()->Device) {
                        ActiverAudio(m_audioSources.Items(i)->Name);
                        break;
                    }
                }
            }
            break;
        case CaptureFormat::DvType2Recomp: {
            TransformAllowed = true;
            const QSize preview = m_host.PreviewSize();
            lockRatio(9 * preview.width() < 14 * preview.height() ? rc4x3 : rc16x9, {rcNormal, rcNative});
            break;
        }
        case CaptureFormat::Wmv:
            TransformAllowed = true;
            lockRatio(rc4x3, {rcNormal, rc16x9, rcNative});
            break;
        case CaptureFormat::ImageByImage:
            if (ActiveVideo() && ActiveVideo()->SceneDetect) {
                TransformAllowed = false;
                lockRatio(rcNormal, {rc4x3, rc16x9, rcNative});
            } else {
                TransformAllowed = true;
            }
            if (ActiveAudio())
                ActiverAudio(kNoAudio);
            break;
        case CaptureFormat::Divx:
            TransformAllowed = true;
            ExecuteRatio(static_cast<TRatioCommand>(m_prefs.AspectRatio->value & 3));
            break;
        case CaptureFormat::Wav:
        case CaptureFormat::Mp3:
            if (ActiveVideo()) {
                TransformAllowed = false;
                activervideo(kNoVideo);
            }
            break;
        default:
            break;
        }
        Controls.DvRatioGroupEnabled = false;
        Controls.DivxRatioGroupEnabled = false;
    } else {
        TransformAllowed = ActiveVideo() != nullptr;
        Controls.DvRatioGroupEnabled = true;
        Controls.DivxRatioGroupEnabled = true;
        for (bool& enabled : Controls.RatioEnabled)
            enabled = true;
        ActiverAudio(m_prefs.WantAudioSource->value);
    }
    m_host.ApplyInlayAndFlips();
    EnableTransforms();
}

void SourcesPanelModel::EnableTransforms()
{
    const bool allowed = TransformAllowed && ActiveVideo();
    Controls.InlayToggleEnabled = allowed;
    Controls.VertFlipEnabled = allowed;
    Controls.HorzFlipEnabled = allowed;
}

void SourcesPanelModel::ExecuteRatio(TRatioCommand ratio)
{
    m_prefs.AspectRatio->value = static_cast<std::uint8_t>(ratio);
    m_host.DimensionnerWithRatio();
}

void SourcesPanelModel::SetPreviewLock(bool on)
{
    m_prefs.PreviewLocked->value = on;
    ApplyPreviewLock(on);
}

void SourcesPanelModel::VideoControlsOn()
{
    Controls.NoVideoPictureVisible = false;
    Controls.InlayCornerVisible = true;
    Controls.SlidersCommandEnabled = true;
    Controls.InlayToggleEnabled = TransformAllowed;
    Controls.VertFlipEnabled = TransformAllowed;
    Controls.HorzFlipEnabled = TransformAllowed;
    Controls.GrabEnabled = true;
    Controls.CaptureEnabled = true;
    Controls.FullScreenEnabled = true;
    Controls.IntervalometerSwitchEnabled = true;
    Controls.VideoLabelVisible = true;
    Controls.VideoSettingsVisible = true;
}

void SourcesPanelModel::VideoControlsOff()
{
    Controls.NoVideoPictureVisible = true;
    Controls.GrabEnabled = false;
    Controls.InlaySlidersVisible = false;
    Controls.SlidersCommandEnabled = false;
    Controls.InlayCornerVisible = false;
    Controls.InlayToggleEnabled = false;
    Controls.CaptureEnabled = false;
    Controls.VertFlipEnabled = false;
    Controls.HorzFlipEnabled = false;
    Controls.FullScreenEnabled = false;
    m_host.ReapplyIntervalometer();
    Controls.IntervalometerSwitchEnabled = false;
    Controls.VideoLabelVisible = false;
    Controls.VideoSettingsVisible = false;
}

void SourcesPanelModel::AudioControlsOn()
{
    Controls.VolumeVisible = true;
    Controls.MuteEnabled = true;
    Controls.VolumeCommandsEnabled = true;
    Controls.AudioLabelVisible = true;
    Controls.AudioSettingsVisible = true;
    Controls.EntryListVisible =
        ActiveAudio() && ActiveAudio()->Device->Kind == dkAudio && !EntryList.Items.isEmpty();
}

void SourcesPanelModel::AudioControlsOff()
{
    Controls.VolumeVisible = false;
    Controls.MuteEnabled = false;
    Controls.VolumeCommandsEnabled = false;
    Controls.AudioLabelVisible = false;
    Controls.AudioSettingsVisible = false;
    Controls.EntryListVisible = false;
}

void SourcesPanelModel::SetVideoLabel()
{
    const TNativeVideo& v = m_dm.NativeVideo;
    VideoLabel = v.Compression + QStringLiteral(" - ") + QString::number(v.Width) + QLatin1Char('x') +
                 QString::number(v.Height) + QStringLiteral(" - ") +
                 FramesPerSecond(v.FrameDuration < 1000 ? 400000 : v.FrameDuration) + QStringLiteral(" fps");
}

void SourcesPanelModel::SetAudioLabel()
{
    const TNativeAudio& a = m_dm.NativeAudio;
    AudioLabel = QString::number(a.SamplesPerSec) + QStringLiteral(" Hz ") +
                 QString::number(a.BitsPerSample) + QStringLiteral(" bits ") + QString::number(a.Channels) +
                 QStringLiteral(" channels");
}

void SourcesPanelModel::RunGraphUnlessBatch(const char* passed)
{
    if (BatchActivation)
        return;
    (void)m_dm.RunGraph();
    m_trace.TraceLine(QString::fromLatin1(passed));
}

void SourcesPanelModel::OnVideoListChange(const QString& choice)
{
    if ((ActiveVideo() && ActiveVideo()->Name == choice) || (!ActiveVideo() && choice == kNoVideo))
        return;
    activervideo(choice);
    m_prefs.WantVideoSource->value = choice;
    auto format = static_cast<CaptureFormat>(m_prefs.CaptureFormat->value);
    if (m_prefs.PreviewLocked->value && ActiveVideo() &&
        (format == CaptureFormat::Wav || format == CaptureFormat::Mp3))
        format = CaptureFormat::None;
    activerformatcapture(CodeOf(format));
    ApplyPreviewLock(m_prefs.PreviewLocked->value);
}

void SourcesPanelModel::OnAudioListChange(const QString& choice)
{
    ActiverAudio(choice);
    m_prefs.WantAudioSource->value = choice;
    auto format = static_cast<CaptureFormat>(m_prefs.CaptureFormat->value);
    if (m_prefs.PreviewLocked->value && ActiveAudio() && format == CaptureFormat::ImageByImage)
        format = CaptureFormat::None;
    activerformatcapture(CodeOf(format));
    ApplyPreviewLock(m_prefs.PreviewLocked->value);
}

void SourcesPanelModel::OnFormatChosen(const QString& name)
{
    const std::uint8_t code = CaptureFormatCode(name);
    if (code == m_prefs.CaptureFormat->value)
        return;
    activerformatcapture(code);
    m_prefs.WantFormatCapture->value = name;
    ApplyPreviewLock(m_prefs.PreviewLocked->value);
}

void SourcesPanelModel::OnEntryChosen(const QString& entry)
{
    m_prefs.SoundCardEntry->value = entry;
    EntryList.Select(entry);
    for (const auto& pin : media::PinsOf(m_dm.AudioInterfaces.Filter.Get())) {
        const auto mixer = media::QueryAs<media::IAMAudioInputMixer>(pin);
        media::PIN_INFO info;
        if (mixer && Succeeded(pin->QueryPinInfo(&info)))
            (void)mixer->put_Enable(info.achName == entry);
    }
}

bool SourcesPanelModel::ReloadSources()
{
    const QString video = VideoList.Text;
    const QString audio = AudioList.Text;
    const QString format = FormatList.Text;
    if (!ChargerDrivers())
        return false;
    BatchActivation = true;
    activervideo(video);
    ActiverAudio(audio);
    activerformatcapture(CaptureFormatCode(format));
    BatchActivation = false;
    (void)m_dm.RunGraph();
    return true;
}

void SourcesPanelModel::ExcludeAndReload(const TCaptureDevice& device)
{
    if (!RunExclusions.contains(device.DisplayName))
        RunExclusions.append(device.DisplayName);
    Refresh();
}

void SourcesPanelModel::Refresh()
{
    if (ReloadSources())
        m_host.RebuildSystemReport();
}

void SourcesPanelModel::OnSourceCheckClicked(int index, bool checked)
{
    if (index < 0 || index >= static_cast<int>(SourceChecks.size()))
        return;
    SourceChecks[static_cast<std::size_t>(index)].Checked = checked;
    Refresh();
}

void SourcesPanelModel::OnFormatSettings()
{
    const auto format = static_cast<CaptureFormat>(m_prefs.CaptureFormat->value);
    m_host.ShowSettingsTab(format == CaptureFormat::Wmv                                    ? 1
                           : format == CaptureFormat::Divx || format == CaptureFormat::Mp3 ? 2
                                                                                           : 4);
}

void SourcesPanelModel::OnDeviceChange(int eventCode, std::intptr_t data)
{
    if (Initialising || !m_prefs.Notifier->value || eventCode != kDeviceNodesChanged || data != 0)
        return;
    (void)ReloadSources();
}

void SourcesPanelModel::OnGraphEvent(std::int32_t code)
{
    if (code != media::EC_DEVICE_LOST || !m_deviceLostRouted)
        return;
    (void)m_capture.StopCapture();
    (void)ReloadSources();
}

void SourcesPanelModel::OnNotifierClicked(bool checked)
{
    m_prefs.Notifier->value = checked;
    m_deviceLostRouted = !checked;
}

void SourcesPanelModel::LoadSourceChecks(const QString& excluded)
{
    SourceChecks.clear();
    for (const QString& line : excluded.split(QRegularExpression(QStringLiteral("\r\n|\n|\r")))) {
        if (!line.isEmpty())
            SourceChecks.push_back({line, false});
    }
}

QString SourcesPanelModel::ExcludedSourcesText() const
{
    QString text;
    for (const TSourceCheckItem& item : SourceChecks) {
        if (!item.Checked)
            text += item.Name + QStringLiteral("\r\n");
    }
    return text;
}

} // namespace camtrove::app
