#include "settings/user_folders.h"

#include <QStandardPaths>

namespace camtrove::settings {

TUserFolders TUserFolders::FromSystem()
{
    return TUserFolders{QStandardPaths::writableLocation(QStandardPaths::MoviesLocation),
                        QStandardPaths::writableLocation(QStandardPaths::PicturesLocation),
                        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)};
}

} // namespace camtrove::settings
