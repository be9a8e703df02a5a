#pragma once
// Builds raw DV frames for tests: a real picture from libavcodec's dvvideo encoder, or a bare DIF
// layout, then exactly the packs a test asks for, written at their defined byte offsets. It is the
// oracle the DV readers are checked against, so it shares no code with them.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace camtrove::testsupport {

enum class DvLines
{
    System525, // 525/60: 10 sequences, 120000 bytes, header byte 3 = 0x3F
    System625, // 625/50: 12 sequences, 144000 bytes, header byte 3 = 0xBF
};

struct DvPack
{
    std::uint8_t header, pc1, pc2, pc3, pc4;
};

// Pack offsets inside a DIF sequence.
namespace dvoffset {
inline constexpr std::size_t kSequence = 12000;
inline constexpr std::size_t kHeaderByte3 = 3;
inline constexpr std::size_t kHeaderByte7 = 7;
inline constexpr std::size_t kSubcode0Timecode = 110;
inline constexpr std::size_t kSubcode1Timecode = 190;
inline constexpr std::size_t kSourceControl = 453;
inline constexpr std::size_t kRecDate = 458;
inline constexpr std::size_t kRecTime = 463;
inline constexpr std::size_t kAudioSource = 4323;
} // namespace dvoffset

[[nodiscard]] std::vector<int> AllDvSequences(); // 0 to 9, the ones both systems have

class DvFrameForge
{
public:
    // A frame whose picture libavcodec encoded; the packs the readers look at are blanked to 0xFF
    // and AP3 is 0 in every sequence, so only what the test adds is there.
    [[nodiscard]] static DvFrameForge Encoded(DvLines lines);
    // The DIF block layout with its block ids, every pack byte 0xFF and empty audio and video.
    [[nodiscard]] static DvFrameForge Bare(DvLines lines);

    DvFrameForge& Pack(int sequence, std::size_t offset, DvPack pack);
    DvFrameForge& Byte(std::size_t frameOffset, std::uint8_t value);

    // Recording date (year four digits, written as two BCD digits) and time packs.
    DvFrameForge& RecDate(int year, int month, int day, int hour, int minute, int second,
                          const std::vector<int>& sequences = AllDvSequences());
    DvFrameForge& NoRecDate(const std::vector<int>& sequences = AllDvSequences());
    DvFrameForge& Timecode(int hours, int minutes, int seconds, int frames,
                           const std::vector<int>& sequences = AllDvSequences(), bool inBlock0 = true,
                           bool inBlock1 = true);
    DvFrameForge& SourceControl(int sequence, std::uint8_t displayMode);
    // AAUX source pack of sequence 0: frequency code (0 48 kHz, 1 44.1 kHz, 2 32 kHz), quantisation
    // code (0 16-bit, 1 12-bit).
    DvFrameForge& AudioSource(int frequencyCode, int quantizationCode);
    DvFrameForge& HeaderByte3(std::uint8_t value);
    DvFrameForge& Ap3(std::uint8_t ap3, const std::vector<int>& sequences = AllDvSequences());

    [[nodiscard]] std::span<const std::uint8_t> Bytes() const { return m_bytes; }
    [[nodiscard]] std::vector<std::uint8_t> Take() { return std::move(m_bytes); }

private:
    explicit DvFrameForge(std::vector<std::uint8_t> bytes) : m_bytes(std::move(bytes)) {}

    std::vector<std::uint8_t> m_bytes;
};

[[nodiscard]] std::uint8_t ToBcd(int value); // two digits, value 0 to 99

} // namespace camtrove::testsupport
