#include "media/codecs/lame_mp3_encoder.h"
#include "media/codecs/lame_settings.h"
#include "media/core/filter_catalogue.h"
#include "platform/registry.h"
#include "support/avi_capture.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cmath>
#include <condition_variable>
#include <fstream>
#include <gtest/gtest.h>
#include <mutex>

namespace camtrove::media {
namespace {

using testsupport::BufferSource;

const GUID CLSID_FrameSink = MakeGuid("6A1C0001-0000-4000-8000-00CA37120030");

// One second of a tone, 16-bit PCM, in ten buffers; every channel carries the same wave.
std::vector<std::vector<std::uint8_t>> ToneBuffers(std::uint32_t rate, int channels, double hertz)
{
    std::vector<std::vector<std::uint8_t>> buffers;
    const std::uint32_t perBuffer = rate / 10;
    for (std::uint32_t b = 0; b < 10; ++b) {
        std::vector<std::uint8_t> buffer;
        for (std::uint32_t i = 0; i < perBuffer; ++i) {
            const double t = (b * perBuffer + i) / double(rate);
            const auto s = static_cast<std::int16_t>(std::lround(12000 * std::sin(2 * M_PI * hertz * t)));
            for (int c = 0; c < channels; ++c) {
                buffer.push_back(static_cast<std::uint8_t>(s));
                buffer.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(s) >> 8));
            }
        }
        buffers.push_back(std::move(buffer));
    }
    return buffers;
}

class FrameSink;

class FrameSinkPin final : public TBCBaseInputPin
{
public:
    FrameSinkPin(FrameSink* filter, TBCCritSec* lock, HRESULT* hr);
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override;
    HRESULT GetMediaType(int, AM_MEDIA_TYPE*) override { return VFW_S_NO_MORE_ITEMS; }
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;

private:
    FrameSink* m_sink;
};

struct SinkFrame
{
    std::vector<std::uint8_t> bytes;
    REFERENCE_TIME start = -1;
    REFERENCE_TIME stop = -1;
    bool sync = false;
};

// Keeps every sample it receives, as a wave writer's input would see them; takes only types with
// a wave format block, as the wave writer does.
class FrameSink final : public TBCBaseFilter
{
public:
    FrameSink() : TBCBaseFilter(QStringLiteral("Frame sink"), &m_lock, CLSID_FrameSink)
    {
        HRESULT hr = S_OK;
        m_pin = std::make_unique<FrameSinkPin>(this, &m_lock, &hr);
    }
    int GetPinCount() override { return 1; }
    TBCBasePin* GetPin(int index) override { return index == 0 ? m_pin.get() : nullptr; }

    void Add(SinkFrame frame)
    {
        std::lock_guard lock(m_mutex);
        m_frames.push_back(std::move(frame));
    }
    void End()
    {
        {
            std::lock_guard lock(m_mutex);
            m_ended = true;
        }
        m_changed.notify_all();
    }
    bool WaitEnd()
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(20), [&] { return m_ended; });
    }
    std::vector<SinkFrame> Frames()
    {
        std::lock_guard lock(m_mutex);
        return m_frames;
    }

private:
    TBCCritSec m_lock;
    std::unique_ptr<FrameSinkPin> m_pin;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<SinkFrame> m_frames;
    bool m_ended = false;
};

FrameSinkPin::FrameSinkPin(FrameSink* filter, TBCCritSec* lock, HRESULT* hr)
    : TBCBaseInputPin(QStringLiteral("Frame sink pin"), filter, lock, hr, QStringLiteral("In")),
      m_sink(filter)
{
}

HRESULT FrameSinkPin::CheckMediaType(const AM_MEDIA_TYPE& type)
{
    return type.formattype == FORMAT_WaveFormatEx ? S_OK : S_FALSE;
}

HRESULT FrameSinkPin::Receive(IMediaSample* sample)
{
    const HRESULT hr = TBCBaseInputPin::Receive(sample);
    if (hr != S_OK)
        return hr;
    std::uint8_t* data = nullptr;
    (void)sample->GetPointer(&data);
    SinkFrame frame;
    frame.bytes.assign(data, data + std::max(sample->GetActualDataLength(), 0));
    (void)sample->GetTime(&frame.start, &frame.stop);
    frame.sync = sample->IsSyncPoint() == S_OK;
    m_sink->Add(std::move(frame));
    return S_OK;
}

HRESULT FrameSinkPin::EndOfStream()
{
    m_sink->End();
    return S_OK;
}

// The Layer III bitrate a frame header names, read from its bits as the standard lays them out.
int HeaderKbps(const std::vector<std::uint8_t>& frame)
{
    static constexpr int kKbps[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, -1};
    return frame.size() >= 4 ? kKbps[frame[2] >> 4] : -1;
}

struct Decoded
{
    AVCodecID codec = AV_CODEC_ID_NONE;
    int sampleRate = 0;
    int channels = 0;
    std::vector<float> firstChannel;
};

// Opens the file with libavformat and decodes every packet of its audio stream with libavcodec.
Decoded DecodeFile(const std::string& path)
{
    Decoded decoded;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0)
        return decoded;
    std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> format(
        raw, [](AVFormatContext* c) { avformat_close_input(&c); });
    if (avformat_find_stream_info(format.get(), nullptr) < 0 || format->nb_streams != 1)
        return decoded;
    const AVCodecParameters* parameters = format->streams[0]->codecpar;
    decoded.codec = parameters->codec_id;
    const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
    std::unique_ptr<AVCodecContext, void (*)(AVCodecContext*)> context(
        avcodec_alloc_context3(codec), [](AVCodecContext* c) { avcodec_free_context(&c); });
    if (!codec || avcodec_parameters_to_context(context.get(), parameters) < 0 ||
        avcodec_open2(context.get(), codec, nullptr) < 0)
        return decoded;
    std::unique_ptr<AVPacket, void (*)(AVPacket*)> packet(av_packet_alloc(),
                                                          [](AVPacket* p) { av_packet_free(&p); });
    std::unique_ptr<AVFrame, void (*)(AVFrame*)> frame(av_frame_alloc(),
                                                       [](AVFrame* f) { av_frame_free(&f); });
    const auto drain = [&] {
        while (avcodec_receive_frame(context.get(), frame.get()) >= 0) {
            decoded.sampleRate = frame->sample_rate;
            decoded.channels = frame->ch_layout.nb_channels;
            // The MP3 decoder gives planar floats.
            const auto* samples = reinterpret_cast<const float*>(frame->extended_data[0]);
            decoded.firstChannel.insert(decoded.firstChannel.end(), samples, samples + frame->nb_samples);
        }
    };
    while (av_read_frame(format.get(), packet.get()) >= 0) {
        (void)avcodec_send_packet(context.get(), packet.get());
        av_packet_unref(packet.get());
        drain();
    }
    (void)avcodec_send_packet(context.get(), nullptr);
    drain();
    return decoded;
}

int ZeroCrossings(const std::vector<float>& samples, std::size_t from, std::size_t to)
{
    int crossings = 0;
    for (std::size_t i = from + 1; i < to && i < samples.size(); ++i)
        if ((samples[i - 1] < 0) != (samples[i] < 0))
            ++crossings;
    return crossings;
}

struct ToneCase
{
    std::uint32_t rate;
    int channels;
    std::int32_t storedKbps; // in the registry; 0: none stored
    std::uint32_t expectedKbps;
};

class LameToneEncoding : public ::testing::TestWithParam<ToneCase>
{
};

// A tone through the encoder on the source's streaming thread, the frames written as an MP3 file
// and read back by FFmpeg: format, length, pitch, the stored bitrate and the time stamps.
TEST_P(LameToneEncoding, EncodesDecodableMp3AtTheStoredBitrate)
{
    const ToneCase c = GetParam();
    QTemporaryDir dir;
    if (c.storedKbps > 0) {
        platform::Registry registry(dir.path());
        ASSERT_TRUE(WriteLameBitrate(registry, static_cast<std::uint32_t>(c.storedKbps)));
    }
    const double hertz = 1000;
    ComPtr<FilterGraph> graph = FilterGraph::Create(nullptr);
    ComPtr<BufferSource> source(
        new BufferSource(MakePcmAudioType(c.rate, 16, static_cast<std::uint16_t>(c.channels)),
                         ToneBuffers(c.rate, c.channels, hertz), 1'000'000));
    const auto encoder = LameMp3Encoder::Create(dir.path());
    ComPtr<FrameSink> sink(new FrameSink());
    ASSERT_EQ(graph->AddFilter(source.Get(), QStringLiteral("Tone")), S_OK);
    ASSERT_EQ(graph->AddFilter(encoder.Get(), QStringLiteral("mp3")), S_OK);
    ASSERT_EQ(graph->AddFilter(sink.Get(), QStringLiteral("Sink")), S_OK);
    ASSERT_EQ(graph->ConnectDirect(source->GetPin(0), encoder->GetPin(0), nullptr), S_OK);
    ASSERT_EQ(graph->ConnectDirect(encoder->GetPin(1), sink->GetPin(0), nullptr), S_OK);
    AM_MEDIA_TYPE connected;
    ASSERT_EQ(encoder->GetPin(1)->ConnectionMediaType(&connected), S_OK);
    EXPECT_EQ(connected.subtype, MEDIASUBTYPE_MP3);
    EXPECT_EQ(connected.FormatAs<WAVEFORMATEX>()->wFormatTag, WAVE_FORMAT_MPEGLAYER3);
    EXPECT_EQ(connected.FormatAs<WAVEFORMATEX>()->nAvgBytesPerSec, c.expectedKbps * 1000 / 8);

    ASSERT_EQ(graph->Run(), S_OK);
    ASSERT_TRUE(sink->WaitEnd());
    ASSERT_EQ(graph->Stop(), S_OK);

    const std::vector<SinkFrame> frames = sink->Frames();
    ASSERT_FALSE(frames.empty());
    const std::string path = dir.filePath("tone.mp3").toStdString();
    {
        std::ofstream file(path, std::ios::binary);
        for (const SinkFrame& f : frames)
            file.write(reinterpret_cast<const char*>(f.bytes.data()), std::streamsize(f.bytes.size()));
    }
    REFERENCE_TIME expectedStart = 0;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(HeaderKbps(frames[i].bytes), static_cast<int>(c.expectedKbps));
        EXPECT_TRUE(frames[i].sync);
        EXPECT_EQ(frames[i].start, expectedStart);
        EXPECT_EQ(frames[i].stop, static_cast<REFERENCE_TIME>(i + 1) * 1152 * 10'000'000 / c.rate);
        expectedStart = frames[i].stop;
    }

    const Decoded decoded = DecodeFile(path);
    EXPECT_EQ(decoded.codec, AV_CODEC_ID_MP3);
    EXPECT_EQ(decoded.sampleRate, static_cast<int>(c.rate));
    EXPECT_EQ(decoded.channels, c.channels);
    // Without a tag frame the decoder keeps the encoder's delay (under one frame) and the last
    // frame's padding, so the decoded stream is the input plus less than two frames.
    const auto input = static_cast<std::ptrdiff_t>(c.rate);
    const auto length = static_cast<std::ptrdiff_t>(decoded.firstChannel.size());
    EXPECT_GE(length, input);
    EXPECT_LT(length, input + 2 * 1152);
    EXPECT_EQ(length, static_cast<std::ptrdiff_t>(frames.size()) * 1152);
    // Half a second from the steady middle: twice the tone's frequency in crossings.
    const std::size_t from = c.rate / 4;
    const int crossings = ZeroCrossings(decoded.firstChannel, from, from + c.rate / 2);
    EXPECT_NEAR(crossings, hertz, hertz * 0.02);
}

INSTANTIATE_TEST_SUITE_P(Formats, LameToneEncoding,
                         ::testing::Values(ToneCase{44100, 2, 0, 128}, ToneCase{48000, 2, 320, 320},
                                           ToneCase{32000, 1, 64, 64},
                                           // A stored rate no frame can name is taken to the nearest.
                                           ToneCase{44100, 1, 100, 96}));

// The wave writer of the MP3 chain is reached with a type naming only the major type and the
// MPEG audio payload subtype; the encoder must offer that type, describing Layer III.
TEST(LameMp3Encoder, ConnectsToThePartlyGivenMpegAudioType)
{
    QTemporaryDir dir;
    ComPtr<FilterGraph> graph = FilterGraph::Create(nullptr);
    ComPtr<BufferSource> source(
        new BufferSource(MakePcmAudioType(44100, 16, 2), ToneBuffers(44100, 2, 440), 1'000'000));
    const auto encoder = LameMp3Encoder::Create(dir.path());
    ComPtr<FrameSink> sink(new FrameSink());
    ASSERT_EQ(graph->AddFilter(source.Get(), QStringLiteral("Tone")), S_OK);
    ASSERT_EQ(graph->AddFilter(encoder.Get(), QStringLiteral("mp3")), S_OK);
    ASSERT_EQ(graph->AddFilter(sink.Get(), QStringLiteral("Sink")), S_OK);
    ASSERT_EQ(graph->ConnectDirect(source->GetPin(0), encoder->GetPin(0), nullptr), S_OK);
    AM_MEDIA_TYPE partial;
    partial.majortype = MEDIATYPE_Audio;
    partial.subtype = MEDIASUBTYPE_MPEG1AudioPayload;
    ASSERT_EQ(graph->ConnectDirect(encoder->GetPin(1), sink->GetPin(0), &partial), S_OK);
    AM_MEDIA_TYPE connected;
    ASSERT_EQ(encoder->GetPin(1)->ConnectionMediaType(&connected), S_OK);
    EXPECT_EQ(connected.subtype, MEDIASUBTYPE_MPEG1AudioPayload);
    const auto* mpeg = connected.FormatAs<MPEG1WAVEFORMAT>();
    ASSERT_NE(mpeg, nullptr);
    EXPECT_EQ(mpeg->wfx.wFormatTag, WAVE_FORMAT_MPEG);
    EXPECT_EQ(mpeg->wfx.cbSize, 22);
    EXPECT_EQ(mpeg->fwHeadLayer, ACM_MPEG_LAYER3);
    EXPECT_EQ(mpeg->dwHeadBitrate, 128000u);

    ASSERT_EQ(graph->Run(), S_OK);
    ASSERT_TRUE(sink->WaitEnd());
    ASSERT_EQ(graph->Stop(), S_OK);
    const auto frames = sink->Frames();
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(HeaderKbps(frames.front().bytes), 128);
}

TEST(LameMp3Encoder, TakesOnlySixteenBitMonoOrStereoAtMpegOneRates)
{
    const auto encoder = LameMp3Encoder::Create(QStringLiteral("/nonexistent"));
    struct Case
    {
        std::uint32_t rate;
        std::uint16_t bits;
        std::uint16_t channels;
        bool accepted;
    };
    for (const Case c : {Case{44100, 16, 2, true}, Case{32000, 16, 1, true}, Case{48000, 16, 2, true},
                         Case{22050, 16, 2, false}, Case{44100, 8, 2, false}, Case{44100, 16, 6, false},
                         Case{96000, 16, 2, false}}) {
        SCOPED_TRACE(testing::Message() << c.rate << " " << c.bits << " " << c.channels);
        EXPECT_EQ(encoder->CheckInputType(MakePcmAudioType(c.rate, c.bits, c.channels)) == S_OK, c.accepted);
    }
}

TEST(LameMp3Encoder, RegistersItsClassKeyAndKeepsAStoredBitrate)
{
    QTemporaryDir dir;
    platform::Registry registry(dir.path());
    EXPECT_EQ(ReadLameBitrate(registry), 128u); // nothing stored
    ASSERT_TRUE(RegisterLameMp3Encoder(registry));
    EXPECT_EQ(registry.RootKey(), platform::HKEY_CURRENT_USER);

    platform::Registry classes(dir.path(), platform::HKEY_CLASSES_ROOT);
    ASSERT_TRUE(classes.OpenKeyReadOnly(LameClassServerKey()));
    const auto library = classes.ReadString(QString());
    ASSERT_TRUE(library.has_value());
    EXPECT_TRUE(QFileInfo::exists(*library)) << library->toStdString();
    const auto version = classes.ReadString(QStringLiteral("FileVersion"));
    ASSERT_TRUE(version.has_value());
    EXPECT_TRUE(version->startsWith(QStringLiteral("3."))) << version->toStdString();

    platform::Registry user(dir.path());
    ASSERT_TRUE(user.OpenKeyReadOnly(LameSettingsKey()));
    EXPECT_EQ(user.ReadInteger(QStringLiteral("Bitrate")), 128);

    // A later registration leaves the user's choice alone.
    ASSERT_TRUE(WriteLameBitrate(registry, 192));
    ASSERT_TRUE(RegisterLameMp3Encoder(registry));
    EXPECT_EQ(ReadLameBitrate(registry), 192u);
}

TEST(LameMp3Encoder, IsFoundInTheAudioCompressorsByItsClass)
{
    const auto registration = FilterCatalogue::BuiltIn().Find(CLSID_LameMp3Encoder);
    ASSERT_TRUE(registration.has_value());
    EXPECT_EQ(registration->category, CLSID_AudioCompressorCategory);
    EXPECT_TRUE(registration->create());
}

} // namespace
} // namespace camtrove::media
