#pragma once
// What the desktop does with a file: open it in its application, show it selected in the file
// manager, start a program. The main window and camtrove-cli use the desktop's; tests give their
// own to see what was asked.

#include <QString>
#include <QStringList>

namespace camtrove::platform {

class Shell
{
public:
    virtual ~Shell() = default;
    // The file or folder in the application the desktop associates with it.
    virtual bool Open(const QString& path) = 0;
    // The file manager's window of the file's folder, with the file selected.
    virtual bool ShowInFolder(const QString& path) = 0;
    // Starts a program that outlives the call.
    virtual bool Start(const QString& program, const QStringList& arguments) = 0;
};

// The freedesktop shell: xdg-open, and the file manager's ShowItems over D-Bus, falling back to
// opening the folder when no file manager answers.
class DesktopShell final : public Shell
{
public:
    bool Open(const QString& path) override;
    bool ShowInFolder(const QString& path) override;
    bool Start(const QString& program, const QStringList& arguments) override;
};

} // namespace camtrove::platform
