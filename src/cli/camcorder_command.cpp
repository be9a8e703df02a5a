// camtrove-cli camcorder [show | set OPTIONS | reset]: the built-in test camcorder's settings in
// the registry store, which every program run's camcorder reads when it is created.

#include "cli/cli_command.h"
#include "media/devices/test_camcorder.h"
#include "platform/registry.h"

#include <QFileInfo>

namespace camtrove::cli {
namespace {

const QString kUsage = QStringLiteral(
    "usage: camtrove-cli camcorder [show | reset | set [--tape FILE.dv | --synthetic] [--vcr | --camera] "
    "[--real-time | --unclocked] [--system pal|ntsc] [--frames N]]");

void Show(const media::TestCamcorderSettings& settings)
{
    PrintLine(QStringLiteral("tape\t%1")
                  .arg(settings.tapeFile.isEmpty() ? QStringLiteral("synthetic") : settings.tapeFile));
    PrintLine(QStringLiteral("device type\t%1").arg(settings.camera ? "camera" : "vcr"));
    PrintLine(QStringLiteral("timing\t%1").arg(settings.clocked ? "real time" : "unclocked"));
    PrintLine(QStringLiteral("synthetic tape\t%1, %2 frames")
                  .arg(settings.syntheticSystem == media::TapeSystem::Pal ? "PAL" : "NTSC")
                  .arg(settings.syntheticFrames));
}

// Applies the options to settings; false with a message for a bad one.
bool Apply(const QStringList& options, media::TestCamcorderSettings& settings)
{
    for (int i = 0; i < options.size(); ++i) {
        const QString& option = options[i];
        const bool hasValue = i + 1 < options.size();
        if (option == QLatin1String("--tape") && hasValue) {
            const QFileInfo file(options[++i]);
            if (!file.isFile()) {
                PrintError(QStringLiteral("no such DV file: %1").arg(options[i]));
                return false;
            }
            settings.tapeFile = file.absoluteFilePath();
        } else if (option == QLatin1String("--synthetic")) {
            settings.tapeFile.clear();
        } else if (option == QLatin1String("--vcr") || option == QLatin1String("--camera")) {
            settings.camera = option == QLatin1String("--camera");
        } else if (option == QLatin1String("--real-time") || option == QLatin1String("--unclocked")) {
            settings.clocked = option == QLatin1String("--real-time");
        } else if (option == QLatin1String("--system") && hasValue) {
            const QString system = options[++i].toLower();
            if (system != QLatin1String("pal") && system != QLatin1String("ntsc")) {
                PrintError(kUsage);
                return false;
            }
            settings.syntheticSystem =
                system == QLatin1String("pal") ? media::TapeSystem::Pal : media::TapeSystem::Ntsc;
        } else if (option == QLatin1String("--frames") && hasValue) {
            bool ok = false;
            const int frames = options[++i].toInt(&ok);
            if (!ok || frames < 1) {
                PrintError(QStringLiteral("--frames wants a whole number of frames above 0"));
                return false;
            }
            settings.syntheticFrames = frames;
        } else {
            PrintError(kUsage);
            return false;
        }
    }
    return true;
}

int RunCamcorder(const QStringList& args)
{
    const QString action = args.value(0, QStringLiteral("show"));
    platform::Registry registry;
    media::TestCamcorderSettings settings = media::LoadTestCamcorderSettings(registry);
    if (action == QLatin1String("show") && args.size() <= 1) {
        Show(settings);
        return kExitOk;
    }
    if (action == QLatin1String("reset") && args.size() == 1) {
        if (registry.KeyExists(QString::fromLatin1(media::kTestCamcorderKey)) &&
            !registry.DeleteKey(QString::fromLatin1(media::kTestCamcorderKey))) {
            PrintError(QStringLiteral("cannot write the registry store in %1").arg(registry.Folder()));
            return kExitFailure;
        }
        Show(media::TestCamcorderSettings());
        return kExitOk;
    }
    if (action != QLatin1String("set")) {
        PrintError(kUsage);
        return kExitBadInput;
    }
    if (!Apply(args.mid(1), settings))
        return kExitBadInput;
    if (!media::SaveTestCamcorderSettings(registry, settings)) {
        PrintError(QStringLiteral("cannot write the registry store in %1").arg(registry.Folder()));
        return kExitFailure;
    }
    Show(settings);
    return kExitOk;
}

const CliCommandRegistration kRegistration{{
    "camcorder",
    "[show | reset | set [--tape FILE.dv | --synthetic] [--vcr | --camera] [--real-time | --unclocked] "
    "[--system pal|ntsc] [--frames N]]",
    "shows or sets the built-in test camcorder's tape, device type and timing (kept in the registry store)",
    RunCamcorder,
}};

} // namespace
} // namespace camtrove::cli
