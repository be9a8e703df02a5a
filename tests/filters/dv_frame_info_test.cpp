#include "filters/dv_frame_info.h"
#include "filters/dvcodes.h"
#include "support/dv_fixtures.h"
#include "support/dv_frame_forge.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace camtrove::filters {
namespace {

using testsupport::DvFrameForge;
using testsupport::DvLines;
namespace dvoffset = testsupport::dvoffset;

[[nodiscard]] TDateTime At(int year, int month, int day, int hour, int minute, int second)
{
    return *TryEncodeDateTime(year, month, day, hour, minute, second);
}

[[nodiscard]] std::uint32_t Word(int hours, int minutes, int seconds, int frames)
{
    return static_cast<std::uint32_t>(hours | minutes << 8 | seconds << 16 | frames << 24);
}

// A previous record with recognisable values, so "kept" and "overwritten" can be told apart.
[[nodiscard]] TSceneFrameInfo Previous()
{
    TSceneFrameInfo info;
    info.FrameCounter = 41;
    info.DateValid = true;
    info.TimecodeValid = true;
    info.RecDate = At(1999, 5, 6, 7, 8, 9);
    info.Timecode = Word(2, 3, 4, 5);
    info.Processed = true;
    return info;
}

struct DateCase
{
    const char* name;
    DvFrameForge (*make)();
    bool dateValid;
    enum
    {
        Exact,
        Zero,
        Kept,
        Midnight
    } recDate;
    TDateTime expected = 0;
};

void PrintTo(const DateCase& c, std::ostream* os)
{
    *os << c.name;
}

class DateRules : public ::testing::TestWithParam<DateCase>
{
};

TEST_P(DateRules, SetDateValidAndRecDate)
{
    const DateCase& c = GetParam();
    const auto forge = c.make();
    TSceneFrameInfo info = Previous();
    DvReadSceneFrameInfo(forge.Bytes(), info);
    EXPECT_EQ(info.DateValid, c.dateValid);
    switch (c.recDate) {
    case DateCase::Exact:
    case DateCase::Midnight:
        EXPECT_DOUBLE_EQ(info.RecDate, c.expected);
        break;
    case DateCase::Zero:
        EXPECT_EQ(info.RecDate, 0.0);
        break;
    case DateCase::Kept:
        EXPECT_DOUBLE_EQ(info.RecDate, Previous().RecDate);
        break;
    }
}

DvFrameForge Bare()
{
    return DvFrameForge::Bare(DvLines::System525);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DateRules,
    ::testing::Values(
        DateCase{"Valid", [] { return std::move(Bare().RecDate(2024, 7, 8, 19, 55, 58)); }, true,
                 DateCase::Exact, At(2024, 7, 8, 19, 55, 58)},
        DateCase{"NoDatePacks", [] { return Bare(); }, false, DateCase::Zero},
        DateCase{"ZeroPacksMonthZero",
                 [] {
                     return std::move(Bare()
                                          .Pack(0, dvoffset::kRecDate, {0, 0, 0, 0, 0})
                                          .Pack(0, dvoffset::kRecTime, {0, 0, 0, 0, 0}));
                 },
                 false, DateCase::Kept},
        DateCase{"MonthThirteen", [] { return std::move(Bare().RecDate(2001, 13, 1, 10, 0, 0)); }, false,
                 DateCase::Kept},
        DateCase{"April31", [] { return std::move(Bare().RecDate(2001, 4, 31, 10, 0, 0)); }, false,
                 DateCase::Kept},
        DateCase{"Feb29NotLeap", [] { return std::move(Bare().RecDate(2001, 2, 29, 10, 0, 0)); }, false,
                 DateCase::Kept},
        DateCase{"Feb29Leap", [] { return std::move(Bare().RecDate(2004, 2, 29, 10, 0, 0)); }, true,
                 DateCase::Exact, At(2004, 2, 29, 10, 0, 0)},
        DateCase{"DayZero", [] { return std::move(Bare().RecDate(2001, 3, 0, 10, 0, 0)); }, false,
                 DateCase::Kept},
        DateCase{"Hour24", [] { return std::move(Bare().RecDate(2001, 3, 4, 24, 0, 0)); }, false,
                 DateCase::Midnight, At(2001, 3, 4, 0, 0, 0)},
        DateCase{"Minute60", [] { return std::move(Bare().RecDate(2001, 3, 4, 5, 60, 0)); }, false,
                 DateCase::Midnight, At(2001, 3, 4, 0, 0, 0)},
        DateCase{"Second60", [] { return std::move(Bare().RecDate(2001, 3, 4, 5, 6, 60)); }, false,
                 DateCase::Midnight, At(2001, 3, 4, 0, 0, 0)},
        DateCase{"Year1940", [] { return std::move(Bare().RecDate(1940, 1, 1, 0, 0, 0)); }, true,
                 DateCase::Exact, At(1940, 1, 1, 0, 0, 0)},
        // The search stops at the first sequence with packs, even when its date is impossible.
        DateCase{"FirstDatedSequenceDecides",
                 [] {
                     return std::move(
                         Bare().RecDate(2001, 13, 1, 1, 1, 1, {1}).RecDate(2024, 7, 8, 1, 2, 3, {2}));
                 },
                 false, DateCase::Kept},
        DateCase{"LaterSequenceFound",
                 [] {
                     return std::move(
                         Bare().RecDate(2020, 1, 2, 3, 4, 5, {6}).RecDate(2024, 7, 8, 1, 2, 3, {8}));
                 },
                 true, DateCase::Exact, At(2020, 1, 2, 3, 4, 5)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DvReadSceneFrameInfo, TakesTheFirstSequenceWithATimecodeAndKeepsTheOldOneWithout)
{
    const auto forge = DvFrameForge::Bare(DvLines::System625)
                           .Timecode(0, 0, 1, 1, {2}, true, false) // block 1 lost: not a timecode
                           .Timecode(0, 10, 20, 3, {5})
                           .Timecode(0, 59, 59, 24, {7});
    TSceneFrameInfo info = Previous();
    DvReadSceneFrameInfo(forge.Bytes(), info);
    EXPECT_TRUE(info.TimecodeValid);
    EXPECT_EQ(info.Timecode, Word(0, 10, 20, 3));

    const auto none = DvFrameForge::Bare(DvLines::System625).Timecode(0, 0, 1, 1, {0}, false, true);
    info = Previous();
    DvReadSceneFrameInfo(none.Bytes(), info);
    EXPECT_FALSE(info.TimecodeValid);
    EXPECT_EQ(info.Timecode, Previous().Timecode);
}

TEST(DvReadSceneFrameInfo, DvCompleteNeedsTimecodeSourceControlAndAudioSource)
{
    const struct
    {
        const char* name;
        bool timecode, sourceControl, audio;
        int sourceControlSequence;
        bool complete;
    } cases[] = {{"all three", true, true, true, 0, true},
                 {"no timecode", false, true, true, 0, false},
                 {"no source control", true, false, true, 0, false},
                 {"no audio source", true, true, false, 0, false},
                 {"source control in sequence 3 only", true, true, true, 3, false}};
    for (const auto& c : cases) {
        auto forge = DvFrameForge::Encoded(DvLines::System525);
        if (c.timecode)
            forge.Timecode(0, 0, 0, 1);
        if (c.sourceControl)
            forge.SourceControl(c.sourceControlSequence, 0);
        if (c.audio)
            forge.AudioSource(0, 0);
        TSceneFrameInfo info;
        DvReadSceneFrameInfo(forge.Bytes(), info);
        EXPECT_EQ(info.DvComplete, c.complete) << c.name;
    }
}

TEST(DvReadSceneFrameInfo, FillsTheStreamFieldsAndLeavesTheCallersOwn)
{
    const auto forge = DvFrameForge::Encoded(DvLines::System625).SourceControl(0, 7).AudioSource(2, 1);
    TSceneFrameInfo info = Previous();
    info.Processed = false;
    DvReadSceneFrameInfo(forge.Bytes(), info);
    EXPECT_EQ(info.System, 0);
    EXPECT_TRUE(info.Wide);
    EXPECT_EQ(info.SampleRate, 32000);
    EXPECT_EQ(info.Quantization, 12);
    EXPECT_EQ(info.FrameIndex, 41);
    EXPECT_EQ(info.FrameCounter, 41u);
    EXPECT_FALSE(info.Processed);
}

// What each real frame holds, read the way scene detection reads it.
struct RealFrame
{
    const char* file;
    int frame;
    bool dateValid;
    TDateTime recDate;
    bool timecodeValid;
    std::uint32_t timecode;
    bool wide;
    int sampleRate, quantization;
    bool complete;
};

void PrintTo(const RealFrame& f, std::ostream* os)
{
    *os << f.file << " frame " << f.frame;
}

class RealFrames : public ::testing::TestWithParam<RealFrame>
{
};

TEST_P(RealFrames, ReadAsTheirReadmeDescribes)
{
    const RealFrame& f = GetParam();
    std::vector<std::uint8_t> bytes;
    CAMTROVE_LOAD_DV_FIXTURE(f.file, bytes);
    const std::size_t begin = kDvFrameSize60 * static_cast<std::size_t>(f.frame);
    ASSERT_GE(bytes.size(), begin + kDvFrameSize60);
    TSceneFrameInfo info;
    DvReadSceneFrameInfo(std::span<const std::uint8_t>(bytes).subspan(begin, kDvFrameSize60), info);
    EXPECT_EQ(info.DateValid, f.dateValid);
    EXPECT_DOUBLE_EQ(info.RecDate, f.recDate);
    EXPECT_EQ(info.TimecodeValid, f.timecodeValid);
    if (f.timecodeValid) {
        EXPECT_EQ(info.Timecode, f.timecode);
    }
    EXPECT_EQ(info.System, 1);
    EXPECT_EQ(info.Wide, f.wide);
    EXPECT_EQ(info.SampleRate, f.sampleRate);
    EXPECT_EQ(info.Quantization, f.quantization);
    EXPECT_EQ(info.DvComplete, f.complete);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, RealFrames,
    ::testing::Values(RealFrame{"sony_perfect.dv", 0, true, At(2024, 7, 8, 19, 55, 58), true,
                                Word(0, 0, 2, 20), false, 32000, 12, true},
                      RealFrame{"sony_good_quality.dv", 0, true, At(2024, 7, 8, 19, 55, 58), true,
                                Word(0, 0, 2, 17), false, 32000, 12, true},
                      RealFrame{"sony_good_quality.dv", 4, true, At(2024, 7, 8, 19, 55, 58), true,
                                Word(0, 0, 2, 21), false, 32000, 12, true},
                      RealFrame{"sony_subcode_errors.dv", 0, true, At(2000, 12, 3, 10, 15, 59), true,
                                Word(0, 0, 2, 6), false, 32000, 12, true},
                      RealFrame{"sony_head_clog.dv", 0, true, At(2000, 12, 3, 10, 15, 57), true,
                                Word(0, 0, 0, 12), false, -1, -1, false},
                      RealFrame{"sony_drop_frame.dv", 0, false, 0, false, 0, false, -1, -1, false}),
    [](const auto& info) {
        std::string name = info.param.file;
        name = name.substr(5, name.size() - 8); // "sony_" ... ".dv"
        return name + "_" + std::to_string(info.param.frame);
    });

} // namespace
} // namespace camtrove::filters
