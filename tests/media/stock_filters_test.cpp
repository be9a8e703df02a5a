#include "media/core/filter_graph.h"
#include "media/stock/infinite_pin_tee.h"
#include "media/stock/null_renderer.h"
#include "media/stock/sample_grabber.h"
#include "test_filters.h"

#include <algorithm>
#include <atomic>
#include <gtest/gtest.h>
#include <mutex>

namespace camtrove::media {
namespace {

using testing::DrainEvents;
using testing::PinOf;
using testing::TestSink;
using testing::TestSource;

AM_MEDIA_TYPE Rgb24()
{
    return MakeVideoType(MEDIASUBTYPE_RGB24, 8, 4, 400000);
}

QString PinName(IBaseFilter* filter, int index)
{
    ComPtr<IEnumPins> pins;
    if (Failed(filter->EnumPins(&pins)))
        return {};
    ComPtr<IPin> pin;
    for (int i = 0; i <= index; ++i)
        if (pins->Next(&pin) != S_OK)
            return {};
    PIN_INFO info;
    (void)pin->QueryPinInfo(&info);
    return info.achName;
}

std::vector<QString> PinNames(TBCBaseFilter* filter)
{
    std::vector<QString> names;
    for (int i = 0; i < filter->GetPinCount(); ++i)
        names.push_back(PinName(filter, i));
    return names;
}

// Records the first byte of every sample or buffer it is handed, on the streaming thread.
class RecordingCallback final : public RefCounted, public ISampleGrabberCB
{
public:
    HRESULT QueryInterface(const GUID& iid, void** object) override
    {
        if (iid != IID_IUnknown && iid != IID_ISampleGrabberCB)
            return E_NOINTERFACE;
        *object = static_cast<ISampleGrabberCB*>(this);
        AddRef();
        return S_OK;
    }
    HRESULT SampleCB(double time, IMediaSample* sample) override
    {
        std::uint8_t* data = nullptr;
        (void)sample->GetPointer(&data);
        Add(time, data[0], sample->GetActualDataLength(), false);
        return S_OK;
    }
    HRESULT BufferCB(double time, std::uint8_t* buffer, std::int32_t length) override
    {
        Add(time, buffer[0], length, true);
        return S_OK;
    }
    struct Call
    {
        double time;
        int first;
        std::int32_t length;
        bool buffer;
    };
    std::vector<Call> Calls()
    {
        std::lock_guard lock(m_mutex);
        return m_calls;
    }

private:
    void Add(double time, int first, std::int32_t length, bool buffer)
    {
        std::lock_guard lock(m_mutex);
        m_calls.push_back({time, first, length, buffer});
    }
    std::mutex m_mutex;
    std::vector<Call> m_calls;
};

// source → tee ─┬→ null renderer
//               ├→ null renderer
//               └→ sample grabber → recording sink
// With grabberFirst the grabber's branch is the tee's first output, so it is served first.
struct TeeGraph
{
    explicit TeeGraph(int count, bool grabberFirst = false)
    {
        source = ComPtr<TestSource>(new TestSource({Rgb24()}, count, 100));
        EXPECT_EQ(graph->AddFilter(source.Get(), "Source"), S_OK);
        EXPECT_EQ(graph->AddFilter(tee.Get(), "Tee"), S_OK);
        EXPECT_EQ(graph->AddFilter(first.Get(), "First"), S_OK);
        EXPECT_EQ(graph->AddFilter(second.Get(), "Second"), S_OK);
        EXPECT_EQ(graph->AddFilter(grabber.Get(), "Grabber"), S_OK);
        EXPECT_EQ(graph->AddFilter(sink.Get(), "Sink"), S_OK);
        EXPECT_EQ(grabber->SetMediaType(Rgb24()), S_OK);
        EXPECT_EQ(graph->ConnectDirect(PinOf(source.Get(), 0).Get(), PinOf(tee.Get(), 0).Get(), nullptr),
                  S_OK);
        // each output appears only once the one before it is connected
        std::vector<TBCBaseFilter*> branches{first.Get(), second.Get()};
        branches.insert(grabberFirst ? branches.begin() : branches.end(), grabber.Get());
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(
                graph->ConnectDirect(PinOf(tee.Get(), i + 1).Get(), PinOf(branches[i], 0).Get(), nullptr),
                S_OK);
        EXPECT_EQ(graph->ConnectDirect(PinOf(grabber.Get(), 1).Get(), PinOf(sink.Get(), 0).Get(), nullptr),
                  S_OK);
    }
    ComPtr<FilterGraph> graph = FilterGraph::Create(nullptr);
    ComPtr<TestSource> source;
    ComPtr<InfinitePinTee> tee = InfinitePinTee::Create();
    ComPtr<NullRenderer> first = NullRenderer::Create();
    ComPtr<NullRenderer> second = NullRenderer::Create();
    ComPtr<SampleGrabber> grabber = SampleGrabber::Create();
    ComPtr<TestSink> sink = ComPtr<TestSink>(new TestSink());
};

TEST(StockFilters, EveryTeeBranchGetsEveryFrameAndTheGraphStopsCleanly)
{
    TeeGraph g(20);
    auto callback = MakeCom<RecordingCallback>();
    ASSERT_EQ(g.grabber->SetCallback(callback.Get(), SampleGrabberCallSample), S_OK);
    ASSERT_EQ(g.grabber->SetBufferSamples(true), S_OK);
    std::int32_t size = 0;
    EXPECT_EQ(g.grabber->GetCurrentBuffer(&size, nullptr), VFW_E_WRONG_STATE);

    ASSERT_EQ(g.graph->Run(), S_OK);
    ASSERT_TRUE(g.sink->WaitUntil([](const auto&, int endOfStreams) { return endOfStreams == 1; }));
    // the tee serves its outputs in pin order, so the renderers are done before the sink's end
    EXPECT_EQ(g.first->SamplesRendered(), 20);
    EXPECT_EQ(g.second->SamplesRendered(), 20);
    const auto samples = g.sink->Samples();
    ASSERT_EQ(samples.size(), 20u);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(samples[i].number, i);
        EXPECT_EQ(samples[i].length, 100);
        EXPECT_EQ(samples[i].start, i * 400000LL);
    }
    EXPECT_TRUE(samples[0].sync && samples[0].discontinuity);
    EXPECT_FALSE(samples[1].sync);

    std::uint8_t last[100] = {};
    EXPECT_EQ(g.grabber->GetCurrentBuffer(nullptr, last), E_POINTER);
    ASSERT_EQ(g.grabber->GetCurrentBuffer(&size, nullptr), S_OK);
    EXPECT_EQ(size, 100);
    size = 99;
    EXPECT_EQ(g.grabber->GetCurrentBuffer(&size, last), E_OUTOFMEMORY);
    size = 100;
    ASSERT_EQ(g.grabber->GetCurrentBuffer(&size, last), S_OK);
    EXPECT_TRUE(std::all_of(std::begin(last), std::end(last), [](std::uint8_t b) { return b == 19; }));

    EXPECT_EQ(g.graph->Stop(), S_OK);
    for (TBCBaseFilter* filter : std::initializer_list<TBCBaseFilter*>{
             g.source.Get(), g.tee.Get(), g.first.Get(), g.second.Get(), g.grabber.Get(), g.sink.Get()})
        EXPECT_EQ(filter->State(), State_Stopped) << filter->Name().toStdString();
    const auto calls = callback->Calls();
    ASSERT_EQ(calls.size(), 20u);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(calls[i].first, i);
        EXPECT_DOUBLE_EQ(calls[i].time, i * 0.04);
        EXPECT_FALSE(calls[i].buffer);
    }
    const auto events = DrainEvents(g.graph.Get());
    EXPECT_EQ(std::count(events.begin(), events.end(), EC_COMPLETE), 2) << "one per null renderer";
}

TEST(StockFilters, AnEndlessTeeGraphStopsAndRunsAgain)
{
    TeeGraph g(-1);
    auto callback = MakeCom<RecordingCallback>();
    ASSERT_EQ(g.grabber->SetCallback(callback.Get(), SampleGrabberCallBuffer), S_OK);
    std::size_t seen = 0;
    for (int run = 0; run < 5; ++run) {
        ASSERT_EQ(g.graph->Run(), S_OK);
        ASSERT_TRUE(
            g.sink->WaitUntil([seen](const auto& samples, int) { return samples.size() >= seen + 3; }));
        ASSERT_EQ(g.graph->Stop(), S_OK);
        seen = g.sink->Samples().size();
        EXPECT_GE(g.first->SamplesRendered(), 3);
        EXPECT_GE(g.second->SamplesRendered(), 3);
    }
    EXPECT_EQ(g.sink->EndOfStreams(), 0);
    const auto calls = callback->Calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_TRUE(calls.front().buffer);
    EXPECT_EQ(calls.front().length, 100);
}

TEST(StockFilters, AOneShotGrabberEndsItsBranchWhileTheOtherBranchesGoOn)
{
    // served first, the grabber has seen the tee's end-of-stream when the renderers report theirs
    TeeGraph g(20, true);
    auto callback = MakeCom<RecordingCallback>();
    ASSERT_EQ(g.grabber->SetCallback(callback.Get(), SampleGrabberCallSample), S_OK);
    ASSERT_EQ(g.grabber->SetOneShot(true), S_OK);
    for (int run = 0; run < 2; ++run) {
        ASSERT_EQ(g.graph->Run(), S_OK);
        for (int renderer = 0; renderer < 2; ++renderer) {
            std::int32_t code = 0;
            LONG_PTR p1 = 0, p2 = 0;
            ASSERT_EQ(g.graph->GetEvent(&code, &p1, &p2, 10000), S_OK);
            EXPECT_EQ(code, EC_COMPLETE);
        }
        ASSERT_EQ(g.graph->Stop(), S_OK);
        EXPECT_EQ(g.first->SamplesRendered(), run == 0 ? 20 : 0);
        EXPECT_EQ(g.second->SamplesRendered(), run == 0 ? 20 : 0);
        EXPECT_EQ(g.sink->EndOfStreams(), run + 1) << "once per run, though the tee ends the stream too";
    }
    const auto samples = g.sink->Samples();
    ASSERT_EQ(samples.size(), 1u) << "the source has nothing left for the second run";
    EXPECT_EQ(samples[0].number, 0);
    EXPECT_EQ(callback->Calls().size(), 1u);
}

TEST(InfinitePinTee, OutputsAppearAsTheyAreConnectedWithTheInputsType)
{
    auto graph = FilterGraph::Create(nullptr);
    auto source = ComPtr<TestSource>(new TestSource({Rgb24()}));
    auto tee = InfinitePinTee::Create();
    auto a = NullRenderer::Create();
    auto b = NullRenderer::Create();
    for (auto [filter, name] : std::initializer_list<std::pair<IBaseFilter*, const char*>>{
             {source.Get(), "Source"}, {tee.Get(), "Tee"}, {a.Get(), "A"}, {b.Get(), "B"}})
        ASSERT_EQ(graph->AddFilter(filter, name), S_OK);
    EXPECT_EQ(PinNames(tee.Get()), (std::vector<QString>{"Input", "Output1"}));
    EXPECT_EQ(graph->ConnectDirect(PinOf(tee.Get(), 1).Get(), PinOf(a.Get(), 0).Get(), nullptr),
              VFW_E_NOT_CONNECTED)
        << "an output has no type before the input is connected";
    EXPECT_EQ(tee->GetPinCount(), 2);

    ASSERT_EQ(graph->ConnectDirect(PinOf(source.Get(), 0).Get(), PinOf(tee.Get(), 0).Get(), nullptr), S_OK);
    ASSERT_EQ(graph->ConnectDirect(PinOf(tee.Get(), 1).Get(), PinOf(a.Get(), 0).Get(), nullptr), S_OK);
    EXPECT_EQ(PinNames(tee.Get()), (std::vector<QString>{"Input", "Output1", "Output2"}));
    ASSERT_EQ(graph->ConnectDirect(PinOf(tee.Get(), 2).Get(), PinOf(b.Get(), 0).Get(), nullptr), S_OK);
    EXPECT_EQ(PinNames(tee.Get()), (std::vector<QString>{"Input", "Output1", "Output2", "Output3"}));
    for (int i = 1; i <= 2; ++i) {
        AM_MEDIA_TYPE type;
        ASSERT_EQ(PinOf(tee.Get(), i)->ConnectionMediaType(&type), S_OK);
        EXPECT_TRUE(type == Rgb24());
    }
    AM_MEDIA_TYPE offered;
    ComPtr<IEnumMediaTypes> types;
    ASSERT_EQ(PinOf(tee.Get(), 3)->EnumMediaTypes(&types), S_OK);
    ASSERT_EQ(types->Next(&offered), S_OK);
    EXPECT_TRUE(offered == Rgb24());

    // a branch that leaves takes its pin along; the free pin stays last
    ASSERT_EQ(graph->Disconnect(PinOf(tee.Get(), 1).Get()), S_OK);
    ASSERT_EQ(graph->Disconnect(PinOf(a.Get(), 0).Get()), S_OK);
    EXPECT_EQ(PinNames(tee.Get()), (std::vector<QString>{"Input", "Output2", "Output3"}));
    ComPtr<IPin> peer;
    EXPECT_EQ(PinOf(tee.Get(), 1)->ConnectedTo(&peer), S_OK);
    EXPECT_EQ(PinOf(tee.Get(), 2)->ConnectedTo(&peer), VFW_E_NOT_CONNECTED);
    ASSERT_EQ(graph->RemoveFilter(b.Get()), S_OK);
    EXPECT_EQ(PinNames(tee.Get()), (std::vector<QString>{"Input", "Output3"}));
}

TEST(InfinitePinTee, TheInputRefusesATypeAConnectedBranchCannotCarry)
{
    auto graph = FilterGraph::Create(nullptr);
    auto rgb = ComPtr<TestSource>(new TestSource({Rgb24()}));
    auto yuy2 = ComPtr<TestSource>(new TestSource({MakeVideoType(MEDIASUBTYPE_YUY2, 8, 4, 400000)}));
    auto tee = InfinitePinTee::Create();
    auto sink = ComPtr<TestSink>(
        new TestSink([](const AM_MEDIA_TYPE& t) { return t.subtype == MEDIASUBTYPE_RGB24; }));
    for (auto [filter, name] : std::initializer_list<std::pair<IBaseFilter*, const char*>>{
             {rgb.Get(), "Rgb"}, {yuy2.Get(), "Yuy2"}, {tee.Get(), "Tee"}, {sink.Get(), "Sink"}})
        ASSERT_EQ(graph->AddFilter(filter, name), S_OK);
    ASSERT_EQ(graph->ConnectDirect(PinOf(rgb.Get(), 0).Get(), PinOf(tee.Get(), 0).Get(), nullptr), S_OK);
    ASSERT_EQ(graph->ConnectDirect(PinOf(tee.Get(), 1).Get(), PinOf(sink.Get(), 0).Get(), nullptr), S_OK);
    ASSERT_EQ(graph->Disconnect(PinOf(rgb.Get(), 0).Get()), S_OK);
    ASSERT_EQ(graph->Disconnect(PinOf(tee.Get(), 0).Get()), S_OK);
    EXPECT_TRUE(Failed(graph->ConnectDirect(PinOf(yuy2.Get(), 0).Get(), PinOf(tee.Get(), 0).Get(), nullptr)));
    EXPECT_EQ(graph->ConnectDirect(PinOf(rgb.Get(), 0).Get(), PinOf(tee.Get(), 0).Get(), nullptr), S_OK);
}

// A sink that writes into every buffer it gets, so it will not take buffers it may only read.
class ScribblingSink final : public TBCBaseFilter
{
public:
    ScribblingSink() : TBCBaseFilter(QStringLiteral("Scribbler"), &m_lock, testing::CLSID_TestSink)
    {
        HRESULT hr = S_OK;
        m_pin = std::make_unique<Pin>(this, &hr);
    }
    int GetPinCount() override { return 1; }
    TBCBasePin* GetPin(int index) override { return index == 0 ? m_pin.get() : nullptr; }
    std::atomic<int> m_received{0};

private:
    class Pin final : public TBCBaseInputPin
    {
    public:
        Pin(ScribblingSink* filter, HRESULT* hr)
            : TBCBaseInputPin(QStringLiteral("Scribbler pin"), filter, &filter->m_lock, hr,
                              QStringLiteral("In")),
              m_sink(filter)
        {
        }
        HRESULT CheckMediaType(const AM_MEDIA_TYPE&) override { return S_OK; }
        HRESULT NotifyAllocator(IMemAllocator* allocator, bool readOnly) override
        {
            return readOnly ? E_FAIL : TBCBaseInputPin::NotifyAllocator(allocator, readOnly);
        }
        HRESULT Receive(IMediaSample* sample) override
        {
            const HRESULT hr = TBCBaseInputPin::Receive(sample);
            if (hr != S_OK)
                return hr;
            std::uint8_t* data = nullptr;
            (void)sample->GetPointer(&data);
            std::fill(data, data + sample->GetActualDataLength(), std::uint8_t{0xEE});
            ++m_sink->m_received;
            return S_OK;
        }

    private:
        ScribblingSink* m_sink;
    };
    TBCCritSec m_lock;
    std::unique_ptr<Pin> m_pin;
};

TEST(InfinitePinTee, ABranchThatWritesGetsACopyAndTheOthersSeeTheOriginal)
{
    auto graph = FilterGraph::Create(nullptr);
    auto source = ComPtr<TestSource>(new TestSource({Rgb24()}, 10, 100));
    auto tee = InfinitePinTee::Create();
    auto scribbler = ComPtr<ScribblingSink>(new ScribblingSink());
    auto sink = ComPtr<TestSink>(new TestSink());
    for (auto [filter, name] :
         std::initializer_list<std::pair<IBaseFilter*, const char*>>{{source.Get(), "Source"},
                                                                     {tee.Get(), "Tee"},
                                                                     {scribbler.Get(), "Scribbler"},
                                                                     {sink.Get(), "Sink"}})
        ASSERT_EQ(graph->AddFilter(filter, name), S_OK);
    ASSERT_EQ(graph->ConnectDirect(PinOf(source.Get(), 0).Get(), PinOf(tee.Get(), 0).Get(), nullptr), S_OK);
    ASSERT_EQ(graph->ConnectDirect(PinOf(tee.Get(), 1).Get(), PinOf(scribbler.Get(), 0).Get(), nullptr),
              S_OK);
    ASSERT_EQ(graph->ConnectDirect(PinOf(tee.Get(), 2).Get(), PinOf(sink.Get(), 0).Get(), nullptr), S_OK);
    ASSERT_EQ(graph->Run(), S_OK);
    ASSERT_TRUE(sink->WaitUntil([](const auto&, int endOfStreams) { return endOfStreams == 1; }));
    ASSERT_EQ(graph->Stop(), S_OK);
    EXPECT_EQ(scribbler->m_received.load(), 10);
    const auto samples = sink->Samples();
    ASSERT_EQ(samples.size(), 10u);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(samples[i].number, i);
        EXPECT_EQ(samples[i].start, i * 400000LL);
    }
    EXPECT_TRUE(samples[0].sync && samples[0].discontinuity && samples[0].hasMediaTime);
}

TEST(NullRenderer, TakesAnyTypeAndReportsCompletionAtTheEndOfTheStream)
{
    auto graph = FilterGraph::Create(nullptr);
    auto source = ComPtr<TestSource>(new TestSource({MakePcmAudioType(48000, 16, 2)}, 5, 64));
    auto renderer = NullRenderer::Create();
    ASSERT_EQ(graph->AddFilter(source.Get(), "Source"), S_OK);
    ASSERT_EQ(graph->AddFilter(renderer.Get(), "Renderer"), S_OK);
    ASSERT_EQ(graph->ConnectDirect(PinOf(source.Get(), 0).Get(), PinOf(renderer.Get(), 0).Get(), nullptr),
              S_OK);
    ASSERT_EQ(graph->Run(), S_OK);
    std::int32_t code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    ASSERT_EQ(graph->GetEvent(&code, &p1, &p2, 10000), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    ASSERT_EQ(graph->Stop(), S_OK);
    EXPECT_EQ(renderer->SamplesRendered(), 5);
    ASSERT_EQ(graph->Run(), S_OK);
    ASSERT_EQ(graph->Stop(), S_OK);
    EXPECT_EQ(renderer->SamplesRendered(), 0) << "counted afresh for each run";
}

struct RestrictionCase
{
    const char* name;
    AM_MEDIA_TYPE restriction;
    AM_MEDIA_TYPE offered;
    bool accepted;
};

void PrintTo(const RestrictionCase& c, std::ostream* os)
{
    *os << c.name;
}

AM_MEDIA_TYPE VideoOnly()
{
    AM_MEDIA_TYPE t;
    t.majortype = MEDIATYPE_Video;
    return t;
}

AM_MEDIA_TYPE Rgb24Fixed()
{
    AM_MEDIA_TYPE t;
    t.majortype = MEDIATYPE_Video;
    t.subtype = MEDIASUBTYPE_RGB24;
    t.formattype = FORMAT_VideoInfo;
    t.bFixedSizeSamples = true;
    return t;
}

AM_MEDIA_TYPE VariableSize(AM_MEDIA_TYPE t)
{
    t.bFixedSizeSamples = false;
    return t;
}

class SampleGrabberRestriction : public ::testing::TestWithParam<RestrictionCase>
{
};

TEST_P(SampleGrabberRestriction, DecidesWhatTheInputTakes)
{
    const RestrictionCase& c = GetParam();
    auto graph = FilterGraph::Create(nullptr);
    auto source = ComPtr<TestSource>(new TestSource({c.offered}));
    auto grabber = SampleGrabber::Create();
    ASSERT_EQ(graph->AddFilter(source.Get(), "Source"), S_OK);
    ASSERT_EQ(graph->AddFilter(grabber.Get(), "Grabber"), S_OK);
    ASSERT_EQ(grabber->SetMediaType(c.restriction), S_OK);
    const HRESULT hr =
        graph->ConnectDirect(PinOf(source.Get(), 0).Get(), PinOf(grabber.Get(), 0).Get(), nullptr);
    AM_MEDIA_TYPE connected;
    if (c.accepted) {
        EXPECT_EQ(hr, S_OK);
        ASSERT_EQ(grabber->GetConnectedMediaType(&connected), S_OK);
        EXPECT_TRUE(connected == c.offered);
    } else {
        EXPECT_TRUE(Failed(hr));
        EXPECT_EQ(grabber->GetConnectedMediaType(&connected), VFW_E_NOT_CONNECTED);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Types, SampleGrabberRestriction,
    ::testing::Values(
        RestrictionCase{"Rgb24Taken", Rgb24Fixed(), Rgb24(), true},
        RestrictionCase{"Yuy2Refused", Rgb24Fixed(), MakeVideoType(MEDIASUBTYPE_YUY2, 8, 4, 400000), false},
        RestrictionCase{"AudioRefused", Rgb24Fixed(), MakePcmAudioType(48000, 16, 2), false},
        RestrictionCase{"VariableSizeRefused", Rgb24Fixed(), VariableSize(Rgb24()), false},
        RestrictionCase{"OpenSubtypeTakesYuy2", VideoOnly(), MakeVideoType(MEDIASUBTYPE_YUY2, 8, 4, 400000),
                        true},
        RestrictionCase{"NoRestrictionTakesAudio", AM_MEDIA_TYPE{}, MakePcmAudioType(48000, 16, 2), true}),
    [](const ::testing::TestParamInfo<RestrictionCase>& info) { return std::string(info.param.name); });

TEST(SampleGrabber, RefusesBadArgumentsAndUnbufferedReads)
{
    auto grabber = SampleGrabber::Create();
    EXPECT_EQ(grabber->SetCallback(nullptr, 2), E_INVALIDARG);
    std::int32_t size = 0;
    EXPECT_EQ(grabber->GetCurrentBuffer(&size, nullptr), E_INVALIDARG) << "not buffering";
    EXPECT_TRUE(QueryAs<ISampleGrabber>(static_cast<IBaseFilter*>(grabber.Get())));
    EXPECT_EQ(PinName(grabber.Get(), 0), "Input");
    EXPECT_EQ(PinName(grabber.Get(), 1), "Output");
}

} // namespace
} // namespace camtrove::media
