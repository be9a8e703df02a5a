#include "filter_test_support.h"
#include "filters/ct_control_filter.h"

#include <gtest/gtest.h>

namespace camtrove::filters {
namespace {

using namespace camtrove::media;

struct Passed
{
    std::int64_t mediaStart;
    std::int64_t mediaStop;
    bool sync;
    bool discontinuity;
    bool operator==(const Passed&) const = default;
};

// Sends one frame through the filter as the image-by-image capture sets it up; the frame's own
// times must stay as they were.
std::optional<Passed> Offer(Tct_ControlFilter& filter, testing::SamplePool& pool)
{
    auto sample = pool.Take(std::vector<std::uint8_t>(4, 9), 123456);
    if (filter.Transform(sample.Get()) != S_OK)
        return std::nullopt;
    REFERENCE_TIME start = 0, stop = 0;
    EXPECT_EQ(sample->GetTime(&start, &stop), S_OK);
    EXPECT_EQ(start, 123456);
    Passed passed{};
    EXPECT_EQ(sample->GetMediaTime(&passed.mediaStart, &passed.mediaStop), S_OK);
    passed.sync = sample->IsSyncPoint() == S_OK;
    passed.discontinuity = sample->IsDiscontinuity() == S_OK;
    return passed;
}

void SetUpForImageCapture(Tct_ControlFilter& filter)
{
    filter.MarkSync = true;
    filter.MarkDiscontinuity = true;
    filter.Increment = 1;
    filter.SetRestamp(true);
    filter.Gate = false;
}

TEST(ControlFilter, EachOpeningPassesOneNumberedFrame)
{
    auto filter = ComPtr<Tct_ControlFilter>(new Tct_ControlFilter());
    EXPECT_EQ(filter->ObjectName(), QStringLiteral("Dorn Vesk ct_ControlFilter"));
    EXPECT_FALSE(filter->ModifiesData());
    EXPECT_TRUE(filter->Gate.load()); // open at creation
    SetUpForImageCapture(*filter);
    testing::SamplePool pool(16);

    std::vector<Passed> passed;
    for (int opening = 0; opening < 3; ++opening) {
        EXPECT_FALSE(Offer(*filter, pool)); // closed between openings
        filter->Gate = true;
        if (opening == 1)
            filter->Gate = true; // a second opening before the frame adds nothing
        if (auto frame = Offer(*filter, pool))
            passed.push_back(*frame);
        EXPECT_FALSE(Offer(*filter, pool));
    }
    EXPECT_EQ(passed, (std::vector<Passed>{{0, 1, true, true}, {1, 2, true, true}, {2, 3, true, true}}));
}

TEST(ControlFilter, StopOpensTheGateCallsOnStopAfterStoppingAndKeepsCounting)
{
    auto filter = ComPtr<Tct_ControlFilter>(new Tct_ControlFilter());
    testing::SamplePool pool(16);
    int calls = 0;
    bool stoppedWhenCalled = false;
    filter->OnStop = [&] {
        ++calls;
        stoppedWhenCalled = filter->IsStopped() && filter->Gate.load();
    };

    for (int capture = 0; capture < 2; ++capture) {
        SetUpForImageCapture(*filter);
        ASSERT_EQ(filter->Pause(), S_OK);
        filter->Gate = true;
        const auto frame = Offer(*filter, pool);
        ASSERT_TRUE(frame);
        EXPECT_EQ(frame->mediaStart, capture); // the second capture goes on where the first stopped
        EXPECT_EQ(filter->Stop(), S_OK);
        EXPECT_EQ(calls, capture + 1);
        EXPECT_TRUE(stoppedWhenCalled);
    }

    // Without restamping, frames keep whatever media times they had.
    filter->SetRestamp(false);
    auto sample = pool.Take(std::vector<std::uint8_t>(4), 0);
    ASSERT_EQ(filter->Transform(sample.Get()), S_OK);
    std::int64_t ms = 0, me = 0;
    EXPECT_NE(sample->GetMediaTime(&ms, &me), S_OK);
}

} // namespace
} // namespace camtrove::filters
