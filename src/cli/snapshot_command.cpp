// camtrove-cli snapshot: opens the devices as at start-up and saves pictures from the preview of
// the chosen video source through the Grab panel's model, by single grabs or by the intervalometer.

#include "app/capture/output_naming.h"
#include "app/capture/preview_only_capture_control.h"
#include "app/panels/captured_files_list.h"
#include "app/panels/deferred_initialisation.h"
#include "app/panels/grab_panel_model.h"
#include "app/panels/sources_panel_model.h"
#include "cli/cli_command.h"
#include "cli/windowless_host.h"
#include "filters/queued_message_sink.h"
#include "graph/tdm.h"
#include "platform/prompter.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "settings/catalogue.h"

#include <QCoreApplication>
#include <QDir>
#include <QTimer>

namespace camtrove::cli {
namespace {

using namespace camtrove::app;

class WindowlessHost final : public WindowlessSourcesHost, public GrabPanelHost
{
public:
    void ShowGrabPanel() override {}
    [[nodiscard]] QSize DisplayRatio() const override { return {0, 0}; }
    [[nodiscard]] CaptureRecord SourceTexts() const override { return record; }
    void RefreshStatusTexts() override {}
    void PlayBeep(int) override {}

    CaptureRecord record;
};

// Replaces an existing picture (the old one goes to the trash) and says so; prints messages.
class PrintingPrompter final : public platform::Prompter
{
public:
    platform::PromptAnswer Ask(const QString& text, platform::PromptButtons) override
    {
        PrintLine(text.section(QStringLiteral("\r\n"), 0, 0) + QStringLiteral(" Yes."));
        return platform::PromptAnswer::Yes;
    }
    void Inform(const QString& text) override
    {
        PrintError(QString(text).replace(QStringLiteral("\r\n"), " "));
    }
};

struct SnapshotArgs
{
    QString exeDir;
    std::optional<QString> video;
    std::optional<QString> folder;
    int count = 1;
    int every = 0; // seconds; 0 grabs at once, one picture after the other
    std::optional<int> jpegQuality;
};

std::optional<SnapshotArgs> ParseArgs(const QStringList& args)
{
    SnapshotArgs parsed{QCoreApplication::applicationDirPath()};
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (i + 1 >= args.size())
            return std::nullopt;
        const QString value = args[++i];
        bool number = true;
        if (arg == QLatin1String("--exe-dir"))
            parsed.exeDir = value;
        else if (arg == QLatin1String("--video"))
            parsed.video = value;
        else if (arg == QLatin1String("--folder"))
            parsed.folder = value;
        else if (arg == QLatin1String("--count"))
            parsed.count = value.toInt(&number);
        else if (arg == QLatin1String("--every"))
            parsed.every = value.toInt(&number);
        else if (arg == QLatin1String("--jpeg"))
            parsed.jpegQuality = value.toInt(&number);
        else
            return std::nullopt;
        if (!number)
            return std::nullopt;
    }
    if (parsed.count < 1 || parsed.every < 0 ||
        (parsed.jpegQuality && (*parsed.jpegQuality < 1 || *parsed.jpegQuality > 100)))
        return std::nullopt;
    return parsed;
}

int Run(const QStringList& args)
{
    const auto parsed = ParseArgs(args);
    if (!parsed) {
        PrintError(QStringLiteral("usage: camtrove-cli snapshot [--video NAME] [--count N] [--every SECONDS] "
                                  "[--jpeg QUALITY] [--folder DIR] [--exe-dir DIR]"));
        return kExitBadInput;
    }
    const settings::TStoreLocation location{QDir(parsed->exeDir).absolutePath() + QLatin1Char('/'),
                                            QCoreApplication::applicationFilePath(),
                                            platform::Registry::DefaultFolder()};
    settings::PreferenceCatalogue prefs(location);
    if (!prefs.Build())
        PrintError(QStringLiteral("the store cannot be read; using the defaults"));
    if (parsed->folder)
        prefs.ImageDirectory->value = QDir(*parsed->folder).absolutePath();
    if (parsed->jpegQuality) {
        prefs.ExtensionDesImages->value = 1;
        prefs.JpegQuality->value = *parsed->jpegQuality;
    }

    graph::Tdm dm;
    PreviewOnlyCaptureControl capture;
    WindowlessHost host;
    NoEncoders encoders;
    DiscardingTrace trace;
    SourcesPanelModel sources(dm, prefs, capture, host, encoders, trace);
    const QString error = InitialiseSources(dm, sources, prefs, trace);
    if (!error.isEmpty()) {
        PrintError(error.trimmed());
        return kExitFailure;
    }
    if (parsed->video)
        sources.OnVideoListChange(*parsed->video);
    if (!dm.ActiveVideoSource) {
        PrintError(QStringLiteral("no video source to take pictures from"));
        return kExitFailure;
    }
    host.record = {sources.VideoList.Text, sources.AudioList.Text, sources.EntryList.Text,
                   sources.FormatList.Text};

    if (!QDir().mkpath(prefs.ImageDirectory->value)) {
        PrintError(QStringLiteral("cannot make the folder %1").arg(prefs.ImageDirectory->value));
        return kExitFailure;
    }
    OutputNaming naming(prefs, Now());
    platform::DesktopShell shell;
    PrintingPrompter prompter;
    CapturedFilesList files(shell, prompter);
    GrabPanelModel grab(dm, prefs, naming, files, prompter, host);

    // The filter posts from its streaming thread; the messages are handled here, in the event loop.
    QObject receiver;
    filters::QueuedMessageSink sink(&receiver,
                                    [&](std::uint32_t message, std::intptr_t, std::intptr_t lParam) {
                                        if (message != filters::WM_IMAGEGRABBED)
                                            return;
                                        grab.OnImageGrabbed(static_cast<int>(lParam));
                                        if (static_cast<int>(files.Items().size()) >= parsed->count)
                                            QCoreApplication::quit();
                                        else if (parsed->every == 0)
                                            grab.RequestGrab();
                                    });
    dm.Superposer->SetMessageSink(&sink);
    if (parsed->every > 0) {
        prefs.ValeurIntervallometre->value = parsed->every;
        prefs.UnitesIntervallometre->value = static_cast<int>(IntervalUnit::Seconds);
        if (!grab.SetIntervalometer(true))
            return kExitFailure;
    } else {
        grab.RequestGrab();
    }
    // A source that delivers nothing would otherwise keep the command waiting for ever.
    const int limitMs = (parsed->every * parsed->count + 10) * 1000;
    bool timedOut = false;
    QTimer::singleShot(limitMs, [&] {
        timedOut = true;
        QCoreApplication::quit();
    });
    QCoreApplication::exec();
    dm.StopGraph();
    dm.Superposer->SetMessageSink(nullptr);

    for (const TDataFichier& item : files.Items())
        PrintLine(item.path);
    if (timedOut) {
        PrintError(QStringLiteral("the video source delivered %1 of %2 pictures")
                       .arg(files.Items().size())
                       .arg(parsed->count));
        return kExitFailure;
    }
    return kExitOk;
}

const CliCommandRegistration kRegistration{
    CliCommand{"snapshot",
               "[--video NAME] [--count N] [--every SECONDS] [--jpeg QUALITY] [--folder DIR] [--exe-dir DIR]",
               "save pictures from the preview of the video source, at once or every N seconds", &Run, true}};

} // namespace
} // namespace camtrove::cli
