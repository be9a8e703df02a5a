#include "media/core/filter_graph.h"
#include "test_filters.h"

#include <gtest/gtest.h>

namespace camtrove::media {
namespace {

using testing::DrainEvents;
using testing::PinOf;
using testing::StateLog;
using testing::TestConverter;
using testing::TestInPlace;
using testing::TestSink;
using testing::TestSource;

AM_MEDIA_TYPE Video(const GUID& subtype)
{
    return MakeVideoType(subtype, 8, 4, 400000);
}

bool IsRgb24(const AM_MEDIA_TYPE& t)
{
    return t.subtype == MEDIASUBTYPE_RGB24;
}

TEST(FilterGraph, DuplicateNamesAreMadeUniqueAndFound)
{
    auto graph = FilterGraph::Create(nullptr);
    auto a = ComPtr<TestSink>(new TestSink());
    auto b = ComPtr<TestSink>(new TestSink());
    auto c = ComPtr<TestSink>(new TestSink());
    EXPECT_EQ(graph->AddFilter(a.Get(), "Sink"), S_OK);
    EXPECT_EQ(graph->AddFilter(b.Get(), "Sink"), VFW_S_DUPLICATE_NAME);
    EXPECT_EQ(graph->AddFilter(c.Get(), "Sink"), VFW_S_DUPLICATE_NAME);
    EXPECT_EQ(graph->AddFilter(a.Get(), "Again"), E_INVALIDARG);
    EXPECT_EQ(b->Name(), "Sink 0001");
    EXPECT_EQ(c->Name(), "Sink 0002");
    ComPtr<IBaseFilter> found;
    ASSERT_EQ(graph->FindFilterByName("Sink 0001", &found), S_OK);
    EXPECT_EQ(found.Get(), static_cast<IBaseFilter*>(b.Get()));
    EXPECT_EQ(graph->FindFilterByName("Nobody", &found), VFW_E_NOT_FOUND);
    FILTER_INFO info;
    ASSERT_EQ(c->QueryFilterInfo(&info), S_OK);
    EXPECT_EQ(info.pGraph.Get(), static_cast<IFilterGraph*>(graph.Get()));
}

TEST(FilterGraph, RemoveFilterDisconnectsBothEndsAndIgnoresStrangers)
{
    auto graph = FilterGraph::Create(nullptr);
    auto source = ComPtr<TestSource>(new TestSource({Video(MEDIASUBTYPE_RGB24)}));
    auto sink = ComPtr<TestSink>(new TestSink());
    auto stranger = ComPtr<TestSink>(new TestSink());
    ASSERT_EQ(graph->AddFilter(source.Get(), "Source"), S_OK);
    ASSERT_EQ(graph->AddFilter(sink.Get(), "Sink"), S_OK);
    ASSERT_EQ(graph->ConnectDirect(PinOf(source.Get(), 0).Get(), PinOf(sink.Get(), 0).Get(), nullptr), S_OK);
    EXPECT_EQ(graph->RemoveFilter(stranger.Get()), S_FALSE);
    EXPECT_EQ(graph->Filters().size(), 2u);
    EXPECT_EQ(graph->RemoveFilter(sink.Get()), S_OK);
    EXPECT_FALSE(source->Pin()->IsConnected());
    EXPECT_FALSE(sink->Pin()->IsConnected());
    EXPECT_EQ(sink->Graph(), nullptr);
    EXPECT_EQ(graph->Filters().size(), 1u);
}

TEST(FilterGraph, ConnectDirectMatchesPartialTypesAgainstTheOfferedOnes)
{
    struct Case
    {
        const char* what;
        AM_MEDIA_TYPE partial;
        bool given;
        HRESULT expected;
        GUID subtype;
    };
    AM_MEDIA_TYPE rgb24Only;
    rgb24Only.majortype = MEDIATYPE_Video;
    rgb24Only.subtype = MEDIASUBTYPE_RGB24;
    AM_MEDIA_TYPE audio;
    audio.majortype = MEDIATYPE_Audio;
    const Case cases[] = {
        {"no type takes the first offered", {}, false, S_OK, MEDIASUBTYPE_RGB32},
        {"major and subtype pick the second", rgb24Only, true, S_OK, MEDIASUBTYPE_RGB24},
        {"an unoffered major type fails", audio, true, VFW_E_NO_ACCEPTABLE_TYPES, GUID_NULL},
        {"a full type is taken as it is", Video(MEDIASUBTYPE_RGB24), true, S_OK, MEDIASUBTYPE_RGB24},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto graph = FilterGraph::Create(nullptr);
        auto source =
            ComPtr<TestSource>(new TestSource({Video(MEDIASUBTYPE_RGB32), Video(MEDIASUBTYPE_RGB24)}));
        auto sink = ComPtr<TestSink>(new TestSink());
        ASSERT_EQ(graph->AddFilter(source.Get(), "Source"), S_OK);
        ASSERT_EQ(graph->AddFilter(sink.Get(), "Sink"), S_OK);
        EXPECT_EQ(graph->ConnectDirect(PinOf(source.Get(), 0).Get(), PinOf(sink.Get(), 0).Get(),
                                       c.given ? &c.partial : nullptr),
                  c.expected);
        AM_MEDIA_TYPE connected;
        if (Succeeded(c.expected)) {
            ASSERT_EQ(PinOf(sink.Get(), 0)->ConnectionMediaType(&connected), S_OK);
            EXPECT_EQ(connected.subtype, c.subtype);
        } else {
            EXPECT_EQ(PinOf(sink.Get(), 0)->ConnectionMediaType(&connected), VFW_E_NOT_CONNECTED);
        }
    }
}

TEST(FilterGraph, ConnectDirectChecksMembershipAndDirection)
{
    auto graph = FilterGraph::Create(nullptr);
    auto source = ComPtr<TestSource>(new TestSource({Video(MEDIASUBTYPE_RGB24)}));
    auto sink = ComPtr<TestSink>(new TestSink());
    ASSERT_EQ(graph->AddFilter(source.Get(), "Source"), S_OK);
    EXPECT_EQ(graph->ConnectDirect(PinOf(source.Get(), 0).Get(), PinOf(sink.Get(), 0).Get(), nullptr),
              VFW_E_NOT_IN_GRAPH);
    ASSERT_EQ(graph->AddFilter(sink.Get(), "Sink"), S_OK);
    EXPECT_EQ(graph->ConnectDirect(PinOf(sink.Get(), 0).Get(), PinOf(source.Get(), 0).Get(), nullptr),
              VFW_E_INVALID_DIRECTION);
    EXPECT_EQ(graph->ConnectDirect(PinOf(source.Get(), 0).Get(), PinOf(sink.Get(), 0).Get(), nullptr), S_OK);
    EXPECT_EQ(graph->ConnectDirect(PinOf(source.Get(), 0).Get(), PinOf(sink.Get(), 0).Get(), nullptr),
              VFW_E_ALREADY_CONNECTED);
}

TEST(FilterGraph, ConnectInsertsARegisteredConverterAndRemovesItWhenUseless)
{
    FilterCatalogue catalogue;
    catalogue.Register({testing::CLSID_TestConverter,
                        "Test converter",
                        MERIT_NORMAL,
                        GUID_NULL,
                        {{MEDIATYPE_Video, MEDIASUBTYPE_YUY2}},
                        {{MEDIATYPE_Video, MEDIASUBTYPE_RGB24}},
                        [] { return ComPtr<IBaseFilter>(new TestConverter()); }});
    auto graph = FilterGraph::Create(&catalogue);
    auto source = ComPtr<TestSource>(new TestSource({Video(MEDIASUBTYPE_YUY2)}));
    auto sink = ComPtr<TestSink>(new TestSink(IsRgb24));
    ASSERT_EQ(graph->AddFilter(source.Get(), "Source"), S_OK);
    ASSERT_EQ(graph->AddFilter(sink.Get(), "Sink"), S_OK);
    ASSERT_EQ(graph->Connect(PinOf(source.Get(), 0).Get(), PinOf(sink.Get(), 0).Get()), S_OK);
    EXPECT_EQ(graph->Filters().size(), 3u);
    AM_MEDIA_TYPE type;
    ASSERT_EQ(PinOf(sink.Get(), 0)->ConnectionMediaType(&type), S_OK);
    EXPECT_EQ(type.subtype, MEDIASUBTYPE_RGB24);

    // an audio sink cannot be reached through the converter: it is tried and taken out again
    auto audioSink =
        ComPtr<TestSink>(new TestSink([](const AM_MEDIA_TYPE& t) { return t.majortype == MEDIATYPE_Audio; }));
    auto source2 = ComPtr<TestSource>(new TestSource({Video(MEDIASUBTYPE_YUY2)}));
    ASSERT_EQ(graph->AddFilter(source2.Get(), "Source"), VFW_S_DUPLICATE_NAME);
    ASSERT_EQ(graph->AddFilter(audioSink.Get(), "Audio"), S_OK);
    EXPECT_EQ(graph->Connect(PinOf(source2.Get(), 0).Get(), PinOf(audioSink.Get(), 0).Get()),
              VFW_E_CANNOT_CONNECT);
    EXPECT_EQ(graph->Filters().size(), 5u);
    EXPECT_FALSE(source2->Pin()->IsConnected());
}

TEST(FilterGraph, StopChangesStatesDownstreamFirst)
{
    StateLog log;
    auto graph = FilterGraph::Create(nullptr);
    auto source = ComPtr<TestSource>(new TestSource({Video(MEDIASUBTYPE_RGB24)}));
    auto inPlace = ComPtr<TestInPlace>(new TestInPlace());
    auto sink = ComPtr<TestSink>(new TestSink());
    source->m_log = &log;
    inPlace->m_log = &log;
    sink->m_log = &log;
    // added upstream last, so that the order is the graph's, not the insertion's
    ASSERT_EQ(graph->AddFilter(sink.Get(), "Sink"), S_OK);
    ASSERT_EQ(graph->AddFilter(source.Get(), "Source"), S_OK);
    ASSERT_EQ(graph->AddFilter(inPlace.Get(), "InPlace"), S_OK);
    ASSERT_EQ(graph->ConnectDirect(PinOf(source.Get(), 0).Get(), PinOf(inPlace.Get(), 0).Get(), nullptr),
              S_OK);
    ASSERT_EQ(graph->ConnectDirect(PinOf(inPlace.Get(), 1).Get(), PinOf(sink.Get(), 0).Get(), nullptr), S_OK);
    ASSERT_EQ(graph->Run(), S_OK);
    FILTER_STATE state = State_Stopped;
    EXPECT_EQ(graph->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Running);
    ASSERT_TRUE(sink->WaitUntil([](const auto& samples, int) { return samples.size() >= 3; }));
    log.entries.clear();
    EXPECT_EQ(graph->Stop(), S_OK);
    EXPECT_EQ(log.entries,
              (std::vector<QString>{"stop Test sink", "stop Test in-place", "stop Test source"}));
    EXPECT_EQ(inPlace->State(), State_Stopped);
}

TEST(FilterGraph, RunStopInALoopJoinsEveryStreamingThread)
{
    auto graph = FilterGraph::Create(nullptr);
    auto source = ComPtr<TestSource>(new TestSource({Video(MEDIASUBTYPE_RGB24)}));
    auto inPlace = ComPtr<TestInPlace>(new TestInPlace());
    auto sink = ComPtr<TestSink>(new TestSink());
    ASSERT_EQ(graph->AddFilter(source.Get(), "Source"), S_OK);
    ASSERT_EQ(graph->AddFilter(inPlace.Get(), "InPlace"), S_OK);
    ASSERT_EQ(graph->AddFilter(sink.Get(), "Sink"), S_OK);
    ASSERT_EQ(graph->ConnectDirect(PinOf(source.Get(), 0).Get(), PinOf(inPlace.Get(), 0).Get(), nullptr),
              S_OK);
    ASSERT_EQ(graph->ConnectDirect(PinOf(inPlace.Get(), 1).Get(), PinOf(sink.Get(), 0).Get(), nullptr), S_OK);
    for (int i = 0; i < 300; ++i) {
        ASSERT_EQ(graph->Run(), S_OK);
        ASSERT_EQ(graph->Stop(), S_OK);
    }
    EXPECT_EQ(inPlace->m_starts, 300);
    EXPECT_EQ(inPlace->m_stops, 300);
}

TEST(FilterGraph, EventsReachTheApplicationFromAnyThread)
{
    auto graph = FilterGraph::Create(nullptr);
    int wakeUps = 0;
    (void)graph->SetNotifyCallback([&] { ++wakeUps; });
    std::int32_t code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    EXPECT_EQ(graph->GetEvent(&code, &p1, &p2, 0), E_ABORT);
    std::thread notifier([&] { (void)graph->Notify(EC_USER + 3, 5, 6); });
    notifier.join();
    (void)graph->Notify(EC_DEVICE_LOST, 0, 0);
    ASSERT_EQ(graph->GetEvent(&code, &p1, &p2, 0), S_OK);
    EXPECT_EQ(code, EC_USER + 3);
    EXPECT_EQ(p1, 5);
    EXPECT_EQ(p2, 6);
    EXPECT_EQ(DrainEvents(graph.Get()), std::vector<std::int32_t>{EC_DEVICE_LOST});
    EXPECT_EQ(wakeUps, 2);
}

TEST(FilterGraph, RemoveChainTakesTheFiltersBetweenStartAndEnd)
{
    auto graph = FilterGraph::Create(nullptr);
    auto source = ComPtr<TestSource>(new TestSource({Video(MEDIASUBTYPE_RGB24)}));
    auto first = ComPtr<TestInPlace>(new TestInPlace(false, "First"));
    auto second = ComPtr<TestInPlace>(new TestInPlace(false, "Second"));
    auto sink = ComPtr<TestSink>(new TestSink());
    for (auto* f : std::initializer_list<TBCBaseFilter*>{source.Get(), first.Get(), second.Get(), sink.Get()})
        ASSERT_TRUE(Succeeded(graph->AddFilter(f, f->ObjectName())));
    ASSERT_EQ(graph->ConnectDirect(PinOf(source.Get(), 0).Get(), PinOf(first.Get(), 0).Get(), nullptr), S_OK);
    ASSERT_EQ(graph->ConnectDirect(PinOf(first.Get(), 1).Get(), PinOf(second.Get(), 0).Get(), nullptr), S_OK);
    ASSERT_EQ(graph->ConnectDirect(PinOf(second.Get(), 1).Get(), PinOf(sink.Get(), 0).Get(), nullptr), S_OK);
    EXPECT_EQ(graph->RemoveChain(second.Get(), first.Get()), VFW_E_NOT_FOUND);
    EXPECT_EQ(graph->Filters().size(), 4u);
    ASSERT_EQ(graph->RemoveChain(first.Get(), second.Get()), S_OK);
    EXPECT_EQ(graph->Filters().size(), 2u);
    EXPECT_FALSE(source->Pin()->IsConnected());
    EXPECT_FALSE(sink->Pin()->IsConnected());
}

TEST(FilterGraph, AGraphReleasedWhileRunningStopsAndFreesItsFilters)
{
    auto source = ComPtr<TestSource>(new TestSource({Video(MEDIASUBTYPE_RGB24)}));
    auto sink = ComPtr<TestSink>(new TestSink());
    {
        auto graph = FilterGraph::Create(nullptr);
        ASSERT_EQ(graph->AddFilter(source.Get(), "Source"), S_OK);
        ASSERT_EQ(graph->AddFilter(sink.Get(), "Sink"), S_OK);
        ASSERT_EQ(graph->ConnectDirect(PinOf(source.Get(), 0).Get(), PinOf(sink.Get(), 0).Get(), nullptr),
                  S_OK);
        ASSERT_EQ(graph->Run(), S_OK);
    }
    EXPECT_EQ(source->State(), State_Stopped);
    EXPECT_EQ(source->Graph(), nullptr);
    EXPECT_FALSE(source->Pin()->IsConnected());
}

} // namespace
} // namespace camtrove::media
