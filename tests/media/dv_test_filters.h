#pragma once
// Graph ends for the DV filter tests: a source that delivers given buffers (DV frames, pictures or
// PCM) on its own streaming thread, one a frame time apart, and a sink that keeps a copy of every
// sample it receives with its times. Plus the independent readers the results are checked with:
// libavformat's DV demuxer and libavcodec's decoders.

#include "media/base/source_stream_pin.h"
#include "media/core/dv_interfaces.h"
#include "media/core/filter_graph.h"
#include "media/core/guids.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <QTemporaryDir>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <span>
#include <vector>

namespace camtrove::media::dvtesting {

inline const GUID CLSID_BufferSource = MakeGuid("6A1C0002-0000-4000-8000-00CA37120001");
inline const GUID CLSID_CopySink = MakeGuid("6A1C0002-0000-4000-8000-00CA37120002");

using Bytes = std::vector<std::uint8_t>;

class BufferSource;

class BufferSourcePin final : public SourceStreamPin
{
public:
    BufferSourcePin(BufferSource* filter, TBCCritSec* lock, HRESULT* hr);
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override;
    HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

protected:
    HRESULT FillBuffer(IMediaSample* sample) override;

private:
    BufferSource* m_source;
};

// Delivers its buffers in order, buffer i stamped i * frameTime to (i + 1) * frameTime (no times
// when frameTime is 0), then ends the stream.
class BufferSource final : public TBCBaseFilter
{
public:
    BufferSource(AM_MEDIA_TYPE type, std::vector<Bytes> buffers, REFERENCE_TIME frameTime)
        : TBCBaseFilter(QStringLiteral("Buffer source"), &m_lock, CLSID_BufferSource),
          m_type(std::move(type)), m_buffers(std::move(buffers)), m_frameTime(frameTime)
    {
        HRESULT hr = S_OK;
        m_pin = std::make_unique<BufferSourcePin>(this, &m_lock, &hr);
    }
    int GetPinCount() override { return 1; }
    TBCBasePin* GetPin(int index) override { return index == 0 ? m_pin.get() : nullptr; }
    IPin* Pin() { return m_pin.get(); }

    AM_MEDIA_TYPE m_type;
    std::vector<Bytes> m_buffers;
    REFERENCE_TIME m_frameTime;
    std::size_t m_next = 0; // streaming thread

private:
    TBCCritSec m_lock;
    std::unique_ptr<BufferSourcePin> m_pin;
};

inline BufferSourcePin::BufferSourcePin(BufferSource* filter, TBCCritSec* lock, HRESULT* hr)
    : SourceStreamPin(QStringLiteral("Buffer source pin"), filter, lock, hr, QStringLiteral("Out")),
      m_source(filter)
{
}

inline HRESULT BufferSourcePin::CheckMediaType(const AM_MEDIA_TYPE& type)
{
    return type == m_source->m_type ? S_OK : S_FALSE;
}

inline HRESULT BufferSourcePin::GetMediaType(int position, AM_MEDIA_TYPE* type)
{
    if (position < 0)
        return E_INVALIDARG;
    if (position > 0)
        return VFW_S_NO_MORE_ITEMS;
    *type = m_source->m_type;
    return S_OK;
}

inline HRESULT BufferSourcePin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request)
{
    std::size_t largest = 1;
    for (const Bytes& buffer : m_source->m_buffers)
        largest = std::max(largest, buffer.size());
    request->cBuffers = std::max(request->cBuffers, 3);
    request->cbBuffer = std::max(request->cbBuffer, static_cast<std::int32_t>(largest));
    ALLOCATOR_PROPERTIES actual;
    return allocator->SetProperties(*request, &actual);
}

inline HRESULT BufferSourcePin::FillBuffer(IMediaSample* sample)
{
    const std::size_t index = m_source->m_next;
    if (index >= m_source->m_buffers.size())
        return S_FALSE;
    ++m_source->m_next;
    const Bytes& buffer = m_source->m_buffers[index];
    std::uint8_t* data = nullptr;
    (void)sample->GetPointer(&data);
    std::memcpy(data, buffer.data(), buffer.size());
    (void)sample->SetActualDataLength(static_cast<std::int32_t>(buffer.size()));
    if (m_source->m_frameTime > 0) {
        const REFERENCE_TIME start = static_cast<REFERENCE_TIME>(index) * m_source->m_frameTime;
        const REFERENCE_TIME stop = start + m_source->m_frameTime;
        (void)sample->SetTime(&start, &stop);
    }
    (void)sample->SetSyncPoint(true);
    (void)sample->SetDiscontinuity(index == 0);
    return S_OK;
}

struct CopiedSample
{
    Bytes bytes;
    REFERENCE_TIME start = -1;
    REFERENCE_TIME stop = -1;
};

class CopySink;

class CopySinkPin final : public TBCBaseInputPin
{
public:
    CopySinkPin(CopySink* filter, TBCCritSec* lock, HRESULT* hr);
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override;
    HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type) override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;

private:
    CopySink* m_sink;
};

// Accepts the types `accepts` admits, in the order of `preferred` when it proposes any.
class CopySink final : public TBCBaseFilter
{
public:
    explicit CopySink(std::function<bool(const AM_MEDIA_TYPE&)> accepts,
                      std::vector<AM_MEDIA_TYPE> preferred = {})
        : TBCBaseFilter(QStringLiteral("Copy sink"), &m_lock, CLSID_CopySink), m_accepts(std::move(accepts)),
          m_preferred(std::move(preferred))
    {
        HRESULT hr = S_OK;
        m_pin = std::make_unique<CopySinkPin>(this, &m_lock, &hr);
    }
    int GetPinCount() override { return 1; }
    TBCBasePin* GetPin(int index) override { return index == 0 ? m_pin.get() : nullptr; }
    CopySinkPin* Pin() { return m_pin.get(); }

    void Keep(IMediaSample* sample)
    {
        CopiedSample copy;
        std::uint8_t* data = nullptr;
        (void)sample->GetPointer(&data);
        copy.bytes.assign(data, data + sample->GetActualDataLength());
        (void)sample->GetTime(&copy.start, &copy.stop);
        {
            std::lock_guard lock(m_mutex);
            m_samples.push_back(std::move(copy));
        }
        m_changed.notify_all();
    }
    void Ended()
    {
        {
            std::lock_guard lock(m_mutex);
            m_ended = true;
        }
        m_changed.notify_all();
    }
    // Waits (bounded) for the end of the stream.
    [[nodiscard]] bool WaitForEnd()
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(60), [this] { return m_ended; });
    }
    [[nodiscard]] std::vector<CopiedSample> Samples()
    {
        std::lock_guard lock(m_mutex);
        return m_samples;
    }

    std::function<bool(const AM_MEDIA_TYPE&)> m_accepts;
    std::vector<AM_MEDIA_TYPE> m_preferred;

private:
    TBCCritSec m_lock;
    std::unique_ptr<CopySinkPin> m_pin;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<CopiedSample> m_samples;
    bool m_ended = false;
};

inline CopySinkPin::CopySinkPin(CopySink* filter, TBCCritSec* lock, HRESULT* hr)
    : TBCBaseInputPin(QStringLiteral("Copy sink pin"), filter, lock, hr, QStringLiteral("In")), m_sink(filter)
{
}

inline HRESULT CopySinkPin::CheckMediaType(const AM_MEDIA_TYPE& type)
{
    return m_sink->m_accepts(type) ? S_OK : S_FALSE;
}

inline HRESULT CopySinkPin::GetMediaType(int position, AM_MEDIA_TYPE* type)
{
    if (position < 0)
        return E_INVALIDARG;
    if (position >= static_cast<int>(m_sink->m_preferred.size()))
        return VFW_S_NO_MORE_ITEMS;
    *type = m_sink->m_preferred[static_cast<std::size_t>(position)];
    return S_OK;
}

inline HRESULT CopySinkPin::Receive(IMediaSample* sample)
{
    const HRESULT hr = TBCBaseInputPin::Receive(sample);
    if (hr != S_OK)
        return hr;
    m_sink->Keep(sample);
    return S_OK;
}

inline HRESULT CopySinkPin::EndOfStream()
{
    m_sink->Ended();
    return S_OK;
}

inline std::function<bool(const AM_MEDIA_TYPE&)> AcceptsSubtype(const GUID& subtype)
{
    return [subtype](const AM_MEDIA_TYPE& type) { return type.subtype == subtype; };
}

inline Bytes Concatenate(const std::vector<CopiedSample>& samples)
{
    Bytes all;
    for (const CopiedSample& sample : samples)
        all.insert(all.end(), sample.bytes.begin(), sample.bytes.end());
    return all;
}

// ---- Independent readers ----

struct FormatCloser
{
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct PacketFreer
{
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct FrameFreer
{
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct CodecFreer
{
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};

// What libavformat's DV demuxer reads from raw DV frames: the video packets and the PCM of each
// audio stream (interleaved 16-bit stereo), with each audio stream's rate.
struct DemuxedDv
{
    std::vector<Bytes> video;
    std::vector<Bytes> audio; // per stream
    std::vector<int> rates;
};

inline DemuxedDv DemuxDv(const std::vector<Bytes>& frames)
{
    DemuxedDv result;
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("frames.dv")).toStdString();
    {
        std::ofstream out(path, std::ios::binary);
        for (const Bytes& frame : frames)
            out.write(reinterpret_cast<const char*>(frame.data()),
                      static_cast<std::streamsize>(frame.size()));
    }
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), av_find_input_format("dv"), nullptr) < 0) {
        ADD_FAILURE() << "libavformat cannot open the DV frames";
        return result;
    }
    std::unique_ptr<AVFormatContext, FormatCloser> context(raw);
    (void)avformat_find_stream_info(context.get(), nullptr);
    // The demuxer may add an audio stream while it reads, when the sound starts later.
    std::map<int, std::size_t> audioOf;
    std::unique_ptr<AVPacket, PacketFreer> packet(av_packet_alloc());
    while (av_read_frame(context.get(), packet.get()) >= 0) {
        const AVStream* stream = context->streams[packet->stream_index];
        if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
            result.video.emplace_back(packet->data, packet->data + packet->size);
        } else if (stream->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
            auto [at, added] = audioOf.try_emplace(packet->stream_index, result.audio.size());
            if (added) {
                result.audio.emplace_back();
                result.rates.push_back(stream->codecpar->sample_rate);
            }
            Bytes& pcm = result.audio[at->second];
            pcm.insert(pcm.end(), packet->data, packet->data + packet->size);
        }
        av_packet_unref(packet.get());
    }
    return result;
}

// Decodes one compressed picture with libavcodec and converts it to the given pixel format and
// size; bottom-up rows (the framework's RGB) when bottomUp is set. Rows padded to 4 bytes.
inline Bytes DecodePicture(AVCodecID codecId, std::span<const std::uint8_t> data, AVPixelFormat format,
                           int width, int height, bool bottomUp, int* decodedWidth = nullptr,
                           int* decodedHeight = nullptr)
{
    const AVCodec* codec = avcodec_find_decoder(codecId);
    std::unique_ptr<AVCodecContext, CodecFreer> context(avcodec_alloc_context3(codec));
    if (avcodec_open2(context.get(), codec, nullptr) < 0)
        return {};
    Bytes padded(data.begin(), data.end());
    padded.resize(data.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
    std::unique_ptr<AVPacket, PacketFreer> packet(av_packet_alloc());
    packet->data = padded.data();
    packet->size = static_cast<int>(data.size());
    std::unique_ptr<AVFrame, FrameFreer> frame(av_frame_alloc());
    if (avcodec_send_packet(context.get(), packet.get()) < 0 ||
        avcodec_receive_frame(context.get(), frame.get()) < 0)
        return {};
    if (decodedWidth)
        *decodedWidth = frame->width;
    if (decodedHeight)
        *decodedHeight = frame->height;
    if (width == 0) {
        width = frame->width;
        height = frame->height;
    }
    const int bytesPerPixel = format == AV_PIX_FMT_BGR24 ? 3 : 2;
    const int stride = (width * bytesPerPixel + 3) / 4 * 4;
    Bytes out(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height));
    SwsContext* sws = sws_getContext(frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                                     width, height, format, SWS_BILINEAR, nullptr, nullptr, nullptr);
    std::uint8_t* planes[4] = {bottomUp ? out.data() + static_cast<std::ptrdiff_t>(height - 1) * stride
                                        : out.data()};
    const int strides[4] = {bottomUp ? -stride : stride};
    sws_scale(sws, frame->data, frame->linesize, 0, frame->height, planes, strides);
    sws_freeContext(sws);
    return out;
}

// Peak signal-to-noise ratio of b against a, in dB.
inline double Psnr(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b)
{
    double sum = 0;
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const double d = static_cast<double>(a[i]) - b[i];
        sum += d * d;
    }
    const double mse = sum / static_cast<double>(n);
    return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

inline AM_MEDIA_TYPE InterleavedDvType(const DVINFO& info, bool is625)
{
    AM_MEDIA_TYPE mt;
    mt.majortype = MEDIATYPE_Interleaved;
    mt.subtype = MEDIASUBTYPE_dvsd;
    mt.bFixedSizeSamples = true;
    mt.lSampleSize = is625 ? 144000 : 120000;
    mt.SetFormat(FORMAT_DvInfo, info);
    return mt;
}

inline AM_MEDIA_TYPE DvsdVideoType(bool is625)
{
    VIDEOINFOHEADER vih;
    vih.AvgTimePerFrame = is625 ? 400000 : 333667;
    vih.bmiHeader.biWidth = 720;
    vih.bmiHeader.biHeight = is625 ? 576 : 480;
    vih.bmiHeader.biBitCount = 24;
    vih.bmiHeader.biCompression = MakeFourCC('d', 'v', 's', 'd');
    vih.bmiHeader.biSizeImage = is625 ? 144000 : 120000;
    AM_MEDIA_TYPE mt;
    mt.majortype = MEDIATYPE_Video;
    mt.subtype = MEDIASUBTYPE_dvsd;
    mt.bFixedSizeSamples = true;
    mt.lSampleSize = vih.bmiHeader.biSizeImage;
    mt.SetFormat(FORMAT_VideoInfo, vih);
    return mt;
}

// Runs the graph until the sinks have seen the end of their streams, then stops it.
inline void RunToEnd(FilterGraph* graph, std::initializer_list<CopySink*> sinks)
{
    ASSERT_EQ(graph->Run(), S_OK);
    for (CopySink* sink : sinks)
        EXPECT_TRUE(sink->WaitForEnd());
    EXPECT_EQ(graph->Stop(), S_OK);
}

} // namespace camtrove::media::dvtesting
