#pragma once
// What the settings panel's changes ask of the window around it.

#include "settings/save_preferences.h"

namespace camtrove::app {

class OptionsPanelHost
{
public:
    virtual ~OptionsPanelHost() = default;
    // "Notifier" changed: the graph's device-lost handling follows it.
    virtual void NotifierChanged(bool notify) = 0;
    // "Activer Superposition" changed: the inlay and flip commands are shown or hidden with it.
    virtual void SuperpositionAllowed(bool allowed) = 0;
    // The snapshot type changed: the next snapshot name takes its extension.
    virtual void SnapshotExtensionChanged() = 0;
    // The store mode chosen on the panel.
    virtual void SetStoreMode(settings::TSavePreferences mode) = 0;
};

} // namespace camtrove::app
