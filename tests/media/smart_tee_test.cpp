#include "media/core/filter_graph.h"
#include "media/stock/smart_tee.h"
#include "test_filters.h"

#include <gtest/gtest.h>

namespace camtrove::media {
namespace {

using testing::PinOf;
using testing::TestSink;
using testing::TestSource;

AM_MEDIA_TYPE Rgb24()
{
    return MakeVideoType(MEDIASUBTYPE_RGB24, 8, 4, 400000);
}

// A preview that has stopped consuming: it keeps every sample it is given until Stop.
class HoldingSink;
class HoldingPin final : public TBCBaseInputPin
{
public:
    HoldingPin(HoldingSink* filter, TBCCritSec* lock, HRESULT* hr);
    HRESULT CheckMediaType(const AM_MEDIA_TYPE&) override { return S_OK; }
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT Inactive() override;

    std::mutex mutex;
    std::vector<ComPtr<IMediaSample>> held;
};

class HoldingSink final : public TBCBaseFilter
{
public:
    HoldingSink() : TBCBaseFilter(QStringLiteral("Holding sink"), &m_lock, GUID_NULL)
    {
        HRESULT hr = S_OK;
        m_pin = std::make_unique<HoldingPin>(this, &m_lock, &hr);
    }
    int GetPinCount() override { return 1; }
    TBCBasePin* GetPin(int index) override { return index == 0 ? m_pin.get() : nullptr; }
    std::size_t Held()
    {
        std::lock_guard lock(m_pin->mutex);
        return m_pin->held.size();
    }

private:
    TBCCritSec m_lock;
    std::unique_ptr<HoldingPin> m_pin;
};

HoldingPin::HoldingPin(HoldingSink* filter, TBCCritSec* lock, HRESULT* hr)
    : TBCBaseInputPin(QStringLiteral("Holding pin"), filter, lock, hr, QStringLiteral("In"))
{
}

HRESULT HoldingPin::Receive(IMediaSample* sample)
{
    const HRESULT hr = TBCBaseInputPin::Receive(sample);
    if (hr != S_OK)
        return hr;
    std::lock_guard lock(mutex);
    held.emplace_back(sample);
    return S_OK;
}

HRESULT HoldingPin::Inactive()
{
    {
        std::lock_guard lock(mutex);
        held.clear();
    }
    return TBCBaseInputPin::Inactive();
}

// source → smart tee ─┬ Capture → capture
//                     └ Preview → preview
template <class Preview> struct SmartTeeGraph
{
    explicit SmartTeeGraph(int count)
    {
        source = ComPtr<TestSource>(new TestSource({Rgb24()}, count, 100));
        EXPECT_EQ(graph->AddFilter(source.Get(), "Source"), S_OK);
        EXPECT_EQ(graph->AddFilter(tee.Get(), "Smart Tee"), S_OK);
        EXPECT_EQ(graph->AddFilter(capture.Get(), "Capture"), S_OK);
        EXPECT_EQ(graph->AddFilter(preview.Get(), "Preview"), S_OK);
        EXPECT_EQ(graph->ConnectDirect(PinOf(source.Get(), 0).Get(), PinOf(tee.Get(), 0).Get(), nullptr),
                  S_OK);
        EXPECT_EQ(graph->ConnectDirect(PinOf(tee.Get(), 1).Get(), PinOf(capture.Get(), 0).Get(), nullptr),
                  S_OK);
        EXPECT_EQ(graph->ConnectDirect(PinOf(tee.Get(), 2).Get(), PinOf(preview.Get(), 0).Get(), nullptr),
                  S_OK);
    }

    ComPtr<FilterGraph> graph = FilterGraph::Create(nullptr);
    ComPtr<TestSource> source;
    ComPtr<SmartTee> tee = SmartTee::Create();
    ComPtr<TestSink> capture = MakeCom<TestSink>();
    ComPtr<Preview> preview = MakeCom<Preview>();
};

TEST(SmartTee, HasAnInputACaptureAndAPreviewThatWaitForTheInput)
{
    auto tee = SmartTee::Create();
    const std::vector<std::pair<QString, PIN_DIRECTION>> expected{
        {"Input", PINDIR_INPUT}, {"Capture", PINDIR_OUTPUT}, {"Preview", PINDIR_OUTPUT}};
    ASSERT_EQ(tee->GetPinCount(), 3);
    for (int i = 0; i < 3; ++i) {
        PIN_INFO info;
        ASSERT_EQ(tee->GetPin(i)->QueryPinInfo(&info), S_OK);
        EXPECT_EQ(info.achName, expected[std::size_t(i)].first);
        EXPECT_EQ(info.dir, expected[std::size_t(i)].second);
        ComPtr<IPin> found;
        EXPECT_EQ(tee->FindPin(expected[std::size_t(i)].first, &found), S_OK);
        EXPECT_EQ(found.Get(), static_cast<IPin*>(tee->GetPin(i)));
    }

    auto graph = FilterGraph::Create(nullptr);
    auto sink = MakeCom<TestSink>();
    ASSERT_EQ(graph->AddFilter(tee.Get(), "Smart Tee"), S_OK);
    ASSERT_EQ(graph->AddFilter(sink.Get(), "Sink"), S_OK);
    EXPECT_EQ(graph->ConnectDirect(PinOf(tee.Get(), 2).Get(), PinOf(sink.Get(), 0).Get(), nullptr),
              VFW_E_NOT_CONNECTED);
}

TEST(SmartTee, CaptureGetsEverySampleAndPreviewAnUntimedCopy)
{
    SmartTeeGraph<TestSink> g(5);
    ASSERT_EQ(g.graph->Run(), S_OK);
    EXPECT_TRUE(g.capture->WaitUntil([](const auto& s, int eos) { return s.size() == 5 && eos == 1; }));
    EXPECT_TRUE(g.preview->WaitUntil([](const auto& s, int eos) { return s.size() == 5 && eos == 1; }));
    EXPECT_EQ(g.graph->Stop(), S_OK);
    const auto captured = g.capture->Samples();
    const auto previewed = g.preview->Samples();
    ASSERT_EQ(captured.size(), 5u);
    ASSERT_EQ(previewed.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(captured[std::size_t(i)].number, i);
        EXPECT_EQ(captured[std::size_t(i)].start, i * 400000LL);
        EXPECT_EQ(previewed[std::size_t(i)].number, i);
        EXPECT_EQ(previewed[std::size_t(i)].start, -1) << "preview sample " << i << " kept a time";
        EXPECT_EQ(previewed[std::size_t(i)].length, 100);
    }
    EXPECT_EQ(g.tee->PreviewFramesDropped(), 0);
}

TEST(SmartTee, APreviewThatFellBehindLosesFramesAndTheCaptureGoesOn)
{
    SmartTeeGraph<HoldingSink> g(10);
    ASSERT_EQ(g.graph->Run(), S_OK);
    EXPECT_TRUE(g.capture->WaitUntil([](const auto& s, int eos) { return s.size() == 10 && eos == 1; }));
    const std::size_t held = g.preview->Held();
    EXPECT_EQ(g.graph->Stop(), S_OK);
    EXPECT_GE(held, 1u);
    EXPECT_LT(held, 10u);
    EXPECT_EQ(g.tee->PreviewFramesDropped(), std::int64_t(10 - held));
}

} // namespace
} // namespace camtrove::media
