#pragma once
// The user's folders that stand for the Windows shell folders "My Video", "My Pictures" and
// "Personal". Empty when the system has none.

#include <QString>

namespace camtrove::settings {

struct TUserFolders
{
    QString videos;
    QString pictures;
    QString documents;

    // The XDG user folders.
    [[nodiscard]] static TUserFolders FromSystem();
};

} // namespace camtrove::settings
