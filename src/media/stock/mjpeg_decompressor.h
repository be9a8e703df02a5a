#pragma once
// The MJPEG decompressor: motion-JPEG pictures of a webcam to RGB24 or YUY2 of the same size.

#include "media/stock/dv_libav_decoder.h"

namespace camtrove::media {

class MjpegDecompressor final : public LibavVideoDecoder
{
public:
    [[nodiscard]] static ComPtr<MjpegDecompressor> Create();

protected:
    bool AcceptsSubtype(const AM_MEDIA_TYPE& type) const override;

private:
    MjpegDecompressor();
};

} // namespace camtrove::media
