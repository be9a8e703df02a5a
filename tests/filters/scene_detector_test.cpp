#include "filters/ecrire_scnunit.h"
#include "filters/scene_detector.h"
#include "support/dv_frame_forge.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace camtrove::filters {
namespace {

using testsupport::DvFrameForge;
using testsupport::DvLines;

// The scene callback is a plain procedure, so the calls it sees are kept here.
std::vector<std::pair<std::uint32_t, std::uint32_t>> g_scenes;
void RecordScene(const TSceneFrameInfo* start, const TSceneFrameInfo* current)
{
    g_scenes.emplace_back(start->FrameCounter, current->FrameCounter);
}

// Seconds after 2024-07-08 19:55:00, or no date at all.
using FrameDate = std::optional<int>;

std::vector<std::uint8_t> Frame(FrameDate seconds, std::uint8_t displayMode = 0)
{
    DvFrameForge forge = DvFrameForge::Bare(DvLines::System525);
    if (seconds) {
        const TDateTime base = *TryEncodeDateTime(2024, 7, 8, 19, 55, 0);
        const DateTimeParts p = DecodeDateTime(base + *seconds / 86400.0);
        forge.RecDate(p.year, p.month, p.day, p.hour, p.minute, p.second);
    }
    forge.SourceControl(0, displayMode);
    return forge.Take();
}

struct SceneCase
{
    const char* name;
    std::vector<FrameDate> frames;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> scenes; // (start, current) per callback, Stop's last
};

void PrintTo(const SceneCase& c, std::ostream* os)
{
    *os << c.name;
}

std::vector<FrameDate> Dated(int first, int count, int step = 1)
{
    std::vector<FrameDate> frames;
    for (int i = 0; i < count; ++i)
        frames.emplace_back(first + i * step);
    return frames;
}

std::vector<FrameDate> Undated(int count)
{
    return std::vector<FrameDate>(count, std::nullopt);
}

std::vector<FrameDate> Join(std::initializer_list<std::vector<FrameDate>> parts)
{
    std::vector<FrameDate> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

class SceneRule : public ::testing::TestWithParam<SceneCase>
{
};

TEST_P(SceneRule, ReportsTheScenesAndClosesTheLastAtStop)
{
    const SceneCase& c = GetParam();
    g_scenes.clear();
    SceneDetector detector;
    detector.SetSceneCallback(&RecordScene);
    for (const FrameDate& date : c.frames) {
        (void)detector.ProcessFrame(Frame(date), std::nullopt);
        EXPECT_EQ(detector.Current().DateValid, date.has_value());
    }
    detector.CloseLastScene();
    detector.Reset();
    EXPECT_EQ(g_scenes, c.scenes);
}

// The first scene starts with counter 1 (its start is taken after the first frame is counted);
// later scenes start with the index of their first frame.
INSTANTIATE_TEST_SUITE_P(
    Dates, SceneRule,
    ::testing::Values(
        SceneCase{"OneSecondApartIsOneScene", Dated(0, 5), {{1, 5}}},
        SceneCase{"JumpOfThreeSecondsStartsAScene", Join({Dated(0, 2), Dated(4, 2)}), {{1, 2}, {2, 4}}},
        SceneCase{
            "JumpOfOneSecondForwardOrBackIsNone", Join({Dated(10, 2), Dated(10, 1), Dated(9, 1)}), {{1, 4}}},
        SceneCase{"JumpOfThreeSecondsBackStartsAScene", Join({Dated(10, 1), Dated(7, 1)}), {{1, 1}, {1, 2}}},
        SceneCase{"JumpOfDaysStartsAScene", Join({Dated(0, 2), Dated(3 * 86400, 2)}), {{1, 2}, {2, 4}}},
        SceneCase{
            "FiveUndatedFramesOpenOneScene", Join({Dated(0, 3), Undated(5), Dated(8, 3)}), {{1, 3}, {3, 11}}},
        SceneCase{"ThirteenUndatedFramesAreASceneOfTheirOwn",
                  Join({Dated(0, 3), Undated(13), Dated(16, 3)}),
                  {{1, 3}, {3, 16}, {16, 19}}},
        SceneCase{"AnUndatedStartOpensNoScene", Join({Undated(3), Dated(3, 3)}), {{1, 6}}},
        SceneCase{"StopBeforeAnyFrameStillClosesOnce", {}, {{0, 0}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SceneDetector, AspectChangesAreReportedOncePerChangeAndAfterEachStop)
{
    SceneDetector detector;
    const auto wide = Frame(0, 2);
    const auto narrow = Frame(0, 0);
    auto r = detector.ProcessFrame(wide, 0);
    EXPECT_TRUE(r.AspectChanged);
    EXPECT_TRUE(r.Wide);
    EXPECT_FALSE(detector.ProcessFrame(wide, 1).AspectChanged);
    r = detector.ProcessFrame(narrow, 2);
    EXPECT_TRUE(r.AspectChanged);
    EXPECT_FALSE(r.Wide);

    detector.CloseLastScene();
    detector.Reset();
    EXPECT_TRUE(detector.ProcessFrame(wide, 0).AspectChanged);
}

TEST(SceneDetector, StampsMediaTimesWithTheFrameNumber)
{
    SceneDetector detector;
    const auto frame = Frame(0);
    for (std::int64_t i = 0; i < 3; ++i) {
        const auto r = detector.ProcessFrame(frame, i);
        EXPECT_EQ(r.MediaStart, i);
        EXPECT_EQ(r.MediaStop, i + 1);
    }
    detector.Reset();
    EXPECT_EQ(detector.ProcessFrame(frame, 0).MediaStart, 0);
}

TEST(SceneDetector, RingKeepsTheKeptBlocksAndFindsFramesByTime)
{
    SceneDetector detector;
    std::vector<std::vector<std::uint8_t>> frames;
    for (int i = 0; i < 3; ++i) {
        frames.push_back(
            DvFrameForge::Bare(DvLines::System525).Timecode(0, 0, 1, i).RecDate(2024, 7, 8, 10, 0, i).Take());
        (void)detector.ProcessFrame(frames.back(), std::int64_t(i) * 333667);
    }
    EXPECT_EQ(detector.RingPos(), 3);

    const SceneDetector::RingSlot slot = detector.LookUp(400000);
    EXPECT_EQ(detector.SearchPos(), 2);
    EXPECT_EQ(slot.StartTime, 333667);
    EXPECT_EQ(slot.Info.FrameCounter, 2u); // the counter after the frame was counted
    EXPECT_EQ(slot.Info.FrameIndex, 1);
    EXPECT_EQ(slot.Info.Timecode >> 24, 1u);
    for (int k = 0; k < SceneDetector::kKeptSequences; ++k) {
        const auto* kept = slot.DvData.data() + k * SceneDetector::kKeptBytesPerSequence;
        EXPECT_TRUE(
            std::equal(kept, kept + SceneDetector::kKeptBytesPerSequence, frames[1].begin() + k * 12000))
            << "sequence " << k;
    }

    EXPECT_EQ(detector.LookUp(10'000'000).StartTime, 2 * 333667);
    EXPECT_EQ(detector.SearchPos(), 3);
}

TEST(SceneDetector, RingWrapsAfterAHundredFramesAndAMissTakesTheOldestSlot)
{
    SceneDetector detector;
    const auto frame = Frame(0);
    for (int i = 0; i < 150; ++i)
        (void)detector.ProcessFrame(frame, 1000 + i);
    EXPECT_EQ(detector.RingPos(), 50);
    const SceneDetector::RingSlot oldest = detector.LookUp(0);
    EXPECT_EQ(detector.SearchPos(), 51);
    EXPECT_EQ(oldest.StartTime, 1000 + 50);
}

TEST(SceneDetector, ASampleWithoutATimeKeepsTheRingInOrder)
{
    SceneDetector detector;
    const auto frame = Frame(0);
    (void)detector.ProcessFrame(frame, 5000);
    (void)detector.ProcessFrame(frame, std::nullopt);
    EXPECT_EQ(detector.LookUp(5000).Info.FrameCounter, 2u);

    // A new run starts from time 0, not from the last run's times (slot 0 holds one of those).
    for (int i = 0; i < SceneDetector::kRingSize; ++i)
        (void)detector.ProcessFrame(frame, 9000 + i);
    detector.Reset();
    (void)detector.ProcessFrame(frame, std::nullopt);
    EXPECT_EQ(detector.LookUp(0).StartTime, 0);
    EXPECT_EQ(detector.SearchPos(), 1);
}

TEST(SceneDetector, FeedsTheSceneFileOfAHundredFrameCapture)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("capture.scn"));
    ASSERT_TRUE(ScnOpen(path));
    SceneDetector detector;
    detector.SetSceneCallback(&ScnAddScene);
    for (int i = 0; i < 100; ++i)
        (void)detector.ProcessFrame(Frame(i < 40 ? i / 30 : 600 + i / 30), i);
    detector.CloseLastScene();
    detector.Reset();
    ScnClose();
    detector.SetSceneCallback(nullptr);

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const int l = int(path.toUtf8().size());
    auto int32At = [&](int offset) { return qFromLittleEndian<std::int32_t>(bytes.constData() + offset); };
    EXPECT_EQ(qFromLittleEndian<std::uint16_t>(bytes.constData() + 33 + l), 2);
    const int first = 65 + l;
    EXPECT_EQ(int32At(first), 41);
    const int second = first + 23 + l;
    ASSERT_EQ(bytes.size(), second + 35);
    EXPECT_EQ(int32At(second + 9), 41);  // S
    EXPECT_EQ(int32At(second + 13), 61); // N
}

} // namespace
} // namespace camtrove::filters
