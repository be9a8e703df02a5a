#include "filters/dvcodes.h"
#include "support/dv_fixtures.h"
#include "support/dv_frame_forge.h"

#include <climits>
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace camtrove::filters {
namespace {

using testsupport::DvFrameForge;
using testsupport::DvLines;
using testsupport::DvPack;
namespace dvoffset = testsupport::dvoffset;

[[nodiscard]] std::uint32_t Word(int hours, int minutes, int seconds, int frames)
{
    return static_cast<std::uint32_t>(hours | minutes << 8 | seconds << 16 | frames << 24);
}

[[nodiscard]] TDvRecStamp ReadStamp(std::span<const std::uint8_t> frame, int k)
{
    TDvRecStamp stamp;
    DvReadRecDateTime(frame, k, stamp);
    return stamp;
}

// Every reader on a fully populated frame, in both line systems and from both ways of building a
// frame: the packs are read at the same offsets whatever the frame's size or picture.
struct FrameKind
{
    const char* name;
    DvLines lines;
    bool encoded;
};

void PrintTo(const FrameKind& kind, std::ostream* os)
{
    *os << kind.name;
}

class DvReaders : public ::testing::TestWithParam<FrameKind>
{
protected:
    [[nodiscard]] DvFrameForge Forge() const
    {
        return GetParam().encoded ? DvFrameForge::Encoded(GetParam().lines)
                                  : DvFrameForge::Bare(GetParam().lines);
    }
};

TEST_P(DvReaders, ReadEveryPackOfAPopulatedFrame)
{
    const auto forge = std::move(Forge()
                                     .RecDate(2024, 7, 8, 19, 55, 58)
                                     .Timecode(1, 23, 45, 29)
                                     .SourceControl(0, 0)
                                     .AudioSource(2, 1));
    const auto frame = forge.Bytes();
    const bool is525 = GetParam().lines == DvLines::System525;
    ASSERT_EQ(frame.size(), is525 ? kDvFrameSize60 : kDvFrameSize50);

    for (int k = 0; k < kDvSequencesRead; ++k) {
        const TDvRecStamp stamp = ReadStamp(frame, k);
        EXPECT_EQ(stamp.year, 2024) << "sequence " << k;
        EXPECT_EQ(stamp.month, 7);
        EXPECT_EQ(stamp.day, 8);
        EXPECT_EQ(stamp.hour, 19);
        EXPECT_EQ(stamp.minute, 55);
        EXPECT_EQ(stamp.second, 58);
        EXPECT_EQ(DvReadTimecode(frame, k), Word(1, 23, 45, 29)) << "sequence " << k;
    }
    EXPECT_EQ(DvSystemOf(frame), is525 ? 1 : 0);
    EXPECT_TRUE(DvHasSourceControl(frame));
    EXPECT_EQ(DvAudioSampleRate(frame), 32000);
    EXPECT_EQ(DvAudioQuantization(frame), 12);
    EXPECT_FALSE(DvIsWide(frame));
}

TEST_P(DvReaders, ReadNothingFromAFrameWithoutPacks)
{
    const auto forge = Forge();
    const auto frame = forge.Bytes();
    for (int k = 0; k < kDvSequencesRead; ++k) {
        EXPECT_EQ(ReadStamp(frame, k).year, -1);
        EXPECT_FALSE(DvTimecodeValid(DvReadTimecode(frame, k)));
    }
    EXPECT_FALSE(DvHasSourceControl(frame));
    EXPECT_EQ(DvAudioSampleRate(frame), -1);
    EXPECT_EQ(DvAudioQuantization(frame), -1);
    EXPECT_FALSE(DvIsWide(frame));
}

INSTANTIATE_TEST_SUITE_P(BothSystems, DvReaders,
                         ::testing::Values(FrameKind{"Encoded525", DvLines::System525, true},
                                           FrameKind{"Encoded625", DvLines::System625, true},
                                           FrameKind{"Bare525", DvLines::System525, false},
                                           FrameKind{"Bare625", DvLines::System625, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DvReadRecDateTime, FoldsTheTwoDigitYearAroundForty)
{
    const struct
    {
        std::uint8_t yearByte;
        int year;
    } cases[] = {{0x99, 1999}, {0x00, 2000}, {0x39, 2039}, {0x40, 1940}, {0x24, 2024}};
    for (const auto& c : cases) {
        const auto forge = DvFrameForge::Bare(DvLines::System525)
                               .Pack(0, dvoffset::kRecDate, {0x62, 0xFF, 0xC1, 0xE1, c.yearByte})
                               .Pack(0, dvoffset::kRecTime, {0x63, 0xFF, 0x80, 0x80, 0xC0});
        EXPECT_EQ(ReadStamp(forge.Bytes(), 0).year, c.year) << "year byte " << int(c.yearByte);
    }
}

// Every bit set: a tens mask one bit too wide or too narrow changes the number.
TEST(DvReadRecDateTime, MasksEachTensDigitByItsField)
{
    const auto forge = DvFrameForge::Bare(DvLines::System525)
                           .Pack(0, dvoffset::kRecDate, {0x62, 0xFF, 0xFF, 0xFF, 0xFF})
                           .Pack(0, dvoffset::kRecTime, {0x63, 0xFF, 0xFF, 0xFF, 0xFF});
    const TDvRecStamp stamp = ReadStamp(forge.Bytes(), 0);
    EXPECT_EQ(stamp.day, 15 + 30);
    EXPECT_EQ(stamp.month, 15 + 10);
    EXPECT_EQ(stamp.year, 1900 + 15 + 150);
    EXPECT_EQ(stamp.second, 15 + 70);
    EXPECT_EQ(stamp.minute, 15 + 70);
    EXPECT_EQ(stamp.hour, 15 + 30);
}

TEST(DvReadRecDateTime, AcceptsZeroHeadersAsPresentPacks)
{
    // A zero pack reads as day 0, month 0 of 2000 at midnight; the caller finds it invalid.
    const auto zero = DvFrameForge::Bare(DvLines::System525)
                          .Pack(0, dvoffset::kRecDate, {0, 0, 0, 0, 0})
                          .Pack(0, dvoffset::kRecTime, {0, 0, 0, 0, 0});
    const TDvRecStamp stamp = ReadStamp(zero.Bytes(), 0);
    EXPECT_EQ(stamp.year, 2000);
    EXPECT_EQ(stamp.month, 0);
    EXPECT_EQ(stamp.day, 0);
    EXPECT_EQ(stamp.hour, 0);
    EXPECT_EQ(stamp.minute, 0);
    EXPECT_EQ(stamp.second, 0);

    const struct
    {
        std::uint8_t dateHeader, timeHeader;
        bool accepted;
    } headers[] = {{0x62, 0x63, true},  {0x00, 0x00, true},  {0x62, 0x00, true},  {0x00, 0x63, true},
                   {0x62, 0xFF, false}, {0xFF, 0x63, false}, {0x63, 0x62, false}, {0x52, 0x53, false}};
    for (const auto& h : headers) {
        const auto forge = DvFrameForge::Bare(DvLines::System525)
                               .Pack(0, dvoffset::kRecDate, {h.dateHeader, 0xFF, 0xC3, 0xF2, 0x00})
                               .Pack(0, dvoffset::kRecTime, {h.timeHeader, 0xFF, 0xD7, 0x95, 0xD0});
        TDvRecStamp stamp{.year = 0, .month = 99, .day = 98, .hour = 97, .minute = 96, .second = 95};
        DvReadRecDateTime(forge.Bytes(), 0, stamp);
        if (h.accepted) {
            EXPECT_EQ(stamp.year, 2000) << int(h.dateHeader) << "/" << int(h.timeHeader);
            EXPECT_EQ(stamp.month, 12);
            EXPECT_EQ(stamp.second, 57);
        } else {
            // Refused: only the year says so, the rest is left as it was.
            EXPECT_EQ(stamp.year, -1) << int(h.dateHeader) << "/" << int(h.timeHeader);
            EXPECT_EQ(stamp.month, 99);
            EXPECT_EQ(stamp.day, 98);
            EXPECT_EQ(stamp.hour, 97);
            EXPECT_EQ(stamp.minute, 96);
            EXPECT_EQ(stamp.second, 95);
        }
    }
}

TEST(DvReadRecDateTime, ReadsOnlyTheAskedSequence)
{
    const auto forge = DvFrameForge::Bare(DvLines::System625).RecDate(1999, 12, 31, 23, 59, 59, {7});
    for (int k = 0; k < kDvSequencesRead; ++k)
        EXPECT_EQ(ReadStamp(forge.Bytes(), k).year, k == 7 ? 1999 : -1) << "sequence " << k;
}

TEST(DvReadTimecode, NeedsThePackInBothSubcodeBlocks)
{
    const struct
    {
        const char* name;
        bool block0, block1, valid;
    } cases[] = {{"both", true, true, true},
                 {"block 0 only", true, false, false},
                 {"block 1 only", false, true, false}};
    for (const auto& c : cases) {
        const auto forge =
            DvFrameForge::Bare(DvLines::System525).Timecode(0, 0, 2, 6, {4}, c.block0, c.block1);
        const std::uint32_t timecode = DvReadTimecode(forge.Bytes(), 4);
        EXPECT_EQ(DvTimecodeValid(timecode), c.valid) << c.name;
        if (c.valid) {
            EXPECT_EQ(timecode, Word(0, 0, 2, 6)) << c.name;
        } else {
            EXPECT_EQ(timecode & 0xFF, 0xFFu) << c.name;
        }
        EXPECT_FALSE(DvTimecodeValid(DvReadTimecode(forge.Bytes(), 3))) << c.name;
    }
}

TEST(DvReadTimecode, MasksEachTensDigitByItsField)
{
    const auto forge = DvFrameForge::Bare(DvLines::System525)
                           .Pack(2, dvoffset::kSubcode0Timecode, {0x13, 0xFF, 0xFF, 0xFF, 0xFF})
                           .Pack(2, dvoffset::kSubcode1Timecode, {0x13, 0x00, 0x00, 0x00, 0x00});
    // Block 1 only has to carry the header; the numbers come from block 0.
    EXPECT_EQ(DvReadTimecode(forge.Bytes(), 2), Word(15 + 30, 15 + 70, 15 + 70, 15 + 30));
}

TEST(DvSystemOf, ReadsHeaderByteThreeOfSequenceZero)
{
    const struct
    {
        std::uint8_t byte3;
        int system;
    } cases[] = {{0xBF, 0}, {0x3F, 1}, {0x00, 2}, {0xFF, 2}, {0x3E, 2}, {0xBE, 2}, {0x7F, 2}};
    for (const auto& c : cases) {
        auto forge = DvFrameForge::Bare(DvLines::System525).HeaderByte3(c.byte3);
        EXPECT_EQ(DvSystemOf(forge.Bytes()), c.system) << "byte 3 = " << int(c.byte3);
    }
    // The other sequences' headers do not count.
    const auto forge =
        DvFrameForge::Bare(DvLines::System525).Byte(dvoffset::kSequence + dvoffset::kHeaderByte3, 0xBF);
    EXPECT_EQ(DvSystemOf(forge.Bytes()), 1);
}

TEST(DvAudio, DecodesTheSourcePackOfSequenceZero)
{
    const int rates[8] = {48000, 44100, 32000, 0, 0, 0, 0, 0};
    const int bits[8] = {16, 12, 0, 0, 0, 0, 0, 0};
    for (int code = 0; code < 8; ++code) {
        auto byFrequency = DvFrameForge::Bare(DvLines::System525).AudioSource(code, 0);
        EXPECT_EQ(DvAudioSampleRate(byFrequency.Bytes()), rates[code]) << "frequency code " << code;
        EXPECT_EQ(DvAudioQuantization(byFrequency.Bytes()), 16) << "frequency code " << code;
        auto byQuantization = DvFrameForge::Bare(DvLines::System625).AudioSource(0, code);
        EXPECT_EQ(DvAudioQuantization(byQuantization.Bytes()), bits[code]) << "quantisation code " << code;
        EXPECT_EQ(DvAudioSampleRate(byQuantization.Bytes()), 48000) << "quantisation code " << code;
    }
    // A source pack in another sequence is not looked at.
    const auto elsewhere = DvFrameForge::Bare(DvLines::System525)
                               .Pack(1, dvoffset::kAudioSource, {0x50, 0xCF, 0x30, 0xC0, 0xC0});
    EXPECT_EQ(DvAudioSampleRate(elsewhere.Bytes()), -1);
    EXPECT_EQ(DvAudioQuantization(elsewhere.Bytes()), -1);
}

TEST(DvHasSourceControl, LooksAtSequenceZeroOnly)
{
    EXPECT_TRUE(DvHasSourceControl(DvFrameForge::Bare(DvLines::System525).SourceControl(0, 0).Bytes()));
    EXPECT_FALSE(DvHasSourceControl(DvFrameForge::Bare(DvLines::System525).SourceControl(3, 0).Bytes()));
}

TEST(DvIsWide, JudgesDisplayModeWithTheSubcodeApplicationId)
{
    const struct
    {
        std::uint8_t display, ap3;
        bool wide;
    } cases[] = {{0, 0, false}, {1, 0, false}, {2, 0, true},  {2, 1, true}, {7, 0, true},
                 {7, 1, false}, {7, 7, false}, {3, 0, false}, {6, 0, false}};
    for (const auto& c : cases) {
        auto forge = DvFrameForge::Bare(DvLines::System525).SourceControl(0, c.display).Ap3(c.ap3);
        EXPECT_EQ(DvIsWide(forge.Bytes()), c.wide) << "display " << int(c.display) << ", AP3 " << int(c.ap3);
    }
}

TEST(DvIsWide, JudgesTheFirstSequenceWithASourceControlPackByItsOwnHeader)
{
    // Only sequence 3 carries the pack: its AP3 decides, not sequence 0's.
    auto ownHeaderIec = DvFrameForge::Bare(DvLines::System525).SourceControl(3, 7).Ap3(1).Ap3(0, {3});
    EXPECT_TRUE(DvIsWide(ownHeaderIec.Bytes()));
    auto ownHeaderSmpte = DvFrameForge::Bare(DvLines::System525).SourceControl(3, 7).Ap3(0).Ap3(1, {3});
    EXPECT_FALSE(DvIsWide(ownHeaderSmpte.Bytes()));
    // The first pack found wins even when a later one says 16:9.
    auto firstWins = DvFrameForge::Bare(DvLines::System625).SourceControl(2, 0).SourceControl(5, 2);
    EXPECT_FALSE(DvIsWide(firstWins.Bytes()));
}

TEST(DvSetWide, WritesTheModeTheFramesApplicationIdExpects)
{
    const struct
    {
        const char* name;
        std::uint8_t ap3, display;
    } cases[] = {{"IEC 61834", 0, 7}, {"SMPTE 314M", 1, 2}, {"other id", 5, 2}};
    for (const auto& c : cases) {
        auto bytes = DvFrameForge::Bare(DvLines::System525).Ap3(c.ap3).Take();
        // A 4:3 pack with its upper bits set: the whole byte is replaced.
        bytes[dvoffset::kSequence * 4 + dvoffset::kSourceControl + 2] = 0xF8;
        DvSetWide(bytes, 4);
        const std::size_t at = dvoffset::kSequence * 4 + dvoffset::kSourceControl;
        EXPECT_EQ(bytes[at], 0x61) << c.name;
        EXPECT_EQ(bytes[at + 2], c.display) << c.name;
        EXPECT_TRUE(DvIsWide(bytes)) << c.name;
        EXPECT_EQ(bytes[dvoffset::kSourceControl], 0xFF) << c.name << ": sequence 0 untouched";
    }
}

TEST(DvSetWide, LeavesShortBuffersAndOtherSequencesAlone)
{
    const auto original = DvFrameForge::Bare(DvLines::System525).Take();
    for (int k : {-1, 10, 11, INT_MAX, INT_MIN}) {
        auto bytes = original;
        DvSetWide(bytes, k);
        EXPECT_EQ(bytes, original) << "sequence " << k;
    }
    std::vector<std::uint8_t> shortFrame(original.begin(), original.end() - 1);
    const auto shortCopy = shortFrame;
    DvSetWide(shortFrame, 0);
    EXPECT_EQ(shortFrame, shortCopy);
}

// Random and adversarial bytes, and buffers of every awkward size: each reader gives a value in its
// range and reads nothing outside the buffer (run under AddressSanitizer to see the second half).
TEST(DvMalformedInput, GivesValuesInRangeAndNothingFromShortBuffers)
{
    std::mt19937 random(20240708);
    std::vector<std::vector<std::uint8_t>> frames;
    for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{4}, std::size_t{479},
                             std::size_t{4328}, std::size_t{12000}, kDvFrameSize60 - 1, kDvFrameSize60,
                             kDvFrameSize50 - 1, kDvFrameSize50, std::size_t{200000}}) {
        for (std::uint8_t fill : {0x00, 0xFF, 0x13, 0x61, 0x62, 0x63}) // every byte a pack header or none
            frames.emplace_back(size, fill);
        std::vector<std::uint8_t> noise(size);
        for (auto& b : noise)
            b = static_cast<std::uint8_t>(random());
        frames.push_back(noise);
    }
    // The packs' headers right, their contents noise.
    for (int i = 0; i < 20; ++i) {
        std::vector<std::uint8_t> frame(kDvFrameSize60);
        for (auto& b : frame)
            b = static_cast<std::uint8_t>(random());
        for (int k = 0; k < kDvSequencesRead; ++k) {
            const std::size_t base = dvoffset::kSequence * static_cast<std::size_t>(k);
            frame[base + dvoffset::kSubcode0Timecode] = 0x13;
            frame[base + dvoffset::kSubcode1Timecode] = 0x13;
            frame[base + dvoffset::kSourceControl] = 0x61;
            frame[base + dvoffset::kRecDate] = 0x62;
            frame[base + dvoffset::kRecTime] = 0x63;
            frame[base + dvoffset::kAudioSource] = 0x50;
        }
        frames.push_back(frame);
    }

    const std::set<int> rates{48000, 44100, 32000, 0, -1};
    const std::set<int> bits{16, 12, 0, -1};
    for (const auto& frame : frames) {
        const bool readable = frame.size() >= kDvFrameSize60;
        const std::string what = "size " + std::to_string(frame.size()) +
                                 (frame.empty() ? "" : ", first byte " + std::to_string(frame[0]));
        for (int k : {INT_MIN, -1, 0, 1, 5, 9, 10, 11, INT_MAX}) {
            const TDvRecStamp stamp = ReadStamp(frame, k);
            const std::uint32_t timecode = DvReadTimecode(frame, k);
            if (!readable || k < 0 || k > 9) {
                EXPECT_EQ(stamp.year, -1) << what << ", sequence " << k;
                EXPECT_FALSE(DvTimecodeValid(timecode)) << what << ", sequence " << k;
                continue;
            }
            if (stamp.year != -1) {
                EXPECT_GE(stamp.year, 1940) << what;
                EXPECT_LE(stamp.year, 2065) << what;
                EXPECT_LE(stamp.day, 45) << what;
                EXPECT_LE(stamp.month, 25) << what;
                EXPECT_LE(stamp.hour, 45) << what;
                EXPECT_LE(stamp.minute, 85) << what;
                EXPECT_LE(stamp.second, 85) << what;
            }
            if (DvTimecodeValid(timecode)) {
                EXPECT_LE(timecode & 0xFF, 45u) << what;
                EXPECT_LE(timecode >> 24, 45u) << what;
            }
        }
        const int system = DvSystemOf(frame);
        EXPECT_TRUE(system >= 0 && system <= 2) << what;
        EXPECT_TRUE(rates.count(DvAudioSampleRate(frame))) << what;
        EXPECT_TRUE(bits.count(DvAudioQuantization(frame))) << what;
        const bool wide = DvIsWide(frame);
        const bool sourceControl = DvHasSourceControl(frame);
        if (!readable) {
            EXPECT_EQ(system, 2) << what;
            EXPECT_EQ(DvAudioSampleRate(frame), -1) << what;
            EXPECT_EQ(DvAudioQuantization(frame), -1) << what;
            EXPECT_FALSE(wide) << what;
            EXPECT_FALSE(sourceControl) << what;
        }
        auto copy = frame;
        DvSetWide(copy, 9);
        if (!readable) {
            EXPECT_EQ(copy, frame) << what;
        } else {
            // Exactly the pack header and its PC2 change.
            const std::size_t at = dvoffset::kSequence * 9 + dvoffset::kSourceControl;
            EXPECT_EQ(copy[at], 0x61) << what;
            copy[at] = frame[at];
            copy[at + 2] = frame[at + 2];
            EXPECT_EQ(copy, frame) << what;
        }
    }
}

// The real frames: sequence by sequence, as their README describes them.
TEST(DvRealFrames, HeadClogReadsDatesAndTimecodesPerSequence)
{
    std::vector<std::uint8_t> frame;
    CAMTROVE_LOAD_DV_FIXTURE("sony_head_clog.dv", frame);
    ASSERT_EQ(frame.size(), kDvFrameSize60);
    for (int k = 0; k < kDvSequencesRead; ++k) {
        const TDvRecStamp stamp = ReadStamp(frame, k);
        if (k == 2 || k == 6) {
            EXPECT_EQ(stamp.year, 2000);
            EXPECT_EQ(stamp.month, 12);
            EXPECT_EQ(stamp.day, 3);
            EXPECT_EQ(stamp.hour, 10);
            EXPECT_EQ(stamp.minute, 15);
            EXPECT_EQ(stamp.second, 57);
        } else {
            EXPECT_EQ(stamp.year, -1) << "sequence " << k;
        }
    }
    EXPECT_EQ(DvReadTimecode(frame, 0), Word(0, 0, 0, 12));
    EXPECT_EQ(DvReadTimecode(frame, 2), Word(0, 0, 0, 13));
    EXPECT_FALSE(DvTimecodeValid(DvReadTimecode(frame, 1)));
    EXPECT_FALSE(DvTimecodeValid(DvReadTimecode(frame, 6))) << "block 1 of sequence 6 is lost";
    EXPECT_EQ(DvSystemOf(frame), 1);
    EXPECT_FALSE(DvHasSourceControl(frame));
    EXPECT_EQ(DvAudioSampleRate(frame), -1);
    EXPECT_EQ(DvAudioQuantization(frame), -1);
    EXPECT_FALSE(DvIsWide(frame));
}

TEST(DvRealFrames, SubcodeErrorsGiveTheTimecodeOnlyWhereBothBlocksHoldIt)
{
    std::vector<std::uint8_t> frame;
    CAMTROVE_LOAD_DV_FIXTURE("sony_subcode_errors.dv", frame);
    for (int k = 0; k < kDvSequencesRead; ++k) {
        const bool both = k == 4 || k == 5 || k == 6 || k == 9;
        const std::uint32_t timecode = DvReadTimecode(frame, k);
        EXPECT_EQ(DvTimecodeValid(timecode), both) << "sequence " << k;
        if (both) {
            EXPECT_EQ(timecode, Word(0, 0, 2, 6)) << "sequence " << k;
        }
    }
    const TDvRecStamp stamp = ReadStamp(frame, 0);
    EXPECT_EQ(stamp.year, 2000);
    EXPECT_EQ(stamp.second, 59);
}

TEST(DvRealFrames, PerfectFrameCarriesEveryPack)
{
    std::vector<std::uint8_t> frame;
    CAMTROVE_LOAD_DV_FIXTURE("sony_perfect.dv", frame);
    for (int k = 0; k < kDvSequencesRead; ++k) {
        EXPECT_EQ(ReadStamp(frame, k).year, k % 2 == 0 ? 2024 : -1) << "sequence " << k;
        EXPECT_EQ(DvReadTimecode(frame, k), Word(0, 0, 2, 20)) << "sequence " << k;
    }
    const TDvRecStamp stamp = ReadStamp(frame, 0);
    EXPECT_EQ(stamp.month, 7);
    EXPECT_EQ(stamp.day, 8);
    EXPECT_EQ(stamp.hour, 19);
    EXPECT_EQ(stamp.minute, 55);
    EXPECT_EQ(stamp.second, 58);
    EXPECT_EQ(DvSystemOf(frame), 1);
    EXPECT_TRUE(DvHasSourceControl(frame));
    EXPECT_EQ(DvAudioSampleRate(frame), 32000);
    EXPECT_EQ(DvAudioQuantization(frame), 12);
    EXPECT_FALSE(DvIsWide(frame));

    DvSetWide(frame, 0);
    EXPECT_TRUE(DvIsWide(frame));
    EXPECT_EQ(frame[dvoffset::kSourceControl + 2], 7) << "a consumer tape has AP3 0";
}

TEST(DvRealFrames, BlankTapeHoldsNothing)
{
    std::vector<std::uint8_t> frame;
    CAMTROVE_LOAD_DV_FIXTURE("sony_drop_frame.dv", frame);
    for (int k = 0; k < kDvSequencesRead; ++k) {
        EXPECT_EQ(ReadStamp(frame, k).year, -1);
        EXPECT_FALSE(DvTimecodeValid(DvReadTimecode(frame, k)));
    }
    EXPECT_EQ(DvSystemOf(frame), 1);
    EXPECT_FALSE(DvHasSourceControl(frame));
    EXPECT_EQ(DvAudioSampleRate(frame), -1);
}

} // namespace
} // namespace camtrove::filters
