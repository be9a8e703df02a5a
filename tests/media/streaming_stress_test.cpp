#include "media/core/filter_graph.h"
#include "media/stock/color_space_converter.h"
#include "media/stock/infinite_pin_tee.h"
#include "media/stock/null_renderer.h"
#include "media/stock/smart_tee.h"
#include "media/stock/video_renderer.h"
#include "test_filters.h"

#include <gtest/gtest.h>

namespace camtrove::media {
namespace {

using testing::PinOf;
using testing::TestSource;

// Run and Stop a thousand times on the graph the preview is made of, each run long enough for
// a frame to reach the video renderer and for the next one to wait for its time there: every
// streaming thread must be joined, every waiting renderer woken and every buffer returned.
// The sanitizer builds run it for leaks and races.
//
// source ─→ tee ─┬→ colour converter → null renderer
//                ├→ smart tee ─┬ Capture → null renderer
//                │             └ Preview → null renderer
//                └→ video renderer
TEST(Streaming, RunStopAThousandTimesOnAThreeBranchGraph)
{
    auto graph = FilterGraph::Create(nullptr);
    const AM_MEDIA_TYPE rgb24 = MakeVideoType(MEDIASUBTYPE_RGB24, 16, 16, 400000);
    auto source = ComPtr<TestSource>(new TestSource({rgb24}, -1, int(rgb24.lSampleSize)));
    source->m_restartEachRun = true;
    auto tee = InfinitePinTee::Create();
    auto converter = ColorSpaceConverter::Create();
    auto converted = NullRenderer::Create();
    auto renderer = VideoRenderer::Create();
    auto smartTee = SmartTee::Create();
    auto captured = NullRenderer::Create();
    auto previewed = NullRenderer::Create();
    const std::vector<std::pair<TBCBaseFilter*, const char*>> filters{
        {source.Get(), "Source"},       {tee.Get(), "Tee"},
        {converter.Get(), "Converter"}, {converted.Get(), "Converted"},
        {renderer.Get(), "Renderer"},   {smartTee.Get(), "Smart Tee"},
        {captured.Get(), "Captured"},   {previewed.Get(), "Previewed"}};
    for (const auto& [filter, name] : filters)
        ASSERT_EQ(graph->AddFilter(filter, name), S_OK);
    const auto connect = [&](TBCBaseFilter* from, int out, TBCBaseFilter* to, int in) {
        return graph->ConnectDirect(PinOf(from, out).Get(), PinOf(to, in).Get(), nullptr);
    };
    ASSERT_EQ(connect(source.Get(), 0, tee.Get(), 0), S_OK);
    ASSERT_EQ(connect(tee.Get(), 1, converter.Get(), 0), S_OK);
    ASSERT_EQ(connect(converter.Get(), 1, converted.Get(), 0), S_OK);
    ASSERT_EQ(connect(tee.Get(), 2, smartTee.Get(), 0), S_OK);
    ASSERT_EQ(connect(tee.Get(), 3, renderer.Get(), 0), S_OK);
    ASSERT_EQ(connect(smartTee.Get(), 1, captured.Get(), 0), S_OK);
    ASSERT_EQ(connect(smartTee.Get(), 2, previewed.Get(), 0), S_OK);

    std::mutex mutex;
    std::condition_variable presented;
    std::uint64_t frames = 0;
    renderer->SetChangeCallback([&] {
        {
            std::lock_guard lock(mutex);
            ++frames;
        }
        presented.notify_all();
    });
    for (int run = 0; run < 1000; ++run) {
        std::unique_lock lock(mutex);
        const std::uint64_t before = frames;
        lock.unlock();
        ASSERT_EQ(graph->Run(), S_OK) << "run " << run;
        lock.lock();
        ASSERT_TRUE(presented.wait_for(lock, std::chrono::seconds(10), [&] { return frames > before; }))
            << "run " << run;
        lock.unlock();
        ASSERT_EQ(graph->Stop(), S_OK) << "run " << run;
        // the tee serves its branches in order, the renderer's last
        ASSERT_GE(converted->SamplesRendered(), 1) << "run " << run;
        ASSERT_GE(captured->SamplesRendered(), 1) << "run " << run;
        ASSERT_GE(previewed->SamplesRendered(), 1) << "run " << run;
    }
    renderer->SetChangeCallback({});
    // the first frame of every run starts at 0 and so shows at once; the second waits 40 ms
    EXPECT_EQ(renderer->LatestFrame()->start, 0);
}

} // namespace
} // namespace camtrove::media
