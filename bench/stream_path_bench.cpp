// The framework's cost per sample on the path a capture preview takes: source → in-place
// transform → tee → two null renderers, with PAL-sized (144000-byte) samples. The transform
// and the renderers do no work, so what is measured is the framework: buffers, reference
// counts, locks, state checks and the tee's fan-out.

#include "media/base/source_stream_pin.h"
#include "media/base/trans_in_place_filter.h"
#include "media/core/filter_graph.h"
#include "media/core/guids.h"
#include "media/stock/infinite_pin_tee.h"
#include "media/stock/null_renderer.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <memory>

namespace {

using namespace camtrove;
using namespace camtrove::media;

constexpr std::int32_t kSampleSize = 144000;
constexpr int kBatch = 5000;

AM_MEDIA_TYPE StreamType()
{
    AM_MEDIA_TYPE type;
    type.majortype = MEDIATYPE_Video;
    type.subtype = MEDIASUBTYPE_dvsd;
    type.formattype = FORMAT_None;
    type.bFixedSizeSamples = true;
    type.lSampleSize = kSampleSize;
    return type;
}

// An output pin that delivers samples of kSampleSize, either when the benchmark pushes one or,
// as a capture source does, on its own streaming thread until `limit` samples are out.
class BenchSourcePin final : public SourceStreamPin
{
public:
    BenchSourcePin(TBCBaseFilter* filter, TBCCritSec* lock, HRESULT* hr)
        : SourceStreamPin(QStringLiteral("Bench source pin"), filter, lock, hr, QStringLiteral("Out"))
    {
    }
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override
    {
        return type == StreamType() ? S_OK : S_FALSE;
    }
    HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type) override
    {
        if (position != 0)
            return VFW_S_NO_MORE_ITEMS;
        *type = StreamType();
        return S_OK;
    }
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override
    {
        request->cBuffers = std::max(request->cBuffers, 4);
        request->cbBuffer = std::max(request->cbBuffer, kSampleSize);
        ALLOCATOR_PROPERTIES actual;
        return allocator->SetProperties(*request, &actual);
    }
    // The benchmark's thread, while the streaming thread is idle.
    HRESULT Push()
    {
        ComPtr<IMediaSample> sample;
        const HRESULT hr = GetDeliveryBuffer(&sample, nullptr, nullptr, 0);
        if (Failed(hr))
            return hr;
        (void)FillBuffer(sample.Get());
        return Deliver(sample.Get());
    }

    bool threaded = false;
    int limit = 0;
    int delivered = 0;

protected:
    HRESULT FillBuffer(IMediaSample* sample) override
    {
        if (threaded && delivered >= limit)
            return S_FALSE;
        ++delivered;
        const REFERENCE_TIME start = REFERENCE_TIME(delivered) * 400000, stop = start + 400000;
        (void)sample->SetTime(&start, &stop);
        (void)sample->SetSyncPoint(true);
        return sample->SetActualDataLength(kSampleSize);
    }
    void OnThreadStart() override
    {
        if (!threaded)
            (void)WaitFor(std::chrono::hours(1)); // idle until Stop: the benchmark pushes
    }
};

class BenchSource final : public TBCBaseFilter
{
public:
    BenchSource() : TBCBaseFilter(QStringLiteral("Bench source"), &m_lock, GUID_NULL)
    {
        HRESULT hr = S_OK;
        m_pin = std::make_unique<BenchSourcePin>(this, &m_lock, &hr);
    }
    int GetPinCount() override { return 1; }
    TBCBasePin* GetPin(int index) override { return index == 0 ? m_pin.get() : nullptr; }
    BenchSourcePin* Pin() { return m_pin.get(); }

private:
    TBCCritSec m_lock;
    std::unique_ptr<BenchSourcePin> m_pin;
};

class PassThrough final : public TBCTransInPlaceFilter
{
public:
    PassThrough() : TBCTransInPlaceFilter(QStringLiteral("Pass-through"), GUID_NULL, false) {}
    HRESULT CheckInputType(const AM_MEDIA_TYPE&) override { return S_OK; }
    HRESULT Transform(IMediaSample*) override { return S_OK; }
};

struct PathGraph
{
    PathGraph()
    {
        (void)graph->AddFilter(source.Get(), "Source");
        (void)graph->AddFilter(transform.Get(), "Transform");
        (void)graph->AddFilter(tee.Get(), "Tee");
        (void)graph->AddFilter(first.Get(), "First");
        (void)graph->AddFilter(second.Get(), "Second");
        const auto pin = [](TBCBaseFilter* filter, int index) {
            return static_cast<IPin*>(filter->GetPin(index));
        };
        ok = graph->ConnectDirect(pin(source.Get(), 0), pin(transform.Get(), 0), nullptr) == S_OK &&
             graph->ConnectDirect(pin(transform.Get(), 1), pin(tee.Get(), 0), nullptr) == S_OK &&
             graph->ConnectDirect(pin(tee.Get(), 1), pin(first.Get(), 0), nullptr) == S_OK &&
             graph->ConnectDirect(pin(tee.Get(), 2), pin(second.Get(), 0), nullptr) == S_OK;
    }

    ComPtr<FilterGraph> graph = FilterGraph::Create(nullptr);
    ComPtr<BenchSource> source = MakeCom<BenchSource>();
    ComPtr<PassThrough> transform = MakeCom<PassThrough>();
    ComPtr<InfinitePinTee> tee = InfinitePinTee::Create();
    ComPtr<NullRenderer> first = NullRenderer::Create();
    ComPtr<NullRenderer> second = NullRenderer::Create();
    bool ok = false;
};

// One sample through the whole path per iteration, delivered from the benchmark's thread.
void BM_PathPerSample(benchmark::State& state)
{
    PathGraph path;
    if (!path.ok || path.graph->Run() != S_OK) {
        state.SkipWithError("the graph did not build");
        return;
    }
    for (auto _ : state) {
        if (path.source->Pin()->Push() != S_OK) {
            state.SkipWithError("a sample was refused");
            break;
        }
    }
    (void)path.graph->Stop();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PathPerSample);

// The same path fed by the source's own streaming thread, as in a capture: each iteration runs
// the graph until a batch of samples reached both renderers; us_per_sample is the figure.
void BM_StreamedBatch(benchmark::State& state)
{
    PathGraph path;
    if (!path.ok) {
        state.SkipWithError("the graph did not build");
        return;
    }
    path.source->Pin()->threaded = true;
    path.source->Pin()->limit = kBatch;
    std::chrono::steady_clock::duration elapsed{};
    for (auto _ : state) {
        path.source->Pin()->delivered = 0; // the streaming thread is not running
        const auto began = std::chrono::steady_clock::now();
        if (path.graph->Run() != S_OK) {
            state.SkipWithError("the graph did not run");
            break;
        }
        std::int32_t code = 0;
        LONG_PTR p1 = 0, p2 = 0;
        int completions = 0;
        while (completions < 2 && path.graph->GetEvent(&code, &p1, &p2, 10000) == S_OK)
            completions += code == EC_COMPLETE;
        elapsed += std::chrono::steady_clock::now() - began;
        (void)path.graph->Stop();
        if (path.first->SamplesRendered() != kBatch || path.second->SamplesRendered() != kBatch) {
            state.SkipWithError("samples went missing");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
    // from Run to the second renderer's completion, divided among the samples
    const double samples = double(state.iterations()) * kBatch;
    state.counters["us_per_sample"] =
        samples > 0 ? std::chrono::duration<double, std::micro>(elapsed).count() / samples : 0.0;
}
BENCHMARK(BM_StreamedBatch)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
