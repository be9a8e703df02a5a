#include "media/stock/mjpeg_decompressor.h"

#include "media/core/guids.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace camtrove::media {

MjpegDecompressor::MjpegDecompressor()
    : LibavVideoDecoder(QStringLiteral("MJPEG Decompressor"), CLSID_MjpegDec, AV_CODEC_ID_MJPEG)
{
}

ComPtr<MjpegDecompressor> MjpegDecompressor::Create()
{
    return ComPtr<MjpegDecompressor>(new MjpegDecompressor());
}

bool MjpegDecompressor::AcceptsSubtype(const AM_MEDIA_TYPE& type) const
{
    return type.subtype == MEDIASUBTYPE_MJPG;
}

} // namespace camtrove::media
