#include "media/core/capture_graph_builder.h"
#include "media/core/filter_graph.h"
#include "media/stock/infinite_pin_tee.h"
#include "test_filters.h"

#include <gtest/gtest.h>

namespace camtrove::media {
namespace {

using testing::PinOf;
using testing::TestConverter;
using testing::TestSink;
using testing::TestSource;

// Interfaces the stub objects answer; each answer says which object gave it.
const GUID IID_MarkerA = MakeGuid("6A1C0002-0000-4000-8000-00CA37120001");
const GUID IID_MarkerB = MakeGuid("6A1C0002-0000-4000-8000-00CA37120002");
const GUID IID_MarkerC = MakeGuid("6A1C0002-0000-4000-8000-00CA37120003");
const GUID IID_MarkerD = MakeGuid("6A1C0002-0000-4000-8000-00CA37120004");
const GUID kAnalogVideo = MakeGuid("0482DDE1-7817-11CF-8A03-00AA006ECB65");
const GUID CLSID_Stub = MakeGuid("6A1C0002-0000-4000-8000-00CA37120010");

class IMarker : public virtual IUnknown
{
public:
    [[nodiscard]] virtual QString Label() const = 0;
};

struct Marks
{
    QString label;
    std::vector<GUID> answers;
    bool Answers(const GUID& iid) const
    {
        return std::find(answers.begin(), answers.end(), iid) != answers.end();
    }
};

template <class I, class T> HRESULT Give(T* self, void** object)
{
    *object = static_cast<I*>(self);
    self->AddRef();
    return S_OK;
}

HRESULT CategoryProperty(const GUID& category, const GUID& set, std::uint32_t id, void* data,
                         std::uint32_t size, std::uint32_t* returned)
{
    if (set != AMPROPSETID_Pin || id != AMPROPERTY_PIN_CATEGORY || size < sizeof(GUID))
        return E_INVALIDARG;
    std::memcpy(data, &category, sizeof(GUID));
    *returned = sizeof(GUID);
    return S_OK;
}

struct StubPinSpec
{
    QString name;
    PIN_DIRECTION direction;
    GUID category;
    std::vector<GUID> majorTypes; // offered by outputs, accepted by inputs (empty: any)
    std::vector<GUID> answers = {};
};

class StubFilter;

class StubOutputPin final : public TBCBaseOutputPin, public IKsPropertySet, public IMarker
{
public:
    StubOutputPin(StubFilter* filter, TBCCritSec* lock, StubPinSpec spec);
    HRESULT NonDelegatingQueryInterface(const GUID& iid, void** object) override
    {
        if (iid == IID_IKsPropertySet && !IsNullGuid(m_spec.category))
            return Give<IKsPropertySet>(this, object);
        if (std::find(m_spec.answers.begin(), m_spec.answers.end(), iid) != m_spec.answers.end())
            return Give<IMarker>(this, object);
        return TBCBaseOutputPin::NonDelegatingQueryInterface(iid, object);
    }
    HRESULT Get(const GUID& set, std::uint32_t id, void* data, std::uint32_t size,
                std::uint32_t* returned) override
    {
        return CategoryProperty(m_spec.category, set, id, data, size, returned);
    }
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override
    {
        for (const auto& major : m_spec.majorTypes)
            if (type.majortype == major)
                return S_OK;
        return S_FALSE;
    }
    HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type) override
    {
        if (position < 0)
            return E_INVALIDARG;
        if (position >= static_cast<int>(m_spec.majorTypes.size()))
            return VFW_S_NO_MORE_ITEMS;
        *type = AM_MEDIA_TYPE{};
        type->majortype = m_spec.majorTypes[static_cast<std::size_t>(position)];
        type->subtype = MEDIASUBTYPE_RGB24;
        type->formattype = FORMAT_None;
        return S_OK;
    }
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override
    {
        request->cBuffers = 1;
        request->cbBuffer = 16;
        ALLOCATOR_PROPERTIES actual;
        return allocator->SetProperties(*request, &actual);
    }
    QString Label() const override { return m_spec.name; }

private:
    StubPinSpec m_spec;
};

class StubInputPin final : public TBCBaseInputPin, public IKsPropertySet, public IMarker
{
public:
    StubInputPin(StubFilter* filter, TBCCritSec* lock, StubPinSpec spec);
    HRESULT NonDelegatingQueryInterface(const GUID& iid, void** object) override
    {
        if (iid == IID_IKsPropertySet && !IsNullGuid(m_spec.category))
            return Give<IKsPropertySet>(this, object);
        if (std::find(m_spec.answers.begin(), m_spec.answers.end(), iid) != m_spec.answers.end())
            return Give<IMarker>(this, object);
        return TBCBaseInputPin::NonDelegatingQueryInterface(iid, object);
    }
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override
    {
        if (m_spec.majorTypes.empty())
            return S_OK;
        for (const auto& major : m_spec.majorTypes)
            if (type.majortype == major)
                return S_OK;
        return S_FALSE;
    }
    HRESULT Get(const GUID& set, std::uint32_t id, void* data, std::uint32_t size,
                std::uint32_t* returned) override
    {
        return CategoryProperty(m_spec.category, set, id, data, size, returned);
    }
    QString Label() const override { return m_spec.name; }

private:
    StubPinSpec m_spec;
};

// A filter whose pins, categories and answered interfaces the test lays out.
class StubFilter final : public TBCBaseFilter, public IMarker
{
public:
    StubFilter(QString label, std::vector<StubPinSpec> pins, std::vector<GUID> answers = {})
        : TBCBaseFilter(label, &m_lock, CLSID_Stub), m_label(std::move(label)), m_answers(std::move(answers))
    {
        for (auto& spec : pins) {
            if (spec.direction == PINDIR_OUTPUT)
                m_pins.push_back(std::make_unique<StubOutputPin>(this, &m_lock, std::move(spec)));
            else
                m_pins.push_back(std::make_unique<StubInputPin>(this, &m_lock, std::move(spec)));
        }
    }
    HRESULT NonDelegatingQueryInterface(const GUID& iid, void** object) override
    {
        if (std::find(m_answers.begin(), m_answers.end(), iid) != m_answers.end())
            return GetInterface(static_cast<IMarker*>(this), object);
        return TBCBaseFilter::NonDelegatingQueryInterface(iid, object);
    }
    int GetPinCount() override { return static_cast<int>(m_pins.size()); }
    TBCBasePin* GetPin(int index) override
    {
        return index >= 0 && index < GetPinCount() ? m_pins[static_cast<std::size_t>(index)].get() : nullptr;
    }
    QString Label() const override { return m_label; }
    ComPtr<IPin> Pin(const QString& name)
    {
        for (const auto& pin : m_pins)
            if (pin->Name() == name)
                return ComPtr<IPin>(pin.get());
        return {};
    }

private:
    TBCCritSec m_lock;
    QString m_label;
    std::vector<GUID> m_answers;
    std::vector<std::unique_ptr<TBCBasePin>> m_pins;
};

StubOutputPin::StubOutputPin(StubFilter* filter, TBCCritSec* lock, StubPinSpec spec)
    : TBCBaseOutputPin(spec.name, filter, lock, nullptr, spec.name), m_spec(std::move(spec))
{
}

StubInputPin::StubInputPin(StubFilter* filter, TBCCritSec* lock, StubPinSpec spec)
    : TBCBaseInputPin(spec.name, filter, lock, nullptr, spec.name), m_spec(std::move(spec))
{
}

QString NameOfPin(IPin* pin)
{
    PIN_INFO info;
    if (!pin || Failed(pin->QueryPinInfo(&info)))
        return {};
    return info.achName;
}

const GUID kNone = GUID_NULL;

// A capture filter with an analog input fed by two cascaded crossbars, its capture output going
// through a compressor into a sink and its preview output into a renderer:
//   xbar2 -> xbar1 -> camera [Capture] -> compressor -> sink
//                           [Preview] -> renderer
struct CaptureGraphFixture : ::testing::Test
{
    void SetUp() override
    {
        graph = FilterGraph::Create(nullptr);
        builder = CaptureGraphBuilder::Create();
        ASSERT_EQ(builder->SetFiltergraph(graph.Get()), S_OK);
        xbar2 = MakeStub("xbar2", {{"Xbar2 Out", PINDIR_OUTPUT, kNone, {kAnalogVideo}}},
                         {IID_MarkerA, IID_MarkerC});
        xbar1 = MakeStub(
            "xbar1",
            {{"Xbar1 In", PINDIR_INPUT, kNone, {}}, {"Xbar1 Out", PINDIR_OUTPUT, kNone, {kAnalogVideo}}},
            {IID_MarkerA});
        camera = MakeStub("camera",
                          {{"Analog", PINDIR_INPUT, PIN_CATEGORY_ANALOGVIDEOIN, {}},
                           {"Capture", PINDIR_OUTPUT, PIN_CATEGORY_CAPTURE, {MEDIATYPE_Video}, {IID_MarkerB}},
                           {"Preview", PINDIR_OUTPUT, PIN_CATEGORY_PREVIEW, {MEDIATYPE_Video}, {IID_MarkerB}},
                           {"Audio", PINDIR_OUTPUT, kNone, {MEDIATYPE_Audio}},
                           {"Capture 2", PINDIR_OUTPUT, PIN_CATEGORY_CAPTURE, {MEDIATYPE_Video}}});
        compressor =
            MakeStub("compressor", {{"Comp In", PINDIR_INPUT, kNone, {}},
                                    {"Comp Out", PINDIR_OUTPUT, kNone, {MEDIATYPE_Video}, {IID_MarkerC}}});
        sink = MakeStub("sink", {{"Sink In", PINDIR_INPUT, kNone, {}}}, {IID_MarkerD});
        renderer = MakeStub("renderer", {{"Render In", PINDIR_INPUT, kNone, {}}}, {IID_MarkerC});
    }

    // Uses the builder's own RenderStream; its own test checks what it connects.
    void ConnectAll()
    {
        ASSERT_EQ(graph->ConnectDirect(xbar2->Pin("Xbar2 Out").Get(), xbar1->Pin("Xbar1 In").Get(), nullptr),
                  S_OK);
        ASSERT_EQ(graph->ConnectDirect(xbar1->Pin("Xbar1 Out").Get(), camera->Pin("Analog").Get(), nullptr),
                  S_OK);
        ASSERT_EQ(
            graph->ConnectDirect(camera->Pin("Capture").Get(), compressor->Pin("Comp In").Get(), nullptr),
            S_OK);
        ASSERT_EQ(
            graph->ConnectDirect(compressor->Pin("Comp Out").Get(), sink->Pin("Sink In").Get(), nullptr),
            S_OK);
        ASSERT_EQ(
            graph->ConnectDirect(camera->Pin("Preview").Get(), renderer->Pin("Render In").Get(), nullptr),
            S_OK);
    }

    ComPtr<StubFilter> MakeStub(const QString& label, std::vector<StubPinSpec> pins,
                                std::vector<GUID> answers = {})
    {
        auto filter = ComPtr<StubFilter>(new StubFilter(label, std::move(pins), std::move(answers)));
        EXPECT_EQ(graph->AddFilter(filter.Get(), label), S_OK);
        return filter;
    }

    QString FoundBy(const GUID* category, const GUID* type, IBaseFilter* filter, const GUID& iid)
    {
        void* object = nullptr;
        if (Failed(builder->FindInterface(category, type, filter, iid, &object)))
            return QStringLiteral("(none)");
        auto* marker = static_cast<IMarker*>(object);
        const QString label = marker->Label();
        marker->Release();
        return label;
    }

    ComPtr<FilterGraph> graph;
    ComPtr<CaptureGraphBuilder> builder;
    ComPtr<StubFilter> xbar2, xbar1, camera, compressor, sink, renderer;
};

TEST_F(CaptureGraphFixture, FindPinGivesTheIndexthMatchOfDirectionCategoryTypeAndState)
{
    struct Case
    {
        const char* what;
        PIN_DIRECTION direction;
        const GUID* category;
        const GUID* type;
        bool unconnected;
        int index;
        const char* expected;
    };
    const Case cases[] = {
        {"first capture video output", PINDIR_OUTPUT, &PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, false, 0,
         "Capture"},
        {"second capture video output", PINDIR_OUTPUT, &PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, false, 1,
         "Capture 2"},
        {"past the last match", PINDIR_OUTPUT, &PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, false, 2, ""},
        {"any output by index", PINDIR_OUTPUT, nullptr, nullptr, false, 2, "Audio"},
        {"a null category counts as none", PINDIR_OUTPUT, &kNone, &MEDIATYPE_Audio, false, 0, "Audio"},
        {"inputs only", PINDIR_INPUT, nullptr, nullptr, false, 0, "Analog"},
        {"category of an input", PINDIR_INPUT, &PIN_CATEGORY_ANALOGVIDEOIN, nullptr, false, 0, "Analog"},
        {"a category with the wrong type", PINDIR_OUTPUT, &PIN_CATEGORY_PREVIEW, &MEDIATYPE_Audio, false, 0,
         ""},
        {"a type nobody carries", PINDIR_OUTPUT, nullptr, &MEDIATYPE_Interleaved, false, 0, ""},
        {"unconnected skips the connected capture pin", PINDIR_OUTPUT, &PIN_CATEGORY_CAPTURE,
         &MEDIATYPE_Video, true, 0, "Capture 2"},
        {"unconnected index 1 is past the end", PINDIR_OUTPUT, &PIN_CATEGORY_CAPTURE, nullptr, true, 1, ""},
        {"a negative index", PINDIR_OUTPUT, nullptr, nullptr, false, -1, ""},
    };
    ConnectAll();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ComPtr<IPin> pin;
        const HRESULT hr = builder->FindPin(static_cast<IBaseFilter*>(camera.Get()), c.direction, c.category,
                                            c.type, c.unconnected, c.index, &pin);
        EXPECT_EQ(Succeeded(hr), *c.expected != 0);
        EXPECT_EQ(NameOfPin(pin.Get()), QString::fromUtf8(c.expected));
    }
}

TEST_F(CaptureGraphFixture, FindPinOnAPinTestsThatPinAlone)
{
    const ComPtr<IPin> preview = camera->Pin("Preview");
    ComPtr<IPin> pin;
    EXPECT_EQ(builder->FindPin(preview.Get(), PINDIR_OUTPUT, &PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, true, 0,
                               &pin),
              S_OK);
    EXPECT_EQ(pin, preview);
    EXPECT_EQ(builder->FindPin(preview.Get(), PINDIR_OUTPUT, &PIN_CATEGORY_PREVIEW, nullptr, false, 1, &pin),
              E_FAIL);
    EXPECT_EQ(builder->FindPin(preview.Get(), PINDIR_OUTPUT, &PIN_CATEGORY_CAPTURE, nullptr, false, 0, &pin),
              E_FAIL);
    EXPECT_EQ(pin.Get(), nullptr);
}

TEST_F(CaptureGraphFixture, FindInterfaceSearchesWhereItsCategorySays)
{
    struct Case
    {
        const char* what;
        const GUID* category;
        const GUID* type;
        StubFilter* filter;
        GUID iid;
        const char* expected;
    };
    ConnectAll();
    const Case cases[] = {
        {"no category: the filter's pins first", nullptr, nullptr, camera.Get(), IID_MarkerB, "Capture"},
        {"no category: upstream before downstream", nullptr, nullptr, camera.Get(), IID_MarkerC, "xbar2"},
        {"no category: downstream when upstream has none", nullptr, nullptr, xbar2.Get(), IID_MarkerB,
         "Capture"},
        {"capture category: the capture pin itself", &PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, camera.Get(),
         IID_MarkerB, "Capture"},
        {"preview category: the preview pin, not the capture pin", &PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video,
         camera.Get(), IID_MarkerB, "Preview"},
        {"capture category: downstream of the capture pin before upstream", &PIN_CATEGORY_CAPTURE,
         &MEDIATYPE_Video, camera.Get(), IID_MarkerC, "Comp Out"},
        {"capture category: two filters downstream", &PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, camera.Get(),
         IID_MarkerD, "sink"},
        {"preview category: downstream of the preview pin only", &PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video,
         camera.Get(), IID_MarkerC, "renderer"},
        {"preview category: not behind the capture pin", &PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video,
         camera.Get(), IID_MarkerD, "(none)"},
        {"capture category: upstream when downstream has none", &PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video,
         camera.Get(), IID_MarkerA, "xbar1"},
        {"a category without a pin of that type", &PIN_CATEGORY_CAPTURE, &MEDIATYPE_Interleaved, camera.Get(),
         IID_MarkerB, "(none)"},
        {"upstream only: never the filter itself", &LOOK_UPSTREAM_ONLY, nullptr, xbar1.Get(), IID_MarkerA,
         "xbar2"},
        {"upstream only: the nearest upstream", &LOOK_UPSTREAM_ONLY, nullptr, camera.Get(), IID_MarkerA,
         "xbar1"},
        {"upstream only: nothing beyond the first crossbar", &LOOK_UPSTREAM_ONLY, nullptr, xbar2.Get(),
         IID_MarkerA, "(none)"},
        {"upstream only: not the filter's own pins", &LOOK_UPSTREAM_ONLY, nullptr, compressor.Get(),
         IID_MarkerC, "xbar2"},
        {"downstream only: never the filter itself", &LOOK_DOWNSTREAM_ONLY, nullptr, xbar2.Get(), IID_MarkerC,
         "Comp Out"},
        {"downstream only: nothing upstream", &LOOK_DOWNSTREAM_ONLY, nullptr, sink.Get(), IID_MarkerA,
         "(none)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(FoundBy(c.category, c.type, c.filter, c.iid), QString::fromUtf8(c.expected));
    }
}

TEST_F(CaptureGraphFixture, RenderStreamConnectsThroughTheIntermediate)
{
    ASSERT_EQ(builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video,
                                    static_cast<IBaseFilter*>(camera.Get()), compressor.Get(), sink.Get()),
              S_OK);
    ComPtr<IPin> peer;
    ASSERT_EQ(camera->Pin("Capture")->ConnectedTo(&peer), S_OK);
    EXPECT_EQ(NameOfPin(peer.Get()), "Comp In");
    ASSERT_EQ(compressor->Pin("Comp Out")->ConnectedTo(&peer), S_OK);
    EXPECT_EQ(NameOfPin(peer.Get()), "Sink In");
    EXPECT_NE(camera->Pin("Capture 2")->ConnectedTo(&peer), S_OK);

    // The next capture stream takes the next free capture pin.
    auto second = MakeStub("second sink", {{"In", PINDIR_INPUT, kNone, {}}});
    ASSERT_EQ(builder->RenderStream(&PIN_CATEGORY_CAPTURE, nullptr, static_cast<IBaseFilter*>(camera.Get()),
                                    nullptr, second.Get()),
              S_OK);
    ASSERT_EQ(camera->Pin("Capture 2")->ConnectedTo(&peer), S_OK);
    EXPECT_EQ(NameOfPin(peer.Get()), "In");
}

TEST_F(CaptureGraphFixture, RenderStreamRefusesWhatItCannotConnect)
{
    auto videoOnly = MakeStub("video only", {{"In", PINDIR_INPUT, kNone, {MEDIATYPE_Video}}});
    // No pin of the category and type.
    EXPECT_EQ(builder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Audio,
                                    static_cast<IBaseFilter*>(camera.Get()), nullptr, videoOnly.Get()),
              E_FAIL);
    // The only audio output does not fit a video-only input.
    EXPECT_TRUE(Failed(builder->RenderStream(
        nullptr, &MEDIATYPE_Audio, static_cast<IBaseFilter*>(camera.Get()), nullptr, videoOnly.Get())));
    // An input pin is no source; a connected output is no free one.
    EXPECT_EQ(builder->RenderStream(nullptr, nullptr, camera->Pin("Analog").Get(), nullptr, videoOnly.Get()),
              VFW_E_INVALID_DIRECTION);
    ASSERT_EQ(graph->ConnectDirect(camera->Pin("Preview").Get(), renderer->Pin("Render In").Get(), nullptr),
              S_OK);
    EXPECT_EQ(builder->RenderStream(nullptr, nullptr, camera->Pin("Preview").Get(), nullptr, videoOnly.Get()),
              VFW_E_ALREADY_CONNECTED);
    EXPECT_EQ(builder->RenderStream(nullptr, nullptr, camera->Pin("Audio").Get(), nullptr, nullptr),
              E_POINTER);
    ComPtr<IPin> peer;
    EXPECT_NE(videoOnly->Pin("In")->ConnectedTo(&peer), S_OK);
}

TEST(CaptureGraphBuilder, RenderStreamLetsTheGraphInsertAConverter)
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
    auto builder = CaptureGraphBuilder::Create();
    ASSERT_EQ(builder->SetFiltergraph(graph.Get()), S_OK);
    auto source = ComPtr<TestSource>(new TestSource({MakeVideoType(MEDIASUBTYPE_YUY2, 8, 4, 400000)}));
    auto sink = ComPtr<TestSink>(
        new TestSink([](const AM_MEDIA_TYPE& t) { return t.subtype == MEDIASUBTYPE_RGB24; }));
    ASSERT_EQ(graph->AddFilter(source.Get(), "Source"), S_OK);
    ASSERT_EQ(graph->AddFilter(sink.Get(), "Sink"), S_OK);
    ASSERT_EQ(builder->RenderStream(nullptr, &MEDIATYPE_Video, static_cast<IBaseFilter*>(source.Get()),
                                    nullptr, sink.Get()),
              S_OK);
    EXPECT_EQ(graph->Filters().size(), 3u);
    AM_MEDIA_TYPE connected;
    ASSERT_EQ(PinOf(sink.Get(), 0)->ConnectionMediaType(&connected), S_OK);
    EXPECT_EQ(connected.subtype, MEDIASUBTYPE_RGB24);
}

TEST(CaptureGraphBuilder, RenderStreamFromATeeTakesItsFreeOutput)
{
    auto graph = FilterGraph::Create(nullptr);
    auto builder = CaptureGraphBuilder::Create();
    ASSERT_EQ(builder->SetFiltergraph(graph.Get()), S_OK);
    auto source = ComPtr<TestSource>(new TestSource({MakeVideoType(MEDIASUBTYPE_RGB24, 8, 4, 400000)}));
    auto tee = InfinitePinTee::Create();
    auto first = ComPtr<TestSink>(new TestSink());
    auto second = ComPtr<TestSink>(new TestSink());
    for (IBaseFilter* f : {static_cast<IBaseFilter*>(source.Get()), static_cast<IBaseFilter*>(tee.Get()),
                           static_cast<IBaseFilter*>(first.Get()), static_cast<IBaseFilter*>(second.Get())})
        ASSERT_TRUE(Succeeded(graph->AddFilter(f, {})));
    ASSERT_EQ(builder->RenderStream(nullptr, nullptr, static_cast<IBaseFilter*>(source.Get()), tee.Get(),
                                    first.Get()),
              S_OK);
    ASSERT_EQ(
        builder->RenderStream(nullptr, nullptr, static_cast<IBaseFilter*>(tee.Get()), nullptr, second.Get()),
        S_OK);
    ComPtr<IPin> peer;
    ASSERT_EQ(PinOf(first.Get(), 0)->ConnectedTo(&peer), S_OK);
    EXPECT_EQ(peer, PinsOf(tee.Get())[1]);
    ASSERT_EQ(PinOf(second.Get(), 0)->ConnectedTo(&peer), S_OK);
    EXPECT_EQ(peer, PinsOf(tee.Get())[2]);
}

} // namespace
} // namespace camtrove::media
