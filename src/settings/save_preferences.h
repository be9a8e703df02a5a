#pragma once
// The store mode shared by the parameter list and the preferences component, and the seam
// through which the quit sequence asks the user how to save.

#include <QString>

#include <cstdint>
#include <optional>

namespace camtrove::settings {

enum TSavePreferences : std::uint8_t
{
    spRegistre = 0, // the registry store, "Normal" in the interface
    spPortable = 1, // "Camtrove.ini" in the executable's folder
    spNone = 2,     // nothing is read or written
};

// Asks how to save the preferences at quit. The quit dialog implements it with widgets;
// tests and camtrove-cli answer without a window.
class SaveModePrompt
{
public:
    virtual ~SaveModePrompt() = default;
    // caption is the dialog's caption ("Saving the preferences of %s" with the title filled in).
    // No value means the dialog was closed without pressing a button.
    [[nodiscard]] virtual std::optional<TSavePreferences> AskSaveMode(const QString& caption) = 0;
};

} // namespace camtrove::settings
