#pragma once
// How the parameter list decides the store at start: the ini file beside the executable; else a
// registry store written by this very executable; else none.

#include "settings/save_preferences.h"
#include "settings/store_location.h"

namespace camtrove::settings {

[[nodiscard]] TSavePreferences DecideStoreMode(const TStoreLocation& location);

// A leading oldBase (compared without letter case) replaced by newBase; the value unchanged when
// any of the three is empty.
[[nodiscard]] QString RebaseFolder(const QString& value, const QString& oldBase, const QString& newBase);

} // namespace camtrove::settings
