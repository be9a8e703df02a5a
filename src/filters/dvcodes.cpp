#include "filters/dvcodes.h"

namespace camtrove::filters {
namespace {

// Byte offsets inside a DIF sequence.
constexpr std::size_t kHeaderSystem = 3;    // header block byte 3: 0xBF 625/50, 0x3F 525/60
constexpr std::size_t kHeaderAp3 = 7;       // low three bits: subcode application id
constexpr std::size_t kSubcode0Pack = 110;  // subcode block 0, sync block 3
constexpr std::size_t kSubcode1Pack = 190;  // subcode block 1, sync block 3
constexpr std::size_t kSourceControl = 453; // VAUX block 2, pack 10
constexpr std::size_t kRecDate = 458;       // VAUX block 2, pack 11
constexpr std::size_t kRecTime = 463;       // VAUX block 2, pack 12
constexpr std::size_t kAudioSource = 4323;  // audio block 3, AAUX pack

constexpr std::uint8_t kTimecodePack = 0x13;
constexpr std::uint8_t kAudioSourcePack = 0x50;
constexpr std::uint8_t kSourceControlPack = 0x61;
constexpr std::uint8_t kRecDatePack = 0x62;
constexpr std::uint8_t kRecTimePack = 0x63;

constexpr std::size_t kReadableSize = kDvSequenceSize * kDvSequencesRead;

[[nodiscard]] bool Readable(std::span<const std::uint8_t> frame)
{
    return frame.size() >= kReadableSize;
}

[[nodiscard]] bool ValidSequence(int k)
{
    return k >= 0 && k < kDvSequencesRead;
}

// Byte at offset of sequence k; callers have checked Readable and ValidSequence.
[[nodiscard]] std::uint8_t At(std::span<const std::uint8_t> frame, int k, std::size_t offset)
{
    return frame[kDvSequenceSize * static_cast<std::size_t>(k) + offset];
}

// Two BCD digits whose tens digit sits under tensMask.
[[nodiscard]] std::uint8_t Bcd(std::uint8_t value, std::uint8_t tensMask)
{
    return static_cast<std::uint8_t>((value & 0x0F) + 10 * ((value & tensMask) >> 4));
}

} // namespace

void DvReadRecDateTime(std::span<const std::uint8_t> frame, int k, TDvRecStamp& stamp)
{
    if (!Readable(frame) || !ValidSequence(k)) {
        stamp.year = -1;
        return;
    }
    // A zero pack header counts as present: some camcorders leave the headers blank.
    const std::uint8_t dateHeader = At(frame, k, kRecDate);
    const std::uint8_t timeHeader = At(frame, k, kRecTime);
    if ((dateHeader != kRecDatePack && dateHeader != 0) || (timeHeader != kRecTimePack && timeHeader != 0)) {
        stamp.year = -1;
        return;
    }
    stamp.day = Bcd(At(frame, k, kRecDate + 2), 0x30);
    stamp.month = Bcd(At(frame, k, kRecDate + 3), 0x10);
    const int yy = Bcd(At(frame, k, kRecDate + 4), 0xF0);
    stamp.year = yy < 40 ? yy + 2000 : yy + 1900;
    stamp.second = Bcd(At(frame, k, kRecTime + 2), 0x70);
    stamp.minute = Bcd(At(frame, k, kRecTime + 3), 0x70);
    stamp.hour = Bcd(At(frame, k, kRecTime + 4), 0x30);
}

std::uint32_t DvReadTimecode(std::span<const std::uint8_t> frame, int k)
{
    if (!Readable(frame) || !ValidSequence(k))
        return kDvNoTimecode;
    if (At(frame, k, kSubcode0Pack) != kTimecodePack || At(frame, k, kSubcode1Pack) != kTimecodePack)
        return kDvNoTimecode;
    const std::uint32_t frames = Bcd(At(frame, k, kSubcode0Pack + 1), 0x30);
    const std::uint32_t seconds = Bcd(At(frame, k, kSubcode0Pack + 2), 0x70);
    const std::uint32_t minutes = Bcd(At(frame, k, kSubcode0Pack + 3), 0x70);
    const std::uint32_t hours = Bcd(At(frame, k, kSubcode0Pack + 4), 0x30);
    return hours | minutes << 8 | seconds << 16 | frames << 24;
}

std::uint8_t DvSystemOf(std::span<const std::uint8_t> frame)
{
    if (!Readable(frame))
        return 2;
    switch (frame[kHeaderSystem]) {
    case 0xBF:
        return 0;
    case 0x3F:
        return 1;
    default:
        return 2;
    }
}

bool DvHasSourceControl(std::span<const std::uint8_t> frame)
{
    return Readable(frame) && At(frame, 0, kSourceControl) == kSourceControlPack;
}

std::int32_t DvAudioSampleRate(std::span<const std::uint8_t> frame)
{
    if (!Readable(frame) || At(frame, 0, kAudioSource) != kAudioSourcePack)
        return -1;
    switch ((At(frame, 0, kAudioSource + 4) >> 3) & 7) {
    case 0:
        return 48000;
    case 1:
        return 44100;
    case 2:
        return 32000;
    default:
        return 0;
    }
}

std::int32_t DvAudioQuantization(std::span<const std::uint8_t> frame)
{
    if (!Readable(frame) || At(frame, 0, kAudioSource) != kAudioSourcePack)
        return -1;
    switch (At(frame, 0, kAudioSource + 4) & 7) {
    case 0:
        return 16;
    case 1:
        return 12;
    default:
        return 0;
    }
}

bool DvIsWide(std::span<const std::uint8_t> frame)
{
    if (!Readable(frame))
        return false;
    for (int k = 0; k < kDvSequencesRead; ++k) {
        if (At(frame, k, kSourceControl) != kSourceControlPack)
            continue;
        // Display mode 2 is 16:9 in both standards; IEC 61834 (AP3 0) also uses 7 for full 16:9.
        const int display = At(frame, k, kSourceControl + 2) & 7;
        const int ap3 = At(frame, k, kHeaderAp3) & 7;
        return display == 2 || (display == 7 && ap3 == 0);
    }
    return false;
}

void DvSetWide(std::span<std::uint8_t> frame, int k)
{
    if (frame.size() < kReadableSize || !ValidSequence(k))
        return;
    const std::size_t base = kDvSequenceSize * static_cast<std::size_t>(k);
    frame[base + kSourceControl] = kSourceControlPack;
    frame[base + kSourceControl + 2] = (frame[base + kHeaderAp3] & 7) != 0 ? 2 : 7;
}

} // namespace camtrove::filters
