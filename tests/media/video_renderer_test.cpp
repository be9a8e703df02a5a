#include "media/core/filter_graph.h"
#include "media/stock/video_renderer.h"
#include "test_filters.h"

#include <array>
#include <future>
#include <gtest/gtest.h>

namespace camtrove::media {
namespace {

using testing::PinOf;
using testing::TestClock;
using testing::TestSource;

constexpr REFERENCE_TIME kFrame = 400000; // the test source's spacing, 40 ms

// Records, for every presented frame, its number and the test clock's time when it was shown.
struct Presentations
{
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::pair<std::uint64_t, REFERENCE_TIME>> shown;

    bool WaitFor(std::size_t count)
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(10), [&] { return shown.size() >= count; });
    }
    std::size_t Count()
    {
        std::lock_guard lock(mutex);
        return shown.size();
    }
};

// source → video renderer, on a clock the test moves.
struct RendererGraph
{
    explicit RendererGraph(AM_MEDIA_TYPE type, int count = -1, bool timed = true)
    {
        source = ComPtr<TestSource>(new TestSource({type}, count, int(type.lSampleSize)));
        source->m_timed = timed;
        EXPECT_EQ(graph->SetSyncSource(clock.Get()), S_OK);
        EXPECT_EQ(graph->AddFilter(source.Get(), "Source"), S_OK);
        EXPECT_EQ(graph->AddFilter(renderer.Get(), "Video Renderer"), S_OK);
        EXPECT_EQ(graph->ConnectDirect(PinOf(source.Get(), 0).Get(), PinOf(renderer.Get(), 0).Get(), nullptr),
                  S_OK);
        renderer->SetChangeCallback([this] {
            const auto frame = renderer->LatestFrame();
            if (!frame)
                return;
            std::lock_guard lock(presented.mutex);
            if (presented.shown.empty() || presented.shown.back().first != frame->number)
                presented.shown.emplace_back(frame->number, clock->Now());
            presented.changed.notify_all();
        });
    }
    ~RendererGraph() { renderer->SetChangeCallback({}); }

    ComPtr<FilterGraph> graph = FilterGraph::Create(nullptr);
    ComPtr<TestClock> clock = MakeCom<TestClock>();
    ComPtr<TestSource> source;
    ComPtr<VideoRenderer> renderer = VideoRenderer::Create();
    Presentations presented;
};

AM_MEDIA_TYPE Rgb24(std::int32_t height = 4)
{
    return MakeVideoType(MEDIASUBTYPE_RGB24, 6, height, kFrame);
}

// However the threads interleave, no frame shows before its time, and each shows as soon as the
// clock reaches it: the clock moves a quarter frame at a time and waits for what is due.
TEST(VideoRenderer, PresentsEachTimedFrameWhenTheClockReachesIt)
{
    RendererGraph g(Rgb24(), 6);
    const REFERENCE_TIME runAt = g.clock->Now();
    ASSERT_EQ(g.graph->Run(), S_OK);
    for (int step = 0; step <= 4 * 5; ++step) {
        if (step > 0)
            g.clock->Advance(kFrame / 4);
        const auto due = std::size_t((g.clock->Now() - runAt) / kFrame + 1);
        ASSERT_TRUE(g.presented.WaitFor(due)) << "step " << step;
        ASSERT_EQ(g.presented.Count(), due) << "a frame showed before its time, step " << step;
    }
    EXPECT_EQ(g.graph->Stop(), S_OK);
    for (std::size_t i = 0; i < g.presented.shown.size(); ++i)
        EXPECT_EQ(g.presented.shown[i].second, runAt + REFERENCE_TIME(i) * kFrame) << "frame " << i;
}

TEST(VideoRenderer, PresentsFramesWithoutTimesAtOnceEvenWhilePaused)
{
    RendererGraph g(Rgb24(), 5, false);
    ASSERT_EQ(g.graph->Pause(), S_OK);
    EXPECT_TRUE(g.presented.WaitFor(5));
    EXPECT_EQ(g.graph->Stop(), S_OK);
    ASSERT_TRUE(g.renderer->LatestFrame());
    EXPECT_FALSE(g.renderer->LatestFrame()->start.has_value());
}

TEST(VideoRenderer, StopWakesAFrameWaitingForItsTime)
{
    RendererGraph g(Rgb24());
    ASSERT_EQ(g.graph->Run(), S_OK);
    ASSERT_TRUE(g.presented.WaitFor(1)); // the next frame now waits for a clock that never moves
    auto stopped = std::async(std::launch::async, [&] { return g.graph->Stop(); });
    ASSERT_EQ(stopped.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(stopped.get(), S_OK);
    EXPECT_EQ(g.presented.Count(), 1u);
    // and the graph runs again; the source's times go on, so the clock must pass them
    ASSERT_EQ(g.graph->Run(), S_OK);
    g.clock->Advance(100 * kFrame);
    EXPECT_TRUE(g.presented.WaitFor(2));
    EXPECT_EQ(g.graph->Stop(), S_OK);
}

TEST(VideoRenderer, KeepsTheLatestFrameWholeWithItsLayout)
{
    for (const std::int32_t height : {4, -4}) {
        RendererGraph g(Rgb24(height), 3, false);
        g.source->m_fill = [](std::uint8_t* data, int size, int index) {
            for (int i = 0; i < size; ++i)
                data[i] = std::uint8_t(index * 50 + i);
        };
        ASSERT_EQ(g.graph->Run(), S_OK);
        ASSERT_TRUE(g.presented.WaitFor(3));
        EXPECT_EQ(g.graph->Stop(), S_OK);
        const auto frame = g.renderer->LatestFrame();
        ASSERT_TRUE(frame);
        EXPECT_EQ(frame->subtype, MEDIASUBTYPE_RGB24);
        EXPECT_EQ(frame->width, 6);
        EXPECT_EQ(frame->height, 4);
        EXPECT_EQ(frame->stride, 20); // 18 bytes padded to whole words
        EXPECT_EQ(frame->bottomUp, height > 0);
        ASSERT_EQ(frame->pixels.size(), 80u);
        EXPECT_EQ(frame->pixels.front(), 100);
        EXPECT_EQ(frame->pixels.back(), std::uint8_t(100 + 79));
    }
}

TEST(VideoRenderer, TakesOnlyRgb24AndRgb32Pictures)
{
    auto renderer = VideoRenderer::Create();
    EXPECT_EQ(renderer->CheckMediaType(Rgb24()), S_OK);
    EXPECT_EQ(renderer->CheckMediaType(MakeVideoType(MEDIASUBTYPE_RGB32, 6, -4, 0)), S_OK);
    AM_MEDIA_TYPE wrongDepth = Rgb24();
    wrongDepth.FormatAs<VIDEOINFOHEADER>()->bmiHeader.biBitCount = 32;
    AM_MEDIA_TYPE noFormat = Rgb24();
    noFormat.format.resize(16);
    for (const AM_MEDIA_TYPE& refused :
         {MakeVideoType(MEDIASUBTYPE_YUY2, 6, 4, 0), MakeVideoType(MEDIASUBTYPE_RGB565, 6, 4, 0),
          MakeVideoType(MEDIASUBTYPE_RGB24, 0, 4, 0), MakeVideoType(MEDIASUBTYPE_RGB24, 6, 0, 0),
          MakePcmAudioType(48000, 16, 2), wrongDepth, noFormat})
        EXPECT_NE(renderer->CheckMediaType(refused), S_OK);
}

TEST(VideoRenderer, KeepsTheWindowStateAndTellsTheWidget)
{
    auto renderer = VideoRenderer::Create();
    auto window = QueryAs<IVideoWindow>(static_cast<IBaseFilter*>(renderer.Get()));
    ASSERT_TRUE(window);
    int changes = 0;
    renderer->SetChangeCallback([&] { ++changes; });
    EXPECT_EQ(window->SetWindowPosition(50, 0, 500, 400), S_OK);
    EXPECT_EQ(window->put_Visible(false), S_OK);
    EXPECT_EQ(window->SetWindowPosition(0, 0, -1, 400), E_INVALIDARG);
    std::int32_t left = 0, top = 0, width = 0, height = 0;
    EXPECT_EQ(window->GetWindowPosition(&left, &top, &width, &height), S_OK);
    EXPECT_EQ((std::array{left, top, width, height}), (std::array{50, 0, 500, 400}));
    bool visible = true;
    EXPECT_EQ(window->get_Visible(&visible), S_OK);
    EXPECT_FALSE(visible);
    EXPECT_FALSE(renderer->WindowState().visible);
    EXPECT_EQ(changes, 2);
}

TEST(VideoRenderer, ShowsItsHiddenWindowWhenAConnectedStreamStarts)
{
    RendererGraph g(Rgb24(), 1, false);
    ASSERT_EQ(g.renderer->put_Visible(false), S_OK);
    ASSERT_EQ(g.graph->Pause(), S_OK);
    EXPECT_TRUE(g.renderer->WindowState().visible);
    EXPECT_EQ(g.graph->Stop(), S_OK);

    auto graph = FilterGraph::Create(nullptr);
    auto alone = VideoRenderer::Create();
    ASSERT_EQ(graph->AddFilter(alone.Get(), "Video Renderer"), S_OK);
    ASSERT_EQ(alone->put_Visible(false), S_OK);
    ASSERT_EQ(graph->Pause(), S_OK);
    EXPECT_FALSE(alone->WindowState().visible) << "nothing to show without a picture stream";
    EXPECT_EQ(graph->Stop(), S_OK);
}

} // namespace
} // namespace camtrove::media
