#pragma once
// The graph module reads a few preferences while it activates sources and builds capture chains;
// they are copied to it from the catalogue before each of those steps.

#include "graph/tdm.h"

namespace camtrove::settings {
class PreferenceCatalogue;
}

namespace camtrove::app {

[[nodiscard]] graph::TdmPreferences GraphPreferencesOf(const settings::PreferenceCatalogue& preferences);

} // namespace camtrove::app
