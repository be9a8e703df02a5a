#include "../media/test_filters.h"
#include "filters/ct_scene_detect.h"
#include "media/core/filter_graph.h"
#include "media/core/mem_allocator.h"
#include "support/dv_frame_forge.h"

#include <cstring>
#include <gtest/gtest.h>
#include <mutex>
#include <tuple>
#include <vector>

namespace camtrove::filters {
namespace {

using namespace camtrove::media;
using testsupport::DvFrameForge;
using testsupport::DvLines;

class RecordingSink final : public WindowMessageSink
{
public:
    void PostWindowMessage(std::uint32_t message, std::intptr_t wParam, std::intptr_t lParam) override
    {
        std::lock_guard lock(m_mutex);
        m_messages.emplace_back(message, wParam, lParam);
    }
    std::vector<std::tuple<std::uint32_t, std::intptr_t, std::intptr_t>> Messages()
    {
        std::lock_guard lock(m_mutex);
        return m_messages;
    }

private:
    std::mutex m_mutex;
    std::vector<std::tuple<std::uint32_t, std::intptr_t, std::intptr_t>> m_messages;
};

std::vector<std::pair<std::uint32_t, std::uint32_t>> g_scenes;
void RecordScene(const TSceneFrameInfo* start, const TSceneFrameInfo* current)
{
    g_scenes.emplace_back(start->FrameCounter, current->FrameCounter);
}

AM_MEDIA_TYPE TypeOf(const GUID& major, const GUID& subtype)
{
    AM_MEDIA_TYPE type;
    type.majortype = major;
    type.subtype = subtype;
    return type;
}

TEST(SceneDetectFilter, TakesInterleavedStreamsAndDvVideoOnly)
{
    auto filter = ComPtr<Tct_SceneDetect>(new Tct_SceneDetect());
    EXPECT_EQ(filter->CheckInputType(TypeOf(MEDIATYPE_Interleaved, MEDIASUBTYPE_dvsd)), S_OK);
    EXPECT_EQ(filter->CheckInputType(TypeOf(MEDIATYPE_Interleaved, GUID_NULL)), S_OK);
    EXPECT_EQ(filter->CheckInputType(TypeOf(MEDIATYPE_Video, MEDIASUBTYPE_dvsd)), S_OK);
    EXPECT_EQ(filter->CheckInputType(TypeOf(MEDIATYPE_Video, MEDIASUBTYPE_RGB24)), VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_EQ(filter->CheckInputType(TypeOf(MEDIATYPE_Audio, MEDIASUBTYPE_dvsd)), VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_EQ(filter->ObjectName(), QStringLiteral("Dorn Vesk ct_SceneDetect"));
    EXPECT_FALSE(filter->ModifiesData());
}

TEST(SceneDetectFilter, StampsFramesFillsTheRingAndPostsAspectChanges)
{
    auto filter = ComPtr<Tct_SceneDetect>(new Tct_SceneDetect());
    RecordingSink sink;
    filter->SetMessageSink(&sink);

    auto allocator = MemAllocator::Create();
    ALLOCATOR_PROPERTIES request{1, 144000, 1, 0};
    ALLOCATOR_PROPERTIES actual;
    ASSERT_EQ(allocator->SetProperties(request, &actual), S_OK);
    ASSERT_EQ(allocator->Commit(), S_OK);

    const std::uint8_t modes[] = {2, 2, 0};
    for (int i = 0; i < 3; ++i) {
        ComPtr<IMediaSample> sample;
        ASSERT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, 0), S_OK);
        const auto frame =
            DvFrameForge::Bare(DvLines::System525).SourceControl(0, modes[i]).Timecode(0, 0, 0, i).Take();
        std::uint8_t* data = nullptr;
        ASSERT_EQ(sample->GetPointer(&data), S_OK);
        std::memcpy(data, frame.data(), frame.size());
        (void)sample->SetActualDataLength(std::int32_t(frame.size()));
        const REFERENCE_TIME start = 1000 + i * 333667;
        const REFERENCE_TIME stop = start + 333667;
        (void)sample->SetTime(&start, &stop);

        ASSERT_EQ(filter->Transform(sample.Get()), S_OK);
        std::int64_t mediaStart = -1;
        std::int64_t mediaStop = -1;
        ASSERT_EQ(sample->GetMediaTime(&mediaStart, &mediaStop), S_OK);
        EXPECT_EQ(mediaStart, i);
        EXPECT_EQ(mediaStop, i + 1);
    }
    using Message = std::tuple<std::uint32_t, std::intptr_t, std::intptr_t>;
    EXPECT_EQ(sink.Messages(), (std::vector<Message>{{WM_DVASPECT, 1, 1}, {WM_DVASPECT, 1, 0}}));

    const auto slot = filter->Detector().LookUp(1000 + 333667);
    EXPECT_EQ(slot.StartTime, 1000 + 333667);
    EXPECT_EQ(slot.Info.Timecode >> 24, 1u);
    EXPECT_TRUE(slot.Info.Wide);
}

TEST(SceneDetectFilter, ClosesTheLastSceneAtStopInARunningGraph)
{
    // The test source's frames are 120000 bytes of their own number: no usable date in any.
    auto graph = FilterGraph::Create(nullptr);
    auto source = ComPtr<testing::TestSource>(
        new testing::TestSource({MakeVideoType(MEDIASUBTYPE_dvsd, 720, 480, 333667)}, 5, 120000));
    auto detect = ComPtr<Tct_SceneDetect>(new Tct_SceneDetect());
    auto sink = ComPtr<testing::TestSink>(new testing::TestSink());
    ASSERT_EQ(graph->AddFilter(source.Get(), "DV source"), S_OK);
    ASSERT_EQ(graph->AddFilter(detect.Get(), "Scene detect"), S_OK);
    ASSERT_EQ(graph->AddFilter(sink.Get(), "Sink"), S_OK);
    ASSERT_EQ(graph->ConnectDirect(testing::PinOf(source.Get(), 0).Get(),
                                   testing::PinOf(detect.Get(), 0).Get(), nullptr),
              S_OK);
    ASSERT_EQ(graph->ConnectDirect(testing::PinOf(detect.Get(), 1).Get(), testing::PinOf(sink.Get(), 0).Get(),
                                   nullptr),
              S_OK);

    g_scenes.clear();
    detect->SetSceneCallback(&RecordScene);
    for (int run = 0; run < 2; ++run) {
        source->m_delivered = 0;
        ASSERT_EQ(graph->Run(), S_OK);
        const std::size_t expected = 5 * std::size_t(run + 1);
        ASSERT_TRUE(
            sink->WaitUntil([expected](const auto& samples, int) { return samples.size() >= expected; }));
        ASSERT_EQ(graph->Stop(), S_OK);
        EXPECT_EQ(detect->Detector().Current().FrameCounter, 0u); // counted afresh after Stop
    }
    // One scene per run, closed by Stop with the counter after five frames.
    EXPECT_EQ(g_scenes, (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{1, 5}, {1, 5}}));
    detect->SetSceneCallback(nullptr);
}

} // namespace
} // namespace camtrove::filters
