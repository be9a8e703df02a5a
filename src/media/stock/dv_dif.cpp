#include "media/stock/dv_dif.h"

#include <algorithm>
#include <bit>

namespace camtrove::media {
namespace {

constexpr int kAudioBlocksPerSequence = 9;
constexpr std::size_t kPackSize = 5;
constexpr DvPackBytes kNoPackBytes{0xFF, 0xFF, 0xFF, 0xFF};
constexpr DvPackBytes kAauxSourceControl{0x03, 0xCF, 0xA0, 0xFF};
constexpr DvPackBytes kVauxSourceControl43{0x03, 0xC8, 0xFC, 0xFF};

// The 16-bit audio error code, and its 12-bit counterpart: a sample the recorder could not write.
constexpr std::uint16_t kAudioError16 = 0x8000;
constexpr std::uint16_t kAudioError12 = 0x800;

[[nodiscard]] int SequencesOf(bool is625)
{
    return is625 ? 12 : 10;
}

// Byte offset of audio DIF block a (0 to 8) of sequence seq: audio blocks follow the header,
// subcode and VAUX blocks and then come every sixteenth block.
[[nodiscard]] std::size_t AudioBlockOffset(int seq, int a)
{
    return static_cast<std::size_t>(seq) * kDifSequenceSize +
           static_cast<std::size_t>(6 + 16 * a) * kDifBlockSize;
}

// Where sample n of a channel lies inside its half of the sequences: the shuffle spreads
// neighbouring samples over sequences and blocks so that a lost block loses no two in a row.
struct SamplePlace
{
    int seq;   // inside the half
    int block; // audio block 0 to 8
    int unit;  // sample slot inside the block
};

[[nodiscard]] SamplePlace PlaceOf(int n, bool is625)
{
    const int half = SequencesOf(is625) / 2;
    const int stride = is625 ? 54 : 45;
    return {(n / 3 + 2 * (n % 3)) % half, 3 * (n % 3) + (n % stride) / (stride / 3), n / stride};
}

[[nodiscard]] int FrequencyCode(int sampleRate)
{
    switch (sampleRate) {
    case 48000:
        return 0;
    case 44100:
        return 1;
    case 32000:
        return 2;
    default:
        return -1;
    }
}

// The payload of the first pack of the given type among the packs of the given blocks.
[[nodiscard]] std::optional<DvPackBytes> FindPack(std::span<const std::uint8_t> frame,
                                                  std::size_t blockOffset, int packs, std::uint8_t type)
{
    for (int p = 0; p < packs; ++p) {
        const std::size_t at = blockOffset + 3 + static_cast<std::size_t>(p) * kPackSize;
        if (at + kPackSize <= frame.size() && frame[at] == type)
            return DvPackBytes{frame[at + 1], frame[at + 2], frame[at + 3], frame[at + 4]};
    }
    return std::nullopt;
}

[[nodiscard]] std::optional<DvPackBytes> FindAauxPack(std::span<const std::uint8_t> frame, int half,
                                                      std::uint8_t type)
{
    const bool is625 = DvIs625(frame);
    const int perHalf = SequencesOf(is625) / 2;
    for (int seq = half * perHalf; seq < (half + 1) * perHalf; ++seq)
        for (int a = 0; a < kAudioBlocksPerSequence; ++a)
            if (auto pack = FindPack(frame, AudioBlockOffset(seq, a), 1, type))
                return pack;
    return std::nullopt;
}

[[nodiscard]] std::optional<DvPackBytes> FindVauxPack(std::span<const std::uint8_t> frame, std::uint8_t type)
{
    for (std::size_t block = 3; block <= 5; ++block)
        if (auto pack = FindPack(frame, block * kDifBlockSize, 15, type))
            return pack;
    return std::nullopt;
}

[[nodiscard]] std::int16_t Sample16(std::uint16_t code)
{
    return code == kAudioError16 ? 0 : static_cast<std::int16_t>(code);
}

void PutPack(std::uint8_t* at, std::uint8_t type, const DvPackBytes& payload)
{
    at[0] = type;
    std::copy(payload.begin(), payload.end(), at + 1);
}

[[nodiscard]] DvPackBytes AauxSourceFor(int count, int sampleRate, bool is625)
{
    const int adjust = std::clamp(count - DvMinSamples(sampleRate, is625), 0, 0x3F);
    // Locked audio, stereo in the two-channel mode, no emphasis, 16-bit linear.
    return {static_cast<std::uint8_t>(0x40 | adjust), 0x00, static_cast<std::uint8_t>(is625 ? 0xE0 : 0xC0),
            static_cast<std::uint8_t>(0xC0 | FrequencyCode(sampleRate) << 3)};
}

} // namespace

bool DvIs625(std::span<const std::uint8_t> frame)
{
    return frame.size() > 3 && (frame[3] & 0x80) != 0;
}

std::size_t DvFrameSizeOf(bool is625)
{
    return is625 ? kDvFrameSize625 : kDvFrameSize525;
}

bool DvFrameComplete(std::span<const std::uint8_t> frame)
{
    return frame.size() >= kDvFrameSize525 && frame.size() >= DvFrameSizeOf(DvIs625(frame));
}

std::optional<DvAudioFormat> DvAudioFormatOf(const DvPackBytes& source, bool is625)
{
    DvAudioFormat format;
    switch (source[3] >> 3 & 7) {
    case 0:
        format.sampleRate = 48000;
        break;
    case 1:
        format.sampleRate = 44100;
        break;
    case 2:
        format.sampleRate = 32000;
        break;
    default:
        return std::nullopt;
    }
    switch (source[3] & 7) {
    case 0:
        format.bits = 16;
        break;
    case 1:
        format.bits = 12;
        break;
    default:
        return std::nullopt;
    }
    // A damaged size field must not send the reader past the audio blocks.
    format.samples = std::min(DvMinSamples(format.sampleRate, is625) + (source[0] & 0x3F),
                              DvMaxSamples(format.sampleRate, is625));
    format.pairs = format.bits == 12 && format.sampleRate == 32000 ? 2 : 1;
    return format;
}

std::optional<DvPackBytes> DvFindAauxSource(std::span<const std::uint8_t> frame, int half)
{
    if (!DvFrameComplete(frame))
        return std::nullopt;
    return FindAauxPack(frame, half, kAauxSourcePack);
}

int DvMinSamples(int sampleRate, bool is625)
{
    switch (sampleRate) {
    case 48000:
        return is625 ? 1896 : 1580;
    case 44100:
        return is625 ? 1742 : 1452;
    case 32000:
        return is625 ? 1264 : 1053;
    default:
        return 0;
    }
}

int DvMaxSamples(int sampleRate, bool is625)
{
    switch (sampleRate) {
    case 48000:
        return is625 ? 1944 : 1620;
    case 44100:
        return is625 ? 1786 : 1489;
    case 32000:
        return is625 ? 1296 : 1080;
    default:
        return 0;
    }
}

int DvSamplesInFrame(std::int64_t index, int sampleRate, bool is625)
{
    if (is625)
        return sampleRate / 25;
    const auto before = [sampleRate](std::int64_t frames) { return frames * sampleRate * 1001 / 30000; };
    return static_cast<int>(before(index + 1) - before(index));
}

std::int16_t DvExpand12BitSample(std::uint16_t code)
{
    code &= 0xFFF;
    if (code == kAudioError12)
        return 0;
    // Segments of 256 codes: the first two are linear, each further one doubles the step.
    const auto expand = [](int y) {
        const int segment = y >> 8;
        if (segment < 2)
            return y;
        const int shift = segment - 1;
        return (y - 256 * shift) << shift;
    };
    const int y = code & 0x800 ? static_cast<int>(code) - 0x1000 : code;
    // The negative codes mirror the positive ones around -1.
    const int x = y >= 0 ? expand(y) : -1 - expand(-1 - y);
    return static_cast<std::int16_t>(x);
}

std::uint16_t DvCompress12BitSample(std::int16_t sample)
{
    // The inverse of the expansion: past the two linear segments, each doubling of the value
    // moves one segment of 256 codes up.
    const auto compress = [](int x) {
        if (x < 512)
            return x;
        const int shift = std::bit_width(static_cast<unsigned>(x)) - 9;
        return (x >> shift) + 256 * shift;
    };
    const int x = sample;
    // The lowest negative code is the error code; the loudest negative sample takes the one above.
    const int y = x >= 0 ? compress(x) : std::max(-1 - compress(-1 - x), -2047);
    return static_cast<std::uint16_t>(y & 0xFFF);
}

int DvDecodeAudioPair(std::span<const std::uint8_t> frame, int pair, std::vector<std::int16_t>& pcm)
{
    if (!DvFrameComplete(frame) || pair < 0 || pair > 1)
        return 0;
    const bool is625 = DvIs625(frame);
    const auto first = DvFindAauxSource(frame, 0);
    const auto own = pair == 0 ? first : DvFindAauxSource(frame, 1);
    const std::optional<DvAudioFormat> format = own     ? DvAudioFormatOf(*own, is625)
                                                : first ? DvAudioFormatOf(*first, is625)
                                                        : std::nullopt;
    if (!format || pair >= format->pairs)
        return 0;
    const int half = SequencesOf(is625) / 2;
    const int count = format->samples;
    const std::size_t base = pcm.size();
    pcm.resize(base + 2 * static_cast<std::size_t>(count));
    std::int16_t* out = pcm.data() + base;
    if (format->bits == 16) {
        // Left in the first half of the sequences, right in the second, big-endian.
        for (int n = 0; n < count; ++n) {
            const SamplePlace place = PlaceOf(n, is625);
            for (int ch = 0; ch < 2; ++ch) {
                const std::uint8_t* at =
                    frame.data() + AudioBlockOffset(place.seq + ch * half, place.block) + 8 + 2 * place.unit;
                out[2 * n + ch] = Sample16(static_cast<std::uint16_t>(at[0] << 8 | at[1]));
            }
        }
        return count;
    }
    // 12-bit: both channels of the pair share three bytes, the pair its half of the sequences.
    for (int n = 0; n < count; ++n) {
        const SamplePlace place = PlaceOf(n, is625);
        const std::uint8_t* at =
            frame.data() + AudioBlockOffset(place.seq + pair * half, place.block) + 8 + 3 * place.unit;
        out[2 * n] = DvExpand12BitSample(static_cast<std::uint16_t>(at[0] << 4 | at[2] >> 4));
        out[2 * n + 1] = DvExpand12BitSample(static_cast<std::uint16_t>(at[1] << 4 | (at[2] & 0x0F)));
    }
    return count;
}

void DvWriteAudio(std::span<std::uint8_t> frame, std::span<const std::int16_t> stereo, int count,
                  int sampleRate)
{
    if (!DvFrameComplete(frame) || FrequencyCode(sampleRate) < 0)
        return;
    const bool is625 = DvIs625(frame);
    count =
        std::clamp(count, 0, std::min(DvMaxSamples(sampleRate, is625), static_cast<int>(stereo.size() / 2)));
    const int sequences = SequencesOf(is625);
    const int half = sequences / 2;

    const DvPackBytes source = AauxSourceFor(count, sampleRate, is625);
    for (int seq = 0; seq < sequences; ++seq) {
        // The recording date and time of the picture, when it has them, date the sound as well.
        const std::size_t main = static_cast<std::size_t>(seq) * kDifSequenceSize;
        const auto vauxPack = [&](std::size_t offset, std::uint8_t type) {
            return frame[main + offset] == type
                       ? DvPackBytes{frame[main + offset + 1], frame[main + offset + 2],
                                     frame[main + offset + 3], frame[main + offset + 4]}
                       : kNoPackBytes;
        };
        const DvPackBytes recDate = vauxPack(458, kVauxRecDatePack);
        const DvPackBytes recTime = vauxPack(463, kVauxRecTimePack);
        const int firstPack = seq % 2 == 0 ? 3 : 0;
        for (int a = 0; a < kAudioBlocksPerSequence; ++a) {
            std::uint8_t* block = frame.data() + AudioBlockOffset(seq, a);
            switch (a - firstPack) {
            case 0:
                PutPack(block + 3, kAauxSourcePack, source);
                break;
            case 1:
                PutPack(block + 3, kAauxSourceControlPack, kAauxSourceControl);
                break;
            case 2:
                PutPack(block + 3, recDate == kNoPackBytes ? 0xFF : kAauxRecDatePack, recDate);
                break;
            case 3:
                PutPack(block + 3, recTime == kNoPackBytes ? 0xFF : kAauxRecTimePack, recTime);
                break;
            default:
                PutPack(block + 3, 0xFF, kNoPackBytes);
                break;
            }
            std::fill(block + 8, block + kDifBlockSize, 0);
        }
    }
    for (int n = 0; n < count; ++n) {
        const SamplePlace place = PlaceOf(n, is625);
        for (int ch = 0; ch < 2; ++ch) {
            std::uint8_t* at =
                frame.data() + AudioBlockOffset(place.seq + ch * half, place.block) + 8 + 2 * place.unit;
            auto value = static_cast<std::uint16_t>(stereo[2 * static_cast<std::size_t>(n) + ch]);
            // The error code is no sound a microphone gave; the nearest sample stands in for it.
            if (value == kAudioError16)
                value = 0x8001;
            at[0] = static_cast<std::uint8_t>(value >> 8);
            at[1] = static_cast<std::uint8_t>(value & 0xFF);
        }
    }
}

void DvWrite12BitAudioPair(std::span<std::uint8_t> frame, int pair, std::span<const std::int16_t> stereo,
                           int count)
{
    if (!DvFrameComplete(frame) || pair < 0 || pair > 1)
        return;
    const bool is625 = DvIs625(frame);
    count = std::clamp(count, 0, std::min(DvMaxSamples(32000, is625), static_cast<int>(stereo.size() / 2)));
    const int half = SequencesOf(is625) / 2;
    for (int n = 0; n < count; ++n) {
        const SamplePlace place = PlaceOf(n, is625);
        std::uint8_t* at =
            frame.data() + AudioBlockOffset(place.seq + pair * half, place.block) + 8 + 3 * place.unit;
        const std::uint16_t left = DvCompress12BitSample(stereo[2 * static_cast<std::size_t>(n)]);
        const std::uint16_t right = DvCompress12BitSample(stereo[2 * static_cast<std::size_t>(n) + 1]);
        at[0] = static_cast<std::uint8_t>(left >> 4);
        at[1] = static_cast<std::uint8_t>(right >> 4);
        at[2] = static_cast<std::uint8_t>((left & 0x0F) << 4 | (right & 0x0F));
    }
}

DVINFO DvInfoFromFrame(std::span<const std::uint8_t> frame)
{
    const bool is625 = DvIs625(frame);
    DVINFO info = DvInfoFor(is625, 48000);
    if (!DvFrameComplete(frame))
        return info;
    const auto word = [](const std::optional<DvPackBytes>& pack, std::uint32_t otherwise) {
        return pack ? DvWordFromPack(*pack) : otherwise;
    };
    info.dwDVAAuxSrc = word(FindAauxPack(frame, 0, kAauxSourcePack), 0xFFFFFFFF);
    info.dwDVAAuxCtl = word(FindAauxPack(frame, 0, kAauxSourceControlPack), 0xFFFFFFFF);
    info.dwDVAAuxSrc1 = word(FindAauxPack(frame, 1, kAauxSourcePack), 0xFFFFFFFF);
    info.dwDVAAuxCtl1 = word(FindAauxPack(frame, 1, kAauxSourceControlPack), 0xFFFFFFFF);
    info.dwDVVAuxSrc = word(FindVauxPack(frame, kVauxSourcePack), info.dwDVVAuxSrc);
    info.dwDVVAuxCtl = word(FindVauxPack(frame, kVauxSourceControlPack), info.dwDVVAuxCtl);
    return info;
}

DVINFO DvInfoFor(bool is625, int sampleRate)
{
    DVINFO info;
    const int rate = FrequencyCode(sampleRate) < 0 ? 48000 : sampleRate;
    info.dwDVAAuxSrc = DvWordFromPack(AauxSourceFor(DvMinSamples(rate, is625), rate, is625));
    info.dwDVAAuxCtl = DvWordFromPack(kAauxSourceControl);
    info.dwDVAAuxSrc1 = info.dwDVAAuxSrc;
    info.dwDVAAuxCtl1 = info.dwDVAAuxCtl;
    // No tuner, colour, the system's field rate, standard-definition 25 Mb/s.
    info.dwDVVAuxSrc = DvWordFromPack({0xFF, 0xFF, static_cast<std::uint8_t>(is625 ? 0xE0 : 0xC0), 0xFF});
    info.dwDVVAuxCtl = DvWordFromPack(kVauxSourceControl43);
    return info;
}

bool DvInfoIs625(const DVINFO& info)
{
    const std::uint32_t word = info.dwDVVAuxSrc != 0xFFFFFFFF ? info.dwDVVAuxSrc : info.dwDVAAuxSrc;
    return (DvPackFromWord(word)[2] & 0x20) != 0;
}

std::optional<DvAudioFormat> DvInfoAudio(const DVINFO& info, int pair)
{
    const bool is625 = DvInfoIs625(info);
    const auto first = DvAudioFormatOf(DvPackFromWord(info.dwDVAAuxSrc), is625);
    if (!first || pair < 0 || pair >= first->pairs)
        return std::nullopt;
    if (pair == 1)
        if (auto second = DvAudioFormatOf(DvPackFromWord(info.dwDVAAuxSrc1), is625))
            return second;
    return first;
}

DvPackBytes DvPackFromWord(std::uint32_t word)
{
    return {static_cast<std::uint8_t>(word), static_cast<std::uint8_t>(word >> 8),
            static_cast<std::uint8_t>(word >> 16), static_cast<std::uint8_t>(word >> 24)};
}

std::uint32_t DvWordFromPack(const DvPackBytes& pack)
{
    return std::uint32_t{pack[0]} | std::uint32_t{pack[1]} << 8 | std::uint32_t{pack[2]} << 16 |
           std::uint32_t{pack[3]} << 24;
}

} // namespace camtrove::media
