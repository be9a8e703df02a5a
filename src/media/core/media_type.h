#pragma once
// AM_MEDIA_TYPE: the description of a stream a connection carries. Owns its format block.

#include "media/core/format_blocks.h"
#include "media/core/guid.h"

#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace camtrove::media {

struct AM_MEDIA_TYPE
{
    GUID majortype;
    GUID subtype;
    bool bFixedSizeSamples = false;
    bool bTemporalCompression = false;
    std::uint32_t lSampleSize = 0;
    GUID formattype;
    std::vector<std::uint8_t> format; // the format block; cbFormat is its size

    [[nodiscard]] std::uint32_t cbFormat() const { return static_cast<std::uint32_t>(format.size()); }
    [[nodiscard]] const std::uint8_t* pbFormat() const { return format.empty() ? nullptr : format.data(); }
    [[nodiscard]] std::uint8_t* pbFormat() { return format.empty() ? nullptr : format.data(); }

    // The format block read as T, or nullptr when the block is shorter than T.
    template <class T> [[nodiscard]] const T* FormatAs() const
    {
        return format.size() >= sizeof(T) ? reinterpret_cast<const T*>(format.data()) : nullptr;
    }
    template <class T> [[nodiscard]] T* FormatAs()
    {
        return format.size() >= sizeof(T) ? reinterpret_cast<T*>(format.data()) : nullptr;
    }

    template <class T> void SetFormat(const GUID& type, const T& block)
    {
        formattype = type;
        format.resize(sizeof(T));
        std::memcpy(format.data(), &block, sizeof(T));
    }
    void SetFormat(const GUID& type, std::span<const std::uint8_t> block)
    {
        formattype = type;
        format.assign(block.begin(), block.end());
    }

    // Equal when major type, subtype and format type match and the format blocks have the same
    // length and bytes; the flags and the sample size do not take part.
    friend bool operator==(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b)
    {
        return a.majortype == b.majortype && a.subtype == b.subtype && a.formattype == b.formattype &&
               a.format == b.format;
    }
};

// True when every field the partial type names (null GUIDs and an empty format block are
// wildcards) matches the full type.
[[nodiscard]] bool MatchesPartialType(const AM_MEDIA_TYPE& partial, const AM_MEDIA_TYPE& full);

// True when the type leaves nothing open: major type, subtype and format type are all given.
[[nodiscard]] bool IsFullySpecified(const AM_MEDIA_TYPE& mt);

// Uncompressed video of the given subtype, size and frame duration, with a VIDEOINFOHEADER whose
// bitmap header describes bottom-up rows for the RGB subtypes.
[[nodiscard]] AM_MEDIA_TYPE MakeVideoType(const GUID& subtype, std::int32_t width, std::int32_t height,
                                          REFERENCE_TIME avgTimePerFrame);

// 16-bit or 8-bit PCM audio with a WAVEFORMATEX.
[[nodiscard]] AM_MEDIA_TYPE MakePcmAudioType(std::uint32_t samplesPerSec, std::uint16_t bitsPerSample,
                                             std::uint16_t channels);

// Bits per pixel and the compression code of the uncompressed video subtypes; 0 for others.
[[nodiscard]] std::uint16_t BitCountOfSubtype(const GUID& subtype);
[[nodiscard]] std::uint32_t CompressionOfSubtype(const GUID& subtype);

} // namespace camtrove::media
