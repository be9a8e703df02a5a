// camtrove-cli capture: opens the capture devices as the application does at start-up, captures
// through the same capture control as the window (its questions answered by --yes or --no), cuts
// every few seconds when asked, and lists the captured files with their properties.

#include "app/capture/capture_control.h"
#include "app/capture/tdm_capture_chains.h"
#include "app/panels/captured_files_list.h"
#include "app/panels/deferred_initialisation.h"
#include "app/panels/sources_panel_model.h"
#include "cli/cli_command.h"
#include "cli/windowless_host.h"
#include "graph/capture_formats.h"
#include "graph/sources.h"
#include "platform/prompter.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "settings/catalogue.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <chrono>
#include <optional>
#include <thread>

namespace camtrove::cli {
namespace {

using namespace camtrove::app;
using namespace camtrove::graph;
using namespace camtrove::settings;

// The answer given on the command line, or none: a question is then an error.
class CommandLinePrompter final : public platform::Prompter
{
public:
    explicit CommandLinePrompter(std::optional<platform::PromptAnswer> answer) : m_answer(answer) {}
    platform::PromptAnswer Ask(const QString& text, platform::PromptButtons) override
    {
        PrintLine(QStringLiteral("question: ") + OneLine(text));
        if (m_answer)
            return *m_answer;
        unanswered = true;
        return platform::PromptAnswer::No;
    }
    void Inform(const QString& text) override { PrintLine(QStringLiteral("message: ") + OneLine(text)); }
    static QString OneLine(QString text) { return text.replace(QStringLiteral("\r\n"), QStringLiteral(" ")); }

    bool unanswered = false;

private:
    std::optional<platform::PromptAnswer> m_answer;
};

// Nothing is opened on a desktop from here.
class NoDesktop final : public platform::Shell
{
public:
    bool Open(const QString&) override { return false; }
    bool ShowInFolder(const QString&) override { return false; }
    bool Start(const QString&, const QStringList&) override { return false; }
};

struct CaptureArgs
{
    QString exeDir;
    std::optional<QString> video;
    std::optional<QString> audio;
    std::optional<QString> format;
    double seconds = 10;
    double cutEvery = 0;
    std::optional<QString> folder;
    std::optional<QString> root;
    bool noDate = false;
    bool scn = false;
    bool play = true;
    std::optional<platform::PromptAnswer> answer;
};

std::optional<double> PositiveNumber(const QString& text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok && value > 0 ? std::optional(value) : std::nullopt;
}

std::optional<CaptureArgs> ParseArgs(const QStringList& args)
{
    CaptureArgs parsed;
    parsed.exeDir = QCoreApplication::applicationDirPath();
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == QLatin1String("--exe-dir") && hasValue) {
            parsed.exeDir = args[++i];
        } else if (arg == QLatin1String("--video") && hasValue) {
            parsed.video = args[++i];
        } else if (arg == QLatin1String("--audio") && hasValue) {
            parsed.audio = args[++i];
        } else if (arg == QLatin1String("--format") && hasValue) {
            parsed.format = args[++i];
        } else if (arg == QLatin1String("--folder") && hasValue) {
            parsed.folder = args[++i];
        } else if (arg == QLatin1String("--root") && hasValue) {
            parsed.root = args[++i];
        } else if ((arg == QLatin1String("--seconds") || arg == QLatin1String("--cut-every")) && hasValue) {
            const auto value = PositiveNumber(args[++i]);
            if (!value)
                return std::nullopt;
            (arg == QLatin1String("--seconds") ? parsed.seconds : parsed.cutEvery) = *value;
        } else if (arg == QLatin1String("--no-date")) {
            parsed.noDate = true;
        } else if (arg == QLatin1String("--scn")) {
            parsed.scn = true;
        } else if (arg == QLatin1String("--no-play")) {
            parsed.play = false;
        } else if (arg == QLatin1String("--yes")) {
            parsed.answer = platform::PromptAnswer::Yes;
        } else if (arg == QLatin1String("--no")) {
            parsed.answer = platform::PromptAnswer::No;
        } else {
            return std::nullopt;
        }
    }
    return parsed;
}

// A camcorder's tape plays once the capture runs, so that the file holds pictures.
void PlayTape(const Tdm& dm)
{
    const TVideoSource* video = dm.ActiveVideoSource;
    if (!video || !video->CamcorderWindow || !video->CamcorderWindow->Transport || !video->VCR)
        return;
    if (Failed(video->CamcorderWindow->Transport->put_Mode(media::ED_MODE_PLAY)))
        PrintError(QStringLiteral("the camcorder's tape does not play"));
}

// The scenes of a scene file as its records store them: the first one's end, then each later
// one's start and length.
QStringList SceneLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.readAll();
    if (data.size() < 65)
        return {};
    const int length = static_cast<std::uint8_t>(data[24]);
    const auto int32At = [&data](qsizetype at) {
        return at + 4 <= data.size() ? qFromLittleEndian<qint32>(data.constData() + at) : -1;
    };
    const int count = qFromLittleEndian<quint16>(data.constData() + 33 + length);
    QStringList lines{QStringLiteral("%1 scenes").arg(count)};
    qsizetype at = 65 + length;
    if (count > 0) {
        lines << QStringLiteral("scene 1: end %1").arg(int32At(at));
        at += 23 + length;
    }
    for (int i = 2; i <= count; ++i, at += 35) {
        lines << QStringLiteral("scene %1: start %2, length %3")
                     .arg(i)
                     .arg(int32At(at + 9))
                     .arg(int32At(at + 13));
    }
    return lines;
}

void PrintFiles(const CapturedFilesList& files)
{
    PrintLine(files.CountText());
    for (const TDataFichier& item : files.Items()) {
        PrintLine(QStringLiteral("file: ") + item.path);
        for (const QString& line : CapturedFilesList::PropertiesText(item).split(QStringLiteral("\r\n")))
            if (!line.isEmpty())
                PrintLine(QStringLiteral("  ") + line);
        const QString scenes = CaptureControl::SceneFileOf(item.path);
        if (!QFileInfo::exists(scenes))
            continue;
        PrintLine(QStringLiteral("  Scene File: ") + scenes);
        for (const QString& line : SceneLines(scenes))
            PrintLine(QStringLiteral("    ") + line);
    }
}

int Run(const QStringList& args)
{
    const auto parsed = ParseArgs(args);
    if (!parsed) {
        PrintError(QStringLiteral("usage: camtrove-cli capture [--video NAME] [--audio NAME] [--format NAME] "
                                  "[--seconds N] [--cut-every N] [--folder DIR] [--root NAME] [--no-date] "
                                  "[--scn] [--no-play] [--yes|--no] [--exe-dir DIR]"));
        return kExitBadInput;
    }
    const TStoreLocation location{WithTrailingSlash(QDir(parsed->exeDir).absolutePath()),
                                  QCoreApplication::applicationFilePath(),
                                  platform::Registry::DefaultFolder()};
    PreferenceCatalogue prefs(location);
    if (!prefs.Build())
        PrintError(QStringLiteral("the store cannot be read; using the defaults"));
    if (parsed->folder)
        prefs.VideoDirectory->value = QDir(*parsed->folder).absolutePath();
    if (parsed->root)
        prefs.VideoRacine->value = *parsed->root;
    if (parsed->noDate)
        prefs.VideoDate->value = false;
    if (parsed->scn)
        prefs.Scn->value = true;

    Tdm dm;
    TdmCaptureChains chains(dm, prefs);
    CommandLinePrompter prompter(parsed->answer);
    NoDesktop desktop;
    CapturedFilesList files(desktop, prompter);
    CaptureControl control(dm, prefs, chains, files, prompter, [] { return Now(); });
    WindowlessSourcesHost host;
    NoEncoders encoders;
    DiscardingTrace trace;
    SourcesPanelModel model(dm, prefs, control, host, encoders, trace);
    control.SetSources(&model);
    control.EnterIdleState();

    const QString error = InitialiseSources(dm, model, prefs, trace);
    if (!error.isEmpty()) {
        PrintError(error.trimmed());
        return kExitFailure;
    }
    if (parsed->video)
        model.OnVideoListChange(*parsed->video);
    if (parsed->audio)
        model.OnAudioListChange(*parsed->audio);
    if (parsed->format) {
        model.OnFormatChosen(*parsed->format);
        if (model.FormatList.Text != *parsed->format) {
            PrintError(
                QStringLiteral("the format \"%1\" is not offered for these sources").arg(*parsed->format));
            dm.StopGraph();
            return kExitFailure;
        }
    }
    PrintLine(QStringLiteral("capturing %1 into %2").arg(control.CaptureSummary(), control.NextVideoFile()));

    bool ok = true;
    control.CaptureToggle();
    if (control.CaptureState() != csCapturing) {
        PrintError(prompter.unanswered ? QStringLiteral("a question needs --yes or --no")
                                       : QStringLiteral("the capture did not start"));
        dm.StopGraph();
        return kExitFailure;
    }
    if (parsed->play)
        PlayTape(dm);

    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    const auto elapsed = [&start] { return std::chrono::duration<double>(Clock::now() - start).count(); };
    double nextCut = parsed->cutEvery;
    while (elapsed() < parsed->seconds) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        control.DroppedFramesTimer();
        if (parsed->cutEvery > 0 && elapsed() >= nextCut && elapsed() < parsed->seconds) {
            nextCut += parsed->cutEvery;
            if (!control.Cut()) {
                PrintError(QStringLiteral("the cut failed; the capture has stopped"));
                ok = false;
                break;
            }
            PrintLine(QStringLiteral("cut: now into ") + control.NextVideoFile());
        }
    }
    if (control.CaptureState() == csCapturing) {
        PrintLine(control.View().StatusPanels[2] + QStringLiteral(", ") + control.View().StatusPanels[3]);
        control.CaptureToggle();
        if (control.CaptureState() != csIdle) {
            PrintError(QStringLiteral("the capture did not stop cleanly: a source was lost"));
            ok = false;
        }
    }
    dm.StopGraph();
    if (prompter.unanswered) {
        PrintError(QStringLiteral("a question needs --yes or --no"));
        ok = false;
    }

    PrintFiles(files);
    for (const TDataFichier& item : files.Items())
        if (!QFileInfo::exists(item.path)) {
            PrintError(QStringLiteral("missing: ") + item.path);
            ok = false;
        }
    return ok && !files.Items().empty() ? kExitOk : kExitFailure;
}

const CliCommandRegistration kRegistration{CliCommand{
    "capture",
    "[--video NAME] [--audio NAME] [--format NAME] [--seconds N] [--cut-every N] [--folder DIR] [--root "
    "NAME] "
    "[--no-date] [--scn] [--no-play] [--yes|--no] [--exe-dir DIR]",
    "capture from the chosen sources for N seconds (10 by default), cutting every N seconds when asked, "
    "and list the files",
    &Run, true}};

} // namespace
} // namespace camtrove::cli
