#pragma once
// Readers and one writer over a raw DV frame in the DIF layout of IEC 61834 and SMPTE 314M: the
// recording date and time, the timecode, the line system, the audio format and the 16:9 flag.
// Every function is pure, allocates nothing and never fails: a damaged frame yields numbers (the
// callers validate them), and a buffer too short to hold ten DIF sequences reads as a frame with
// nothing in it. Safe to call from any thread.

#include <cstddef>
#include <cstdint>
#include <span>

namespace camtrove::filters {

inline constexpr std::size_t kDvSequenceSize = 12000; // 150 DIF blocks of 80 bytes
inline constexpr int kDvSequencesRead = 10;           // sequences 0 to 9, common to both systems
inline constexpr std::size_t kDvFrameSize60 = 120000; // 525/60: 10 sequences
inline constexpr std::size_t kDvFrameSize50 = 144000; // 625/50: 12 sequences

// Timecode word: byte 0 hours, byte 1 minutes, byte 2 seconds, byte 3 frames. Byte 0 read as a
// signed 8-bit number is negative when the frame carries no timecode.
inline constexpr std::uint32_t kDvNoTimecode = 0xFFFFFFFFu;

struct TDvRecStamp
{
    std::int32_t year = -1; // -1: no date packs
    std::uint8_t month = 0;
    std::uint8_t day = 0;
    std::uint8_t hour = 0;
    std::uint8_t minute = 0;
    std::uint8_t second = 0;
};

// Fills stamp from the date and time packs of DIF sequence k (0 to 9). Without the packs only
// stamp.year changes, to -1.
void DvReadRecDateTime(std::span<const std::uint8_t> frame, int k, TDvRecStamp& stamp);

[[nodiscard]] std::uint32_t DvReadTimecode(std::span<const std::uint8_t> frame, int k);

[[nodiscard]] inline bool DvTimecodeValid(std::uint32_t timecode)
{
    return static_cast<std::int8_t>(timecode & 0xFFu) >= 0;
}

// 0 for 50 Hz, 1 for 60 Hz, 2 for neither.
[[nodiscard]] std::uint8_t DvSystemOf(std::span<const std::uint8_t> frame);

[[nodiscard]] bool DvHasSourceControl(std::span<const std::uint8_t> frame);

// 48000, 44100, 32000, 0 for another code, -1 without the audio source pack.
[[nodiscard]] std::int32_t DvAudioSampleRate(std::span<const std::uint8_t> frame);

// 16, 12, 0 for another code, -1 without the audio source pack.
[[nodiscard]] std::int32_t DvAudioQuantization(std::span<const std::uint8_t> frame);

[[nodiscard]] bool DvIsWide(std::span<const std::uint8_t> frame);

// Marks DIF sequence k (0 to 9) as 16:9 in the way its subcode application id expects.
void DvSetWide(std::span<std::uint8_t> frame, int k);

} // namespace camtrove::filters
