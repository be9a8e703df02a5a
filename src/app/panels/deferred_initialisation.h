#pragma once
// The part of the deferred start-up that opens the capture devices: the renderers and crossbars
// of the graph module, the device and source lists, the remembered video source, audio source and
// capture format activated in one batch, and the graph run. The main window calls it at its first
// idle moment, camtrove-cli before it reports; UI thread only.

#include <QString>

namespace camtrove::graph {
class Tdm;
}
namespace camtrove::settings {
class PreferenceCatalogue;
}

namespace camtrove::app {

class SourcesPanelModel;
class TraceSink;

// Ends with Initialising cleared. Gives the error panel's text: empty, or "impossible to change
// the video sources" and a line break when the devices could not be enumerated.
[[nodiscard]] QString InitialiseSources(graph::Tdm& dm, SourcesPanelModel& model,
                                        settings::PreferenceCatalogue& prefs, TraceSink& trace);

} // namespace camtrove::app
