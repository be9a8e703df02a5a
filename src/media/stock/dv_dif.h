#pragma once
// The audio side of a DV frame's DIF layout (IEC 61834-2, SMPTE 314M 25 Mb/s): the AAUX packs that
// describe the audio, the shuffled positions of the samples in the audio DIF blocks, and the
// DVINFO block that sums a stream up. Pure functions; any thread.

#include "media/core/dv_interfaces.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace camtrove::media {

inline constexpr std::size_t kDifBlockSize = 80;
inline constexpr std::size_t kDifSequenceSize = 12000;
inline constexpr std::size_t kDvFrameSize525 = 120000;
inline constexpr std::size_t kDvFrameSize625 = 144000;
inline constexpr REFERENCE_TIME kDvFrameTime625 = 400000;
inline constexpr REFERENCE_TIME kDvFrameTime525 = 333667;

inline constexpr std::uint8_t kAauxSourcePack = 0x50;
inline constexpr std::uint8_t kAauxSourceControlPack = 0x51;
inline constexpr std::uint8_t kAauxRecDatePack = 0x52;
inline constexpr std::uint8_t kAauxRecTimePack = 0x53;
inline constexpr std::uint8_t kVauxSourcePack = 0x60;
inline constexpr std::uint8_t kVauxSourceControlPack = 0x61;
inline constexpr std::uint8_t kVauxRecDatePack = 0x62;
inline constexpr std::uint8_t kVauxRecTimePack = 0x63;

// 625/50 when the header's DSF bit says so, else 525/60.
[[nodiscard]] bool DvIs625(std::span<const std::uint8_t> frame);
[[nodiscard]] std::size_t DvFrameSizeOf(bool is625);
// Whole frames only: a buffer shorter than its system's frame size is no DV frame.
[[nodiscard]] bool DvFrameComplete(std::span<const std::uint8_t> frame);

using DvPackBytes = std::array<std::uint8_t, 4>; // PC1 to PC4

// The audio format one AAUX source pack states.
struct DvAudioFormat
{
    int sampleRate = 0; // 48000, 44100 or 32000
    int bits = 0;       // 16, or 12 for the nonlinear code
    int samples = 0;    // per channel in this frame
    int pairs = 0;      // stereo pairs the frame carries: 2 in the four-channel 32 kHz 12-bit mode
};

// Reads an AAUX source pack's payload; nothing for a frequency or quantisation it cannot carry.
[[nodiscard]] std::optional<DvAudioFormat> DvAudioFormatOf(const DvPackBytes& source, bool is625);
// The AAUX source pack of the first or second half of the DIF sequences.
[[nodiscard]] std::optional<DvPackBytes> DvFindAauxSource(std::span<const std::uint8_t> frame, int half);

// Fewest and most samples a frame may carry at the rate; 0 for an unknown rate.
[[nodiscard]] int DvMinSamples(int sampleRate, bool is625);
[[nodiscard]] int DvMaxSamples(int sampleRate, bool is625);
// Samples in frame number index of a stream at the rate: the 525/60 frames alternate so that
// every 1001 frames hold the exact count.
[[nodiscard]] int DvSamplesInFrame(std::int64_t index, int sampleRate, bool is625);

// Decodes audio pair (0 or 1) of the frame into interleaved 16-bit stereo, appended to pcm. The
// 12-bit nonlinear code is expanded to 16 bits; the error code reads as silence. Gives the number
// of sample frames appended, 0 when the frame carries no such pair.
int DvDecodeAudioPair(std::span<const std::uint8_t> frame, int pair, std::vector<std::int16_t>& pcm);

// Writes count interleaved 16-bit stereo sample frames at the rate into the frame's audio blocks,
// with AAUX source and source control packs that state them; the recording date and time packs
// are copied from the VAUX area when the frame has them. count must lie in the rate's range.
void DvWriteAudio(std::span<std::uint8_t> frame, std::span<const std::int16_t> stereo, int count,
                  int sampleRate);

// Expands one 12-bit nonlinear audio code (two's complement in the low 12 bits) to 16 bits.
[[nodiscard]] std::int16_t DvExpand12BitSample(std::uint16_t code);
// The 12-bit nonlinear code whose expansion is nearest below the sample (above it for negative
// samples); never the error code, which a recorder writes only for sound it lost.
[[nodiscard]] std::uint16_t DvCompress12BitSample(std::int16_t sample);

// Writes count interleaved 16-bit stereo sample frames into audio pair (0 or 1) of the frame in
// the 12-bit nonlinear code. Only the samples: the AAUX packs that announce 12-bit sound are the
// caller's.
void DvWrite12BitAudioPair(std::span<std::uint8_t> frame, int pair, std::span<const std::int16_t> stereo,
                           int count);

// The DVINFO block of a stream whose frames look like this one.
[[nodiscard]] DVINFO DvInfoFromFrame(std::span<const std::uint8_t> frame);
// The DVINFO of frames this program writes: 16-bit stereo at the rate, 4:3 video of the system.
[[nodiscard]] DVINFO DvInfoFor(bool is625, int sampleRate);
// Whether a DVINFO block states a 625/50 stream, and the audio pairs and format it announces.
[[nodiscard]] bool DvInfoIs625(const DVINFO& info);
[[nodiscard]] std::optional<DvAudioFormat> DvInfoAudio(const DVINFO& info, int pair);

[[nodiscard]] DvPackBytes DvPackFromWord(std::uint32_t word);
[[nodiscard]] std::uint32_t DvWordFromPack(const DvPackBytes& pack);

} // namespace camtrove::media
