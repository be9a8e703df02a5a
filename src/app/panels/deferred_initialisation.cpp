#include "app/panels/deferred_initialisation.h"

#include "app/panels/graph_preferences.h"
#include "app/panels/sources_panel_model.h"

namespace camtrove::app {

QString InitialiseSources(graph::Tdm& dm, SourcesPanelModel& model, settings::PreferenceCatalogue& prefs,
                          TraceSink& trace)
{
    QString error;
    dm.Preferences = GraphPreferencesOf(prefs);
    dm.EnumerateCrossbars();
    trace.TraceLine(QStringLiteral("populatecrossbar passed"));
    if (!dm.AttachRenderers())
        trace.TraceLine(QStringLiteral("renderers not attached"));
    model.LoadSourceChecks(prefs.SourcesExclues->value);

    if (model.ChargerDrivers())
        trace.TraceLine(QStringLiteral("ChargerDrivers passed"));
    else
        error += QStringLiteral("impossible to change the video sources") + QStringLiteral("\r\n");

    model.TransformAllowed = true;
    model.BatchActivation = true;
    model.activervideo(prefs.SourceVideo->value);
    trace.TraceLine(QStringLiteral("activervideo passed"));
    model.ActiverAudio(prefs.AudioSource->value);
    trace.TraceLine(QStringLiteral("activeraudio passed"));
    model.activerformatcapture(prefs.CaptureFormat->value);
    trace.TraceLine(QStringLiteral("activerformatcapture passed"));
    model.BatchActivation = false;
    (void)dm.RunGraph();
    trace.TraceLine(QStringLiteral("play passed"));

    if (!prefs.Notifier->value)
        model.RouteDeviceLost(true);
    if (prefs.PreviewLocked->value)
        model.SetPreviewLock(true);
    model.Initialising = false;
    return error;
}

} // namespace camtrove::app
