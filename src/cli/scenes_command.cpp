// camtrove-cli scenes FILE [--scn SCENEFILE]: plays a raw DV file through the test camcorder,
// unclocked, into the scene detection filter, as a DV capture does; lists the scenes and writes
// the scene file.

#include "cli/cli_command.h"
#include "cli/dv_text.h"
#include "filters/ct_scene_detect.h"
#include "filters/ecrire_scnunit.h"
#include "media/core/filter_graph.h"
#include "media/devices/test_camcorder.h"
#include "media/stock/null_renderer.h"

#include <QFileInfo>

#include <mutex>
#include <vector>

namespace camtrove::cli {
namespace {

using filters::TSceneFrameInfo;

// The scene callback is a plain procedure: it writes the scene file and keeps the scene here.
// It runs on the streaming thread and, for the last scene, on this one at Stop.
std::mutex g_scenesMutex;
std::vector<std::pair<TSceneFrameInfo, TSceneFrameInfo>> g_scenes;

void OnScene(const TSceneFrameInfo* start, const TSceneFrameInfo* current)
{
    filters::ScnAddScene(start, current);
    std::lock_guard lock(g_scenesMutex);
    g_scenes.emplace_back(*start, *current);
}

// Notes the aspect messages the filter posts, with the frame they came with.
class AspectLog final : public filters::WindowMessageSink
{
public:
    explicit AspectLog(filters::Tct_SceneDetect& detector) : m_detector(detector) {}
    void PostWindowMessage(std::uint32_t message, std::intptr_t, std::intptr_t wide) override
    {
        if (message != filters::WM_DVASPECT)
            return;
        const std::int64_t frame = std::int64_t{m_detector.Detector().Current().FrameCounter} - 1;
        std::lock_guard lock(m_mutex);
        m_lines << QStringLiteral("# frame %1: picture %2").arg(frame).arg(wide ? "16:9" : "4:3");
    }
    QStringList Lines()
    {
        std::lock_guard lock(m_mutex);
        return m_lines;
    }

private:
    filters::Tct_SceneDetect& m_detector;
    std::mutex m_mutex;
    QStringList m_lines;
};

QString DefaultSceneFile(const QString& dvFile)
{
    const QFileInfo info(dvFile);
    return info.path() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral(".scn");
}

// Runs the graph until the tape ends; false with a message on an error event.
bool PlayToTheEnd(media::FilterGraph& graph, QString* error)
{
    if (Failed(graph.Run())) {
        *error = QStringLiteral("the graph does not run");
        return false;
    }
    for (;;) {
        std::int32_t code = 0;
        media::LONG_PTR p1 = 0, p2 = 0;
        if (graph.GetEvent(&code, &p1, &p2, -1) != S_OK)
            continue;
        if (code == media::EC_COMPLETE)
            return true;
        if (code == media::EC_ERRORABORT || code == media::EC_STREAM_ERROR_STOPPED) {
            *error = QStringLiteral("the tape stopped with error 0x%1")
                         .arg(static_cast<quint32>(p1), 8, 16, QLatin1Char('0'));
            return false;
        }
    }
}

int RunScenes(const QStringList& args)
{
    const QString usage = QStringLiteral("usage: camtrove-cli scenes FILE [--scn SCENEFILE]");
    QString dvFile;
    QString sceneFile;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--scn") && i + 1 < args.size())
            sceneFile = args[++i];
        else if (dvFile.isEmpty() && !args[i].startsWith(QLatin1String("--")))
            dvFile = args[i];
        else {
            PrintError(usage);
            return kExitBadInput;
        }
    }
    if (dvFile.isEmpty()) {
        PrintError(usage);
        return kExitBadInput;
    }
    if (sceneFile.isEmpty())
        sceneFile = DefaultSceneFile(dvFile);

    media::TestCamcorderSettings settings;
    settings.tapeFile = dvFile;
    settings.clocked = false;
    const auto camcorder = media::TestCamcorder::Create(settings);
    if (!camcorder->TapeError().isEmpty()) {
        PrintError(camcorder->TapeError());
        return kExitBadInput;
    }
    if (!filters::ScnOpen(sceneFile)) {
        PrintError(QStringLiteral("cannot create the scene file \"%1\"").arg(sceneFile));
        return kExitFailure;
    }

    const media::ComPtr<filters::Tct_SceneDetect> detector(new filters::Tct_SceneDetect());
    const auto renderer = media::NullRenderer::Create();
    const auto graph = media::FilterGraph::Create();
    AspectLog aspects(*detector);
    {
        std::lock_guard lock(g_scenesMutex);
        g_scenes.clear();
    }
    detector->SetSceneCallback(&OnScene);
    detector->SetMessageSink(&aspects);

    QString error;
    const bool built = Succeeded(graph->AddFilter(camcorder.Get(), QStringLiteral("DV Source"))) &&
                       Succeeded(graph->AddFilter(detector.Get(), QStringLiteral("dv_Scenedetect"))) &&
                       Succeeded(graph->AddFilter(renderer.Get(), QStringLiteral("Renderer"))) &&
                       Succeeded(graph->ConnectDirect(camcorder->GetPin(0), detector->GetPin(0), nullptr)) &&
                       Succeeded(graph->ConnectDirect(detector->GetPin(1), renderer->GetPin(0), nullptr));
    bool played = false;
    if (!built)
        error = QStringLiteral("the scene detection graph cannot be built");
    else if (Succeeded(camcorder->put_Mode(media::ED_MODE_PLAY)))
        played = PlayToTheEnd(*graph, &error);
    // Stop hands the last scene to the callback.
    (void)graph->Stop();
    detector->SetSceneCallback(nullptr);
    detector->SetMessageSink(nullptr);
    filters::ScnClose();
    if (!played) {
        PrintError(error);
        return kExitFailure;
    }

    for (const QString& line : aspects.Lines())
        PrintLine(line);
    PrintLine(QStringLiteral("# first frame\tlast frame\trecording date"));
    std::lock_guard lock(g_scenesMutex);
    for (std::size_t i = 0; i < g_scenes.size(); ++i) {
        const auto& [start, end] = g_scenes[i];
        // The first scene's start record is taken after its first frame was counted.
        const std::uint32_t first = i == 0 ? 0 : start.FrameCounter;
        PrintLine(
            QStringList{QString::number(first), QString::number(end.FrameCounter - 1), DateText(start)}.join(
                QLatin1Char('\t')));
    }
    PrintLine(QStringLiteral("# %1 frames, %2 scenes, scene file %3")
                  .arg(camcorder->Transport().FrameCount())
                  .arg(g_scenes.size())
                  .arg(sceneFile));
    return kExitOk;
}

const CliCommandRegistration kRegistration{{
    "scenes",
    "FILE [--scn SCENEFILE]",
    "plays a raw DV file through the test camcorder into the scene detection filter, lists the scenes "
    "by recording date and writes the scene file (default FILE.scn)",
    RunScenes,
}};

} // namespace
} // namespace camtrove::cli
