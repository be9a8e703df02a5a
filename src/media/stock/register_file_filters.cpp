#include "media/core/built_in_filters.h"
#include "media/core/filter_catalogue.h"
#include "media/core/guids.h"
#include "media/stock/acm_wrapper.h"
#include "media/stock/avi_mux.h"
#include "media/stock/file_writer.h"

namespace camtrove::media {

void RegisterFileFilters(FilterCatalogue& catalogue)
{
    // The writer and the multiplexer end a chain that the application builds by hand; Connect
    // must never insert them.
    catalogue.Register({CLSID_FileWriter,
                        "File writer",
                        MERIT_DO_NOT_USE,
                        CLSID_LegacyAmFilterCategory,
                        {{MEDIATYPE_Stream, GUID_NULL}},
                        {},
                        [] { return ComPtr<IBaseFilter>(FileWriter::Create()); }});
    catalogue.Register(
        {CLSID_AviDest,
         "AVI Mux",
         MERIT_DO_NOT_USE,
         CLSID_LegacyAmFilterCategory,
         {{MEDIATYPE_Interleaved, GUID_NULL}, {MEDIATYPE_Video, GUID_NULL}, {MEDIATYPE_Audio, GUID_NULL}},
         {{MEDIATYPE_Stream, MEDIASUBTYPE_Avi}},
         [] { return ComPtr<IBaseFilter>(AviMux::Create()); }});
    // A PCM converter that Connect may insert between two audio pins that do not agree.
    catalogue.Register({CLSID_ACMWrapper,
                        "ACM Wrapper",
                        MERIT_NORMAL,
                        CLSID_LegacyAmFilterCategory,
                        {{MEDIATYPE_Audio, MEDIASUBTYPE_PCM}},
                        {{MEDIATYPE_Audio, MEDIASUBTYPE_PCM}},
                        [] { return ComPtr<IBaseFilter>(AcmWrapper::Create()); }});
}

} // namespace camtrove::media
