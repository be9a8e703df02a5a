#include "media/core/built_in_filters.h"
#include "media/core/filter_catalogue.h"
#include "media/core/guids.h"
#include "media/stock/dv_muxer.h"
#include "media/stock/dv_splitter.h"
#include "media/stock/dv_video_decoder.h"
#include "media/stock/dv_video_encoder.h"
#include "media/stock/mjpeg_decompressor.h"

namespace camtrove::media {

namespace {
constexpr REGPINTYPES kInterleavedDv{MEDIATYPE_Interleaved, MEDIASUBTYPE_dvsd};
constexpr REGPINTYPES kVideoDv{MEDIATYPE_Video, MEDIASUBTYPE_dvsd};
constexpr REGPINTYPES kVideoMjpeg{MEDIATYPE_Video, MEDIASUBTYPE_MJPG};
constexpr REGPINTYPES kVideoRgb24{MEDIATYPE_Video, MEDIASUBTYPE_RGB24};
constexpr REGPINTYPES kVideoYuy2{MEDIATYPE_Video, MEDIASUBTYPE_YUY2};
constexpr REGPINTYPES kAudioPcm{MEDIATYPE_Audio, MEDIASUBTYPE_PCM};
} // namespace

void RegisterDvFilters(FilterCatalogue& catalogue)
{
    // The decompressors and the splitter are what Connect and the filter mapper insert between a
    // compressed source and a picture consumer.
    catalogue.Register({CLSID_DVVideoCodec,
                        "DV Video Decoder",
                        MERIT_NORMAL,
                        CLSID_LegacyAmFilterCategory,
                        {kVideoDv},
                        {kVideoRgb24, kVideoYuy2},
                        [] { return ComPtr<IBaseFilter>(DvVideoDecoder::Create()); }});
    catalogue.Register({CLSID_MjpegDec,
                        "MJPEG Decompressor",
                        MERIT_NORMAL,
                        CLSID_LegacyAmFilterCategory,
                        {kVideoMjpeg},
                        {kVideoRgb24, kVideoYuy2},
                        [] { return ComPtr<IBaseFilter>(MjpegDecompressor::Create()); }});
    catalogue.Register({CLSID_DVSplitter,
                        "DV Splitter",
                        MERIT_NORMAL,
                        CLSID_LegacyAmFilterCategory,
                        {kInterleavedDv},
                        {kVideoDv, kAudioPcm},
                        [] { return ComPtr<IBaseFilter>(DvSplitter::Create()); }});
    // A multiplexer and a compressor are chosen by name, never slipped into a connection.
    catalogue.Register({CLSID_DVMux,
                        "DV Muxer",
                        MERIT_DO_NOT_USE,
                        CLSID_LegacyAmFilterCategory,
                        {kVideoDv, kAudioPcm},
                        {kInterleavedDv},
                        [] { return ComPtr<IBaseFilter>(DvMuxer::Create()); }});
    catalogue.Register({CLSID_DVVideoEnc,
                        "DV Video Encoder",
                        MERIT_DO_NOT_USE,
                        CLSID_VideoCompressorCategory,
                        {kVideoRgb24, kVideoYuy2},
                        {kVideoDv},
                        [] { return ComPtr<IBaseFilter>(DvVideoEncoder::Create()); }});
}

} // namespace camtrove::media
