#pragma once
// Where the stores of one program live. The program passes its own folder and path; tests and
// camtrove-cli pass others, so nothing here reads the running process.

#include <QString>

namespace camtrove::settings {

struct TStoreLocation
{
    QString exeDir;         // the executable's folder, ending with "/"
    QString exeName;        // full path of the running executable, written under "ExeName"
    QString registryFolder; // folder of the registry store's files

    [[nodiscard]] QString IniFilePath(const QString& titre) const
    {
        return exeDir + titre + QStringLiteral(".ini");
    }
};

// The running program's location: its own folder and path, the default registry folder.
[[nodiscard]] TStoreLocation RunningProgramLocation();
// A folder with exactly one "/" at its end.
[[nodiscard]] QString WithTrailingSlash(const QString& folder);

inline const QString kTitre = QStringLiteral("Camtrove");
inline const QString kKeyPath = QStringLiteral("\\Software\\Dorn Vesk\\Camtrove");

} // namespace camtrove::settings
