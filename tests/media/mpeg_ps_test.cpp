#include "media/codecs/libav_handles.h"
#include "media/codecs/mpeg1_audio_encoder.h"
#include "media/codecs/mpeg1_audio_type.h"
#include "media/codecs/mpeg_ps_mux.h"
#include "media/core/filter_catalogue.h"
#include "media/core/system_device_enum.h"
#include "media/devices/test_device_source.h"
#include "media/devices/test_mpeg_camera.h"
#include "platform/registry.h"
#include "support/avi_capture.h"
#include "test_filters.h"

#include <QDir>
#include <QTemporaryDir>

#include <chrono>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <thread>

namespace camtrove::media {
namespace {

using testing::PinOf;
using testing::TestClock;
using testsupport::BufferSource;
using testsupport::FullingSinkFile;

constexpr int kToneRate = 48000;
constexpr REFERENCE_TIME kToneBuffer = 400'000; // 40 ms

// Stereo 16-bit PCM of a 1 kHz tone, cut into 40 ms buffers.
std::vector<std::vector<std::uint8_t>> ToneBuffers(int count)
{
    constexpr int frames = kToneRate / 25;
    std::vector<std::vector<std::uint8_t>> buffers;
    for (int b = 0; b < count; ++b) {
        std::vector<std::int16_t> pcm(static_cast<std::size_t>(frames) * 2);
        for (int i = 0; i < frames; ++i) {
            const double t = static_cast<double>(b * frames + i) / kToneRate;
            const auto v = static_cast<std::int16_t>(8000.0 * std::sin(2.0 * std::numbers::pi * 1000.0 * t));
            pcm[2 * static_cast<std::size_t>(i)] = pcm[2 * static_cast<std::size_t>(i) + 1] = v;
        }
        auto* bytes = reinterpret_cast<const std::uint8_t*>(pcm.data());
        buffers.emplace_back(bytes, bytes + pcm.size() * sizeof(std::int16_t));
    }
    return buffers;
}

template <class Predicate> bool WaitUntil(Predicate done)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

std::int32_t FramesTaken(TestMpegCamera* camera)
{
    std::int32_t frames = 0;
    (void)QueryAs<IAMDroppedFrames>(camera->GetPin(0))->GetNumNotDropped(&frames);
    return frames;
}

// The test MPEG camera and a tone through the MPEG-1 audio encoder into the program stream
// multiplexer and a File Writer, on a clock the test moves one frame at a time.
struct MpegCaptureGraph
{
    ComPtr<FilterGraph> graph = FilterGraph::Create(nullptr);
    ComPtr<TestClock> clock = MakeCom<TestClock>();
    ComPtr<TestMpegCamera> camera = TestMpegCamera::Create();
    ComPtr<BufferSource> tone;
    ComPtr<Mpeg1AudioEncoder> encoder = Mpeg1AudioEncoder::Create();
    ComPtr<MpegPsMux> mux = MpegPsMux::Create();
    ComPtr<FileWriter> writer;

    MpegCaptureGraph(const AM_MEDIA_TYPE& videoFormat, int toneBuffers, const QString& fileName,
                     std::unique_ptr<SinkFile> file = MakeLocalSinkFile())
        : tone(new BufferSource(MakePcmAudioType(kToneRate, 16, 2), ToneBuffers(toneBuffers), kToneBuffer)),
          writer(FileWriter::Create(std::move(file)))
    {
        for (auto [filter, name] :
             std::initializer_list<std::pair<TBCBaseFilter*, const char*>>{{camera.Get(), "Camera"},
                                                                           {tone.Get(), "Tone"},
                                                                           {encoder.Get(), "Encoder"},
                                                                           {mux.Get(), "Mux"},
                                                                           {writer.Get(), "Writer"}})
            EXPECT_EQ(graph->AddFilter(filter, name), S_OK);
        EXPECT_EQ(graph->SetSyncSource(clock.Get()), S_OK);
        EXPECT_EQ(QueryAs<IAMStreamConfig>(camera->GetPin(0))->SetFormat(videoFormat), S_OK);
        EXPECT_EQ(graph->ConnectDirect(PinOf(camera.Get(), 0).Get(), PinOf(mux.Get(), 0).Get(), nullptr),
                  S_OK);
        EXPECT_EQ(graph->ConnectDirect(PinOf(tone.Get(), 0).Get(), PinOf(encoder.Get(), 0).Get(), nullptr),
                  S_OK);
        EXPECT_EQ(graph->ConnectDirect(PinOf(encoder.Get(), 1).Get(), PinOf(mux.Get(), 1).Get(), nullptr),
                  S_OK);
        EXPECT_EQ(graph->ConnectDirect(PinOf(mux.Get(), 2).Get(), PinOf(writer.Get(), 0).Get(), nullptr),
                  S_OK);
        EXPECT_EQ(writer->SetFileName(fileName, nullptr), S_OK);
    }
    ~MpegCaptureGraph() { (void)graph->Stop(); }

    // Runs until the camera has taken `frames` pictures, moving the clock one frame at a
    // time so that none is dropped, then stops.
    [[nodiscard]] bool Capture(std::int32_t frames)
    {
        // The first picture is due as the run starts.
        if (graph->Run() != S_OK || !WaitUntil([&] { return FramesTaken(camera.Get()) > 0; }))
            return false;
        while (FramesTaken(camera.Get()) < frames) {
            const std::int32_t before = FramesTaken(camera.Get());
            clock->Advance(400'000);
            if (!WaitUntil([&] { return FramesTaken(camera.Get()) > before; }))
                return false;
        }
        return graph->Stop() == S_OK;
    }
};

struct DecodedStream
{
    AVCodecID codec = AV_CODEC_ID_NONE;
    int width = 0, height = 0;
    AVRational frameRate{0, 1};
    int sampleRate = 0, channels = 0;
    int frames = 0;           // pictures, or audio frames
    std::int64_t samples = 0; // audio samples per channel
    int decodeErrors = 0;
    std::int64_t firstPts = AV_NOPTS_VALUE, lastPts = AV_NOPTS_VALUE, lastDuration = 0;
    [[nodiscard]] double Seconds(AVRational timeBase) const
    {
        return static_cast<double>(lastPts + lastDuration - firstPts) * av_q2d(timeBase);
    }
};

struct DecodedFile
{
    std::string format;
    std::vector<DecodedStream> streams;
    AVRational timeBase{1, 90'000};
};

// Opens the file with libavformat and decodes every packet of every stream with libavcodec.
DecodedFile DecodeFile(const std::string& path)
{
    DecodedFile file;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0)
        return file;
    std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> context(
        raw, [](AVFormatContext* c) { avformat_close_input(&c); });
    if (avformat_find_stream_info(context.get(), nullptr) < 0)
        return file;
    file.format = context->iformat->name;
    std::vector<CodecContextPtr> decoders;
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        const AVStream* st = context->streams[i];
        DecodedStream& d = file.streams.emplace_back();
        d.codec = st->codecpar->codec_id;
        d.width = st->codecpar->width;
        d.height = st->codecpar->height;
        d.frameRate = st->avg_frame_rate;
        d.sampleRate = st->codecpar->sample_rate;
        d.channels = st->codecpar->ch_layout.nb_channels;
        file.timeBase = st->time_base;
        const AVCodec* codec = avcodec_find_decoder(d.codec);
        CodecContextPtr decoder(codec ? avcodec_alloc_context3(codec) : nullptr);
        if (decoder && (avcodec_parameters_to_context(decoder.get(), st->codecpar) < 0 ||
                        avcodec_open2(decoder.get(), codec, nullptr) < 0))
            decoder.reset();
        decoders.push_back(std::move(decoder));
    }
    PacketPtr packet(av_packet_alloc());
    FramePtr frame(av_frame_alloc());
    const auto drain = [&](std::size_t index) {
        DecodedStream& d = file.streams[index];
        while (avcodec_receive_frame(decoders[index].get(), frame.get()) >= 0) {
            ++d.frames;
            d.samples += frame->nb_samples;
            if (d.width && (frame->width != d.width || frame->height != d.height))
                ++d.decodeErrors;
            av_frame_unref(frame.get());
        }
    };
    while (av_read_frame(context.get(), packet.get()) >= 0) {
        const auto index = static_cast<std::size_t>(packet->stream_index);
        DecodedStream& d = file.streams[index];
        if (d.firstPts == AV_NOPTS_VALUE)
            d.firstPts = packet->pts;
        d.lastPts = packet->pts;
        d.lastDuration = packet->duration;
        if (!decoders[index] || avcodec_send_packet(decoders[index].get(), packet.get()) < 0)
            ++d.decodeErrors;
        else
            drain(index);
        av_packet_unref(packet.get());
    }
    for (std::size_t i = 0; i < decoders.size(); ++i)
        if (decoders[i] && avcodec_send_packet(decoders[i].get(), nullptr) >= 0)
            drain(i);
    return file;
}

struct CaptureCase
{
    const char* name;
    std::size_t format; // in TestMpegCameraFormats
    AVCodecID codec;
    int width, height;
    int heldBack; // pictures the encoder still holds when the capture stops
};

class MpegProgramStreamCapture : public ::testing::TestWithParam<CaptureCase>
{
};

TEST_P(MpegProgramStreamCapture, WritesAProgramStreamThatDecodesFrameByFrame)
{
    const CaptureCase& c = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = QDir(dir.path()).filePath("capture.mpg");
    constexpr int kFrames = 50;      // two seconds of pictures
    constexpr int kToneBuffers = 50; // and of sound
    {
        MpegCaptureGraph g(TestMpegCameraFormats()[c.format], kToneBuffers, path);
        ASSERT_TRUE(g.Capture(kFrames));
        std::int32_t dropped = -1;
        ASSERT_EQ(QueryAs<IAMDroppedFrames>(g.camera->GetPin(0))->GetNumDropped(&dropped), S_OK);
        EXPECT_EQ(dropped, 0);
        std::int32_t code = 0;
        LONG_PTR p1 = 0, p2 = 0;
        while (g.graph->GetEvent(&code, &p1, &p2, 0) == S_OK)
            EXPECT_NE(code, EC_ERRORABORT) << "error " << std::hex << p1;
    }

    const DecodedFile file = DecodeFile(path.toStdString());
    EXPECT_EQ(file.format, "mpeg") << "libavformat reads it as an MPEG program stream";
    ASSERT_EQ(file.streams.size(), 2u);
    const auto video = std::find_if(file.streams.begin(), file.streams.end(),
                                    [](const DecodedStream& s) { return s.width > 0; });
    const auto audio = std::find_if(file.streams.begin(), file.streams.end(),
                                    [](const DecodedStream& s) { return s.sampleRate > 0; });
    ASSERT_NE(video, file.streams.end());
    ASSERT_NE(audio, file.streams.end());

    EXPECT_EQ(video->codec, c.codec);
    EXPECT_EQ(video->width, c.width);
    EXPECT_EQ(video->height, c.height);
    EXPECT_EQ(av_cmp_q(video->frameRate, AVRational{25, 1}), 0)
        << video->frameRate.num << "/" << video->frameRate.den;
    EXPECT_EQ(video->frames, kFrames - c.heldBack) << "every picture decodes";
    EXPECT_EQ(video->decodeErrors, 0);
    EXPECT_NEAR(video->Seconds(file.timeBase), 2.0, 0.081);

    EXPECT_EQ(audio->codec, AV_CODEC_ID_MP2);
    EXPECT_EQ(audio->sampleRate, kToneRate);
    EXPECT_EQ(audio->channels, 2);
    EXPECT_EQ(audio->decodeErrors, 0);
    // Two seconds of tone is 83 whole frames of 1152 samples and a last one padded with silence.
    EXPECT_EQ(audio->frames, 84);
    EXPECT_EQ(audio->samples, 84 * 1152);
    EXPECT_NEAR(audio->Seconds(file.timeBase), 2.0, 0.081);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, MpegProgramStreamCapture,
    ::testing::Values(CaptureCase{"Mpeg2", 0, AV_CODEC_ID_MPEG2VIDEO, 720, 576, 0},
                      CaptureCase{"Mpeg2WithThePictureSizeAsAspect", 2, AV_CODEC_ID_MPEG2VIDEO, 720, 576, 0},
                      CaptureCase{"Mpeg1", 3, AV_CODEC_ID_MPEG1VIDEO, 352, 288, 1}),
    [](const ::testing::TestParamInfo<CaptureCase>& info) { return std::string(info.param.name); });

TEST(MpegProgramStreamMux, AFullDiskAbortsTheCaptureWithTheError)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = QDir(dir.path()).filePath("full.mpg");
    MpegCaptureGraph g(TestMpegCameraFormats()[0], 50, path, std::make_unique<FullingSinkFile>(100'000));
    ASSERT_EQ(g.graph->Run(), S_OK);
    bool aborted = false;
    LONG_PTR error = 0;
    for (int step = 0; step < 100 && !aborted; ++step) {
        g.clock->Advance(400'000);
        std::int32_t code = 0;
        LONG_PTR p1 = 0, p2 = 0;
        while (g.graph->GetEvent(&code, &p1, &p2, 40) == S_OK)
            if (code == EC_ERRORABORT) {
                aborted = true;
                error = p1;
            }
    }
    (void)g.graph->Stop();
    EXPECT_TRUE(aborted);
    EXPECT_EQ(static_cast<HRESULT>(error), E_DISK_FULL);
}

std::vector<QString> MatchingFilters(const REGPINTYPES& input, const REGPINTYPES& output)
{
    auto mapper = FilterMapper::Create();
    ComPtr<IEnumMoniker> found;
    EXPECT_EQ(mapper->EnumMatchingFilters(&found, true, 0, true, input, true, output), S_OK);
    std::vector<QString> classes;
    ComPtr<IMoniker> moniker;
    while (found && found->Next(&moniker) == S_OK) {
        ComPtr<IPropertyBag> bag;
        QString clsid;
        if (Succeeded(moniker->BindToStorage(IID_IPropertyBag, bag.AsOut())) &&
            Succeeded(bag->Read("CLSID", &clsid)))
            classes.push_back(clsid);
    }
    return classes;
}

bool Contains(const std::vector<QString>& classes, const GUID& clsid)
{
    return std::find(classes.begin(), classes.end(), GuidToString(clsid)) != classes.end();
}

TEST(MpegProgramStreamMux, TheMapperFindsTheEncoderAndTheMultiplexerWithTheChainsSearchTerms)
{
    EXPECT_TRUE(
        Contains(MatchingFilters({MEDIATYPE_Audio, GUID_NULL}, {MEDIATYPE_Audio, MEDIASUBTYPE_MPEG1Audio}),
                 CLSID_Mpeg1AudioEncoder));
    for (const GUID& native : {MEDIASUBTYPE_MPEG2_VIDEO, MEDIASUBTYPE_MPEG1Payload})
        EXPECT_TRUE(Contains(MatchingFilters({MEDIATYPE_Video, native}, {MEDIATYPE_Stream, GUID_NULL}),
                             CLSID_MpegPsMux));
    EXPECT_FALSE(
        Contains(MatchingFilters({MEDIATYPE_Interleaved, MEDIASUBTYPE_dvsd}, {MEDIATYPE_Stream, GUID_NULL}),
                 CLSID_MpegPsMux));
    // Neither is a converter that Connect could slip between two pins.
    EXPECT_FALSE(Contains(MatchingFilters({MEDIATYPE_Audio, GUID_NULL}, {MEDIATYPE_Audio, MEDIASUBTYPE_PCM}),
                          CLSID_Mpeg1AudioEncoder));
    for (const auto& converter : FilterCatalogue::BuiltIn().ConvertersFor({MakePcmAudioType(48000, 16, 2)}))
        EXPECT_NE(converter.clsid, CLSID_Mpeg1AudioEncoder);
}

TEST(MpegProgramStreamMux, EachInputTakesOnlyItsKindOfStream)
{
    auto mux = MpegPsMux::Create();
    const auto mp2 = MakeMpeg1AudioType({2, 48000, 2, 192'000});
    const auto& mpeg2 = TestMpegCameraFormats()[0];
    const auto& mpeg1 = TestMpegCameraFormats()[3];
    auto shortBlock = mpeg2;
    shortBlock.format.resize(100);
    struct Case
    {
        const char* what;
        int pin;
        AM_MEDIA_TYPE type;
        bool accepted;
    };
    const Case cases[] = {
        {"MPEG-2 video on the video input", 0, mpeg2, true},
        {"MPEG-1 video on the video input", 0, mpeg1, true},
        {"MPEG-1 audio on the audio input", 1, mp2, true},
        {"audio on the video input", 0, mp2, false},
        {"video on the audio input", 1, mpeg2, false},
        {"PCM on the audio input", 1, MakePcmAudioType(48000, 16, 2), false},
        {"uncompressed video", 0, MakeVideoType(MEDIASUBTYPE_YUY2, 720, 576, 400'000), false},
        {"an MPEG-2 format block cut short", 0, shortBlock, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(mux->GetPin(c.pin)->QueryAccept(c.type) == S_OK, c.accepted) << c.what;
}

TEST(Mpeg1AudioEncoder, TakesSixteenBitPcmAtTheMpeg1RatesOnly)
{
    auto encoder = Mpeg1AudioEncoder::Create();
    struct Case
    {
        AM_MEDIA_TYPE type;
        bool accepted;
    };
    const Case cases[] = {
        {MakePcmAudioType(48000, 16, 2), true}, {MakePcmAudioType(44100, 16, 2), true},
        {MakePcmAudioType(32000, 16, 1), true}, {MakePcmAudioType(22050, 16, 2), false},
        {MakePcmAudioType(48000, 8, 2), false},
    };
    for (const Case& c : cases) {
        const auto* wave = c.type.FormatAs<WAVEFORMATEX>();
        EXPECT_EQ(encoder->CheckInputType(c.type) == S_OK, c.accepted)
            << wave->nSamplesPerSec << " Hz, " << wave->wBitsPerSample << " bits, " << wave->nChannels;
    }
}

// Reads a big-endian bit field of the sequence header.
unsigned Bits(const std::uint8_t* data, int first, int count)
{
    unsigned value = 0;
    for (int i = first; i < first + count; ++i)
        value = value << 1 | ((data[i / 8] >> (7 - i % 8)) & 1u);
    return value;
}

TEST(TestMpegCamera, OffersMpeg2AndMpeg1FormatBlocksWithTheirSequenceHeaders)
{
    auto camera = TestMpegCamera::Create();
    auto config = QueryAs<IAMStreamConfig>(camera->GetPin(0));
    ASSERT_TRUE(config);
    std::int32_t count = 0, size = 0;
    ASSERT_EQ(config->GetNumberOfCapabilities(&count, &size), S_OK);
    ASSERT_EQ(count, 4);

    struct Expected
    {
        GUID subtype, formattype;
        std::int32_t width, height;
        std::uint32_t aspectX, aspectY; // MPEG-2 only
    };
    const Expected expected[] = {
        {MEDIASUBTYPE_MPEG2_VIDEO, FORMAT_MPEG2Video, 720, 576, 4, 3},
        {MEDIASUBTYPE_MPEG2_VIDEO, FORMAT_MPEG2Video, 720, 576, 16, 9},
        {MEDIASUBTYPE_MPEG2_VIDEO, FORMAT_MPEG2Video, 720, 576, 720, 576},
        {MEDIASUBTYPE_MPEG1Payload, FORMAT_MPEGVideo, 352, 288, 0, 0},
    };
    for (std::int32_t i = 0; i < count; ++i) {
        SCOPED_TRACE(i);
        AM_MEDIA_TYPE type;
        ASSERT_EQ(config->GetStreamCaps(i, &type), S_OK);
        const Expected& e = expected[i];
        EXPECT_EQ(type.majortype, MEDIATYPE_Video);
        EXPECT_EQ(type.subtype, e.subtype);
        EXPECT_EQ(type.formattype, e.formattype);
        EXPECT_TRUE(type.bTemporalCompression);
        const bool mpeg2 = e.formattype == FORMAT_MPEG2Video;
        // Byte places of the published blocks: the bitmap header after VIDEOINFOHEADER2's 72 bytes
        // or VIDEOINFOHEADER's 48, the sequence header after 132 or 96.
        const std::size_t bitmap = mpeg2 ? 72 : 48;
        const std::size_t lengthField = mpeg2 ? 116 : 92;
        const std::size_t sequence = mpeg2 ? 132 : 96;
        const auto u32 = [&](std::size_t at) {
            std::uint32_t v = 0;
            std::memcpy(&v, type.format.data() + at, 4);
            return v;
        };
        ASSERT_GT(type.format.size(), sequence + 8);
        EXPECT_EQ(static_cast<std::int32_t>(u32(bitmap + 4)), e.width);
        EXPECT_EQ(static_cast<std::int32_t>(u32(bitmap + 8)), e.height);
        EXPECT_EQ(u32(40), 400'000u) << "AvgTimePerFrame, low half";
        if (mpeg2) {
            EXPECT_EQ(u32(56), e.aspectX);
            EXPECT_EQ(u32(60), e.aspectY);
        }
        EXPECT_EQ(u32(lengthField), type.format.size() - sequence);
        const std::uint8_t* header = type.format.data() + sequence;
        EXPECT_EQ(Bits(header, 0, 32), 0x000001B3u) << "a sequence header";
        EXPECT_EQ(Bits(header, 32, 12), static_cast<unsigned>(e.width));
        EXPECT_EQ(Bits(header, 44, 12), static_cast<unsigned>(e.height));
        EXPECT_EQ(Bits(header, 60, 4), 3u) << "25 frames a second";
    }
}

TEST(TestMpegCamera, SetFormatChoosesAListedFormatAndRefusesOthers)
{
    auto camera = TestMpegCamera::Create();
    auto config = QueryAs<IAMStreamConfig>(camera->GetPin(0));
    const auto& formats = TestMpegCameraFormats();
    AM_MEDIA_TYPE current;
    ASSERT_EQ(config->GetFormat(&current), S_OK);
    EXPECT_EQ(current, formats[0]);
    ASSERT_EQ(config->SetFormat(formats[3]), S_OK);
    ASSERT_EQ(config->GetFormat(&current), S_OK);
    EXPECT_EQ(current, formats[3]);

    auto otherAspect = formats[0];
    otherAspect.FormatAs<VIDEOINFOHEADER2>()->dwPictAspectRatioX = 5;
    EXPECT_NE(config->SetFormat(otherAspect), S_OK);
    EXPECT_NE(config->SetFormat(MakeVideoType(MEDIASUBTYPE_YUY2, 720, 576, 400'000)), S_OK);
}

std::vector<QString> VideoDeviceNames(const TestDeviceSettings& settings, ComPtr<IMoniker>* last = nullptr)
{
    auto devices = SystemDeviceEnum::Create(
        &FilterCatalogue::BuiltIn(),
        {std::make_shared<TestDeviceSource>(settings, [] { return TestCamcorderSettings{}; })});
    ComPtr<IEnumMoniker> monikers;
    (void)devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0);
    std::vector<QString> names;
    ComPtr<IMoniker> moniker;
    while (monikers && monikers->Next(&moniker) == S_OK) {
        ComPtr<IPropertyBag> bag;
        QString name;
        if (Succeeded(moniker->BindToStorage(IID_IPropertyBag, bag.AsOut())))
            (void)bag->Read("FriendlyName", &name);
        names.push_back(name);
        if (last)
            *last = moniker;
    }
    return names;
}

TEST(TestMpegCamera, IsListedAfterTheTestCameraOnlyWhenItsSettingIsOn)
{
    EXPECT_EQ(VideoDeviceNames({}),
              (std::vector<QString>{"Camtrove Test Camcorder", "Camtrove Test Camera"}));
    ComPtr<IMoniker> last;
    EXPECT_EQ(VideoDeviceNames({.mpegCamera = true}, &last),
              (std::vector<QString>{"Camtrove Test Camcorder", "Camtrove Test Camera",
                                    "Camtrove Test MPEG Camera"}));
    ComPtr<IBaseFilter> camera;
    ASSERT_EQ(last->BindToObject(IID_IBaseFilter, camera.AsOut()), S_OK);
    GUID clsid;
    ASSERT_EQ(camera->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_TestMpegCamera);

    QTemporaryDir dir;
    platform::Registry registry(dir.path());
    EXPECT_FALSE(LoadTestDeviceSettings(registry).mpegCamera) << "off when nothing is stored";
    ASSERT_TRUE(SaveTestDeviceSettings(registry, {.mpegCamera = true}));
    platform::Registry again(dir.path());
    EXPECT_TRUE(LoadTestDeviceSettings(again).mpegCamera);
}

} // namespace
} // namespace camtrove::media
