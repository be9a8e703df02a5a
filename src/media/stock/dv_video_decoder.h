#pragma once
// The DV Video Decoder: dvsd pictures to RGB24 or YUY2 at full size, or at half size when
// IIPDVDec's display resolution says so (the preview of a capture that needs the processor for
// compression). The resolution is read when the output connects.

#include "media/core/dv_interfaces.h"
#include "media/stock/dv_libav_decoder.h"

#include <atomic>

namespace camtrove::media {

class DvVideoDecoder final : public LibavVideoDecoder, public IIPDVDec
{
public:
    [[nodiscard]] static ComPtr<DvVideoDecoder> Create();

    HRESULT NonDelegatingQueryInterface(const GUID& iid, void** object) override;

    // IIPDVDec: DVRESOLUTION_FULL or DVRESOLUTION_HALF.
    HRESULT get_IPDisplay(int* displayPix) override;
    HRESULT put_IPDisplay(int displayPix) override;

protected:
    bool AcceptsSubtype(const AM_MEDIA_TYPE& type) const override;
    std::pair<int, int> OutputSize(int width, int height) const override;

private:
    DvVideoDecoder();

    std::atomic<int> m_display{DVRESOLUTION_FULL};
};

} // namespace camtrove::media
