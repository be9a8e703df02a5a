// Writes a 5 GiB DV type 1 AVI through the AVI Mux and the File Writer as fast as the graph takes
// frames, then counts the frames libavformat reads back. The file goes to $CAMTROVE_BENCH_DIR (or
// the working folder) and is deleted afterwards; check the free space first.
//
//   CAMTROVE_BENCH_DIR=/work/tmp build/test/bench/avi_mux_bench

#include "media/base/source_stream_pin.h"
#include "media/core/filter_graph.h"
#include "media/core/guids.h"
#include "media/stock/avi_mux.h"
#include "media/stock/file_writer.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <QDir>
#include <QFile>

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <vector>

namespace camtrove::media {
namespace {

constexpr std::uint64_t kFileBytes = 5ull << 30;
constexpr std::size_t kFrameBytes = 144000;
const GUID CLSID_RepeatingDvSource = MakeGuid("6A1C0001-0000-4000-8000-00CA37120020");

// One 625/50 DV frame from libavcodec's encoder: a grey picture.
std::vector<std::uint8_t> EncodeDvFrame()
{
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_DVVIDEO);
    std::unique_ptr<AVCodecContext, void (*)(AVCodecContext*)> context(
        avcodec_alloc_context3(codec), [](AVCodecContext* c) { avcodec_free_context(&c); });
    context->width = 720;
    context->height = 576;
    context->pix_fmt = AV_PIX_FMT_YUV420P;
    context->time_base = {1, 25};
    if (avcodec_open2(context.get(), codec, nullptr) < 0)
        throw std::runtime_error("no dvvideo encoder");
    std::unique_ptr<AVFrame, void (*)(AVFrame*)> frame(av_frame_alloc(),
                                                       [](AVFrame* f) { av_frame_free(&f); });
    frame->width = 720;
    frame->height = 576;
    frame->format = AV_PIX_FMT_YUV420P;
    (void)av_frame_get_buffer(frame.get(), 0);
    for (int plane = 0; plane < 3; ++plane)
        for (int y = 0; y < (plane == 0 ? 576 : 288); ++y)
            std::fill_n(frame->data[plane] + y * frame->linesize[plane], plane == 0 ? 720 : 360,
                        static_cast<std::uint8_t>(plane == 0 ? 100 + y / 8 : 128));
    std::unique_ptr<AVPacket, void (*)(AVPacket*)> packet(av_packet_alloc(),
                                                          [](AVPacket* p) { av_packet_free(&p); });
    if (avcodec_send_frame(context.get(), frame.get()) < 0 ||
        avcodec_receive_packet(context.get(), packet.get()) < 0)
        throw std::runtime_error("dvvideo encode failed");
    return std::vector<std::uint8_t>(packet->data, packet->data + packet->size);
}

class RepeatingDvSource;

class RepeatingDvPin final : public SourceStreamPin
{
public:
    RepeatingDvPin(RepeatingDvSource* filter, TBCCritSec* lock, HRESULT* hr);
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override;
    HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

protected:
    HRESULT FillBuffer(IMediaSample* sample) override;

private:
    RepeatingDvSource* m_source;
};

// Delivers the same interleaved DV frame `count` times, unclocked.
class RepeatingDvSource final : public TBCBaseFilter
{
public:
    RepeatingDvSource(std::vector<std::uint8_t> frame, std::uint64_t count)
        : TBCBaseFilter(QStringLiteral("Repeating DV source"), &m_lock, CLSID_RepeatingDvSource),
          m_frame(std::move(frame)), m_count(count)
    {
        HRESULT hr = S_OK;
        m_pin = std::make_unique<RepeatingDvPin>(this, &m_lock, &hr);
        m_type.majortype = MEDIATYPE_Interleaved;
        m_type.subtype = MEDIASUBTYPE_dvsd;
        m_type.formattype = FORMAT_DvInfo;
        m_type.format.assign(32, 0);
    }
    int GetPinCount() override { return 1; }
    TBCBasePin* GetPin(int index) override { return index == 0 ? m_pin.get() : nullptr; }

    AM_MEDIA_TYPE m_type;
    std::vector<std::uint8_t> m_frame;
    std::uint64_t m_count;
    std::uint64_t m_delivered = 0;

private:
    TBCCritSec m_lock;
    std::unique_ptr<RepeatingDvPin> m_pin;
};

RepeatingDvPin::RepeatingDvPin(RepeatingDvSource* filter, TBCCritSec* lock, HRESULT* hr)
    : SourceStreamPin(QStringLiteral("Repeating DV pin"), filter, lock, hr, QStringLiteral("Out")),
      m_source(filter)
{
}

HRESULT RepeatingDvPin::CheckMediaType(const AM_MEDIA_TYPE& type)
{
    return type == m_source->m_type ? S_OK : S_FALSE;
}

HRESULT RepeatingDvPin::GetMediaType(int position, AM_MEDIA_TYPE* type)
{
    if (position != 0)
        return VFW_S_NO_MORE_ITEMS;
    *type = m_source->m_type;
    return S_OK;
}

HRESULT RepeatingDvPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request)
{
    request->cBuffers = 4;
    request->cbBuffer = static_cast<std::int32_t>(kFrameBytes);
    ALLOCATOR_PROPERTIES actual;
    return allocator->SetProperties(*request, &actual);
}

HRESULT RepeatingDvPin::FillBuffer(IMediaSample* sample)
{
    if (m_source->m_delivered >= m_source->m_count)
        return S_FALSE;
    const REFERENCE_TIME start = static_cast<REFERENCE_TIME>(m_source->m_delivered++) * 400000;
    const REFERENCE_TIME stop = start + 400000;
    std::uint8_t* data = nullptr;
    (void)sample->GetPointer(&data);
    std::copy(m_source->m_frame.begin(), m_source->m_frame.end(), data);
    (void)sample->SetActualDataLength(static_cast<std::int32_t>(m_source->m_frame.size()));
    (void)sample->SetTime(&start, &stop);
    (void)sample->SetSyncPoint(true);
    return S_OK;
}

std::uint64_t CountFramesWithLibav(const std::string& path)
{
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0)
        return 0;
    std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> context(
        raw, [](AVFormatContext* c) { avformat_close_input(&c); });
    if (avformat_find_stream_info(context.get(), nullptr) < 0)
        return 0;
    std::unique_ptr<AVPacket, void (*)(AVPacket*)> packet(av_packet_alloc(),
                                                          [](AVPacket* p) { av_packet_free(&p); });
    std::uint64_t frames = 0;
    while (av_read_frame(context.get(), packet.get()) >= 0) {
        if (context->streams[packet->stream_index]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
            ++frames;
        av_packet_unref(packet.get());
    }
    return frames;
}

void BM_WriteDvType1Avi5GiB(benchmark::State& state)
{
    const std::vector<std::uint8_t> frame = EncodeDvFrame();
    const std::uint64_t count = kFileBytes / (frame.size() + 8);
    const char* dir = std::getenv("CAMTROVE_BENCH_DIR");
    const QString path =
        QDir(dir ? QString::fromLocal8Bit(dir) : QDir::currentPath()).filePath("avi_mux_bench.avi");
    for (auto _ : state) {
        auto graph = FilterGraph::Create(nullptr);
        ComPtr<RepeatingDvSource> source(new RepeatingDvSource(frame, count));
        auto mux = AviMux::Create();
        auto writer = FileWriter::Create();
        (void)graph->AddFilter(source.Get(), QStringLiteral("Source"));
        (void)graph->AddFilter(mux.Get(), QStringLiteral("AVI Mux"));
        (void)graph->AddFilter(writer.Get(), QStringLiteral("File writer"));
        if (Failed(graph->ConnectDirect(mux->GetPin(0), writer->GetPin(0), nullptr)) ||
            Failed(writer->SetFileName(path, nullptr)) ||
            Failed(graph->ConnectDirect(source->GetPin(0), mux->GetPin(1), nullptr)) ||
            Failed(graph->Run())) {
            state.SkipWithError("the graph did not build");
            return;
        }
        std::int32_t code = 0;
        LONG_PTR p1 = 0, p2 = 0;
        const bool ended = graph->GetEvent(&code, &p1, &p2, 600000) == S_OK;
        (void)graph->Stop();
        if (!ended || code != EC_COMPLETE) {
            state.SkipWithError("the capture did not complete");
            break;
        }
        state.PauseTiming();
        const std::uint64_t read = CountFramesWithLibav(path.toStdString());
        state.counters["frames_written"] = static_cast<double>(count);
        state.counters["frames_read_back"] = static_cast<double>(read);
        state.counters["file_GiB"] = static_cast<double>(QFile(path).size()) / (1ull << 30);
        if (read != count)
            state.SkipWithError("libavformat read a different number of frames");
        state.ResumeTiming();
    }
    QFile::remove(path);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * count * frame.size()));
}
BENCHMARK(BM_WriteDvType1Avi5GiB)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace
} // namespace camtrove::media
