#include "media/core/capture_graph_builder.h"
#include "media/core/filter_graph.h"
#include "media/devices/test_camera.h"
#include "media/devices/test_crossbar.h"
#include "media/devices/test_sound_card.h"
#include "media/stock/null_renderer.h"
#include "media/stock/sample_grabber.h"
#include "test_filters.h"

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <numbers>

namespace camtrove::media {
namespace {

using testing::PinOf;
using testing::TestSink;

// Keeps a copy of every sample the grabber hands over, with its times.
class CopyingCallback final : public RefCounted, public ISampleGrabberCB
{
public:
    struct Copy
    {
        std::vector<std::uint8_t> data;
        REFERENCE_TIME start = -1;
        std::int64_t mediaStart = -1;
        bool discontinuity = false;
    };

    HRESULT QueryInterface(const GUID& iid, void** object) override
    {
        if (iid != IID_IUnknown && iid != IID_ISampleGrabberCB)
            return E_NOINTERFACE;
        *object = static_cast<ISampleGrabberCB*>(this);
        AddRef();
        return S_OK;
    }
    HRESULT SampleCB(double, IMediaSample* sample) override
    {
        Copy copy;
        std::uint8_t* data = nullptr;
        (void)sample->GetPointer(&data);
        copy.data.assign(data, data + sample->GetActualDataLength());
        REFERENCE_TIME stop = 0;
        (void)sample->GetTime(&copy.start, &stop);
        std::int64_t mediaStop = 0;
        (void)sample->GetMediaTime(&copy.mediaStart, &mediaStop);
        copy.discontinuity = sample->IsDiscontinuity() == S_OK;
        {
            std::lock_guard lock(m_mutex);
            if (m_copies.size() < kKept)
                m_copies.push_back(std::move(copy));
            ++m_count;
        }
        m_arrived.notify_all();
        return S_OK;
    }
    HRESULT BufferCB(double, std::uint8_t*, std::int32_t) override { return S_OK; }

    bool WaitFor(int count)
    {
        std::unique_lock lock(m_mutex);
        return m_arrived.wait_for(lock, std::chrono::seconds(10), [&] { return m_count >= count; });
    }
    std::vector<Copy> Copies()
    {
        std::lock_guard lock(m_mutex);
        return m_copies;
    }
    int Count()
    {
        std::lock_guard lock(m_mutex);
        return m_count;
    }

private:
    static constexpr std::size_t kKept = 8;
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::vector<Copy> m_copies;
    int m_count = 0;
};

// source pin → sample grabber → null renderer, in a graph with the built-in converters.
struct GrabbingGraph
{
    explicit GrabbingGraph(IBaseFilter* source, const AM_MEDIA_TYPE* restriction = nullptr)
    {
        EXPECT_TRUE(Succeeded(graph->AddFilter(source, "Source")));
        EXPECT_EQ(graph->AddFilter(grabber.Get(), "Grabber"), S_OK);
        EXPECT_EQ(graph->AddFilter(renderer.Get(), "Renderer"), S_OK);
        if (restriction) {
            EXPECT_EQ(grabber->SetMediaType(*restriction), S_OK);
        }
        EXPECT_EQ(grabber->SetCallback(callback.Get(), SampleGrabberCallSample), S_OK);
        EXPECT_EQ(builder->SetFiltergraph(graph.Get()), S_OK);
    }
    [[nodiscard]] HRESULT Render(const GUID* category, const GUID* type, IBaseFilter* source)
    {
        return builder->RenderStream(category, type, source, grabber.Get(), renderer.Get());
    }

    ComPtr<FilterGraph> graph = FilterGraph::Create();
    ComPtr<CaptureGraphBuilder> builder = CaptureGraphBuilder::Create();
    ComPtr<SampleGrabber> grabber = SampleGrabber::Create();
    ComPtr<NullRenderer> renderer = NullRenderer::Create();
    ComPtr<CopyingCallback> callback = MakeCom<CopyingCallback>();
};

ComPtr<IPin> CapturePin(IBaseFilter* filter)
{
    ComPtr<IPin> pin;
    auto builder = CaptureGraphBuilder::Create();
    EXPECT_EQ(builder->FindPin(filter, PINDIR_OUTPUT, &PIN_CATEGORY_CAPTURE, nullptr, false, 0, &pin), S_OK);
    return pin;
}

// Pixel (x, y from the top) of an RGB24 frame as the bitmap header lays it out.
Rgb Rgb24PixelOf(const std::vector<std::uint8_t>& frame, const BITMAPINFOHEADER& header, int x, int y)
{
    const std::size_t stride = (static_cast<std::size_t>(header.biWidth) * 3 + 3) & ~std::size_t{3};
    const int row = header.biHeight > 0 ? header.biHeight - 1 - y : y;
    const std::uint8_t* p =
        frame.data() + stride * static_cast<std::size_t>(row) + static_cast<std::size_t>(x) * 3;
    return {p[2], p[1], p[0]};
}

bool NoErrorEvents(IMediaEventEx* events)
{
    for (const auto code : testing::DrainEvents(events))
        if (code == EC_ERRORABORT || code == EC_STREAM_ERROR_STOPPED)
            return false;
    return true;
}

TEST(TestCamera, EveryFormatStreamsFramesOfItsSizeThroughGrabberAndNullRenderer)
{
    for (const AM_MEDIA_TYPE& format : TestCameraFormats()) {
        const auto* vih = format.FormatAs<VIDEOINFOHEADER>();
        SCOPED_TRACE(QStringLiteral("%1x%2 %3")
                         .arg(vih->bmiHeader.biWidth)
                         .arg(vih->bmiHeader.biHeight)
                         .arg(format.subtype == MEDIASUBTYPE_YUY2 ? "YUY2" : "RGB24")
                         .toStdString());
        auto camera = TestCamera::Create();
        const auto config = QueryAs<IAMStreamConfig>(CapturePin(camera.Get()));
        ASSERT_TRUE(config);
        ASSERT_EQ(config->SetFormat(format), S_OK);
        GrabbingGraph g(camera.Get(), &format);
        ASSERT_EQ(g.Render(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, camera.Get()), S_OK);
        ASSERT_EQ(g.graph->Run(), S_OK);
        ASSERT_TRUE(g.callback->WaitFor(3));
        EXPECT_EQ(g.graph->Stop(), S_OK);
        const int afterStop = g.callback->Count();

        const auto frames = g.callback->Copies();
        ASSERT_GE(frames.size(), 3u);
        for (std::size_t i = 0; i < frames.size(); ++i) {
            EXPECT_EQ(frames[i].data.size(), vih->bmiHeader.biSizeImage);
            EXPECT_EQ(frames[i].start % vih->AvgTimePerFrame, 0);
            if (i > 0) {
                EXPECT_GT(frames[i].mediaStart, frames[i - 1].mediaStart);
                EXPECT_NE(frames[i].data, frames[i - 1].data) << "the pattern moves";
            }
        }
        EXPECT_TRUE(frames[0].discontinuity);
        EXPECT_EQ(g.callback->Count(), afterStop) << "nothing arrives after Stop";
        EXPECT_TRUE(NoErrorEvents(g.graph.Get()));

        std::int32_t notDropped = 0;
        const auto dropped = QueryAs<IAMDroppedFrames>(CapturePin(camera.Get()));
        ASSERT_TRUE(dropped);
        ASSERT_EQ(dropped->GetNumNotDropped(&notDropped), S_OK);
        EXPECT_GE(notDropped, 3);
        std::int32_t average = 0;
        ASSERT_EQ(dropped->GetAverageFrameSize(&average), S_OK);
        EXPECT_EQ(average, static_cast<std::int32_t>(vih->bmiHeader.biSizeImage));
    }
}

TEST(TestCamera, YuyvFramesReachAnRgb24OnlyGrabberThroughTheColourConverterTheGraphInserts)
{
    auto camera = TestCamera::Create();
    const AM_MEDIA_TYPE yuy2 = MakeVideoType(MEDIASUBTYPE_YUY2, 320, 240, 400000);
    ASSERT_EQ(QueryAs<IAMStreamConfig>(CapturePin(camera.Get()))->SetFormat(yuy2), S_OK);
    AM_MEDIA_TYPE rgb24Only;
    rgb24Only.majortype = MEDIATYPE_Video;
    rgb24Only.subtype = MEDIASUBTYPE_RGB24;
    rgb24Only.formattype = FORMAT_VideoInfo;
    GrabbingGraph g(camera.Get(), &rgb24Only);
    ASSERT_EQ(g.Render(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, camera.Get()), S_OK);
    const auto filters = g.graph->Filters();
    EXPECT_TRUE(std::any_of(filters.begin(), filters.end(), [](const ComPtr<IBaseFilter>& filter) {
        GUID clsid{};
        return Succeeded(filter->GetClassID(&clsid)) && clsid == CLSID_Colour;
    })) << "the Color Space Converter joined between camera and grabber";

    ASSERT_EQ(g.graph->Run(), S_OK);
    ASSERT_TRUE(g.callback->WaitFor(3));
    EXPECT_EQ(g.graph->Stop(), S_OK);
    for (const auto& frame : g.callback->Copies()) {
        ASSERT_EQ(frame.data.size(), 320u * 240u * 3u);
        EXPECT_TRUE(std::any_of(frame.data.begin(), frame.data.end(), [](std::uint8_t b) { return b > 64; }))
            << "a picture, not a blank buffer";
    }
    EXPECT_TRUE(NoErrorEvents(g.graph.Get()));
}

TEST(TestCamera, Rgb24FramesAreBottomUpPicturesOfTheRoutedInputWithTheControlsApplied)
{
    auto camera = TestCamera::Create();
    auto crossbar = TestCrossbar::Create();
    const AM_MEDIA_TYPE rgb = TestCameraFormats()[0];
    GrabbingGraph g(camera.Get(), &rgb);
    ASSERT_EQ(g.graph->AddFilter(crossbar.Get(), "Crossbar"), S_OK);
    ASSERT_EQ(g.builder->RenderStream(nullptr, nullptr, static_cast<IBaseFilter*>(crossbar.Get()), nullptr,
                                      camera.Get()),
              S_OK);
    ComPtr<IAMCrossbar> found;
    ASSERT_EQ(g.builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, camera.Get(), IID_IAMCrossbar,
                                       found.AsOut()),
              S_OK);
    ASSERT_EQ(found->Route(0, 2), S_OK); // S-Video: the checkerboard
    const auto procAmp = QueryAs<IAMVideoProcAmp>(static_cast<IBaseFilter*>(camera.Get()));
    ASSERT_EQ(procAmp->Set(VideoProcAmp_Brightness, 40, VideoProcAmp_Flags_Manual), S_OK);
    ASSERT_EQ(procAmp->Set(VideoProcAmp_Contrast, 150, VideoProcAmp_Flags_Manual), S_OK);
    ASSERT_EQ(g.Render(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, camera.Get()), S_OK);

    ASSERT_EQ(g.graph->Run(), S_OK);
    ASSERT_TRUE(g.callback->WaitFor(2));
    EXPECT_EQ(g.graph->Stop(), S_OK);

    const auto& header = rgb.FormatAs<VIDEOINFOHEADER>()->bmiHeader;
    const PictureControls controls{40, 150, 100};
    for (const auto& frame : g.callback->Copies()) {
        for (const auto& [x, y] : {std::pair{0, 0}, {319, 0}, {40, 100}, {200, 239}}) {
            SCOPED_TRACE(::testing::Message() << "frame " << frame.mediaStart << " at " << x << "," << y);
            EXPECT_EQ(
                Rgb24PixelOf(frame.data, header, x, y),
                TestPatternPixel(TestPatternKind::Checkerboard, frame.mediaStart, x, y, 320, 240, controls));
        }
    }
}

TEST(TestCamera, CrossbarRoutesOneOfThreeVideoConnectors)
{
    auto crossbar = TestCrossbar::Create();
    std::int32_t outputs = 0, inputs = 0;
    ASSERT_EQ(crossbar->get_PinCounts(&outputs, &inputs), S_OK);
    EXPECT_EQ(outputs, 1);
    EXPECT_EQ(inputs, 3);
    const std::int32_t expected[] = {PhysConn_Video_Tuner, PhysConn_Video_Composite, PhysConn_Video_SVideo};
    for (std::int32_t i = 0; i < 3; ++i) {
        std::int32_t related = 0, type = 0;
        ASSERT_EQ(crossbar->get_CrossbarPinInfo(true, i, &related, &type), S_OK);
        EXPECT_EQ(type, expected[i]);
        EXPECT_EQ(related, -1);
        EXPECT_EQ(crossbar->CanRoute(0, i), S_OK);
        ASSERT_EQ(crossbar->Route(0, i), S_OK);
        std::int32_t routed = -1;
        ASSERT_EQ(crossbar->get_IsRoutedTo(0, &routed), S_OK);
        EXPECT_EQ(routed, i);
    }
    std::int32_t related = 0, type = 0;
    ASSERT_EQ(crossbar->get_CrossbarPinInfo(false, 0, &related, &type), S_OK);
    EXPECT_EQ(type, PhysConn_Video_VideoDecoder);
    EXPECT_EQ(crossbar->Route(0, 3), E_INVALIDARG);
    EXPECT_EQ(crossbar->Route(1, 0), E_INVALIDARG);
    EXPECT_EQ(crossbar->get_CrossbarPinInfo(true, 3, &related, &type), E_INVALIDARG);
    // Pins enumerate inputs first, the output after them.
    const auto pins = PinsOf(crossbar.Get());
    ASSERT_EQ(pins.size(), 4u);
    EXPECT_EQ(DirectionOf(pins[2].Get()), PINDIR_INPUT);
    EXPECT_EQ(DirectionOf(pins[3].Get()), PINDIR_OUTPUT);
}

TEST(TestCamera, ProcAmpRefusesWhatItDoesNotOffer)
{
    auto camera = TestCamera::Create();
    IAMVideoProcAmp* procAmp = camera.Get();
    std::int32_t min = 0, max = 0, step = 0, def = 0, caps = 0;
    ASSERT_EQ(procAmp->GetRange(VideoProcAmp_Contrast, &min, &max, &step, &def, &caps), S_OK);
    EXPECT_EQ(def, 100);
    EXPECT_EQ(procAmp->Set(VideoProcAmp_Contrast, max + 1, VideoProcAmp_Flags_Manual), E_INVALIDARG);
    EXPECT_EQ(procAmp->Set(VideoProcAmp_Contrast, max, VideoProcAmp_Flags_Auto), E_INVALIDARG);
    EXPECT_EQ(procAmp->Set(VideoProcAmp_Gain, 0, VideoProcAmp_Flags_Manual), E_PROP_ID_UNSUPPORTED);
    EXPECT_EQ(procAmp->GetRange(VideoProcAmp_Hue, &min, &max, &step, &def, &caps), E_PROP_ID_UNSUPPORTED);
    std::int32_t value = 0, flags = 0;
    ASSERT_EQ(procAmp->Get(VideoProcAmp_Contrast, &value, &flags), S_OK);
    EXPECT_EQ(value, 100);
}

TEST(TestCamera, SetFormatReconnectsWhenThePeerAcceptsAndOnlyWhileStopped)
{
    auto camera = TestCamera::Create();
    AM_MEDIA_TYPE rgbOnly;
    rgbOnly.majortype = MEDIATYPE_Video;
    rgbOnly.subtype = MEDIASUBTYPE_RGB24;
    GrabbingGraph g(camera.Get(), &rgbOnly);
    ASSERT_EQ(g.Render(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, camera.Get()), S_OK);
    const auto pin = CapturePin(camera.Get());
    const auto config = QueryAs<IAMStreamConfig>(pin);

    std::int32_t count = 0, size = 0;
    ASSERT_EQ(config->GetNumberOfCapabilities(&count, &size), S_OK);
    EXPECT_EQ(count, static_cast<std::int32_t>(TestCameraFormats().size()));
    AM_MEDIA_TYPE caps;
    EXPECT_EQ(config->GetStreamCaps(count, &caps), S_FALSE);

    const AM_MEDIA_TYPE big = TestCameraFormats()[1];
    const AM_MEDIA_TYPE yuy2 = TestCameraFormats()[2];
    EXPECT_EQ(config->SetFormat(yuy2), VFW_E_INVALIDMEDIATYPE) << "the grabber takes RGB24 only";
    EXPECT_EQ(config->SetFormat(MakeVideoType(MEDIASUBTYPE_RGB24, 100, 100, 400000)), VFW_E_INVALIDMEDIATYPE);
    EXPECT_EQ(config->SetFormat(MakeVideoType(MEDIASUBTYPE_RGB24, 640, 480, 50)), VFW_E_INVALIDMEDIATYPE);
    ASSERT_EQ(config->SetFormat(big), S_OK);
    AM_MEDIA_TYPE connected;
    ASSERT_EQ(pin->ConnectionMediaType(&connected), S_OK);
    EXPECT_EQ(connected, big);
    AM_MEDIA_TYPE current;
    ASSERT_EQ(config->GetFormat(&current), S_OK);
    EXPECT_EQ(current, big);
    EXPECT_EQ(MediaTypesOf(pin.Get()).front(), big) << "the chosen format is offered first";

    ASSERT_EQ(g.graph->Run(), S_OK);
    EXPECT_EQ(config->SetFormat(TestCameraFormats()[0]), VFW_E_NOT_STOPPED);
    ASSERT_TRUE(g.callback->WaitFor(1));
    EXPECT_EQ(g.graph->Stop(), S_OK);
    EXPECT_EQ(g.callback->Copies().front().data.size(), 640u * 480u * 3u);
}

// The clock of a test: it moves only when told to.
class ManualClock final : public RefCounted, public IReferenceClock
{
public:
    HRESULT QueryInterface(const GUID& iid, void** object) override
    {
        if (iid != IID_IUnknown && iid != IID_IReferenceClock)
            return E_NOINTERFACE;
        *object = static_cast<IReferenceClock*>(this);
        AddRef();
        return S_OK;
    }
    HRESULT GetTime(REFERENCE_TIME* time) override
    {
        *time = m_now.load();
        return S_OK;
    }
    void Set(REFERENCE_TIME now) { m_now.store(now); }

private:
    std::atomic<REFERENCE_TIME> m_now{0};
};

TEST(TestCamera, DeliversEachFrameWhenTheClockReachesItAndDropsTheFramesItMissed)
{
    auto camera = TestCamera::Create();
    auto sink = ComPtr<TestSink>(new TestSink());
    auto graph = FilterGraph::Create(nullptr);
    ASSERT_EQ(graph->AddFilter(camera.Get(), "Camera"), S_OK);
    ASSERT_EQ(graph->AddFilter(sink.Get(), "Sink"), S_OK);
    ASSERT_EQ(graph->ConnectDirect(CapturePin(camera.Get()).Get(), PinOf(sink.Get(), 0).Get(), nullptr),
              S_OK);
    // The filters run by hand on a clock of the test's own, from time 1000.
    auto clock = MakeCom<ManualClock>();
    clock->Set(1000);
    ASSERT_EQ(camera->SetSyncSource(clock.Get()), S_OK);
    ASSERT_EQ(sink->Pause(), S_OK);
    ASSERT_EQ(camera->Pause(), S_OK);
    ASSERT_EQ(sink->Run(1000), S_OK);
    ASSERT_EQ(camera->Run(1000), S_OK);

    const auto starts = [&] {
        std::vector<REFERENCE_TIME> result;
        for (const auto& s : sink->Samples())
            result.push_back(s.start);
        return result;
    };
    ASSERT_TRUE(sink->WaitUntil([](const auto& samples, int) { return samples.size() >= 1; }));
    clock->Set(1000 + 400'000);
    ASSERT_TRUE(sink->WaitUntil([](const auto& samples, int) { return samples.size() >= 2; }));
    clock->Set(1000 + 10 * 400'000 + 200'000); // frames 2 to 9 are over before they were made
    ASSERT_TRUE(sink->WaitUntil([](const auto& samples, int) { return samples.size() >= 3; }));
    ASSERT_EQ(camera->Stop(), S_OK);
    ASSERT_EQ(sink->Stop(), S_OK);

    EXPECT_EQ(starts(), (std::vector<REFERENCE_TIME>{0, 400'000, 4'000'000})) << "frame 10 is not due yet";
    const auto samples = sink->Samples();
    EXPECT_TRUE(samples[2].discontinuity);
    std::int32_t dropped = 0;
    ASSERT_EQ(QueryAs<IAMDroppedFrames>(CapturePin(camera.Get()))->GetNumDropped(&dropped), S_OK);
    EXPECT_EQ(dropped, 8);
}

// The card's formula, term for term, so that rounding comes out the same.
std::int16_t ExpectedTone(const std::vector<double>& weights, std::int64_t frame, int rate)
{
    constexpr double kAmplitude = 0.25 * 32767.0;
    const double seconds = static_cast<double>(frame) / static_cast<double>(rate);
    double value = 0;
    for (std::size_t line = 0; line < weights.size(); ++line)
        if (weights[line] > 0.0)
            value += weights[line] * kAmplitude *
                     std::sin(2.0 * std::numbers::pi * kTestSoundCardLines[line].frequency * seconds);
    return static_cast<std::int16_t>(std::lround(value));
}

TEST(TestSoundCard, CapturesTheMixOfTheEnabledLinesAtEitherRate)
{
    struct Case
    {
        const char* what;
        int rate;
        std::vector<bool> enabled;
        std::vector<double> levels;
    };
    const Case cases[] = {
        {"Line In alone, the default, at 48000 Hz", 48000, {true, false, false}, {1, 1, 1}},
        {"Microphone at half level, at 44100 Hz", 44100, {false, true, false}, {1, 0.5, 1}},
        {"all three lines", 48000, {true, true, true}, {1, 1, 1}},
        {"no line: silence", 44100, {false, false, false}, {1, 1, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto card = TestSoundCard::Create();
        const auto pins = PinsOf(card.Get());
        ASSERT_EQ(pins.size(), 4u);
        std::vector<double> weights;
        for (std::size_t line = 0; line < 3; ++line) {
            PIN_INFO info;
            ASSERT_EQ(pins[1 + line]->QueryPinInfo(&info), S_OK);
            EXPECT_EQ(info.achName, QString::fromUtf8(kTestSoundCardLines[line].name));
            const auto mixer = QueryAs<IAMAudioInputMixer>(pins[1 + line]);
            ASSERT_TRUE(mixer);
            if (c.enabled == std::vector<bool>{true, false, false}) {
                bool enabled = false;
                ASSERT_EQ(mixer->get_Enable(&enabled), S_OK);
                EXPECT_EQ(enabled, line == 0) << "Line In is enabled from the start";
            }
            ASSERT_EQ(mixer->put_Enable(c.enabled[line]), S_OK);
            ASSERT_EQ(mixer->put_MixLevel(c.levels[line]), S_OK);
            weights.push_back(c.enabled[line] ? c.levels[line] : 0.0);
        }
        const AM_MEDIA_TYPE format = MakePcmAudioType(static_cast<std::uint32_t>(c.rate), 16, 2);
        ASSERT_EQ(QueryAs<IAMStreamConfig>(pins[0])->SetFormat(format), S_OK);

        GrabbingGraph g(card.Get());
        ASSERT_EQ(g.Render(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio, card.Get()), S_OK);
        ASSERT_EQ(g.graph->Run(), S_OK);
        ASSERT_TRUE(g.callback->WaitFor(3));
        EXPECT_EQ(g.graph->Stop(), S_OK);
        EXPECT_TRUE(NoErrorEvents(g.graph.Get()));

        const std::size_t frames = static_cast<std::size_t>(c.rate) / 25; // 40 ms
        for (const auto& buffer : g.callback->Copies()) {
            ASSERT_EQ(buffer.data.size(), frames * 4);
            EXPECT_EQ(buffer.start % 400'000, 0);
            const auto* samples = reinterpret_cast<const std::int16_t*>(buffer.data.data());
            for (std::size_t i = 0; i < frames; i += 97) {
                const std::int16_t expected =
                    ExpectedTone(weights, buffer.mediaStart + static_cast<std::int64_t>(i), c.rate);
                ASSERT_EQ(samples[2 * i], expected)
                    << "frame " << buffer.mediaStart + static_cast<std::int64_t>(i);
                ASSERT_EQ(samples[2 * i + 1], expected);
            }
        }
    }
}

TEST(TestSoundCard, RefusesFormatsAndLevelsItCannotGive)
{
    auto card = TestSoundCard::Create();
    const auto pins = PinsOf(card.Get());
    const auto config = QueryAs<IAMStreamConfig>(pins[0]);
    EXPECT_EQ(config->SetFormat(MakePcmAudioType(32000, 16, 2)), VFW_E_INVALIDMEDIATYPE);
    EXPECT_EQ(config->SetFormat(MakePcmAudioType(48000, 8, 2)), VFW_E_INVALIDMEDIATYPE);
    EXPECT_EQ(config->SetFormat(MakePcmAudioType(48000, 16, 1)), VFW_E_INVALIDMEDIATYPE);
    AM_MEDIA_TYPE current;
    ASSERT_EQ(config->GetFormat(&current), S_OK);
    EXPECT_EQ(current, MakePcmAudioType(48000, 16, 2));
    const auto mixer = QueryAs<IAMAudioInputMixer>(pins[1]);
    EXPECT_EQ(mixer->put_MixLevel(1.5), E_INVALIDARG);
    EXPECT_EQ(mixer->put_MixLevel(-1.0), E_INVALIDARG);
    double level = 0;
    ASSERT_EQ(mixer->get_MixLevel(&level), S_OK);
    EXPECT_EQ(level, 1.0);
}

} // namespace
} // namespace camtrove::media
