#include "../media/test_filters.h"
#include "filters/ct_wave_dest.h"
#include "media/core/device_interfaces.h"
#include "media/core/filter_graph.h"
#include "media/core/guids.h"
#include "media/stock/file_writer.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <QFile>
#include <QTemporaryDir>

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <gtest/gtest.h>

namespace camtrove::filters {
namespace {

using namespace camtrove::media;
using media::testing::PinOf;
using media::testing::TestSource;

const GUID CLSID_WaveFileSink = MakeGuid("6A1C0001-0000-4000-8000-00CA37120F01");

class WaveFileSink;

// The file writer's part that the wave writer relies on: samples land at the byte position their
// start time names, and the input pin offers a byte stream over the same file.
class WaveFileSinkPin final : public TBCBaseInputPin, public IStream
{
public:
    WaveFileSinkPin(WaveFileSink* filter, TBCCritSec* lock, HRESULT* hr);

    HRESULT NonDelegatingQueryInterface(const GUID& iid, void** object) override
    {
        if (iid == IID_IStream && m_offerStream) {
            *object = static_cast<IStream*>(this);
            AddRef();
            return S_OK;
        }
        return TBCBaseInputPin::NonDelegatingQueryInterface(iid, object);
    }
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override
    {
        return type.majortype == MEDIATYPE_Stream ? S_OK : S_FALSE;
    }
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override
    {
        {
            std::lock_guard lock(m_fileMutex);
            ++m_endOfStreams;
        }
        m_changed.notify_all();
        return S_OK;
    }
    // Waits (bounded) until `received` samples have been offered or the stream has ended.
    bool WaitFor(int received)
    {
        std::unique_lock lock(m_fileMutex);
        return m_changed.wait_for(lock, std::chrono::seconds(10),
                                  [&] { return m_received >= received || m_endOfStreams > 0; });
    }
    std::vector<REFERENCE_TIME> Starts()
    {
        std::lock_guard lock(m_fileMutex);
        return m_starts;
    }

    HRESULT Read(void*, std::uint32_t, std::uint32_t*) override { return E_NOTIMPL; }
    HRESULT Write(const void* data, std::uint32_t size, std::uint32_t* written) override
    {
        Put(m_position, static_cast<const std::uint8_t*>(data), size);
        m_position += size;
        *written = size;
        return S_OK;
    }
    HRESULT Seek(std::int64_t offset, STREAM_SEEK origin, std::uint64_t* newPosition) override
    {
        if (origin != STREAM_SEEK_SET)
            return E_NOTIMPL;
        m_position = std::uint64_t(offset);
        *newPosition = m_position;
        return S_OK;
    }

    void Put(std::uint64_t at, const std::uint8_t* data, std::size_t size)
    {
        std::lock_guard lock(m_fileMutex);
        if (m_file.size() < at + size)
            m_file.resize(at + size, 0xEE); // bytes never written stand out
        std::memcpy(m_file.data() + at, data, size);
    }
    std::vector<std::uint8_t> File()
    {
        std::lock_guard lock(m_fileMutex);
        return m_file;
    }

    std::atomic<bool> m_offerStream{true};
    int m_refuseSample = -1; // the index of a sample to refuse, or -1

private:
    std::mutex m_fileMutex;
    std::condition_variable m_changed;
    int m_received = 0;
    int m_endOfStreams = 0;
    std::vector<REFERENCE_TIME> m_starts;
    std::vector<std::uint8_t> m_file;
    std::uint64_t m_position = 0;
};

class WaveFileSink final : public TBCBaseFilter
{
public:
    WaveFileSink() : TBCBaseFilter(QStringLiteral("Wave file sink"), &m_lock, CLSID_WaveFileSink)
    {
        HRESULT hr = S_OK;
        m_pin = std::make_unique<WaveFileSinkPin>(this, &m_lock, &hr);
    }
    int GetPinCount() override { return 1; }
    TBCBasePin* GetPin(int index) override { return index == 0 ? m_pin.get() : nullptr; }
    WaveFileSinkPin* Pin() { return m_pin.get(); }

private:
    TBCCritSec m_lock;
    std::unique_ptr<WaveFileSinkPin> m_pin;
};

WaveFileSinkPin::WaveFileSinkPin(WaveFileSink* filter, TBCCritSec* lock, HRESULT* hr)
    : TBCBaseInputPin(QStringLiteral("Wave file sink pin"), filter, lock, hr, QStringLiteral("In"))
{
}

HRESULT WaveFileSinkPin::Receive(IMediaSample* sample)
{
    const HRESULT hr = TBCBaseInputPin::Receive(sample);
    if (hr != S_OK)
        return hr;
    REFERENCE_TIME start = 0, stop = 0;
    EXPECT_EQ(sample->GetTime(&start, &stop), S_OK);
    EXPECT_EQ(stop - start, sample->GetActualDataLength());
    bool refuse = false;
    {
        std::lock_guard lock(m_fileMutex);
        refuse = m_received++ == m_refuseSample;
        if (!refuse)
            m_starts.push_back(start);
    }
    if (!refuse) {
        std::uint8_t* data = nullptr;
        (void)sample->GetPointer(&data);
        Put(std::uint64_t(start), data, std::size_t(sample->GetActualDataLength()));
    }
    m_changed.notify_all();
    return refuse ? E_FAIL : S_OK;
}

// The header of a 48 kHz, 16-bit stereo PCM file with an 18-byte format block, written out by
// hand from the RIFF layout, for `dataSize` bytes of audio.
std::vector<std::uint8_t> ExpectedPcmHeader(std::uint32_t dataSize)
{
    const std::uint32_t riff = dataSize + 38;
    std::vector<std::uint8_t> h = {
        'R', 'I', 'F', 'F', std::uint8_t(riff), std::uint8_t(riff >> 8), std::uint8_t(riff >> 16),
        std::uint8_t(riff >> 24), 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 18, 0, 0, 0,
        // wFormatTag 1, 2 channels, 48000 Hz, 192000 bytes per second, block 4, 16 bits, cbSize 0
        0x01, 0x00, 0x02, 0x00, 0x80, 0xBB, 0x00, 0x00, 0x00, 0xEE, 0x02, 0x00, 0x04, 0x00, 0x10, 0x00, 0x00,
        0x00, 'd', 'a', 't', 'a', std::uint8_t(dataSize), std::uint8_t(dataSize >> 8),
        std::uint8_t(dataSize >> 16), std::uint8_t(dataSize >> 24)};
    return h;
}

struct WaveGraph
{
    ComPtr<FilterGraph> graph = FilterGraph::Create(nullptr);
    ComPtr<TestSource> source;
    ComPtr<Tct_WaveDest> wave = ComPtr<Tct_WaveDest>(new Tct_WaveDest());
    ComPtr<WaveFileSink> sink = ComPtr<WaveFileSink>(new WaveFileSink());

    WaveGraph(int buffers, int bufferSize)
        : source(new TestSource({MakePcmAudioType(48000, 16, 2)}, buffers, bufferSize))
    {
        EXPECT_EQ(graph->AddFilter(source.Get(), "Audio"), S_OK);
        EXPECT_EQ(graph->AddFilter(wave.Get(), "WavDest"), S_OK);
        EXPECT_EQ(graph->AddFilter(sink.Get(), "File writer"), S_OK);
        EXPECT_EQ(graph->ConnectDirect(PinOf(source.Get(), 0).Get(), PinOf(wave.Get(), 0).Get(), nullptr),
                  S_OK);
        EXPECT_EQ(graph->ConnectDirect(PinOf(wave.Get(), 1).Get(), PinOf(sink.Get(), 0).Get(), nullptr),
                  S_OK);
    }
    // Runs until the writer has been offered `received` buffers or the stream ended, then stops;
    // returns Stop's result. Stop waits for a buffer in flight, so its count is final.
    HRESULT RunUntil(int received)
    {
        EXPECT_EQ(graph->Run(), S_OK);
        EXPECT_TRUE(sink->Pin()->WaitFor(received));
        return graph->Stop();
    }
};

TEST(WaveDest, PinsExistFromConstructionWithTheirNames)
{
    auto wave = ComPtr<Tct_WaveDest>(new Tct_WaveDest());
    EXPECT_EQ(wave->ObjectName(), QStringLiteral("WavDest filter"));
    ASSERT_NE(wave->InputPin(), nullptr);
    ASSERT_NE(wave->OutputPin(), nullptr);
    PIN_INFO info;
    ASSERT_EQ(wave->OutputPin()->QueryPinInfo(&info), S_OK);
    EXPECT_EQ(info.achName, QStringLiteral("Out"));
    EXPECT_EQ(wave->OutputPin()->ObjectName(), QStringLiteral("WavDest output pin"));
    ASSERT_EQ(wave->InputPin()->QueryPinInfo(&info), S_OK);
    EXPECT_EQ(info.achName, QStringLiteral("In"));

    AM_MEDIA_TYPE offered;
    EXPECT_EQ(wave->GetMediaType(0, &offered), S_OK);
    EXPECT_EQ(offered.majortype, MEDIATYPE_Stream);
    EXPECT_EQ(offered.subtype, MEDIASUBTYPE_WAVE);
    EXPECT_EQ(wave->GetMediaType(1, &offered), VFW_S_NO_MORE_ITEMS);
    EXPECT_EQ(wave->CheckInputType(MakePcmAudioType(48000, 16, 2)), S_OK);
    EXPECT_EQ(wave->CheckInputType(MakeVideoType(MEDIASUBTYPE_RGB24, 8, 8, 0)), S_FALSE);
    AM_MEDIA_TYPE notWave = offered;
    notWave.subtype = MEDIASUBTYPE_RGB24;
    EXPECT_EQ(wave->OutputPin()->CheckMediaType(offered), S_OK);
    EXPECT_EQ(wave->OutputPin()->CheckMediaType(notWave), S_FALSE);
}

TEST(WaveDest, WritesTheHeaderWithTheFinalSizesAtStop)
{
    WaveGraph g(4, 48000);
    ASSERT_EQ(g.RunUntil(5), S_OK);

    const auto file = g.sink->Pin()->File();
    ASSERT_EQ(file.size(), 46u + 192000u);
    EXPECT_EQ(std::vector<std::uint8_t>(file.begin(), file.begin() + 46), ExpectedPcmHeader(192000));
    // The first buffer right behind the header, each next one behind the one before.
    EXPECT_EQ(g.sink->Pin()->Starts(),
              (std::vector<REFERENCE_TIME>{46, 46 + 48000, 46 + 96000, 46 + 144000}));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(file[46 + std::size_t(i) * 48000], i);
}

TEST(WaveDest, ARunWithoutAudioWritesAnEmptyDataChunk)
{
    WaveGraph g(0, 4800);
    ASSERT_EQ(g.RunUntil(1), S_OK);
    EXPECT_EQ(g.sink->Pin()->File(), ExpectedPcmHeader(0));
}

TEST(WaveDest, ABufferTheWriterRefusedIsNotCounted)
{
    WaveGraph g(3, 1000);
    g.sink->Pin()->m_refuseSample = 1;
    (void)g.RunUntil(2);
    const auto file = g.sink->Pin()->File();
    ASSERT_GE(file.size(), 46u);
    // Only the first buffer reached the file; the header says so.
    EXPECT_EQ(std::vector<std::uint8_t>(file.begin(), file.begin() + 46), ExpectedPcmHeader(1000));
}

TEST(WaveDest, StopReportsAWriterWithoutAByteStream)
{
    WaveGraph g(1, 1000);
    g.sink->Pin()->m_offerStream = false;
    ASSERT_EQ(g.graph->Run(), S_OK);
    ASSERT_TRUE(g.sink->Pin()->WaitFor(2));
    EXPECT_EQ(g.wave->Stop(), E_NOINTERFACE);
    (void)g.graph->Stop();
    EXPECT_EQ(g.sink->Pin()->File().size(), 46u + 1000u);
    EXPECT_EQ(g.sink->Pin()->File()[0], 0xEE); // the header was never written
}

struct FormatClose
{
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct PacketFree
{
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};

TEST(WaveDest, TheFileWriterProducesAWaveFileThatLibavformatReads)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("capture.wav"));
    {
        auto graph = FilterGraph::Create(nullptr);
        auto source = ComPtr<TestSource>(new TestSource({MakePcmAudioType(48000, 16, 2)}, 4, 48000));
        auto wave = ComPtr<Tct_WaveDest>(new Tct_WaveDest());
        auto writer = FileWriter::Create();
        ASSERT_EQ(writer->SetFileName(path, nullptr), S_OK);
        ASSERT_EQ(graph->AddFilter(source.Get(), "Audio"), S_OK);
        ASSERT_EQ(graph->AddFilter(wave.Get(), "WavDest"), S_OK);
        ASSERT_EQ(graph->AddFilter(writer.Get(), "File writer"), S_OK);
        ASSERT_EQ(graph->ConnectDirect(PinOf(source.Get(), 0).Get(), PinOf(wave.Get(), 0).Get(), nullptr),
                  S_OK);
        ASSERT_EQ(graph->ConnectDirect(PinOf(wave.Get(), 1).Get(), PinOf(writer.Get(), 0).Get(), nullptr),
                  S_OK);
        ASSERT_EQ(graph->Run(), S_OK);
        std::int32_t code = 0;
        LONG_PTR p1 = 0, p2 = 0;
        while (graph->GetEvent(&code, &p1, &p2, 10000) == S_OK && code != EC_COMPLETE) {
        }
        ASSERT_EQ(code, EC_COMPLETE);
        ASSERT_EQ(graph->Stop(), S_OK);
        (void)graph->RemoveFilter(writer.Get()); // closes the file
    }

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_EQ(bytes.size(), 46 + 192000);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 46), ExpectedPcmHeader(192000));

    AVFormatContext* raw = nullptr;
    ASSERT_EQ(avformat_open_input(&raw, path.toUtf8().constData(), nullptr, nullptr), 0);
    std::unique_ptr<AVFormatContext, FormatClose> format(raw);
    ASSERT_GE(avformat_find_stream_info(format.get(), nullptr), 0);
    EXPECT_STREQ(format->iformat->name, "wav");
    ASSERT_EQ(format->nb_streams, 1u);
    const AVCodecParameters* params = format->streams[0]->codecpar;
    EXPECT_EQ(params->codec_id, AV_CODEC_ID_PCM_S16LE);
    EXPECT_EQ(params->sample_rate, 48000);
    EXPECT_EQ(params->ch_layout.nb_channels, 2);
    std::vector<std::uint8_t> audio;
    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    while (av_read_frame(format.get(), packet.get()) >= 0) {
        audio.insert(audio.end(), packet->data, packet->data + packet->size);
        av_packet_unref(packet.get());
    }
    ASSERT_EQ(audio.size(), 192000u);
    for (std::size_t i = 0; i < audio.size(); i += 4000)
        EXPECT_EQ(audio[i], i / 48000) << i; // each buffer holds its own number
}

} // namespace
} // namespace camtrove::filters
