#include "media/core/device_interfaces.h"
#include "media/devices/tape_transport.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace camtrove::media {
namespace {

// What a transport shows over some periods: a frame index or -1 for no picture.
std::vector<int> Shown(TapeTransport& transport, int periods)
{
    std::vector<int> shown;
    for (int i = 0; i < periods; ++i)
        shown.push_back(transport.Tick().frame.value_or(-1));
    return shown;
}

struct ModeCase
{
    std::string name;
    int startAt; // frames played before the mode is set
    std::int32_t mode;
    int periods;
    std::vector<int> shown;
    int positionAfter;
    std::int32_t modeAfter;
};

class TapeTransportModes : public ::testing::TestWithParam<ModeCase>
{
};

TEST_P(TapeTransportModes, MoveTheTapeAsADeckDoes)
{
    const ModeCase& c = GetParam();
    TapeTransport transport(100);
    ASSERT_TRUE(transport.SetMode(ED_MODE_PLAY));
    (void)Shown(transport, c.startAt);
    ASSERT_TRUE(transport.SetMode(c.mode));
    EXPECT_EQ(Shown(transport, c.periods), c.shown);
    EXPECT_EQ(transport.Position(), c.positionAfter);
    EXPECT_EQ(transport.Mode(), c.modeAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, TapeTransportModes,
    ::testing::Values(
        ModeCase{"PlayShowsEveryFrame", 0, ED_MODE_PLAY, 3, {0, 1, 2}, 3, ED_MODE_PLAY},
        ModeCase{"FreezeRepeatsTheFrame", 5, ED_MODE_FREEZE, 3, {5, 5, 5}, 5, ED_MODE_FREEZE},
        ModeCase{"StopShowsNothingAndKeepsThePlace", 5, ED_MODE_STOP, 3, {-1, -1, -1}, 5, ED_MODE_STOP},
        ModeCase{"FastForwardWindsTenFramesWithoutPicture", 0, ED_MODE_FF, 3, {-1, -1, -1}, 30, ED_MODE_FF},
        ModeCase{"RewindWindsBack", 50, ED_MODE_REW, 2, {-1, -1}, 30, ED_MODE_REW},
        ModeCase{"FastestForwardPlayShowsEveryTenth",
                 10,
                 ED_MODE_PLAY_FASTEST_FWD,
                 3,
                 {10, 20, 30},
                 40,
                 ED_MODE_PLAY_FASTEST_FWD},
        ModeCase{"FastestReversePlayShowsEveryTenthBackwards",
                 50,
                 ED_MODE_PLAY_FASTEST_REV,
                 3,
                 {50, 40, 30},
                 20,
                 ED_MODE_PLAY_FASTEST_REV},
        ModeCase{"SlowestForwardShowsEachFrameTenTimes",
                 3,
                 ED_MODE_PLAY_SLOWEST_FWD,
                 12,
                 {3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 4, 4},
                 4,
                 ED_MODE_PLAY_SLOWEST_FWD},
        ModeCase{"SlowestReverseSteps", 3, ED_MODE_PLAY_SLOWEST_REV, 2, {3, 2}, 2, ED_MODE_PLAY_SLOWEST_REV},
        ModeCase{"PlayToTheEndStops", 98, ED_MODE_PLAY, 4, {98, 99, -1, -1}, 99, ED_MODE_STOP},
        ModeCase{"WindingPastTheEndStops", 95, ED_MODE_FF, 2, {-1, -1}, 99, ED_MODE_STOP},
        ModeCase{"RewindingPastTheStartStops", 15, ED_MODE_REW, 3, {-1, -1, -1}, 0, ED_MODE_STOP}),
    [](const ::testing::TestParamInfo<ModeCase>& info) { return info.param.name; });

TEST(TapeTransport, ReportsTheEndOfTheTapeOnceAndRefusesUnknownModes)
{
    TapeTransport transport(2);
    EXPECT_EQ(transport.Mode(), ED_MODE_STOP);
    EXPECT_FALSE(transport.SetMode(ED_MODE_RECORD)) << "the test deck cannot record";
    EXPECT_FALSE(transport.SetMode(12345));
    ASSERT_TRUE(transport.SetMode(ED_MODE_PLAY));
    EXPECT_FALSE(transport.Tick().endOfTape);
    const TransportStep last = transport.Tick();
    EXPECT_EQ(last.frame, 1);
    EXPECT_TRUE(last.endOfTape) << "the last frame is shown and the transport stops with it";
    EXPECT_FALSE(transport.Tick().endOfTape);

    ASSERT_TRUE(transport.SetMode(ED_MODE_PLAY));
    const TransportStep atEnd = transport.Tick();
    EXPECT_FALSE(atEnd.frame.has_value());
    EXPECT_TRUE(atEnd.endOfTape) << "play at the end of the tape stops at once";
    transport.Rewind();
    EXPECT_EQ(transport.Position(), 0);
}

} // namespace
} // namespace camtrove::media
