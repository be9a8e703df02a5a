#include "media/codecs/asf_writer.h"
#include "media/codecs/wm_profile_catalogue.h"
#include "media/codecs/wm_profile_manager.h"
#include "media/core/capture_graph_builder.h"
#include "media/core/filter_graph.h"
#include "support/avi_capture.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <QDir>
#include <QTemporaryDir>

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace camtrove::media {
namespace {

using testsupport::BufferSource;
using testsupport::FullingSinkFile;

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr REFERENCE_TIME kFrame = 400000; // 25 frames per second
constexpr int kFrames = 30;
constexpr int kSoundRate = 48000;
constexpr int kSoundPerFrame = kSoundRate / 25;
constexpr double kToneHz = 1000.0;

// A picture with nothing symmetric about it, smooth enough to survive scaling and a low bitrate:
// a flipped or shifted picture loses most of its PSNR.
std::vector<std::uint8_t> TopDownPattern()
{
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(kWidth * kHeight * 3));
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            std::uint8_t* p = &rgb[static_cast<std::size_t>((y * kWidth + x) * 3)];
            const bool block = x < kWidth / 2 && y < kHeight / 3;
            p[0] = static_cast<std::uint8_t>(block ? 230 : 255 * x / kWidth); // B
            p[1] = static_cast<std::uint8_t>(255 * y / kHeight);              // G
            p[2] = static_cast<std::uint8_t>(block ? 40 : 200);               // R
        }
    return rgb;
}

std::vector<std::uint8_t> Rgb24Frame()
{
    // The framework's RGB24 is bottom-up: the last row of the picture comes first.
    const auto topDown = TopDownPattern();
    std::vector<std::uint8_t> frame(topDown.size());
    const std::size_t row = kWidth * 3;
    for (int y = 0; y < kHeight; ++y)
        std::copy_n(&topDown[static_cast<std::size_t>(y) * row], row,
                    &frame[static_cast<std::size_t>(kHeight - 1 - y) * row]);
    return frame;
}

std::vector<std::uint8_t> Yuy2Frame()
{
    const auto topDown = TopDownPattern();
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(kWidth * kHeight * 2));
    SwsContext* sws = sws_getContext(kWidth, kHeight, AV_PIX_FMT_BGR24, kWidth, kHeight, AV_PIX_FMT_YUYV422,
                                     SWS_POINT, nullptr, nullptr, nullptr);
    const std::uint8_t* src[1] = {topDown.data()};
    const int srcStride[1] = {kWidth * 3};
    std::uint8_t* dst[1] = {frame.data()};
    const int dstStride[1] = {kWidth * 2};
    sws_scale(sws, src, srcStride, 0, kHeight, dst, dstStride);
    sws_freeContext(sws);
    return frame;
}

// The pattern's luma at the given size, made by libswscale from the top-down picture.
std::vector<std::uint8_t> ExpectedLuma(int width, int height)
{
    const auto topDown = TopDownPattern();
    std::vector<std::uint8_t> luma(static_cast<std::size_t>(width * height));
    std::vector<std::uint8_t> chroma(static_cast<std::size_t>(width * height));
    SwsContext* sws = sws_getContext(kWidth, kHeight, AV_PIX_FMT_BGR24, width, height, AV_PIX_FMT_YUV420P,
                                     SWS_BICUBIC, nullptr, nullptr, nullptr);
    const std::uint8_t* src[1] = {topDown.data()};
    const int srcStride[1] = {kWidth * 3};
    std::uint8_t* dst[3] = {luma.data(), chroma.data(), chroma.data() + chroma.size() / 2};
    const int dstStride[3] = {width, width / 2, width / 2};
    sws_scale(sws, src, srcStride, 0, kHeight, dst, dstStride);
    sws_freeContext(sws);
    return luma;
}

std::vector<std::vector<std::uint8_t>> ToneBuffers(int frames)
{
    std::vector<std::vector<std::uint8_t>> buffers;
    std::int64_t n = 0;
    for (int f = 0; f < frames; ++f) {
        std::vector<std::uint8_t> buffer(static_cast<std::size_t>(kSoundPerFrame * 4));
        for (int i = 0; i < kSoundPerFrame; ++i, ++n) {
            const auto v = static_cast<std::int16_t>(
                12000 * std::sin(2 * std::numbers::pi * kToneHz * static_cast<double>(n) / kSoundRate));
            for (int c = 0; c < 2; ++c) {
                buffer[static_cast<std::size_t>(i * 4 + c * 2)] = static_cast<std::uint8_t>(v & 0xFF);
                buffer[static_cast<std::size_t>(i * 4 + c * 2 + 1)] =
                    static_cast<std::uint8_t>((v >> 8) & 0xFF);
            }
        }
        buffers.push_back(std::move(buffer));
    }
    return buffers;
}

struct Events
{
    bool complete = false;
    bool aborted = false;
    LONG_PTR abortError = 0;
};

// Runs until the writer completes or an error is raised, then stops.
Events RunToEnd(FilterGraph* graph)
{
    Events seen;
    if (Failed(graph->Run()))
        return seen;
    for (;;) {
        std::int32_t code = 0;
        LONG_PTR p1 = 0, p2 = 0;
        if (graph->GetEvent(&code, &p1, &p2, 30000) != S_OK)
            break;
        if (code == EC_COMPLETE)
            seen.complete = true;
        if (code == EC_ERRORABORT) {
            seen.aborted = true;
            seen.abortError = p1;
        }
        if (code == EC_COMPLETE || code == EC_ERRORABORT)
            break;
    }
    (void)graph->Stop();
    std::int32_t code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    while (graph->GetEvent(&code, &p1, &p2, 0) == S_OK) {
        seen.complete = seen.complete || code == EC_COMPLETE;
        seen.aborted = seen.aborted || code == EC_ERRORABORT;
    }
    return seen;
}

// A test graph as the capture chain builds it: the writer from SetOutputFileName, a video and a
// sound source each on its own streaming thread.
struct AsfGraph
{
    ComPtr<FilterGraph> graph = FilterGraph::Create();
    ComPtr<IBaseFilter> writer;
    ComPtr<IFileSinkFilter> sink;
    ComPtr<BufferSource> video;
    ComPtr<BufferSource> audio;

    explicit AsfGraph(const QString& fileName)
    {
        auto builder = CaptureGraphBuilder::Create();
        EXPECT_EQ(builder->SetFiltergraph(graph.Get()), S_OK);
        EXPECT_EQ(builder->SetOutputFileName(MEDIASUBTYPE_Asf, fileName, &writer, &sink), S_OK);
    }
    ~AsfGraph() { (void)graph->Stop(); }

    [[nodiscard]] ComPtr<IConfigAsfWriter> Config() const { return QueryAs<IConfigAsfWriter>(writer); }

    [[nodiscard]] IPin* WriterPin(int index) const
    {
        ComPtr<IEnumPins> pins;
        (void)writer->EnumPins(&pins);
        ComPtr<IPin> pin;
        for (int i = 0; i <= index; ++i)
            if (pins->Next(&pin) != S_OK)
                return nullptr;
        return pin.Get(); // the filter keeps its pins alive
    }

    [[nodiscard]] HRESULT AddVideo(const GUID& subtype, int frames)
    {
        auto type = MakeVideoType(subtype, kWidth, kHeight, kFrame);
        video = ComPtr<BufferSource>(
            new BufferSource(type, {subtype == MEDIASUBTYPE_YUY2 ? Yuy2Frame() : Rgb24Frame()}, kFrame,
                             static_cast<std::size_t>(frames)));
        return graph->AddFilter(video.Get(), QStringLiteral("Camera"));
    }
    [[nodiscard]] HRESULT AddAudio(int frames)
    {
        audio = ComPtr<BufferSource>(
            new BufferSource(MakePcmAudioType(kSoundRate, 16, 2), ToneBuffers(frames), kFrame));
        return graph->AddFilter(audio.Get(), QStringLiteral("Sound"));
    }
};

struct Decoded
{
    AVCodecID videoCodec = AV_CODEC_ID_NONE;
    AVCodecID audioCodec = AV_CODEC_ID_NONE;
    int streams = 0;
    int width = 0, height = 0;
    int sampleRate = 0, channels = 0;
    double duration = 0; // seconds, as the file's header gives it
    int pictures = 0;
    double worstPsnr = 1000;
    std::int64_t sounds = 0; // decoded sample frames
    std::vector<float> left; // the first channel
    [[nodiscard]] double ToneHz() const
    {
        // Away from both ends, where the codec starts and stops.
        const std::size_t margin = static_cast<std::size_t>(sampleRate / 5);
        if (left.size() <= 2 * margin)
            return 0;
        int crossings = 0;
        for (std::size_t i = margin + 1; i < left.size() - margin; ++i)
            crossings += (left[i - 1] < 0) != (left[i] < 0);
        return crossings / 2.0 / (static_cast<double>(left.size() - 2 * margin) / sampleRate);
    }
};

// Reads the file with libavformat and decodes every packet with libavcodec.
Decoded DecodeFile(const QString& path)
{
    Decoded result;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.toStdString().c_str(), nullptr, nullptr) < 0)
        return result;
    std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> format(
        raw, [](AVFormatContext* c) { avformat_close_input(&c); });
    if (avformat_find_stream_info(format.get(), nullptr) < 0)
        return result;
    result.streams = static_cast<int>(format->nb_streams);
    result.duration = static_cast<double>(format->duration) / AV_TIME_BASE;

    using Codec = std::unique_ptr<AVCodecContext, void (*)(AVCodecContext*)>;
    std::vector<Codec> codecs;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVCodecParameters* par = format->streams[i]->codecpar;
        if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
            result.videoCodec = par->codec_id;
            result.width = par->width;
            result.height = par->height;
        } else if (par->codec_type == AVMEDIA_TYPE_AUDIO) {
            result.audioCodec = par->codec_id;
            result.sampleRate = par->sample_rate;
            result.channels = par->ch_layout.nb_channels;
        }
        const AVCodec* decoder = avcodec_find_decoder(par->codec_id);
        Codec codec(avcodec_alloc_context3(decoder), [](AVCodecContext* c) { avcodec_free_context(&c); });
        (void)avcodec_parameters_to_context(codec.get(), par);
        (void)avcodec_open2(codec.get(), decoder, nullptr);
        codecs.push_back(std::move(codec));
    }
    const auto expected = ExpectedLuma(result.width, result.height);
    std::unique_ptr<AVFrame, void (*)(AVFrame*)> frame(av_frame_alloc(),
                                                       [](AVFrame* f) { av_frame_free(&f); });
    const auto take = [&](AVCodecContext* codec) {
        while (avcodec_receive_frame(codec, frame.get()) == 0) {
            if (codec->codec_type == AVMEDIA_TYPE_VIDEO) {
                ++result.pictures;
                double error = 0;
                for (int y = 0; y < frame->height; ++y)
                    for (int x = 0; x < frame->width; ++x) {
                        const double d = frame->data[0][y * frame->linesize[0] + x] -
                                         expected[static_cast<std::size_t>(y * frame->width + x)];
                        error += d * d;
                    }
                const double mse = std::max(error / (frame->width * frame->height), 1e-9);
                result.worstPsnr = std::min(result.worstPsnr, 10 * std::log10(255.0 * 255.0 / mse));
            } else {
                const auto* left = reinterpret_cast<const float*>(frame->data[0]);
                result.left.insert(result.left.end(), left, left + frame->nb_samples);
                result.sounds += frame->nb_samples;
            }
        }
    };
    std::unique_ptr<AVPacket, void (*)(AVPacket*)> packet(av_packet_alloc(),
                                                          [](AVPacket* p) { av_packet_free(&p); });
    while (av_read_frame(format.get(), packet.get()) >= 0) {
        AVCodecContext* codec = codecs[static_cast<std::size_t>(packet->stream_index)].get();
        (void)avcodec_send_packet(codec, packet.get());
        av_packet_unref(packet.get());
        take(codec);
    }
    for (auto& codec : codecs) {
        (void)avcodec_send_packet(codec.get(), nullptr);
        take(codec.get());
    }
    return result;
}

ComPtr<IWMProfile> LoadProfile(const GUID& id)
{
    ComPtr<IWMProfileManager> manager;
    EXPECT_EQ(WMCreateProfileManager(&manager), S_OK);
    ComPtr<IWMProfile> profile;
    EXPECT_EQ(manager->LoadProfileByID(id, &profile), S_OK);
    return profile;
}

ComPtr<IWMProfile> FirstSystemProfile(WMT_VERSION version)
{
    ComPtr<IWMProfileManager> manager;
    EXPECT_EQ(WMCreateProfileManager(&manager), S_OK);
    EXPECT_EQ(QueryAs<IWMProfileManager2>(manager)->SetSystemProfileVersion(version), S_OK);
    ComPtr<IWMProfile> profile;
    EXPECT_EQ(manager->LoadSystemProfile(0, &profile), S_OK);
    return profile;
}

void RemoveAudioStreams(IWMProfile* profile)
{
    std::uint32_t count = 0;
    ASSERT_EQ(profile->GetStreamCount(&count), S_OK);
    for (auto number = static_cast<std::uint16_t>(count); number >= 1; --number) {
        ComPtr<IWMStreamConfig> stream;
        GUID type;
        if (Succeeded(profile->GetStreamByNumber(number, &stream)) &&
            Succeeded(stream->GetStreamType(&type)) && type == WMMEDIATYPE_Audio) {
            ASSERT_EQ(profile->RemoveStreamByNumber(number), S_OK);
        }
    }
}

class AsfWriterTest : public ::testing::Test
{
protected:
    QTemporaryDir m_dir;
    [[nodiscard]] QString PathOf(const QString& name) const { return m_dir.filePath(name); }
};

TEST_F(AsfWriterTest, PinsFollowTheProfileAudioFirst)
{
    AsfGraph g(PathOf(QStringLiteral("pins.wmv")));
    ASSERT_TRUE(g.writer);
    ASSERT_TRUE(g.Config());
    QString file;
    ASSERT_EQ(g.sink->GetCurFile(&file, nullptr), S_OK);
    EXPECT_EQ(file, PathOf(QStringLiteral("pins.wmv")));
    const auto nameOf = [&](int index) {
        PIN_INFO info;
        IPin* pin = g.WriterPin(index);
        return pin && Succeeded(pin->QueryPinInfo(&info)) ? info.achName : QString();
    };
    EXPECT_EQ(nameOf(0), QStringLiteral("Audio Input 01"));
    EXPECT_EQ(nameOf(1), QStringLiteral("Video Input 01"));
    EXPECT_EQ(g.WriterPin(2), nullptr);

    GUID current;
    ASSERT_EQ(g.Config()->ConfigureFilterUsingProfileGuid(WMProfile_V80_384Video), S_OK);
    ASSERT_EQ(g.Config()->GetCurrentProfileGuid(&current), S_OK);
    EXPECT_EQ(current, WMProfile_V80_384Video);
    EXPECT_TRUE(Failed(
        g.Config()->ConfigureFilterUsingProfileGuid(MakeGuid("00000000-1111-2222-3333-444444444444"))));
}

struct Recording
{
    const char* label;
    ComPtr<IWMProfile> (*profile)();
    GUID videoSubtype;
};

class AsfRecording : public AsfWriterTest, public ::testing::WithParamInterface<Recording>
{
};

// A capture writes a file that plays: wmv2 pictures at the profile's size that still show the
// pattern, wmav2 sound at the profile's rate that still holds the tone, and the length captured.
TEST_P(AsfRecording, WritesTheProfilesStreamsThatDecode)
{
    const QString path = PathOf(QStringLiteral("capture.wmv"));
    AsfGraph g(path);
    ASSERT_EQ(g.AddVideo(GetParam().videoSubtype, kFrames), S_OK);
    ASSERT_EQ(g.AddAudio(kFrames), S_OK);
    // As the capture chain does: connect first, then choose the profile.
    ASSERT_EQ(g.graph->ConnectDirect(g.video->GetPin(0), g.WriterPin(1), nullptr), S_OK);
    ASSERT_EQ(g.graph->ConnectDirect(g.audio->GetPin(0), g.WriterPin(0), nullptr), S_OK);
    ComPtr<IWMProfile> profile = GetParam().profile();
    ASSERT_EQ(g.Config()->ConfigureFilterUsingProfile(profile.Get()), S_OK);
    const auto described = DescribeProfile(profile.Get());
    ASSERT_TRUE(described);
    ASSERT_EQ(described->streams.size(), 2u);
    const WmStreamDescription& sound = described->streams[0];
    const WmStreamDescription& picture = described->streams[1];
    ComPtr<IPin> peer;
    ASSERT_EQ(g.WriterPin(0)->ConnectedTo(&peer), S_OK);

    const Events events = RunToEnd(g.graph.Get());
    EXPECT_TRUE(events.complete);
    EXPECT_FALSE(events.aborted);

    const Decoded file = DecodeFile(path);
    ASSERT_EQ(file.streams, 2);
    EXPECT_EQ(file.videoCodec, AV_CODEC_ID_WMV2);
    EXPECT_EQ(file.audioCodec, AV_CODEC_ID_WMAV2);
    EXPECT_EQ(file.width, picture.width);
    EXPECT_EQ(file.height, picture.height);
    EXPECT_EQ(file.sampleRate, static_cast<int>(sound.sampleRate));
    EXPECT_EQ(file.channels, sound.channels);

    const double seconds = kFrames * kFrame / 1e7;
    const double profileFrame = static_cast<double>(picture.frameDuration) / 1e7;
    EXPECT_NEAR(file.duration, seconds, profileFrame);
    // Every slot of the profile's frame rate that a source picture fell in holds one picture.
    EXPECT_NEAR(file.pictures, seconds / std::max(profileFrame, kFrame / 1e7), 1.0);
    EXPECT_GT(file.worstPsnr, 28.0);
    EXPECT_NEAR(static_cast<double>(file.sounds) / sound.sampleRate, seconds, 0.05);
    EXPECT_NEAR(file.ToneHz(), kToneHz, 10.0);
}

INSTANTIATE_TEST_SUITE_P(
    Profiles, AsfRecording,
    ::testing::Values(
        Recording{"Version4First", [] { return FirstSystemProfile(WMT_VER_4_0); }, MEDIASUBTYPE_RGB24},
        Recording{"Version7First", [] { return FirstSystemProfile(WMT_VER_7_0); }, MEDIASUBTYPE_RGB24},
        Recording{"Version8First", [] { return FirstSystemProfile(WMT_VER_8_0); }, MEDIASUBTYPE_RGB24},
        Recording{"High", [] { return LoadProfile(WMProfile_V70_1500Video); }, MEDIASUBTYPE_RGB24},
        Recording{"Medium", [] { return LoadProfile(WMProfile_V80_700PALVideo); }, MEDIASUBTYPE_YUY2},
        Recording{"Low", [] { return LoadProfile(WMProfile_V80_384Video); }, MEDIASUBTYPE_RGB24},
        Recording{"Internet", [] { return LoadProfile(WMProfile_V80_100Video); }, MEDIASUBTYPE_YUY2}),
    [](const auto& info) { return std::string(info.param.label); });

// Without a sound source the chain removes the profile's audio after connecting the video to pin
// 1: the video connection moves to pin 0 and the file holds video alone.
TEST_F(AsfWriterTest, ProfileWithoutAudioKeepsTheVideoConnectionAndWritesVideoOnly)
{
    const QString path = PathOf(QStringLiteral("silent.wmv"));
    AsfGraph g(path);
    ASSERT_EQ(g.AddVideo(MEDIASUBTYPE_RGB24, kFrames), S_OK);
    ASSERT_EQ(g.graph->ConnectDirect(g.video->GetPin(0), g.WriterPin(1), nullptr), S_OK);
    ComPtr<IWMProfile> profile = LoadProfile(WMProfile_V80_700PALVideo);
    RemoveAudioStreams(profile.Get());
    ASSERT_EQ(g.Config()->ConfigureFilterUsingProfile(profile.Get()), S_OK);
    ASSERT_NE(g.WriterPin(0), nullptr);
    EXPECT_EQ(g.WriterPin(1), nullptr);
    ComPtr<IPin> peer;
    ASSERT_EQ(g.WriterPin(0)->ConnectedTo(&peer), S_OK);
    EXPECT_TRUE(IsSameObject(peer.Get(), g.video->GetPin(0)));

    const Events events = RunToEnd(g.graph.Get());
    EXPECT_TRUE(events.complete);
    const Decoded file = DecodeFile(path);
    ASSERT_EQ(file.streams, 1);
    EXPECT_EQ(file.videoCodec, AV_CODEC_ID_WMV2);
    EXPECT_EQ(file.pictures, kFrames);
    EXPECT_GT(file.worstPsnr, 28.0);
}

// A profile without video drops the video pin and with it the connection it had.
TEST_F(AsfWriterTest, ProfileWithoutVideoDisconnectsTheVideoSource)
{
    AsfGraph g(PathOf(QStringLiteral("audio.wma")));
    ASSERT_EQ(g.AddVideo(MEDIASUBTYPE_RGB24, kFrames), S_OK);
    ASSERT_EQ(g.graph->ConnectDirect(g.video->GetPin(0), g.WriterPin(1), nullptr), S_OK);
    ComPtr<IWMProfile> profile = LoadProfile(WMProfile_V80_384Video);
    ASSERT_EQ(profile->RemoveStreamByNumber(2), S_OK);
    ASSERT_EQ(g.Config()->ConfigureFilterUsingProfile(profile.Get()), S_OK);
    ComPtr<IPin> peer;
    EXPECT_EQ(g.video->GetPin(0)->ConnectedTo(&peer), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(g.WriterPin(0)->ConnectedTo(&peer), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(g.WriterPin(1), nullptr);
}

TEST_F(AsfWriterTest, RefusesInputsItCannotEncode)
{
    AsfGraph g(PathOf(QStringLiteral("types.wmv")));
    const struct
    {
        const char* label;
        AM_MEDIA_TYPE type;
        int pin;
    } refused[] = {
        {"video on the audio pin", MakeVideoType(MEDIASUBTYPE_RGB24, kWidth, kHeight, kFrame), 0},
        {"sound on the video pin", MakePcmAudioType(kSoundRate, 16, 2), 1},
        {"24-bit sound", MakePcmAudioType(kSoundRate, 24, 2), 0},
        {"compressed video",
         [] {
             auto t = MakeVideoType(MEDIASUBTYPE_RGB24, kWidth, kHeight, kFrame);
             t.subtype = MEDIASUBTYPE_dvsd;
             return t;
         }(),
         1},
        {"video without a size", MakeVideoType(MEDIASUBTYPE_RGB24, 0, 0, kFrame), 1},
    };
    for (const auto& c : refused)
        EXPECT_NE(g.WriterPin(c.pin)->QueryAccept(c.type), S_OK) << c.label;
    EXPECT_EQ(g.WriterPin(1)->QueryAccept(MakeVideoType(MEDIASUBTYPE_YUY2, 720, 576, kFrame)), S_OK);
    EXPECT_EQ(g.WriterPin(0)->QueryAccept(MakePcmAudioType(32000, 16, 1)), S_OK);
}

TEST_F(AsfWriterTest, FileInAMissingFolderFailsTheRun)
{
    const QString path = PathOf(QStringLiteral("missing/capture.wmv"));
    AsfGraph g(path);
    ASSERT_EQ(g.AddVideo(MEDIASUBTYPE_RGB24, kFrames), S_OK);
    ASSERT_EQ(g.graph->ConnectDirect(g.video->GetPin(0), g.WriterPin(1), nullptr), S_OK);
    EXPECT_TRUE(Failed(g.graph->Run()));
    (void)g.graph->Stop();
    EXPECT_FALSE(QFile::exists(path));
}

// A disk that fills up during the capture: the error reaches the graph, completion never does.
TEST_F(AsfWriterTest, FullDiskRaisesTheErrorAndNeverCompletes)
{
    auto file = std::make_unique<FullingSinkFile>(48 * 1024);
    FullingSinkFile* disk = file.get();
    ComPtr<AsfWriter> writer = AsfWriter::Create(std::move(file));
    ComPtr<FilterGraph> graph = FilterGraph::Create();
    ASSERT_EQ(graph->AddFilter(writer.Get(), QStringLiteral("WM ASF Writer")), S_OK);
    ASSERT_EQ(writer->SetFileName(PathOf(QStringLiteral("full.wmv")), nullptr), S_OK);
    ASSERT_EQ(writer->ConfigureFilterUsingProfileGuid(WMProfile_V70_1500Video), S_OK);
    ComPtr<BufferSource> video(new BufferSource(MakeVideoType(MEDIASUBTYPE_RGB24, kWidth, kHeight, kFrame),
                                                {Rgb24Frame()}, kFrame, 100));
    ASSERT_EQ(graph->AddFilter(video.Get(), QStringLiteral("Camera")), S_OK);
    ASSERT_EQ(graph->ConnectDirect(video->GetPin(0), writer->GetPin(1), nullptr), S_OK);

    const Events events = RunToEnd(graph.Get());
    EXPECT_TRUE(events.aborted);
    EXPECT_EQ(events.abortError, E_DISK_FULL);
    EXPECT_FALSE(events.complete);
    EXPECT_GT(disk->m_failures, 0);
}

} // namespace
} // namespace camtrove::media
