// camtrove-cli setfps FILE FPS: gives an image-by-image AVI its playback rate, the way the window
// does when such a capture stops.

#include "cli/cli_command.h"
#include "filters/fpsunit.h"

#include <QLocale>

namespace camtrove::cli {
namespace {

using filters::AviFrameRateStatus;

int RunSetFps(const QStringList& args)
{
    if (args.size() != 2) {
        PrintError(QStringLiteral("usage: camtrove-cli setfps FILE FPS"));
        return kExitBadInput;
    }
    const QString& path = args[0];
    bool parsed = false;
    // Always a dot for the decimals, whatever the user's locale, so scripts read the same everywhere.
    const double fps = QLocale::c().toDouble(args[1].trimmed(), &parsed);
    if (!parsed) {
        PrintError(QStringLiteral("\"%1\" is not a number of images per second").arg(args[1]));
        return kExitBadInput;
    }

    const filters::AviFrameRateResult result = filters::SetAviFrameRate(path, fps);
    switch (result.status) {
    case AviFrameRateStatus::Written:
        PrintLine(QStringLiteral("scale %1 rate %2").arg(result.scale).arg(result.rate));
        return kExitOk;
    case AviFrameRateStatus::BadFrameRate:
    case AviFrameRateStatus::FileMissing:
    case AviFrameRateStatus::CannotRead:
        PrintError(result.message);
        return kExitBadInput;
    case AviFrameRateStatus::NoVideoStreamHeader:
    case AviFrameRateStatus::CannotWrite:
        break;
    }
    PrintError(result.message);
    return kExitFailure;
}

const CliCommandRegistration registration({
    "setfps",
    "FILE FPS",
    "give an AVI's video stream FPS images per second, rewriting its stream header in place",
    RunSetFps,
});

} // namespace
} // namespace camtrove::cli
