#include "media/core/built_in_filters.h"
#include "media/core/filter_catalogue.h"

namespace camtrove::media {

void RegisterFileFilters(FilterCatalogue& /*catalogue*/) {}

} // namespace camtrove::media
