#include "platform/shell.h"

#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace camtrove::platform {

bool DesktopShell::Open(const QString& path)
{
    return QProcess::startDetached(QStringLiteral("xdg-open"), {path});
}

bool DesktopShell::ShowInFolder(const QString& path)
{
    // Waiting for the reply tells whether a file manager took the call; it answers at once.
    QProcess call;
    call.start(QStringLiteral("dbus-send"),
               {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                QStringLiteral("--dest=org.freedesktop.FileManager1"), QStringLiteral("--type=method_call"),
                QStringLiteral("/org/freedesktop/FileManager1"),
                QStringLiteral("org.freedesktop.FileManager1.ShowItems"),
                // dbus-send splits an array at commas, which a file URL may escape.
                QStringLiteral("array:string:") + QUrl::fromLocalFile(path)
                                                      .toString(QUrl::FullyEncoded)
                                                      .replace(QLatin1Char(','), QStringLiteral("%2C")),
                QStringLiteral("string:")});
    constexpr int kReplyMilliseconds = 3000;
    if (call.waitForFinished(kReplyMilliseconds) && call.exitStatus() == QProcess::NormalExit &&
        call.exitCode() == 0)
        return true;
    call.kill();
    return Open(QFileInfo(path).absolutePath());
}

bool DesktopShell::Start(const QString& program, const QStringList& arguments)
{
    return QProcess::startDetached(program, arguments);
}

} // namespace camtrove::platform
