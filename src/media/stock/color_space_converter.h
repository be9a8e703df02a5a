#pragma once
// The Color Space Converter: a copy transform between the uncompressed video layouts (RGB32,
// RGB24, RGB565, RGB555, YUY2, UYVY, I420, YV12) at the same picture size, over libswscale.
// It is what Connect puts between a source and a renderer that do not share a layout. RGB
// pictures follow their bitmap header: bottom-up rows for a positive height.

#include "media/base/transform_filter.h"
#include "media/stock/picture_planes.h"

#include <memory>

struct SwsContext;

namespace camtrove::media {

class ColorSpaceConverter final : public TBCTransformFilter
{
public:
    [[nodiscard]] static ComPtr<ColorSpaceConverter> Create();
    ~ColorSpaceConverter() override;

    HRESULT CheckInputType(const AM_MEDIA_TYPE& type) override;
    HRESULT CheckTransform(const AM_MEDIA_TYPE& input, const AM_MEDIA_TYPE& output) override;
    HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
    HRESULT Transform(IMediaSample* input, IMediaSample* output) override;
    HRESULT StopStreaming() override;

private:
    ColorSpaceConverter();

    struct SwsFree
    {
        void operator()(SwsContext* context) const;
    };
    // Streaming thread, under the receive lock.
    std::unique_ptr<SwsContext, SwsFree> m_scaler;
};

} // namespace camtrove::media
