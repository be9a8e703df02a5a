#include "media/core/built_in_filters.h"
#include "media/core/filter_catalogue.h"
#include "media/devices/test_camcorder.h"

namespace camtrove::media {

void RegisterDevices(FilterCatalogue& catalogue)
{
    RegisterTestCamcorder(catalogue);
}

} // namespace camtrove::media
