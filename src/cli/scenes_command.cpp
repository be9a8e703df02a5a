// camtrove-cli scenes FILE [--scn SCENEFILE]: splits a raw DV file into scenes by its recording
// dates, as a capture does, writes the scene file and lists the scenes.

#include "cli/cli_command.h"
#include "cli/dv_text.h"
#include "filters/ecrire_scnunit.h"
#include "filters/scene_detector.h"
#include "media/devices/raw_dv_file_reader.h"

#include <QFileInfo>

#include <vector>

namespace camtrove::cli {
namespace {

using filters::TSceneFrameInfo;

// The scene callback is a plain procedure: it writes the scene file and keeps the scene here.
std::vector<std::pair<TSceneFrameInfo, TSceneFrameInfo>> g_scenes;

void OnScene(const TSceneFrameInfo* start, const TSceneFrameInfo* current)
{
    filters::ScnAddScene(start, current);
    g_scenes.emplace_back(*start, *current);
}

QString DefaultSceneFile(const QString& dvFile)
{
    const QFileInfo info(dvFile);
    return info.path() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral(".scn");
}

int RunScenes(const QStringList& args)
{
    QString dvFile;
    QString sceneFile;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--scn") && i + 1 < args.size())
            sceneFile = args[++i];
        else if (dvFile.isEmpty() && !args[i].startsWith(QLatin1String("--")))
            dvFile = args[i];
        else {
            PrintError(QStringLiteral("usage: camtrove-cli scenes FILE [--scn SCENEFILE]"));
            return kExitBadInput;
        }
    }
    if (dvFile.isEmpty()) {
        PrintError(QStringLiteral("usage: camtrove-cli scenes FILE [--scn SCENEFILE]"));
        return kExitBadInput;
    }
    if (sceneFile.isEmpty())
        sceneFile = DefaultSceneFile(dvFile);

    media::RawDvFileReader reader;
    if (!reader.Open(dvFile)) {
        PrintError(reader.ErrorText());
        return kExitBadInput;
    }
    if (!filters::ScnOpen(sceneFile)) {
        PrintError(QStringLiteral("cannot create the scene file \"%1\"").arg(sceneFile));
        return kExitFailure;
    }

    g_scenes.clear();
    filters::SceneDetector detector;
    detector.SetSceneCallback(&OnScene);
    std::int64_t frames = 0;
    std::int64_t startTime = 0;
    int status = kExitOk;
    for (;;) {
        const auto next = reader.Next();
        if (next == media::RawDvFileReader::Status::Error) {
            PrintError(reader.ErrorText());
            status = kExitBadInput;
            break;
        }
        if (next == media::RawDvFileReader::Status::Truncated)
            PrintError(QStringLiteral("frame %1 is truncated and skipped").arg(frames));
        if (next != media::RawDvFileReader::Status::Frame)
            break;
        const auto result = detector.ProcessFrame(reader.Frame(), startTime);
        if (result.AspectChanged)
            PrintLine(QStringLiteral("# frame %1: picture %2").arg(frames).arg(result.Wide ? "16:9" : "4:3"));
        // Frame times as the camcorder delivers them: 25 or 30000/1001 frames a second.
        startTime += detector.Current().System == 0 ? 400000 : 333667;
        ++frames;
    }
    detector.CloseLastScene();
    detector.Reset();
    detector.SetSceneCallback(nullptr);
    filters::ScnClose();

    PrintLine(QStringLiteral("# scene\tfirst frame\tframes\trecording date\ttimecode"));
    for (std::size_t i = 0; i < g_scenes.size(); ++i) {
        const auto& [start, end] = g_scenes[i];
        // The first scene's start record is taken after its first frame was counted.
        const std::uint32_t first = i == 0 ? 0 : start.FrameCounter;
        PrintLine(QStringList{QString::number(i + 1), QString::number(first),
                              QString::number(end.FrameCounter - first), DateText(start), TimecodeText(start)}
                      .join(QLatin1Char('\t')));
    }
    PrintLine(QStringLiteral("# %1 frames, %2 scenes, scene file %3")
                  .arg(frames)
                  .arg(g_scenes.size())
                  .arg(sceneFile));
    return status;
}

const CliCommandRegistration kRegistration{{
    "scenes",
    "FILE [--scn SCENEFILE]",
    "splits a raw DV file into scenes by recording date and writes its scene file (default FILE.scn)",
    RunScenes,
}};

} // namespace
} // namespace camtrove::cli
