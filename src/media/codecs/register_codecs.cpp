#include "media/codecs/asf_writer.h"
#include "media/codecs/lame_mp3_encoder.h"
#include "media/codecs/mpeg1_audio_encoder.h"
#include "media/codecs/mpeg_ps_mux.h"
#include "media/core/built_in_filters.h"
#include "media/core/filter_catalogue.h"
#include "media/core/guids.h"

namespace camtrove::media {

void RegisterCodecs(FilterCatalogue& catalogue)
{
    // Encoders join a graph by name or class, never as a converter Connect finds on its own.
    catalogue.Register(
        {CLSID_LameMp3Encoder,
         "LAME Audio Encoder",
         MERIT_DO_NOT_USE,
         CLSID_AudioCompressorCategory,
         {{MEDIATYPE_Audio, MEDIASUBTYPE_PCM}},
         {{MEDIATYPE_Audio, MEDIASUBTYPE_MP3}, {MEDIATYPE_Audio, MEDIASUBTYPE_MPEG1AudioPayload}},
         [] { return ComPtr<IBaseFilter>(LameMp3Encoder::Create()); }});
    // The ASF writer ends a chain that SetOutputFileName makes; Connect must never insert it.
    catalogue.Register({CLSID_WMAsfWriter,
                        "WM ASF Writer",
                        MERIT_DO_NOT_USE,
                        CLSID_LegacyAmFilterCategory,
                        {{MEDIATYPE_Video, GUID_NULL}, {MEDIATYPE_Audio, MEDIASUBTYPE_PCM}},
                        {},
                        [] { return ComPtr<IBaseFilter>(AsfWriter::Create()); }});
    // The MPEG stream chain finds these through the filter mapper; Connect must never insert
    // them on its own.
    catalogue.Register({CLSID_Mpeg1AudioEncoder,
                        "MPEG-1 Audio Encoder",
                        MERIT_DO_NOT_USE,
                        CLSID_LegacyAmFilterCategory,
                        {{MEDIATYPE_Audio, MEDIASUBTYPE_PCM}},
                        {{MEDIATYPE_Audio, MEDIASUBTYPE_MPEG1Audio}},
                        [] { return ComPtr<IBaseFilter>(Mpeg1AudioEncoder::Create()); }});
    catalogue.Register(
        {CLSID_MpegPsMux,
         "MPEG Program Stream Multiplexer",
         MERIT_DO_NOT_USE,
         CLSID_LegacyAmFilterCategory,
         {{MEDIATYPE_Video, MEDIASUBTYPE_MPEG2_VIDEO},
          {MEDIATYPE_Video, MEDIASUBTYPE_MPEG1Payload},
          {MEDIATYPE_Audio, MEDIASUBTYPE_MPEG1Audio},
          {MEDIATYPE_Audio, MEDIASUBTYPE_MPEG1AudioPayload}},
         {{MEDIATYPE_Stream, MEDIASUBTYPE_MPEG2_PROGRAM}, {MEDIATYPE_Stream, MEDIASUBTYPE_MPEG1System}},
         [] { return ComPtr<IBaseFilter>(MpegPsMux::Create()); }});
}

} // namespace camtrove::media
