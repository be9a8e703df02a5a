// The intervalometer's interval, its beeps and the snapshot summary.
#include "app/panels/intervalometer.h"

#include <gtest/gtest.h>

namespace camtrove::app {
namespace {

TEST(Intervalometer, CountsTheIntervalInTicksAndRefusesWhatDoesNotFit)
{
    EXPECT_EQ(IntervalTicks(10, IntervalUnit::Seconds, 25), 100000u);
    EXPECT_EQ(IntervalTicks(1, IntervalUnit::Frames, 25), 400u);
    EXPECT_EQ(IntervalTicks(1, IntervalUnit::Frames, 29.97), 334u);
    EXPECT_EQ(IntervalTicks(2, IntervalUnit::Minutes, 25), 1200000u);
    EXPECT_EQ(IntervalTicks(119, IntervalUnit::Hours, 25), 4284000000u);
    // 120 hours is past 2^32 ticks; it must not wrap to a few minutes.
    EXPECT_FALSE(IntervalTicks(120, IntervalUnit::Hours, 25).has_value());
    EXPECT_FALSE(IntervalTicks(999999, IntervalUnit::Seconds, 25).has_value());
    EXPECT_EQ(IntervalTicks(429496, IntervalUnit::Seconds, 25), 4294960000u);
    EXPECT_FALSE(IntervalTicks(5, IntervalUnit::Frames, 0).has_value())
        << "no frame rate without a video source";
    EXPECT_TRUE(IntervalRefusedMessage(120, IntervalUnit::Hours)
                    .startsWith(QStringLiteral("An interval of 120 hours")));
}

TEST(Intervalometer, BeepsFourTimesThenTheOtherBeepAtTheShot)
{
    for (int n = 9; n >= 5; --n)
        EXPECT_FALSE(BeepAt(n).has_value()) << n;
    for (int n = 4; n >= 1; --n)
        EXPECT_EQ(BeepAt(n), 1) << n;
    EXPECT_EQ(BeepAt(0), 0);

    for (int which : {0, 1}) {
        const QByteArray wave = BeepWave(which);
        ASSERT_EQ(wave.left(4), QByteArray("RIFF"));
        EXPECT_EQ(wave.mid(8, 8), QByteArray("WAVEfmt "));
        const auto u32 = [&](int at) {
            return std::uint32_t(std::uint8_t(wave[at])) | std::uint32_t(std::uint8_t(wave[at + 1])) << 8 |
                   std::uint32_t(std::uint8_t(wave[at + 2])) << 16 |
                   std::uint32_t(std::uint8_t(wave[at + 3])) << 24;
        };
        EXPECT_EQ(u32(24), 11025u) << "rate";
        EXPECT_EQ(std::uint8_t(wave[22]), 1) << "mono";
        EXPECT_EQ(std::uint8_t(wave[34]), 8) << "bits";
        EXPECT_EQ(u32(4), static_cast<std::uint32_t>(wave.size() - 8));
        const std::uint32_t samples = u32(40);
        EXPECT_NEAR(samples * 1000.0 / 11025, 60, 1) << "about 60 ms";
        // Sound, not silence: it swings well away from the 8-bit midpoint.
        int peak = 0;
        for (std::uint32_t i = 0; i < samples; ++i)
            peak = std::max(peak, std::abs(std::uint8_t(wave[44 + static_cast<int>(i)]) - 128));
        EXPECT_GT(peak, 80);
    }
    EXPECT_NE(BeepWave(0), BeepWave(1));
}

TEST(Intervalometer, SummarisesThePictureTypeAndTheInterval)
{
    const StatusPanelText on = SnapshotSummary(true, true, 10, IntervalUnit::Seconds);
    EXPECT_EQ(on.text, QStringLiteral("JPG - every 10 seconds"));
    EXPECT_EQ(on.colour, clRed);
    const StatusPanelText off = SnapshotSummary(false, false, 10, IntervalUnit::Seconds);
    EXPECT_EQ(off.text, QStringLiteral("BMP - Intervallo OFF"));
    EXPECT_EQ(off.colour, clBlack);
}

} // namespace
} // namespace camtrove::app
