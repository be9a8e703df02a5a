// camtrove-cli testclip FILE [--frames N] [--pal]: writes the built-in test camcorder's tape as a
// raw DV file, every scene of its table unless told otherwise.

#include "cli/cli_command.h"
#include "media/devices/test_tape.h"
#include "media/devices/test_tape_clip.h"

namespace camtrove::cli {
namespace {

using media::TapeSystem;

int RunTestClip(const QStringList& args)
{
    QString path;
    int frames = media::TestTapeSceneFrames();
    TapeSystem system = TapeSystem::Ntsc;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--pal")) {
            system = TapeSystem::Pal;
        } else if (arg == QLatin1String("--frames")) {
            bool ok = false;
            frames = i + 1 < args.size() ? args[++i].toInt(&ok) : 0;
            if (!ok || frames < 1) {
                PrintError(QStringLiteral("--frames needs a whole number of frames, 1 or more"));
                return kExitBadInput;
            }
        } else if (path.isEmpty() && !arg.startsWith(QLatin1String("--"))) {
            path = arg;
        } else {
            PrintError(QStringLiteral("usage: camtrove-cli testclip FILE [--frames N] [--pal]"));
            return kExitBadInput;
        }
    }
    if (path.isEmpty()) {
        PrintError(QStringLiteral("usage: camtrove-cli testclip FILE [--frames N] [--pal]"));
        return kExitBadInput;
    }

    if (const auto error = media::WriteTestTapeClip(path, system, frames)) {
        PrintError(*error);
        return kExitFailure;
    }

    const bool ntsc = system == TapeSystem::Ntsc;
    const double seconds = ntsc ? frames * 1001.0 / 30000.0 : frames / 25.0;
    PrintLine(QStringLiteral("# wrote %1 %2 frames (%3 s of tape) to %4")
                  .arg(frames)
                  .arg(ntsc ? QStringLiteral("525/60") : QStringLiteral("625/50"))
                  .arg(seconds, 0, 'f', 1)
                  .arg(path));
    int first = 0;
    int number = 1;
    for (const media::TestTapeScene& scene : media::TestTapeScenes()) {
        if (first >= frames)
            break;
        const bool last = number == static_cast<int>(media::TestTapeScenes().size());
        const int length = last ? frames - first : std::min(scene.frames, frames - first);
        PrintLine(QStringLiteral("# scene %1: frames %2 to %3: %4")
                      .arg(number)
                      .arg(first)
                      .arg(first + length - 1)
                      .arg(QString::fromUtf8(scene.description)));
        first += length;
        ++number;
    }
    return kExitOk;
}

const CliCommandRegistration kRegistration{{
    "testclip",
    "FILE [--frames N] [--pal]",
    "write the test camcorder's tape (a moving pattern in scenes) as a raw DV file",
    RunTestClip,
}};

} // namespace
} // namespace camtrove::cli
