#include "media/core/built_in_filters.h"
#include "media/core/filter_catalogue.h"
#include "media/core/guids.h"
#include "media/stock/infinite_pin_tee.h"
#include "media/stock/null_renderer.h"
#include "media/stock/sample_grabber.h"

namespace camtrove::media {

namespace {
constexpr REGPINTYPES kAnyType{GUID_NULL, GUID_NULL};
} // namespace

void RegisterStockFilters(FilterCatalogue& catalogue)
{
    // Tees, grabbers and renderers take anything; they are never picked as converters.
    catalogue.Register({CLSID_InfTee,
                        "Infinite Pin Tee Filter",
                        MERIT_DO_NOT_USE,
                        CLSID_LegacyAmFilterCategory,
                        {kAnyType},
                        {kAnyType},
                        [] { return ComPtr<IBaseFilter>(InfinitePinTee::Create()); }});
    catalogue.Register({CLSID_SampleGrabber,
                        "SampleGrabber",
                        MERIT_DO_NOT_USE,
                        CLSID_LegacyAmFilterCategory,
                        {kAnyType},
                        {kAnyType},
                        [] { return ComPtr<IBaseFilter>(SampleGrabber::Create()); }});
    catalogue.Register({CLSID_NullRenderer,
                        "Null Renderer",
                        MERIT_DO_NOT_USE,
                        CLSID_LegacyAmFilterCategory,
                        {kAnyType},
                        {},
                        [] { return ComPtr<IBaseFilter>(NullRenderer::Create()); }});
}

} // namespace camtrove::media
