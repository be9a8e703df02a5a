#include "media/core/filter_catalogue.h"
#include "media/core/filter_graph.h"
#include "media/core/guids.h"
#include "media/devices/test_camcorder.h"
#include "media/devices/test_tape_clip.h"
#include "media/stock/null_renderer.h"
#include "media/stock/sample_grabber.h"
#include "platform/registry.h"
#include "support/avi_capture.h"
#include "test_filters.h"

#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace camtrove::media {
namespace {

using testing::PinOf;

// Keeps a copy of every frame that passes, with its times and flags.
class FrameRecorder final : public RefCounted, public ISampleGrabberCB
{
public:
    struct Frame
    {
        std::vector<std::uint8_t> bytes;
        REFERENCE_TIME start = -1;
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
        std::uint8_t* data = nullptr;
        (void)sample->GetPointer(&data);
        Frame frame{{data, data + sample->GetActualDataLength()}, -1, sample->IsDiscontinuity() == S_OK};
        REFERENCE_TIME stop = 0;
        (void)sample->GetTime(&frame.start, &stop);
        {
            std::lock_guard lock(m_mutex);
            m_frames.push_back(std::move(frame));
        }
        m_changed.notify_all();
        return S_OK;
    }
    HRESULT BufferCB(double, std::uint8_t*, std::int32_t) override { return S_OK; }

    bool WaitForCount(std::size_t count)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(10), [&] { return m_frames.size() >= count; });
    }
    std::vector<Frame> Frames()
    {
        std::lock_guard lock(m_mutex);
        return m_frames;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Frame> m_frames;
};

// A clock the test moves by hand.
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
        *time = now.load();
        return S_OK;
    }
    std::atomic<REFERENCE_TIME> now{0};
};

// camcorder → sample grabber → null renderer
struct CamcorderGraph
{
    explicit CamcorderGraph(const TestCamcorderSettings& settings)
        : camcorder(TestCamcorder::Create(settings))
    {
        EXPECT_EQ(grabber->SetCallback(recorder.Get(), SampleGrabberCallSample), S_OK);
        EXPECT_EQ(graph->AddFilter(camcorder.Get(), "Camcorder"), S_OK);
        EXPECT_EQ(graph->AddFilter(grabber.Get(), "Grabber"), S_OK);
        EXPECT_EQ(graph->AddFilter(renderer.Get(), "Renderer"), S_OK);
        EXPECT_EQ(
            graph->ConnectDirect(PinOf(camcorder.Get(), 0).Get(), PinOf(grabber.Get(), 0).Get(), nullptr),
            S_OK);
        EXPECT_EQ(
            graph->ConnectDirect(PinOf(grabber.Get(), 1).Get(), PinOf(renderer.Get(), 0).Get(), nullptr),
            S_OK);
    }
    ~CamcorderGraph() { (void)graph->Stop(); }

    // Waits for the end of the stream.
    bool WaitForComplete()
    {
        for (;;) {
            std::int32_t code = 0;
            LONG_PTR p1 = 0, p2 = 0;
            if (graph->GetEvent(&code, &p1, &p2, 20000) != S_OK)
                return false;
            if (code == EC_COMPLETE)
                return true;
            if (code == EC_ERRORABORT)
                return false;
        }
    }

    ComPtr<FilterGraph> graph = FilterGraph::Create();
    ComPtr<TestCamcorder> camcorder;
    ComPtr<SampleGrabber> grabber = SampleGrabber::Create();
    ComPtr<NullRenderer> renderer = NullRenderer::Create();
    ComPtr<FrameRecorder> recorder{new FrameRecorder()};
};

TestCamcorderSettings Unclocked(int frames, TapeSystem system = TapeSystem::Pal)
{
    TestCamcorderSettings settings;
    settings.clocked = false;
    settings.syntheticSystem = system;
    settings.syntheticFrames = frames;
    return settings;
}

TEST(TestCamcorder, PlaysTheWholeSyntheticTapeUnclockedAndEndsTheStream)
{
    constexpr int kFrames = 250;
    CamcorderGraph g(Unclocked(kFrames, TapeSystem::Ntsc));
    ASSERT_EQ(g.camcorder->put_Mode(ED_MODE_PLAY), S_OK);
    ASSERT_EQ(g.graph->Run(), S_OK);
    ASSERT_TRUE(g.WaitForComplete());
    const auto frames = g.recorder->Frames();
    ASSERT_EQ(frames.size(), std::size_t{kFrames});

    TestTape tape(TapeSystem::Ntsc);
    std::vector<std::uint8_t> expected;
    for (int i = 0; i < kFrames; ++i) {
        ASSERT_FALSE(tape.RenderFrame(i, expected));
        ASSERT_EQ(frames[i].bytes, expected) << "frame " << i << ", packs included";
        EXPECT_EQ(frames[i].start, REFERENCE_TIME{i} * 333667) << "frame " << i;
        EXPECT_EQ(frames[i].discontinuity, i == 0) << "frame " << i;
    }

    std::int32_t mode = 0, delivered = 0, dropped = -1;
    EXPECT_EQ(g.camcorder->get_Mode(&mode), S_OK);
    EXPECT_EQ(mode, ED_MODE_STOP) << "the end of the tape stops the transport";
    EXPECT_EQ(g.camcorder->GetNumNotDropped(&delivered), S_OK);
    EXPECT_EQ(g.camcorder->GetNumDropped(&dropped), S_OK);
    EXPECT_EQ(delivered, kFrames);
    EXPECT_EQ(dropped, 0);
}

TEST(TestCamcorder, CapturesItsTapeIntoADvType1AviThatLibavformatReadsWhole)
{
    // Nine seconds of PAL tape, up to the scene whose sound turns 32 kHz.
    constexpr int kFrames = 225;
    QTemporaryDir dir;
    const QString path = dir.filePath("type1.avi");
    testsupport::AviCaptureGraph capture(path);
    const auto camcorder = TestCamcorder::Create(Unclocked(kFrames));
    ASSERT_EQ(capture.graph->AddFilter(camcorder.Get(), "DV Source"), S_OK);
    ASSERT_EQ(capture.graph->ConnectDirect(camcorder->GetPin(0), capture.mux->GetPin(1), nullptr), S_OK);
    ASSERT_EQ(camcorder->put_Mode(ED_MODE_PLAY), S_OK);
    const auto events = capture.RunToEnd();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front().first, EC_COMPLETE);

    const auto streams = testsupport::ReadWithLibav(path.toStdString());
    ASSERT_EQ(streams.size(), 2u);
    ASSERT_EQ(streams[0].codec, AV_CODEC_ID_DVVIDEO);
    ASSERT_EQ(streams[0].packets.size(), std::size_t{kFrames});
    TestTape tape(TapeSystem::Pal);
    std::vector<std::uint8_t> expected;
    for (int i = 0; i < kFrames; i += 7) {
        ASSERT_FALSE(tape.RenderFrame(i, expected));
        ASSERT_EQ(streams[0].packets[static_cast<std::size_t>(i)], expected) << "frame " << i;
    }
    EXPECT_EQ(streams[1].codec, AV_CODEC_ID_PCM_S16LE);
    EXPECT_EQ(streams[1].sampleRate, 48000);
    EXPECT_EQ(streams[1].bytes, 9u * 48000 * 2 * 2) << "nine seconds of 48 kHz stereo";
}

TEST(TestCamcorder, GivesNothingStoppedAndRepeatsTheFrameFrozen)
{
    CamcorderGraph g(Unclocked(50));
    ASSERT_EQ(g.graph->Run(), S_OK);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(g.recorder->Frames().empty()) << "a stopped deck gives no frames";

    ASSERT_EQ(g.camcorder->put_Mode(ED_MODE_FREEZE), S_OK);
    ASSERT_TRUE(g.recorder->WaitForCount(3));
    ASSERT_EQ(g.camcorder->put_Mode(ED_MODE_STOP), S_OK);
    const auto frames = g.recorder->Frames();
    EXPECT_EQ(frames[0].bytes, frames[1].bytes);
    EXPECT_EQ(frames[1].bytes, frames[2].bytes);
    EXPECT_LT(frames[0].start, frames[1].start) << "a still picture still moves on in time";
}

TEST(TestCamcorder, FollowsTheGraphClockAndCountsLateFramesAsDropped)
{
    TestCamcorderSettings settings = Unclocked(100);
    settings.clocked = true;
    CamcorderGraph g(settings);
    ComPtr<ManualClock> clock(new ManualClock());
    ASSERT_EQ(g.camcorder->SetSyncSource(clock.Get()), S_OK);
    ASSERT_EQ(g.camcorder->put_Mode(ED_MODE_PLAY), S_OK);
    ASSERT_EQ(g.graph->Run(), S_OK);
    const REFERENCE_TIME start = g.camcorder->StartTime();
    clock->now = start - 1;
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_TRUE(g.recorder->Frames().empty()) << "nothing before the first frame is due";

    for (int i = 1; i <= 3; ++i) {
        clock->now = start + (i - 1) * 400000;
        ASSERT_TRUE(g.recorder->WaitForCount(static_cast<std::size_t>(i)));
    }
    // The clock leaps five periods ahead: the frames of the periods gone by are lost.
    clock->now = start + 8 * 400000;
    ASSERT_TRUE(g.recorder->WaitForCount(4));
    std::int32_t dropped = 0;
    EXPECT_EQ(g.camcorder->GetNumDropped(&dropped), S_OK);
    EXPECT_EQ(dropped, 5);
    const auto frames = g.recorder->Frames();
    EXPECT_EQ(frames[3].start, 8 * 400000);
    EXPECT_TRUE(frames[3].discontinuity);
    EXPECT_EQ(g.camcorder->Transport().Position(), 4) << "the tape itself moved one frame a period given";
}

TEST(TestCamcorder, ReadsTheTimecodeOfARawDvFileTape)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("tape.dv");
    ASSERT_FALSE(WriteTestTapeClip(path, TapeSystem::Pal, 30));
    TestCamcorderSettings settings;
    settings.tapeFile = path;
    const auto camcorder = TestCamcorder::Create(settings);
    EXPECT_TRUE(camcorder->TapeError().isEmpty());
    EXPECT_EQ(camcorder->Transport().FrameCount(), 30);

    ASSERT_TRUE(camcorder->Transport().SetMode(ED_MODE_PLAY));
    for (int i = 0; i < 27; ++i)
        (void)camcorder->Transport().Tick();
    TIMECODE_SAMPLE timecode;
    timecode.dwFlags = ED_DEVCAP_TIMECODE_READ;
    ASSERT_EQ(camcorder->GetTimecode(&timecode), S_OK);
    EXPECT_EQ(timecode.dwFrames, 0x00000102u) << "frame 27 of a 25-frame tape is 0:00:01:02";
}

TEST(TestCamcorder, TimecodeIsTwoBcdDigitsAByteHoursHigh)
{
    EXPECT_EQ(TimecodeToBcd({1, 2, 34, 12}), 0x01023412u);
    EXPECT_EQ(TimecodeToBcd({0, 0, 0, 0}), 0u);
    EXPECT_EQ(TimecodeToBcd({23, 59, 59, 29}), 0x23595929u);
}

TEST(TestCamcorder, AnUnreadableTapeFileLeavesTheSyntheticTapeAndSaysWhy)
{
    QTemporaryDir dir;
    QFile half(dir.filePath("half.dv"));
    ASSERT_TRUE(half.open(QIODevice::WriteOnly));
    half.write(QByteArray(1000, '\x1f'));
    half.close();
    for (const QString& file : {dir.filePath("missing.dv"), half.fileName(), dir.path()}) {
        TestCamcorderSettings settings;
        settings.tapeFile = file;
        settings.syntheticFrames = 40;
        const auto camcorder = TestCamcorder::Create(settings);
        EXPECT_FALSE(camcorder->TapeError().isEmpty()) << file.toStdString();
        EXPECT_EQ(camcorder->Transport().FrameCount(), 40) << file.toStdString();
    }
}

TEST(TestCamcorder, IsADvDeckOrACameraWithItsCapturePinAndType)
{
    const auto deck = TestCamcorder::Create(Unclocked(10));
    std::int32_t type = 0;
    ASSERT_EQ(deck->GetCapability(ED_DEVCAP_DEVICE_TYPE, &type, nullptr), S_OK);
    EXPECT_EQ(type, 4104);
    EXPECT_EQ(deck->put_Mode(ED_MODE_RECORD), E_INVALIDARG);

    const AM_MEDIA_TYPE& dv = deck->OutputType();
    EXPECT_EQ(dv.majortype, MEDIATYPE_Interleaved);
    EXPECT_EQ(dv.subtype, MEDIASUBTYPE_dvsd);
    EXPECT_EQ(dv.formattype, FORMAT_DvInfo);
    EXPECT_EQ(dv.lSampleSize, 144000u);
    const DVINFO* info = dv.FormatAs<DVINFO>();
    ASSERT_NE(info, nullptr);
    // The first frame's packs, as the synthetic tape stamps them: 48 kHz locked audio, copy free.
    EXPECT_EQ(info->dwDVAAuxSrc & 0xFF, 0x40u | 24u) << "locked, 1896 + 24 samples in the first PAL frame";
    EXPECT_EQ(info->dwDVAAuxCtl, 0xFFA0CF03u);

    ComPtr<IKsPropertySet> properties;
    ASSERT_EQ(PinOf(deck.Get(), 0)->QueryInterface(IID_IKsPropertySet, properties.AsOut()), S_OK);
    GUID category{};
    std::uint32_t returned = 0;
    ASSERT_EQ(
        properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, &category, sizeof category, &returned),
        S_OK);
    EXPECT_EQ(category, PIN_CATEGORY_CAPTURE);

    TestCamcorderSettings cameraSettings = Unclocked(10);
    cameraSettings.camera = true;
    const auto camera = TestCamcorder::Create(cameraSettings);
    ASSERT_EQ(camera->GetCapability(ED_DEVCAP_DEVICE_TYPE, &type, nullptr), S_OK);
    EXPECT_EQ(type, 4996);
    EXPECT_EQ(camera->put_Mode(ED_MODE_PLAY), S_OK);
    std::int32_t mode = 0;
    EXPECT_EQ(camera->get_Mode(&mode), S_OK);
    EXPECT_EQ(mode, ED_MODE_STOP) << "a camera has no tape to move";
    TIMECODE_SAMPLE timecode;
    EXPECT_EQ(camera->GetTimecode(&timecode), E_FAIL);
}

TEST(TestCamcorder, CameraModeRecordsLivePicturesDatedNow)
{
    TestCamcorderSettings settings = Unclocked(10);
    settings.camera = true;
    CamcorderGraph g(settings);
    const int thisYear = QDate::currentDate().year(); // before the streaming thread reads the clock too
    ASSERT_EQ(g.graph->Run(), S_OK);
    ASSERT_TRUE(g.recorder->WaitForCount(2));
    const auto frame = g.recorder->Frames()[0].bytes;
    // The recording date pack of the main VAUX area: year in its last byte.
    const std::uint8_t* pack = frame.data() + 458;
    ASSERT_EQ(pack[0], 0x62);
    const int year = (pack[4] >> 4) * 10 + (pack[4] & 0x0F);
    EXPECT_EQ(2000 + year, thisYear);
}

TEST(TestCamcorder, IsRegisteredAndKeepsItsSettings)
{
    const auto registration = FilterCatalogue::BuiltIn().Find(CLSID_TestCamcorder);
    ASSERT_TRUE(registration);
    EXPECT_EQ(registration->merit, MERIT_DO_NOT_USE) << "a device, never a converter";
    EXPECT_EQ(registration->name, "Camtrove Test Camcorder");

    QTemporaryDir dir;
    platform::Registry registry(dir.path());
    TestCamcorderSettings settings;
    settings.tapeFile = "/tapes/holiday.dv";
    settings.camera = true;
    settings.clocked = false;
    settings.syntheticSystem = TapeSystem::Ntsc;
    settings.syntheticFrames = 1234;
    ASSERT_TRUE(SaveTestCamcorderSettings(registry, settings));
    platform::Registry again(dir.path());
    const TestCamcorderSettings read = LoadTestCamcorderSettings(again);
    EXPECT_EQ(read.tapeFile, settings.tapeFile);
    EXPECT_TRUE(read.camera);
    EXPECT_FALSE(read.clocked);
    EXPECT_EQ(read.syntheticSystem, TapeSystem::Ntsc);
    EXPECT_EQ(read.syntheticFrames, 1234);

    platform::Registry empty(dir.filePath("none"));
    const TestCamcorderSettings defaults = LoadTestCamcorderSettings(empty);
    EXPECT_TRUE(defaults.tapeFile.isEmpty());
    EXPECT_TRUE(defaults.clocked);
}

} // namespace
} // namespace camtrove::media
