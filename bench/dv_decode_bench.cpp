// DV decoding speed: the DV Video Decoder giving full-size RGB24 in a running graph, against
// libavcodec's own dvvideo decoder in a plain loop (what `ffmpeg -i file.dv -f null -` measures:
// decoding only, on every core). Frames are the test camcorder's synthetic tape, 625/50.
//
//   build/release/bench/dv_decode_bench --benchmark_min_time=3

#include "media/base/source_stream_pin.h"
#include "media/core/filter_graph.h"
#include "media/core/guids.h"
#include "media/devices/test_tape.h"
#include "media/stock/dv_video_decoder.h"
#include "media/stock/null_renderer.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <benchmark/benchmark.h>
#include <condition_variable>
#include <cstring>
#include <mutex>

namespace camtrove::media {
namespace {

constexpr int kFrames = 250;

std::vector<std::vector<std::uint8_t>> TapeFrames()
{
    TestTape tape(TapeSystem::Pal);
    std::vector<std::vector<std::uint8_t>> frames(25);
    for (std::size_t i = 0; i < frames.size(); ++i)
        (void)tape.RenderFrame(static_cast<int>(i) * 7, frames[i]);
    return frames;
}

const std::vector<std::vector<std::uint8_t>>& Frames()
{
    static const auto frames = TapeFrames();
    return frames;
}

AM_MEDIA_TYPE DvsdType()
{
    VIDEOINFOHEADER vih;
    vih.AvgTimePerFrame = 400000;
    vih.bmiHeader.biWidth = 720;
    vih.bmiHeader.biHeight = 576;
    vih.bmiHeader.biBitCount = 24;
    vih.bmiHeader.biCompression = MakeFourCC('d', 'v', 's', 'd');
    vih.bmiHeader.biSizeImage = 144000;
    AM_MEDIA_TYPE mt;
    mt.majortype = MEDIATYPE_Video;
    mt.subtype = MEDIASUBTYPE_dvsd;
    mt.bFixedSizeSamples = true;
    mt.lSampleSize = 144000;
    mt.SetFormat(FORMAT_VideoInfo, vih);
    return mt;
}

const GUID CLSID_BenchDvSource = MakeGuid("6A1C0003-0000-4000-8000-00CA37120001");

class FrameSource;

class FramePin final : public SourceStreamPin
{
public:
    FramePin(FrameSource* filter, TBCCritSec* lock, HRESULT* hr);
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override { return type == DvsdType() ? S_OK : S_FALSE; }
    HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type) override
    {
        if (position != 0)
            return VFW_S_NO_MORE_ITEMS;
        *type = DvsdType();
        return S_OK;
    }
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override
    {
        request->cBuffers = std::max(request->cBuffers, 4);
        request->cbBuffer = std::max(request->cbBuffer, 144000);
        ALLOCATOR_PROPERTIES actual;
        return allocator->SetProperties(*request, &actual);
    }

protected:
    HRESULT FillBuffer(IMediaSample* sample) override;

private:
    int m_next = 0;
};

// Delivers kFrames tape frames unclocked, as a camcorder playing a file in batch mode does.
class FrameSource final : public TBCBaseFilter
{
public:
    FrameSource() : TBCBaseFilter(QStringLiteral("Bench source"), &m_lock, CLSID_BenchDvSource)
    {
        HRESULT hr = S_OK;
        m_pin = std::make_unique<FramePin>(this, &m_lock, &hr);
    }
    int GetPinCount() override { return 1; }
    TBCBasePin* GetPin(int index) override { return index == 0 ? m_pin.get() : nullptr; }

private:
    TBCCritSec m_lock;
    std::unique_ptr<FramePin> m_pin;
};

FramePin::FramePin(FrameSource* filter, TBCCritSec* lock, HRESULT* hr)
    : SourceStreamPin(QStringLiteral("Bench source pin"), filter, lock, hr, QStringLiteral("Out"))
{
}

HRESULT FramePin::FillBuffer(IMediaSample* sample)
{
    if (m_next >= kFrames)
        return S_FALSE;
    const auto& frame = Frames()[static_cast<std::size_t>(m_next) % Frames().size()];
    std::uint8_t* data = nullptr;
    (void)sample->GetPointer(&data);
    std::memcpy(data, frame.data(), frame.size());
    (void)sample->SetActualDataLength(static_cast<std::int32_t>(frame.size()));
    const REFERENCE_TIME start = m_next * 400000LL, stop = start + 400000;
    (void)sample->SetTime(&start, &stop);
    ++m_next;
    return S_OK;
}

// kFrames frames through source -> DV Video Decoder (full-size RGB24) -> Null Renderer.
void BM_DvVideoDecoderToRgb24(benchmark::State& state)
{
    (void)Frames();
    for (auto _ : state) {
        state.PauseTiming();
        auto graph = FilterGraph::Create();
        ComPtr<FrameSource> source(new FrameSource());
        auto decoder = DvVideoDecoder::Create();
        auto renderer = NullRenderer::Create();
        (void)graph->AddFilter(source.Get(), "source");
        (void)graph->AddFilter(decoder.Get(), "decoder");
        (void)graph->AddFilter(renderer.Get(), "renderer");
        (void)graph->ConnectDirect(source->GetPin(0), decoder->GetPin(0), nullptr);
        AM_MEDIA_TYPE rgb = MakeVideoType(MEDIASUBTYPE_RGB24, 720, 576, 400000);
        if (graph->ConnectDirect(decoder->GetPin(1), renderer->GetPin(0), &rgb) != S_OK) {
            state.SkipWithError("cannot connect the decoder");
            return;
        }
        state.ResumeTiming();
        (void)graph->Run();
        std::int32_t code = 0;
        LONG_PTR p1 = 0, p2 = 0;
        while (graph->GetEvent(&code, &p1, &p2, 60000) == S_OK && code != EC_COMPLETE) {
        }
        state.PauseTiming();
        (void)graph->Stop();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
}
BENCHMARK(BM_DvVideoDecoderToRgb24)->Unit(benchmark::kMillisecond)->UseRealTime();
// The work each frame costs over every thread of the process, which other load on the machine
// disturbs far less than wall time: compare these two rates when the machine is busy.
BENCHMARK(BM_DvVideoDecoderToRgb24)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// The same frames through libavcodec's dvvideo decoder alone, threads as ffmpeg sets them.
void BM_LibavcodecDvDecode(benchmark::State& state)
{
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_DVVIDEO);
    AVCodecContext* context = avcodec_alloc_context3(codec);
    context->thread_count = 0;
    if (avcodec_open2(context, codec, nullptr) < 0) {
        state.SkipWithError("cannot open dvvideo");
        return;
    }
    std::vector<std::vector<std::uint8_t>> padded;
    for (const auto& frame : Frames()) {
        padded.push_back(frame);
        padded.back().resize(frame.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
    }
    AVPacket* packet = av_packet_alloc();
    AVFrame* picture = av_frame_alloc();
    for (auto _ : state) {
        for (int i = 0; i < kFrames; ++i) {
            auto& data = padded[static_cast<std::size_t>(i) % padded.size()];
            packet->data = data.data();
            packet->size = static_cast<int>(data.size() - AV_INPUT_BUFFER_PADDING_SIZE);
            if (avcodec_send_packet(context, packet) >= 0)
                while (avcodec_receive_frame(context, picture) >= 0)
                    av_frame_unref(picture);
        }
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
    av_frame_free(&picture);
    av_packet_free(&packet);
    avcodec_free_context(&context);
}
BENCHMARK(BM_LibavcodecDvDecode)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LibavcodecDvDecode)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

} // namespace
} // namespace camtrove::media
