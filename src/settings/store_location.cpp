#include "settings/store_location.h"

#include "platform/registry.h"

#include <QCoreApplication>

namespace camtrove::settings {

TStoreLocation RunningProgramLocation()
{
    return TStoreLocation{WithTrailingSlash(QCoreApplication::applicationDirPath()),
                          QCoreApplication::applicationFilePath(), platform::Registry::DefaultFolder()};
}

QString WithTrailingSlash(const QString& folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

} // namespace camtrove::settings
