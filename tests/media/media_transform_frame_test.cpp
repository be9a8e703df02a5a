#include "media/core/filter_graph.h"
#include "test_filters.h"

#include <QStringList>
#include <QtGlobal>

#include <gtest/gtest.h>

namespace camtrove::media {
namespace {

using testing::DrainEvents;
using testing::PinOf;
using testing::TestConverter;
using testing::TestInPlace;
using testing::TestSink;
using testing::TestSource;

AM_MEDIA_TYPE Yuy2()
{
    return MakeVideoType(MEDIASUBTYPE_YUY2, 8, 4, 400000);
}
AM_MEDIA_TYPE Rgb24()
{
    return MakeVideoType(MEDIASUBTYPE_RGB24, 8, 4, 400000);
}

struct PinIdCase
{
    const char* id;
    int expectedIndex; // -1: no pin
};

void PrintTo(const PinIdCase& c, std::ostream* os)
{
    *os << '"' << c.id << '"';
}

class TransformFindPin : public ::testing::TestWithParam<PinIdCase>
{
};

TEST_P(TransformFindPin, OnlyInAndOutAreIds)
{
    for (bool inPlace : {false, true}) {
        ComPtr<TBCTransformFilter> filter = inPlace ? ComPtr<TBCTransformFilter>(new TestInPlace())
                                                    : ComPtr<TBCTransformFilter>(new TestConverter());
        ComPtr<IPin> pin;
        const HRESULT hr = filter->FindPin(QString::fromLatin1(GetParam().id), &pin);
        if (GetParam().expectedIndex < 0) {
            EXPECT_EQ(hr, VFW_E_NOT_FOUND);
            EXPECT_FALSE(pin);
        } else {
            ASSERT_EQ(hr, S_OK);
            EXPECT_EQ(pin.Get(), static_cast<IPin*>(filter->GetPin(GetParam().expectedIndex)));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Ids, TransformFindPin,
                         ::testing::Values(PinIdCase{"In", 0}, PinIdCase{"Out", 1}, PinIdCase{"XForm In", -1},
                                           PinIdCase{"XForm Out", -1}, PinIdCase{"Input", -1},
                                           PinIdCase{"in", -1}, PinIdCase{"", -1}),
                         [](const auto& info) {
                             std::string name = info.param.id;
                             std::erase(name, ' ');
                             return name.empty() ? std::string("Empty") : name;
                         });

TEST(TransformPins, NamesObjectNamesAndIndexes)
{
    auto copy = ComPtr<TestConverter>(new TestConverter());
    EXPECT_EQ(copy->GetPinCount(), 2);
    ASSERT_NE(copy->GetPin(0), nullptr);
    EXPECT_EQ(copy->GetPin(0)->Name(), "XForm In");
    EXPECT_EQ(copy->GetPin(0)->ObjectName(), "Transform input pin");
    EXPECT_EQ(copy->GetPin(0)->Direction(), PINDIR_INPUT);
    EXPECT_EQ(copy->GetPin(1)->Name(), "XForm Out");
    EXPECT_EQ(copy->GetPin(1)->ObjectName(), "Transform output pin");
    EXPECT_EQ(copy->GetPin(2), nullptr);
    EXPECT_EQ(copy->GetPin(-1), nullptr);

    auto inPlace = ComPtr<TestInPlace>(new TestInPlace());
    EXPECT_EQ(inPlace->GetPin(0)->Name(), "Input");
    EXPECT_EQ(inPlace->GetPin(0)->ObjectName(), "TransInPlace input pin");
    EXPECT_EQ(inPlace->GetPin(1)->Name(), "Output");
    EXPECT_EQ(inPlace->GetPin(1)->ObjectName(), "TransInPlace output pin");
    PIN_INFO info;
    ASSERT_EQ(PinOf(inPlace.Get(), 1)->QueryPinInfo(&info), S_OK);
    EXPECT_EQ(info.achName, "Output");
    EXPECT_EQ(info.pFilter.Get(), static_cast<IBaseFilter*>(inPlace.Get()));
}

class FrameGraph : public ::testing::Test
{
protected:
    void Add(TBCBaseFilter* filter, const char* name)
    {
        ASSERT_TRUE(Succeeded(graph->AddFilter(filter, name)));
    }
    HRESULT Link(TBCBaseFilter* from, TBCBaseFilter* to, int outIndex = -1)
    {
        const int out = outIndex >= 0 ? outIndex : from->GetPinCount() - 1;
        return graph->ConnectDirect(PinOf(from, out).Get(), PinOf(to, 0).Get(), nullptr);
    }
    ComPtr<FilterGraph> graph = FilterGraph::Create(nullptr);
};

TEST_F(FrameGraph, OutputRefusesTypesWhileInputIsUnconnected)
{
    auto converter = ComPtr<TestConverter>(new TestConverter());
    Add(converter.Get(), "Converter");
    EXPECT_EQ(converter->OutputPin()->CheckMediaType(Rgb24()), E_INVALIDARG);
    auto source = ComPtr<TestSource>(new TestSource({Yuy2()}));
    Add(source.Get(), "Source");
    ASSERT_EQ(Link(source.Get(), converter.Get()), S_OK);
    EXPECT_EQ(converter->OutputPin()->CheckMediaType(Rgb24()), S_OK);
    EXPECT_EQ(converter->OutputPin()->CheckMediaType(Yuy2()), VFW_E_TYPE_NOT_ACCEPTED);
    auto sink = ComPtr<TestSink>(new TestSink());
    Add(sink.Get(), "Sink");
    ASSERT_EQ(Link(converter.Get(), sink.Get()), S_OK);
    EXPECT_EQ(converter->m_setTypeDirections, (std::vector<PIN_DIRECTION>{PINDIR_INPUT, PINDIR_OUTPUT}));
    AM_MEDIA_TYPE type;
    ASSERT_EQ(PinOf(sink.Get(), 0)->ConnectionMediaType(&type), S_OK);
    EXPECT_EQ(type, Rgb24());
}

TEST_F(FrameGraph, AnInputTypeCheckOfSFalseRefusesTheConnection)
{
    auto source = ComPtr<TestSource>(new TestSource({MakePcmAudioType(48000, 16, 2)}));
    auto inPlace = ComPtr<TestInPlace>(new TestInPlace());
    Add(source.Get(), "Source");
    Add(inPlace.Get(), "InPlace");
    EXPECT_TRUE(Failed(Link(source.Get(), inPlace.Get())));
    EXPECT_FALSE(inPlace->InputPin()->IsConnected());
    EXPECT_FALSE(source->Pin()->IsConnected());
}

TEST_F(FrameGraph, DroppingEverySampleDeliversNothingAndOneQualityEventPerRun)
{
    for (bool inPlaceFilter : {true, false}) {
        SCOPED_TRACE(inPlaceFilter ? "in-place" : "copy");
        graph = FilterGraph::Create(nullptr);
        auto source = ComPtr<TestSource>(new TestSource({Yuy2()}, 6));
        auto sink = ComPtr<TestSink>(new TestSink());
        ComPtr<TBCTransformFilter> transform;
        if (inPlaceFilter) {
            auto f = ComPtr<TestInPlace>(new TestInPlace());
            f->m_result = [](int) { return S_FALSE; };
            transform = f;
        } else {
            auto f = ComPtr<TestConverter>(new TestConverter());
            f->m_result = [](int) { return S_FALSE; };
            transform = f;
        }
        Add(source.Get(), "Source");
        Add(transform.Get(), "Transform");
        Add(sink.Get(), "Sink");
        ASSERT_EQ(Link(source.Get(), transform.Get()), S_OK);
        ASSERT_EQ(Link(transform.Get(), sink.Get()), S_OK);
        for (int run = 0; run < 2; ++run) {
            source->m_delivered = 0;
            ASSERT_EQ(graph->Run(), S_OK);
            ASSERT_TRUE(sink->WaitUntil([&](const auto&, int eos) { return eos == run + 1; }));
            (void)graph->Stop();
            EXPECT_TRUE(sink->Samples().empty());
            EXPECT_EQ(DrainEvents(graph.Get()), std::vector<std::int32_t>{EC_QUALITY_CHANGE});
        }
    }
}

TEST_F(FrameGraph, CopyTransformCarriesSampleFlagsAndMarksTheSampleAfterADrop)
{
    auto source = ComPtr<TestSource>(new TestSource({Yuy2()}, 4, static_cast<int>(Yuy2().lSampleSize)));
    auto converter = ComPtr<TestConverter>(new TestConverter());
    converter->m_result = [](int number) { return number == 1 ? S_FALSE : S_OK; };
    auto sink = ComPtr<TestSink>(new TestSink());
    Add(source.Get(), "Source");
    Add(converter.Get(), "Converter");
    Add(sink.Get(), "Sink");
    ASSERT_EQ(Link(source.Get(), converter.Get()), S_OK);
    ASSERT_EQ(Link(converter.Get(), sink.Get()), S_OK);
    ASSERT_EQ(graph->Run(), S_OK);
    ASSERT_TRUE(sink->WaitUntil([](const auto&, int eos) { return eos == 1; }));
    (void)graph->Stop();
    const auto samples = sink->Samples();
    ASSERT_EQ(samples.size(), 3u);
    EXPECT_EQ(samples[0].number, 0);
    EXPECT_TRUE(samples[0].sync);
    EXPECT_TRUE(samples[0].discontinuity);
    EXPECT_TRUE(samples[0].hasMediaTime);
    EXPECT_EQ(samples[1].number, 2);
    EXPECT_EQ(samples[1].start, 2 * 400000);
    EXPECT_FALSE(samples[1].sync);
    EXPECT_TRUE(samples[1].discontinuity) << "the sample after a drop starts a discontinuity";
    EXPECT_EQ(samples[2].number, 3);
    EXPECT_FALSE(samples[2].discontinuity);
    EXPECT_EQ(samples[2].length, static_cast<std::int32_t>(Rgb24().lSampleSize));
}

TEST_F(FrameGraph, PausingWithAnUnconnectedInputSendsEndOfStreamOnce)
{
    auto inPlace = ComPtr<TestInPlace>(new TestInPlace());
    auto sink = ComPtr<TestSink>(new TestSink());
    Add(inPlace.Get(), "InPlace");
    Add(sink.Get(), "Sink");
    // the output alone can connect: the sink accepts what the in-place filter proposes
    const AM_MEDIA_TYPE type = Yuy2();
    ASSERT_EQ(graph->ConnectDirect(PinOf(inPlace.Get(), 1).Get(), PinOf(sink.Get(), 0).Get(), &type), S_OK);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(inPlace->Pause(), S_OK);
    EXPECT_EQ(inPlace->State(), State_Paused);
    EXPECT_EQ(inPlace->Stop(), S_OK);
    EXPECT_EQ(inPlace->Pause(), S_OK);
    EXPECT_EQ(sink->EndOfStreams(), 1);
    EXPECT_EQ(inPlace->m_starts, 0) << "streaming does not start without an input";
}

TEST_F(FrameGraph, StartStreamingFailureLeavesTheFilterStopped)
{
    auto source = ComPtr<TestSource>(new TestSource({Yuy2()}, 0));
    auto inPlace = ComPtr<TestInPlace>(new TestInPlace());
    auto sink = ComPtr<TestSink>(new TestSink());
    inPlace->m_startResult = E_OUTOFMEMORY;
    Add(source.Get(), "Source");
    Add(inPlace.Get(), "InPlace");
    Add(sink.Get(), "Sink");
    ASSERT_EQ(Link(source.Get(), inPlace.Get()), S_OK);
    ASSERT_EQ(Link(inPlace.Get(), sink.Get()), S_OK);
    EXPECT_EQ(inPlace->Pause(), E_OUTOFMEMORY);
    EXPECT_EQ(inPlace->State(), State_Stopped);
    inPlace->m_startResult = S_OK;
    EXPECT_EQ(inPlace->Run(0), S_OK);
    EXPECT_EQ(inPlace->State(), State_Running);
    EXPECT_EQ(inPlace->Stop(), S_OK);
    EXPECT_EQ(inPlace->m_starts, 2);
    EXPECT_EQ(inPlace->m_stops, 1);
}

TEST_F(FrameGraph, InPlaceSharesOneAllocatorInEitherConnectionOrder)
{
    for (bool outputFirst : {false, true}) {
        SCOPED_TRACE(outputFirst ? "output connected first" : "input connected first");
        graph = FilterGraph::Create(nullptr);
        auto source = ComPtr<TestSource>(new TestSource({Yuy2()}, 5));
        auto inPlace = ComPtr<TestInPlace>(new TestInPlace());
        auto sink = ComPtr<TestSink>(new TestSink({}, {Yuy2()}));
        Add(source.Get(), "Source");
        Add(inPlace.Get(), "InPlace");
        Add(sink.Get(), "Sink");
        if (outputFirst) {
            ASSERT_EQ(Link(inPlace.Get(), sink.Get()), S_OK);
            ASSERT_EQ(Link(source.Get(), inPlace.Get()), S_OK);
        } else {
            ASSERT_EQ(Link(source.Get(), inPlace.Get()), S_OK);
            ASSERT_EQ(Link(inPlace.Get(), sink.Get()), S_OK);
        }
        ASSERT_NE(inPlace->InputPin()->PeekAllocator(), nullptr);
        EXPECT_EQ(inPlace->InputPin()->PeekAllocator(), inPlace->OutputPin()->PeekAllocator());
        AM_MEDIA_TYPE in, out;
        ASSERT_EQ(inPlace->InputPin()->ConnectionMediaType(&in), S_OK);
        ASSERT_EQ(inPlace->OutputPin()->ConnectionMediaType(&out), S_OK);
        EXPECT_EQ(in, out);
        ASSERT_EQ(graph->Run(), S_OK);
        ASSERT_TRUE(sink->WaitUntil([](const auto&, int eos) { return eos == 1; }));
        (void)graph->Stop();
        EXPECT_EQ(sink->Samples().size(), 5u);
        EXPECT_EQ(inPlace->m_transforms, 5);
    }
}

TEST_F(FrameGraph, InPlaceOutsideAGraphCannotCompleteAConnection)
{
    auto inPlace = ComPtr<TestInPlace>(new TestInPlace());
    auto sink = ComPtr<TestSink>(new TestSink());
    const AM_MEDIA_TYPE type = Yuy2();
    EXPECT_EQ(PinOf(inPlace.Get(), 1)->Connect(PinOf(sink.Get(), 0).Get(), &type), VFW_E_NOT_IN_GRAPH);
    EXPECT_FALSE(inPlace->OutputPin()->IsConnected());
    EXPECT_FALSE(sink->Pin()->IsConnected());
}

TEST_F(FrameGraph, ReadOnlyBuffersIntoAModifyingFilterAreCopied)
{
    auto source = ComPtr<TestSource>(new TestSource({Yuy2()}, 4));
    source->m_readOnly = true;
    auto inPlace = ComPtr<TestInPlace>(new TestInPlace(true));
    auto sink = ComPtr<TestSink>(new TestSink({}, {Yuy2()}));
    Add(source.Get(), "Source");
    Add(inPlace.Get(), "InPlace");
    Add(sink.Get(), "Sink");
    ASSERT_EQ(Link(inPlace.Get(), sink.Get()), S_OK);
    ASSERT_EQ(Link(source.Get(), inPlace.Get()), S_OK);
    EXPECT_NE(inPlace->InputPin()->PeekAllocator(), inPlace->OutputPin()->PeekAllocator());
    ASSERT_EQ(graph->Run(), S_OK);
    ASSERT_TRUE(sink->WaitUntil([](const auto&, int eos) { return eos == 1; }));
    (void)graph->Stop();
    const auto samples = sink->Samples();
    ASSERT_EQ(samples.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(samples[i].number, i);
        EXPECT_EQ(samples[i].length, 100);
        EXPECT_EQ(samples[i].start, i * 400000);
    }
    EXPECT_TRUE(samples[0].sync && samples[0].discontinuity && samples[0].hasMediaTime);
}

QStringList g_messages;
void CollectMessages(QtMsgType, const QMessageLogContext&, const QString& message)
{
    g_messages << message;
}

TEST_F(FrameGraph, ACopyIntoASmallerBufferIsRefusedWithBothSizes)
{
    auto source = ComPtr<TestSource>(new TestSource({Yuy2()}, 3, 100));
    source->m_readOnly = true;
    auto inPlace = ComPtr<TestInPlace>(new TestInPlace(true));
    auto sink = ComPtr<TestSink>(new TestSink({}, {Yuy2()}));
    Add(source.Get(), "Source");
    Add(inPlace.Get(), "InPlace");
    Add(sink.Get(), "Sink");
    ASSERT_EQ(Link(inPlace.Get(), sink.Get()), S_OK);
    ASSERT_EQ(Link(source.Get(), inPlace.Get()), S_OK);
    ALLOCATOR_PROPERTIES actual;
    ASSERT_EQ(inPlace->OutputPin()->PeekAllocator()->SetProperties({3, 50, 1, 0}, &actual), S_OK);
    g_messages.clear();
    const auto previous = qInstallMessageHandler(CollectMessages);
    ASSERT_EQ(graph->Run(), S_OK);
    // the refused copy fails the delivery, which ends the source's run with an error event
    std::int32_t code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    const HRESULT waited = graph->GetEvent(&code, &p1, &p2, 10000);
    (void)graph->Stop();
    qInstallMessageHandler(previous);
    ASSERT_EQ(waited, S_OK);
    EXPECT_EQ(code, EC_ERRORABORT);
    EXPECT_EQ(p1, E_UNEXPECTED);
    EXPECT_TRUE(sink->Samples().empty());
    ASSERT_FALSE(g_messages.isEmpty());
    EXPECT_EQ(g_messages.front(), "DestSize (50) < SourceSize (100)");
}

} // namespace
} // namespace camtrove::media
