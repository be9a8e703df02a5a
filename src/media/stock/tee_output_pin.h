#pragma once
// What the outputs of both tees share: they carry the input's type once it has one, and offer the input's
// buffers downstream read-only, so every branch sees the same data without a copy, and fall back to a pool of
// their own (and a copy per sample) when the downstream pin will not take them.

#include "media/base/base_pin.h"

namespace camtrove::media {

class TeeOutputPin : public TBCBaseOutputPin
{
public:
    using TBCBaseOutputPin::TBCBaseOutputPin;

    // An output has nothing to carry before the input knows its type.
    HRESULT CheckConnect(IPin* pin) override;
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override;
    HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type) override;
    HRESULT BreakConnect() override;
    HRESULT DecideAllocator(IMemInputPin* pin, ComPtr<IMemAllocator>* allocator) override;
    // At least what the input's allocator holds, so a copy always fits.
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

    // Passes a sample on: the input's own buffer when shared, else a copy in this pin's buffer.
    [[nodiscard]] HRESULT DeliverCopyOrShare(IMediaSample* sample);
    // Offers the input's new buffers downstream after the input was given another allocator.
    [[nodiscard]] HRESULT RenewSharedAllocator(IMemAllocator* allocator);

protected:
    [[nodiscard]] virtual const TBCBaseInputPin& TeeInput() const = 0;
    // False for an output that writes into its samples and so needs buffers of its own.
    [[nodiscard]] virtual bool MayShareInputBuffers() const { return true; }

private:
    bool m_sharesInputBuffers = false;
};

} // namespace camtrove::media
