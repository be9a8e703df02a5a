#include "media/core/built_in_filters.h"
#include "media/core/filter_catalogue.h"
#include "media/core/guids.h"
#include "media/stock/audio_renderer.h"
#include "media/stock/color_space_converter.h"
#include "media/stock/infinite_pin_tee.h"
#include "media/stock/null_renderer.h"
#include "media/stock/sample_grabber.h"
#include "media/stock/smart_tee.h"
#include "media/stock/video_renderer.h"

namespace camtrove::media {

namespace {
constexpr REGPINTYPES kAnyType{GUID_NULL, GUID_NULL};

std::vector<REGPINTYPES> ConvertibleVideoTypes()
{
    std::vector<REGPINTYPES> types;
    for (const GUID& subtype : ConvertibleSubtypes())
        types.push_back({MEDIATYPE_Video, subtype});
    return types;
}
} // namespace

void RegisterStockFilters(FilterCatalogue& catalogue)
{
    // Tees, grabbers and renderers are never picked as converters.
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
    catalogue.Register({CLSID_SmartTee,
                        "Smart Tee",
                        MERIT_DO_NOT_USE,
                        CLSID_LegacyAmFilterCategory,
                        {kAnyType},
                        {kAnyType, kAnyType},
                        [] { return ComPtr<IBaseFilter>(SmartTee::Create()); }});
    catalogue.Register({CLSID_VideoRenderer,
                        "Video Renderer",
                        MERIT_DO_NOT_USE,
                        CLSID_LegacyAmFilterCategory,
                        {{MEDIATYPE_Video, MEDIASUBTYPE_RGB24}, {MEDIATYPE_Video, MEDIASUBTYPE_RGB32}},
                        {},
                        [] { return ComPtr<IBaseFilter>(VideoRenderer::Create()); }});
    catalogue.Register({CLSID_DSoundRender,
                        "Default DirectSound Device",
                        MERIT_DO_NOT_USE,
                        CLSID_LegacyAmFilterCategory,
                        {{MEDIATYPE_Audio, MEDIASUBTYPE_PCM}},
                        {},
                        [] { return ComPtr<IBaseFilter>(AudioRenderer::Create()); }});
    // Unlikely rather than normal: a decoder that reaches the wanted layout directly goes first.
    catalogue.Register({CLSID_Colour, "Color Space Converter", MERIT_UNLIKELY, CLSID_LegacyAmFilterCategory,
                        ConvertibleVideoTypes(), ConvertibleVideoTypes(),
                        [] { return ComPtr<IBaseFilter>(ColorSpaceConverter::Create()); }});
}

} // namespace camtrove::media
