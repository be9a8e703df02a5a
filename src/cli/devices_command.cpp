// camtrove-cli devices: opens the capture devices as the application does at start-up and reports
// the devices, the source lists, the formats offered and what the active sources deliver.

#include "app/capture/preview_only_capture_control.h"
#include "app/panels/deferred_initialisation.h"
#include "app/panels/encoder_discovery.h"
#include "app/panels/sources_panel_model.h"
#include "cli/cli_command.h"
#include "cli/windowless_host.h"
#include "graph/capture_formats.h"
#include "platform/registry.h"
#include "settings/catalogue.h"

#include <QCoreApplication>
#include <QDir>

namespace camtrove::cli {
namespace {

using namespace camtrove::app;
using namespace camtrove::graph;
using namespace camtrove::settings;

class PrintedTrace final : public TraceSink
{
public:
    void TraceLine(const QString& line) override { PrintLine(QStringLiteral("trace: ") + line); }
};

struct DevicesArgs
{
    QString exeDir;
    std::optional<QString> video;
    std::optional<QString> audio;
    std::optional<QString> format;
    bool trace = false;
};

std::optional<DevicesArgs> ParseArgs(const QStringList& args)
{
    DevicesArgs parsed{QCoreApplication::applicationDirPath(), {}, {}, {}, false};
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == QLatin1String("--trace"))
            parsed.trace = true;
        else if (arg == QLatin1String("--exe-dir") && hasValue)
            parsed.exeDir = args[++i];
        else if (arg == QLatin1String("--video") && hasValue)
            parsed.video = args[++i];
        else if (arg == QLatin1String("--audio") && hasValue)
            parsed.audio = args[++i];
        else if (arg == QLatin1String("--format") && hasValue)
            parsed.format = args[++i];
        else
            return std::nullopt;
    }
    return parsed;
}

QString KindName(TDeviceKind kind)
{
    switch (kind) {
    case dkDVCamcorder:
        return QStringLiteral("DV camcorder");
    case dkPlugIn:
        return QStringLiteral("plug-in");
    case dkVideo:
        return QStringLiteral("video");
    case dkAudio:
        return QStringLiteral("audio");
    }
    return QStringLiteral("unknown");
}

QString FormatText(CaptureFormat format)
{
    return format == CaptureFormat::None ? QStringLiteral("none") : CaptureFormatName(CodeOf(format));
}

void PrintDevices(const QString& title, TCaptureDeviceList& devices)
{
    PrintLine(title);
    for (int i = 0; i < devices.Count(); ++i) {
        const TCaptureDevice& d = *devices.Items(i);
        PrintLine(QStringLiteral("  %1 | %2 | %3 | video streams %4, audio streams %5 | native %6, %7")
                      .arg(d.DisplayName, d.Name, KindName(d.Kind))
                      .arg(d.VideoStreams)
                      .arg(d.AudioStreams)
                      .arg(FormatText(d.FirstNativeFormat), FormatText(d.SecondNativeFormat)));
    }
}

// The selected item is marked with "*".
void PrintList(const QString& title, const TSourceListData& list)
{
    PrintLine(title);
    for (int i = 0; i < list.Items.size(); ++i)
        PrintLine((i == list.ItemIndex ? QStringLiteral("* ") : QStringLiteral("  ")) + list.Items[i]);
}

int Run(const QStringList& args)
{
    const auto parsed = ParseArgs(args);
    if (!parsed) {
        PrintError(QStringLiteral("usage: camtrove-cli devices [--video NAME] [--audio NAME] [--format NAME] "
                                  "[--exe-dir DIR] [--trace]"));
        return kExitBadInput;
    }
    const TStoreLocation location{WithTrailingSlash(QDir(parsed->exeDir).absolutePath()),
                                  QCoreApplication::applicationFilePath(),
                                  platform::Registry::DefaultFolder()};
    PreferenceCatalogue prefs(location);
    if (!prefs.Build())
        PrintError(QStringLiteral("the store cannot be read; using the defaults"));

    Tdm dm;
    PreviewOnlyCaptureControl capture;
    WindowlessSourcesHost host;
    const DiscoveredEncoders encoders = DiscoveredEncoders::Discover(dm.DeviceEnumerator());
    PrintedTrace printed;
    DiscardingTrace discarded;
    TraceSink& trace = parsed->trace ? static_cast<TraceSink&>(printed) : discarded;
    SourcesPanelModel model(dm, prefs, capture, host, encoders, trace);

    const QString error = InitialiseSources(dm, model, prefs, trace);
    if (!error.isEmpty()) {
        PrintError(error.trimmed());
        return kExitFailure;
    }
    if (parsed->video)
        model.OnVideoListChange(*parsed->video);
    if (parsed->audio)
        model.OnAudioListChange(*parsed->audio);
    if (parsed->format)
        model.OnFormatChosen(*parsed->format);
    dm.StopGraph();

    PrintDevices(QStringLiteral("Video devices:"), model.VideoDevices());
    PrintDevices(QStringLiteral("Audio devices:"), model.AudioDevices());
    PrintList(QStringLiteral("Video sources:"), model.VideoList);
    PrintList(QStringLiteral("Audio sources:"), model.AudioList);
    PrintList(QStringLiteral("Formats:"), model.FormatList);
    if (!model.EntryList.Items.isEmpty())
        PrintList(QStringLiteral("Sound card entries:"), model.EntryList);
    if (dm.ActiveVideoSource) {
        const TNativeVideo& v = dm.NativeVideo;
        PrintLine(QStringLiteral("Native video: %1, %2x%3, %4 fps, temporally compressed %5")
                      .arg(v.Compression)
                      .arg(v.Width)
                      .arg(v.Height)
                      .arg(v.FrameRate, 0, 'f', 2)
                      .arg(v.TemporallyCompressed ? QStringLiteral("yes") : QStringLiteral("no")));
    } else {
        PrintLine(QStringLiteral("Native video: none"));
    }
    if (dm.ActiveAudioSource) {
        const TNativeAudio& a = dm.NativeAudio;
        PrintLine(QStringLiteral("Native audio: %1 Hz, %2 bits, %3 channels")
                      .arg(a.SamplesPerSec)
                      .arg(a.BitsPerSample)
                      .arg(a.Channels));
    } else {
        PrintLine(QStringLiteral("Native audio: none"));
    }
    return kExitOk;
}

const CliCommandRegistration kRegistration{CliCommand{
    "devices", "[--video NAME] [--audio NAME] [--format NAME] [--exe-dir DIR] [--trace]",
    "open the capture devices as at start-up; list the devices, sources and formats offered", &Run, true}};

} // namespace
} // namespace camtrove::cli
