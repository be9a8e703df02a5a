#pragma once
// The compressor "DV Video Encoder": RGB24 (bottom-up) or YUY2 pictures in, dvsd frames out, on
// libavcodec's dvvideo encoder. IDVEnc chooses the line system: PAL gives 720x576 frames, NTSC
// 720x480. A picture of another size is scaled to the DV frame: a webcam captured to DV gives a
// file rather than a refused connection. Encoding runs on the upstream streaming thread; the
// setting may change only while the filter is stopped and applies at the next connection.

#include "media/base/transform_filter.h"
#include "media/core/dv_interfaces.h"

#include <atomic>
#include <memory>

namespace camtrove::media {

struct DvEncoderState;

class DvVideoEncoder final : public TBCTransformFilter, public IDVEnc
{
public:
    [[nodiscard]] static ComPtr<DvVideoEncoder> Create();
    ~DvVideoEncoder() override;

    HRESULT NonDelegatingQueryInterface(const GUID& iid, void** object) override;

    // IDVEnc
    HRESULT get_IFormatResolution(int* videoFormat, int* dvFormat, int* resolution, bool wantDvInfo,
                                  DVINFO* dvInfo) override;
    HRESULT put_IFormatResolution(int videoFormat, int dvFormat, int resolution, bool setDvInfo,
                                  const DVINFO* dvInfo) override;

    HRESULT CheckInputType(const AM_MEDIA_TYPE& type) override;
    HRESULT CheckTransform(const AM_MEDIA_TYPE& input, const AM_MEDIA_TYPE& output) override;
    HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
    HRESULT StartStreaming() override;
    HRESULT StopStreaming() override;
    HRESULT Transform(IMediaSample* input, IMediaSample* output) override;

private:
    DvVideoEncoder();

    [[nodiscard]] bool OutputIs625() const;

    std::atomic<bool> m_pal{true};
    std::unique_ptr<DvEncoderState> m_state;
};

} // namespace camtrove::media
