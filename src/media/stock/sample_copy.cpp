#include "media/stock/sample_copy.h"

#include "media/core/media_sample.h"

#include <cstring>

namespace camtrove::media {

ComPtr<IMediaSample> CopySampleFor(TBCBaseOutputPin* output, IMediaSample* source, std::uint32_t flags)
{
    REFERENCE_TIME start = 0, stop = 0;
    const HRESULT times = source->GetTime(&start, &stop);
    const bool hasStart = times == S_OK || times == VFW_S_NO_STOP_TIME;
    const bool hasStop = times == S_OK;
    ComPtr<IMediaSample> dest;
    if (Failed(
            output->GetDeliveryBuffer(&dest, hasStart ? &start : nullptr, hasStop ? &stop : nullptr, flags)))
        return {};
    const std::int32_t length = source->GetActualDataLength();
    std::uint8_t* from = nullptr;
    std::uint8_t* to = nullptr;
    if (length < 0 || dest->GetSize() < length || Failed(dest->SetActualDataLength(length)) ||
        Failed(source->GetPointer(&from)) || Failed(dest->GetPointer(&to)))
        return {};
    if (length > 0)
        std::memcpy(to, from, static_cast<std::size_t>(length));
    CopySampleProperties(source, dest.Get());
    return dest;
}

} // namespace camtrove::media
