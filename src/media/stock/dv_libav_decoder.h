#pragma once
// A video decompressor on a libavcodec decoder: one compressed video input, one output of RGB24
// (bottom-up, the framework's layout) or YUY2, converted by libswscale, at a size the subclass
// chooses. The DV Video Decoder and the MJPEG decompressor are this filter with their codec.
// Decoding runs on the upstream streaming thread; the codec lives from StartStreaming to
// StopStreaming.

#include "media/base/transform_filter.h"

#include <memory>
#include <vector>

namespace camtrove::media {

struct LibavDecoderState;

class LibavVideoDecoder : public TBCTransformFilter
{
public:
    ~LibavVideoDecoder() override;

    HRESULT CheckInputType(const AM_MEDIA_TYPE& type) override;
    HRESULT CheckTransform(const AM_MEDIA_TYPE& input, const AM_MEDIA_TYPE& output) override;
    HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
    HRESULT StartStreaming() override;
    HRESULT StopStreaming() override;
    HRESULT Transform(IMediaSample* input, IMediaSample* output) override;

protected:
    LibavVideoDecoder(QString name, const GUID& classId, int codecId);

    // Whether the compressed type is this decoder's; the frame has a VIDEOINFOHEADER by then.
    [[nodiscard]] virtual bool AcceptsSubtype(const AM_MEDIA_TYPE& type) const = 0;
    // The picture size given for a compressed picture of the given size.
    [[nodiscard]] virtual std::pair<int, int> OutputSize(int width, int height) const
    {
        return {width, height};
    }

private:
    [[nodiscard]] std::pair<int, int> InputSize() const;

    int m_codecId;
    std::unique_ptr<LibavDecoderState> m_state;
};

} // namespace camtrove::media
