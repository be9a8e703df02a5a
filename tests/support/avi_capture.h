#pragma once
// Writing AVI files through the real multiplexer and file writer in tests, and reading them back
// with libavformat, an independent reader. Header-only: the test programs that include it link the
// media framework and FFmpeg themselves.

#include "media/base/source_stream_pin.h"
#include "media/core/filter_graph.h"
#include "media/core/guids.h"
#include "media/stock/avi_mux.h"
#include "media/stock/file_writer.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <QString>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace camtrove::testsupport {

using namespace camtrove::media;

inline const GUID CLSID_BufferSource = MakeGuid("6A1C0001-0000-4000-8000-00CA37120010");

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

// Delivers the given buffers one per sample, on its own streaming thread, each a sync point lasting
// `duration`, then ends the stream; with a count, goes round the buffers until that many are out.
class BufferSource final : public TBCBaseFilter
{
public:
    BufferSource(AM_MEDIA_TYPE type, std::vector<std::vector<std::uint8_t>> buffers, REFERENCE_TIME duration,
                 std::size_t count = 0)
        : TBCBaseFilter(QStringLiteral("Buffer source"), &m_lock, CLSID_BufferSource),
          m_type(std::move(type)), m_buffers(std::move(buffers)), m_duration(duration),
          m_count(count > 0 ? count : m_buffers.size())
    {
        HRESULT hr = S_OK;
        m_pin = std::make_unique<BufferSourcePin>(this, &m_lock, &hr);
    }
    int GetPinCount() override { return 1; }
    TBCBasePin* GetPin(int index) override { return index == 0 ? m_pin.get() : nullptr; }
    HRESULT Pause() override
    {
        if (IsStopped()) {
            m_next = 0;
            NoteFilled(0);
        }
        return TBCBaseFilter::Pause();
    }

    AM_MEDIA_TYPE m_type;
    std::vector<std::vector<std::uint8_t>> m_buffers;
    REFERENCE_TIME m_duration;
    std::size_t m_count;
    std::size_t m_next = 0; // streaming thread only while running

    // Waits (bounded) until `count` samples have been filled in this run.
    bool WaitFilled(std::size_t count)
    {
        std::unique_lock lock(m_filledMutex);
        return m_filledChanged.wait_for(lock, std::chrono::seconds(20), [&] { return m_filled >= count; });
    }
    void NoteFilled(std::size_t filled)
    {
        {
            std::lock_guard lock(m_filledMutex);
            m_filled = filled;
        }
        m_filledChanged.notify_all();
    }

private:
    TBCCritSec m_lock;
    std::unique_ptr<BufferSourcePin> m_pin;
    std::mutex m_filledMutex;
    std::condition_variable m_filledChanged;
    std::size_t m_filled = 0;
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
    for (const auto& buffer : m_source->m_buffers)
        largest = std::max(largest, buffer.size());
    request->cBuffers = std::max(request->cBuffers, 4);
    request->cbBuffer = std::max(request->cbBuffer, static_cast<std::int32_t>(largest));
    ALLOCATOR_PROPERTIES actual;
    return allocator->SetProperties(*request, &actual);
}

inline HRESULT BufferSourcePin::FillBuffer(IMediaSample* sample)
{
    if (m_source->m_next >= m_source->m_count || m_source->m_buffers.empty())
        return S_FALSE;
    const std::size_t index = m_source->m_next++;
    const auto& buffer = m_source->m_buffers[index % m_source->m_buffers.size()];
    std::uint8_t* data = nullptr;
    (void)sample->GetPointer(&data);
    std::copy(buffer.begin(), buffer.end(), data);
    (void)sample->SetActualDataLength(static_cast<std::int32_t>(buffer.size()));
    const REFERENCE_TIME start = static_cast<REFERENCE_TIME>(index) * m_source->m_duration;
    const REFERENCE_TIME stop = start + m_source->m_duration;
    (void)sample->SetTime(&start, &stop);
    (void)sample->SetSyncPoint(true);
    m_source->NoteFilled(index + 1);
    return S_OK;
}

// A file that takes `capacity` bytes and no more, like a disk that fills up: a write that would
// pass it writes what fits and fails with E_DISK_FULL. Cutting the file frees the space again.
class FullingSinkFile final : public SinkFile
{
public:
    explicit FullingSinkFile(std::uint64_t capacity) : m_inner(MakeLocalSinkFile()), m_capacity(capacity) {}

    HRESULT Open(const QString& path) override { return m_inner->Open(path); }
    void Close() override { m_inner->Close(); }
    bool IsOpen() const override { return m_inner->IsOpen(); }
    HRESULT WriteAt(std::uint64_t position, const std::uint8_t* data, std::size_t size) override
    {
        if (position + size <= m_capacity)
            return m_inner->WriteAt(position, data, size);
        if (position < m_capacity)
            (void)m_inner->WriteAt(position, data, static_cast<std::size_t>(m_capacity - position));
        ++m_failures;
        return E_DISK_FULL;
    }
    HRESULT ReadAt(std::uint64_t position, std::uint8_t* data, std::size_t size, std::size_t* read) override
    {
        return m_inner->ReadAt(position, data, size, read);
    }
    HRESULT Truncate(std::uint64_t size) override { return m_inner->Truncate(size); }

    int m_failures = 0;

private:
    std::unique_ptr<SinkFile> m_inner;
    std::uint64_t m_capacity;
};

// Sources, each into the next free input of an AVI Mux, whose output feeds a File Writer, the way
// the capture builder makes them for an AVI file.
struct AviCaptureGraph
{
    ComPtr<FilterGraph> graph = FilterGraph::Create(nullptr);
    ComPtr<AviMux> mux = AviMux::Create();
    ComPtr<FileWriter> writer;
    std::vector<ComPtr<BufferSource>> sources;

    explicit AviCaptureGraph(const QString& fileName, std::unique_ptr<SinkFile> file = MakeLocalSinkFile())
        : writer(FileWriter::Create(std::move(file)))
    {
        (void)graph->AddFilter(mux.Get(), QStringLiteral("AVI Mux"));
        (void)graph->AddFilter(writer.Get(), QStringLiteral("File writer"));
        (void)graph->ConnectDirect(mux->GetPin(0), writer->GetPin(0), nullptr);
        (void)writer->SetFileName(fileName, nullptr);
    }
    ~AviCaptureGraph() { (void)graph->Stop(); }

    [[nodiscard]] HRESULT AddSource(AM_MEDIA_TYPE type, std::vector<std::vector<std::uint8_t>> buffers,
                                    REFERENCE_TIME duration, std::size_t count = 0)
    {
        sources.push_back(
            ComPtr<BufferSource>(new BufferSource(std::move(type), std::move(buffers), duration, count)));
        BufferSource* source = sources.back().Get();
        HRESULT hr = graph->AddFilter(source, QStringLiteral("Source %1").arg(sources.size()));
        if (Failed(hr))
            return hr;
        return graph->ConnectDirect(source->GetPin(0), mux->GetPin(mux->GetPinCount() - 1), nullptr);
    }

    // Runs until the writer completes or an error is raised, then stops; the events seen.
    std::vector<std::pair<std::int32_t, LONG_PTR>> RunToEnd()
    {
        std::vector<std::pair<std::int32_t, LONG_PTR>> events;
        if (Failed(graph->Run()))
            return events;
        for (;;) {
            std::int32_t code = 0;
            LONG_PTR p1 = 0, p2 = 0;
            if (graph->GetEvent(&code, &p1, &p2, 20000) != S_OK)
                break;
            events.emplace_back(code, p1);
            if (code == EC_COMPLETE || code == EC_ERRORABORT)
                break;
        }
        (void)graph->Stop();
        std::int32_t code = 0;
        LONG_PTR p1 = 0, p2 = 0;
        while (graph->GetEvent(&code, &p1, &p2, 0) == S_OK)
            events.emplace_back(code, p1);
        return events;
    }
};

struct AvStream
{
    AVMediaType type = AVMEDIA_TYPE_UNKNOWN;
    AVCodecID codec = AV_CODEC_ID_NONE;
    int sampleRate = 0;
    int channels = 0;
    AVRational frameRate{0, 1};
    int width = 0;
    int height = 0;
    AVRational sampleAspect{0, 1};
    std::vector<std::vector<std::uint8_t>> packets;
    std::uint64_t bytes = 0;
};

// Every stream of the file and every packet libavformat reads from it, in order; empty when the
// file does not open.
[[nodiscard]] inline std::vector<AvStream> ReadWithLibav(const std::string& path)
{
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0)
        return {};
    std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> context(
        raw, [](AVFormatContext* c) { avformat_close_input(&c); });
    if (avformat_find_stream_info(context.get(), nullptr) < 0)
        return {};
    std::vector<AvStream> streams;
    // A demuxer may find a stream only when its first packet comes (DV audio inside an AVI does).
    const auto describe = [&](unsigned count) {
        for (unsigned i = static_cast<unsigned>(streams.size()); i < count; ++i) {
            const AVStream* s = context->streams[i];
            AvStream& d = streams.emplace_back();
            d.type = s->codecpar->codec_type;
            d.codec = s->codecpar->codec_id;
            d.sampleRate = s->codecpar->sample_rate;
            d.channels = s->codecpar->ch_layout.nb_channels;
            d.frameRate = s->avg_frame_rate;
            d.width = s->codecpar->width;
            d.height = s->codecpar->height;
            d.sampleAspect = s->codecpar->sample_aspect_ratio;
        }
    };
    describe(context->nb_streams);
    std::unique_ptr<AVPacket, void (*)(AVPacket*)> packet(av_packet_alloc(),
                                                          [](AVPacket* p) { av_packet_free(&p); });
    while (av_read_frame(context.get(), packet.get()) >= 0) {
        describe(context->nb_streams);
        AvStream& s = streams[static_cast<std::size_t>(packet->stream_index)];
        s.packets.emplace_back(packet->data, packet->data + packet->size);
        s.bytes += static_cast<std::uint64_t>(packet->size);
        av_packet_unref(packet.get());
    }
    return streams;
}

// The top-level RIFF chunks of a file, read without any AVI library: their list types in order.
[[nodiscard]] inline std::vector<std::string> RiffSegments(const std::string& path)
{
    std::vector<std::string> segments;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return segments;
    std::uint64_t position = 0;
    for (;;) {
        std::uint8_t head[12];
        if (std::fseek(f, static_cast<long>(position), SEEK_SET) != 0 || std::fread(head, 1, 12, f) != 12)
            break;
        if (std::string(reinterpret_cast<char*>(head), 4) != "RIFF")
            break;
        const std::uint32_t size =
            head[4] | head[5] << 8 | head[6] << 16 | static_cast<std::uint32_t>(head[7]) << 24;
        segments.emplace_back(reinterpret_cast<char*>(head + 8), 4);
        position += 8 + size + (size & 1);
    }
    std::fclose(f);
    return segments;
}

} // namespace camtrove::testsupport
