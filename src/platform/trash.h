#pragma once
// Moving a replaced file to the freedesktop trash, where the user can take it back.

#include <QString>

namespace camtrove::platform {

// False when the file stays where it is. The user's data folder is made first when missing:
// without it Qt places the trash beside the working folder.
[[nodiscard]] bool MoveToTrash(const QString& path);

} // namespace camtrove::platform
