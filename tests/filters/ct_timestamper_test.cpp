#include "../media/test_filters.h"
#include "filter_test_support.h"
#include "filters/ct_timestamper.h"
#include "media/core/filter_graph.h"

#include <gtest/gtest.h>

namespace camtrove::filters {
namespace {

using namespace camtrove::media;

struct StamperCase
{
    const char* name;
    bool frozen;
    bool stripTimes;
    bool hadTimes;
    HRESULT expected;
    bool timesAfter;
};

class TimeStamperCases : public ::testing::TestWithParam<StamperCase>
{
};

TEST_P(TimeStamperCases, DropsOrStripsAsSet)
{
    const StamperCase& c = GetParam();
    auto filter = ComPtr<Tct_TimeStamper>(new Tct_TimeStamper());
    filter->SetFrozen(c.frozen);
    if (c.stripTimes)
        filter->SetStripTimes();
    testing::SamplePool pool(16);
    const std::vector<std::uint8_t> bytes{1, 2, 3, 4};
    auto sample = pool.Take(bytes, c.hadTimes ? 5000 : -1);
    if (c.hadTimes) {
        const std::int64_t ms = 7, me = 8;
        (void)sample->SetMediaTime(&ms, &me);
    }

    EXPECT_EQ(filter->Transform(sample.Get()), c.expected);
    REFERENCE_TIME start = 0, stop = 0;
    std::int64_t mediaStart = 0, mediaStop = 0;
    EXPECT_EQ(sample->GetTime(&start, &stop) == S_OK, c.timesAfter);
    EXPECT_EQ(sample->GetMediaTime(&mediaStart, &mediaStop) == S_OK, c.timesAfter);
    if (c.timesAfter) {
        EXPECT_EQ(start, 5000);
    }
    const auto after = testing::SampleBytes(sample.Get());
    EXPECT_EQ(std::vector<std::uint8_t>(after.begin(), after.end()), bytes);
}

INSTANTIATE_TEST_SUITE_P(
    TimeStamper, TimeStamperCases,
    ::testing::Values(StamperCase{"PassesUntouched", false, false, true, S_OK, true},
                      StamperCase{"FrozenDrops", true, false, true, S_FALSE, true},
                      StamperCase{"StripRemovesTimes", false, true, true, S_OK, false},
                      StamperCase{"StripLeavesUntimedAsIs", false, true, false, S_OK, false},
                      StamperCase{"FrozenAndStripDrops", true, true, true, S_FALSE, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TimeStamper, NameIdentityAndModesInAGraph)
{
    auto filter = ComPtr<Tct_TimeStamper>(new Tct_TimeStamper());
    EXPECT_EQ(filter->ObjectName(), QStringLiteral("Dorn Vesk ct_Timestamper"));
    GUID classId;
    ASSERT_EQ(filter->GetClassID(&classId), S_OK);
    EXPECT_EQ(classId, MakeGuid("E5307FC4-8823-4F58-A01D-D8C863F8BBA8"));
    EXPECT_FALSE(filter->ModifiesData());
    AM_MEDIA_TYPE anything;
    anything.majortype = MEDIATYPE_Audio;
    EXPECT_EQ(filter->CheckInputType(anything), S_OK);

    // Frozen for the first run: nothing arrives. Unfrozen with stripped times for the second:
    // every sample arrives without a time.
    auto graph = FilterGraph::Create(nullptr);
    auto source = ComPtr<media::testing::TestSource>(
        new media::testing::TestSource({MakeVideoType(MEDIASUBTYPE_RGB24, 8, 8, 400000)}, 4, 192));
    auto sink = ComPtr<media::testing::TestSink>(new media::testing::TestSink());
    ASSERT_EQ(graph->AddFilter(source.Get(), "Source"), S_OK);
    ASSERT_EQ(graph->AddFilter(filter.Get(), "Stamper"), S_OK);
    ASSERT_EQ(graph->AddFilter(sink.Get(), "Sink"), S_OK);
    ASSERT_EQ(graph->ConnectDirect(media::testing::PinOf(source.Get(), 0).Get(),
                                   media::testing::PinOf(filter.Get(), 0).Get(), nullptr),
              S_OK);
    ASSERT_EQ(graph->ConnectDirect(media::testing::PinOf(filter.Get(), 1).Get(),
                                   media::testing::PinOf(sink.Get(), 0).Get(), nullptr),
              S_OK);

    filter->SetFrozen(true);
    ASSERT_EQ(graph->Run(), S_OK);
    ASSERT_TRUE(sink->WaitUntil([](const auto&, int eos) { return eos >= 1; }));
    ASSERT_EQ(graph->Stop(), S_OK);
    EXPECT_TRUE(sink->Samples().empty());

    filter->SetFrozen(false);
    filter->SetStripTimes();
    source->m_delivered = 0;
    ASSERT_EQ(graph->Run(), S_OK);
    ASSERT_TRUE(sink->WaitUntil([](const auto& samples, int) { return samples.size() >= 4; }));
    ASSERT_EQ(graph->Stop(), S_OK);
    for (const auto& received : sink->Samples()) {
        EXPECT_EQ(received.start, -1);
        EXPECT_FALSE(received.hasMediaTime);
    }
}

} // namespace
} // namespace camtrove::filters
