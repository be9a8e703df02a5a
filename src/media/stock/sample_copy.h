#pragma once
// Copies a sample, data and properties, into a buffer of an output pin's allocator: what a tee
// branch gets when it cannot share the input's buffers.

#include "media/base/base_pin.h"

namespace camtrove::media {

// Null when no buffer is free (flags AM_GBF_NOWAIT) or none is large enough.
[[nodiscard]] ComPtr<IMediaSample> CopySampleFor(TBCBaseOutputPin* output, IMediaSample* source,
                                                 std::uint32_t flags = 0);

} // namespace camtrove::media
