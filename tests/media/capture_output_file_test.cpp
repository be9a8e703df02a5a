#include "media/core/capture_graph_builder.h"
#include "media/core/filter_graph.h"
#include "test_filters.h"

#include <gtest/gtest.h>

namespace camtrove::media {
namespace {

using testing::PinOf;
using testing::TestSource;

// Stand-ins for the multiplexers and the file writer, registered under their real class ids in
// a private catalogue: what the builder does with them is what is under test.

class StandInInput final : public TBCBaseInputPin
{
public:
    StandInInput(TBCBaseFilter* filter, TBCCritSec* lock, QString name, std::function<void()> connected = {})
        : TBCBaseInputPin(name, filter, lock, nullptr, name), m_connected(std::move(connected))
    {
    }
    HRESULT CheckMediaType(const AM_MEDIA_TYPE&) override { return S_OK; }
    HRESULT CompleteConnect(IPin* pin) override
    {
        const HRESULT hr = TBCBaseInputPin::CompleteConnect(pin);
        if (Succeeded(hr) && m_connected)
            m_connected();
        return hr;
    }

private:
    std::function<void()> m_connected;
};

class StandInOutput final : public TBCBaseOutputPin
{
public:
    StandInOutput(TBCBaseFilter* filter, TBCCritSec* lock, QString name)
        : TBCBaseOutputPin(name, filter, lock, nullptr, name)
    {
    }
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override
    {
        return type.majortype == MEDIATYPE_Stream ? S_OK : S_FALSE;
    }
    HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type) override
    {
        if (position != 0)
            return VFW_S_NO_MORE_ITEMS;
        *type = AM_MEDIA_TYPE{};
        type->majortype = MEDIATYPE_Stream;
        type->subtype = MEDIASUBTYPE_Avi;
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
};

class StandInFilter : public TBCBaseFilter
{
public:
    StandInFilter(QString name, const GUID& clsid) : TBCBaseFilter(std::move(name), &m_lock, clsid) {}
    int GetPinCount() override { return static_cast<int>(m_pins.size()); }
    TBCBasePin* GetPin(int index) override
    {
        return index >= 0 && index < GetPinCount() ? m_pins[static_cast<std::size_t>(index)].get() : nullptr;
    }

protected:
    TBCCritSec m_lock;
    std::vector<std::unique_ptr<TBCBasePin>> m_pins;
};

// Output first, then "Input 01"; each input connected brings the next one.
class StandInAviMux final : public StandInFilter
{
public:
    StandInAviMux() : StandInFilter(QStringLiteral("AVI Mux"), CLSID_AviDest)
    {
        m_pins.push_back(std::make_unique<StandInOutput>(this, &m_lock, QStringLiteral("AVI Out")));
        AddInput();
    }

private:
    void AddInput()
    {
        const QString name = QStringLiteral("Input %1").arg(m_pins.size(), 2, 10, QLatin1Char('0'));
        m_pins.push_back(std::make_unique<StandInInput>(this, &m_lock, name, [this] { AddInput(); }));
        IncrementPinVersion();
    }
};

class StandInFileSink : public StandInFilter, public IFileSinkFilter
{
public:
    using StandInFilter::StandInFilter;
    HRESULT NonDelegatingQueryInterface(const GUID& iid, void** object) override
    {
        if (iid == IID_IFileSinkFilter) {
            *object = static_cast<IFileSinkFilter*>(this);
            AddRef();
            return S_OK;
        }
        return StandInFilter::NonDelegatingQueryInterface(iid, object);
    }
    HRESULT SetFileName(const QString& fileName, const AM_MEDIA_TYPE*) override
    {
        if (m_refuse)
            return E_INVALIDARG;
        m_file = fileName;
        return S_OK;
    }
    HRESULT GetCurFile(QString* fileName, AM_MEDIA_TYPE*) override
    {
        *fileName = m_file;
        return S_OK;
    }

    static inline bool m_refuse = false;

private:
    QString m_file;
};

class StandInFileWriter final : public StandInFileSink
{
public:
    StandInFileWriter() : StandInFileSink(QStringLiteral("File writer"), CLSID_FileWriter)
    {
        m_pins.push_back(std::make_unique<StandInInput>(this, &m_lock, QStringLiteral("in")));
    }
};

class StandInAsfWriter final : public StandInFileSink
{
public:
    StandInAsfWriter() : StandInFileSink(QStringLiteral("WM ASF Writer"), CLSID_WMAsfWriter)
    {
        m_pins.push_back(std::make_unique<StandInInput>(this, &m_lock, QStringLiteral("Audio Input 01")));
        m_pins.push_back(std::make_unique<StandInInput>(this, &m_lock, QStringLiteral("Video Input 01")));
    }
};

enum StandIns
{
    kMux = 1,
    kWriter = 2,
    kAsf = 4,
    kAll = 7
};

void RegisterStandIns(FilterCatalogue& catalogue, int which)
{
    const auto add = [&](const GUID& clsid, const char* name, std::function<ComPtr<IBaseFilter>()> create) {
        catalogue.Register(
            {clsid, name, MERIT_DO_NOT_USE, CLSID_LegacyAmFilterCategory, {}, {}, std::move(create)});
    };
    if (which & kMux)
        add(CLSID_AviDest, "AVI Mux", [] { return ComPtr<IBaseFilter>(new StandInAviMux()); });
    if (which & kWriter)
        add(CLSID_FileWriter, "File writer", [] { return ComPtr<IBaseFilter>(new StandInFileWriter()); });
    if (which & kAsf)
        add(CLSID_WMAsfWriter, "WM ASF Writer", [] { return ComPtr<IBaseFilter>(new StandInAsfWriter()); });
}

struct Bound
{
    FilterCatalogue catalogue;
    ComPtr<FilterGraph> graph;
    ComPtr<CaptureGraphBuilder> builder;

    explicit Bound(int standIns)
    {
        RegisterStandIns(catalogue, standIns);
        graph = FilterGraph::Create(&catalogue);
        builder = CaptureGraphBuilder::Create(&catalogue);
        EXPECT_EQ(builder->SetFiltergraph(graph.Get()), S_OK);
    }
};

GUID ClassOf(IBaseFilter* filter)
{
    GUID clsid;
    (void)filter->GetClassID(&clsid);
    return clsid;
}

TEST(SetOutputFileName, AviGivesTheMultiplexerConnectedToItsFileWriter)
{
    Bound b(kAll);
    ComPtr<IBaseFilter> mux;
    ComPtr<IFileSinkFilter> sink;
    ASSERT_EQ(b.builder->SetOutputFileName(MEDIASUBTYPE_Avi, "/tmp/capture.avi", &mux, &sink), S_OK);
    ASSERT_TRUE(mux && sink);
    EXPECT_EQ(ClassOf(mux.Get()), CLSID_AviDest);
    ASSERT_EQ(b.graph->Filters().size(), 2u);
    const auto writer = b.graph->Filters()[1];
    EXPECT_EQ(ClassOf(writer.Get()), CLSID_FileWriter);
    EXPECT_TRUE(IsSameObject(sink.Get(), writer.Get()));
    QString file;
    ASSERT_EQ(sink->GetCurFile(&file, nullptr), S_OK);
    EXPECT_EQ(file, "/tmp/capture.avi");

    ComPtr<IPin> peer;
    ASSERT_EQ(PinsOf(mux.Get())[0]->ConnectedTo(&peer), S_OK);
    EXPECT_EQ(FilterOf(peer.Get()), writer);

    // The chains then feed the multiplexer's pin 1 and, read again, its last pin.
    auto video = ComPtr<TestSource>(new TestSource({MakeVideoType(MEDIASUBTYPE_RGB24, 8, 4, 400000)}));
    auto audio = ComPtr<TestSource>(new TestSource({MakePcmAudioType(48000, 16, 2)}));
    ASSERT_EQ(b.graph->AddFilter(video.Get(), "video"), S_OK);
    ASSERT_EQ(b.graph->AddFilter(audio.Get(), "audio"), S_OK);
    ASSERT_EQ(b.graph->Connect(PinOf(video.Get(), 0).Get(), PinsOf(mux.Get())[1].Get()), S_OK);
    ASSERT_EQ(PinsOf(mux.Get()).size(), 3u);
    ASSERT_EQ(b.graph->Connect(PinOf(audio.Get(), 0).Get(), PinsOf(mux.Get()).back().Get()), S_OK);
    EXPECT_EQ(PinsOf(mux.Get()).size(), 4u);
}

TEST(SetOutputFileName, AsfGivesTheWriterAsMultiplexerAndSink)
{
    Bound b(kAll);
    ComPtr<IBaseFilter> mux;
    ComPtr<IFileSinkFilter> sink;
    ASSERT_EQ(b.builder->SetOutputFileName(MEDIASUBTYPE_Asf, "/tmp/capture.wmv", &mux, &sink), S_OK);
    EXPECT_EQ(ClassOf(mux.Get()), CLSID_WMAsfWriter);
    EXPECT_TRUE(IsSameObject(mux.Get(), sink.Get()));
    EXPECT_EQ(b.graph->Filters().size(), 1u);
    QString file;
    ASSERT_EQ(sink->GetCurFile(&file, nullptr), S_OK);
    EXPECT_EQ(file, "/tmp/capture.wmv");
}

TEST(SetOutputFileName, FailuresLeaveNothingInTheGraph)
{
    struct Case
    {
        const char* what;
        int standIns;
        GUID type;
        QString file;
        bool refuseFile;
        HRESULT expected;
    };
    const Case cases[] = {
        {"no multiplexer registered", kWriter | kAsf, MEDIASUBTYPE_Avi, "/tmp/a.avi", false,
         REGDB_E_CLASSNOTREG},
        {"no file writer registered", kMux | kAsf, MEDIASUBTYPE_Avi, "/tmp/a.avi", false,
         REGDB_E_CLASSNOTREG},
        {"no ASF writer registered", kMux | kWriter, MEDIASUBTYPE_Asf, "/tmp/a.wmv", false,
         REGDB_E_CLASSNOTREG},
        {"an unknown multiplexer class", kAll, MEDIASUBTYPE_WAVE, "/tmp/a.wav", false, REGDB_E_CLASSNOTREG},
        {"no file name", kAll, MEDIASUBTYPE_Avi, "", false, E_INVALIDARG},
        {"no type", kAll, GUID_NULL, "/tmp/a.avi", false, E_INVALIDARG},
        {"the writer refuses the name", kAll, MEDIASUBTYPE_Avi, "/tmp/a.avi", true, E_INVALIDARG},
        {"the ASF writer refuses the name", kAll, MEDIASUBTYPE_Asf, "/tmp/a.wmv", true, E_INVALIDARG},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bound b(c.standIns);
        StandInFileSink::m_refuse = c.refuseFile;
        ComPtr<IBaseFilter> mux;
        ComPtr<IFileSinkFilter> sink;
        EXPECT_EQ(b.builder->SetOutputFileName(c.type, c.file, &mux, &sink), c.expected);
        StandInFileSink::m_refuse = false;
        EXPECT_TRUE(b.graph->Filters().empty());
        EXPECT_FALSE(mux);
        EXPECT_FALSE(sink);
    }
}

} // namespace
} // namespace camtrove::media
