#include "app/panels/graph_preferences.h"

#include "settings/catalogue.h"

namespace camtrove::app {

graph::TdmPreferences GraphPreferencesOf(const settings::PreferenceCatalogue& preferences)
{
    graph::TdmPreferences graph;
    graph.mpeg2RatioNormal = preferences.Mpeg2RatioNormal->value;
    graph.videoInputSelect = preferences.VideoInputSelect->value;
    graph.standardDV = preferences.StandardDV->value;
    graph.frequenceDV = preferences.FrequenceDV->value;
    graph.ratioDV = preferences.RatioDV->value;
    graph.frequenceDVNative = preferences.FrequenceDVNative->value;
    graph.garderFormatDV = preferences.GarderFormatDV->value;
    return graph;
}

} // namespace camtrove::app
