// The scene detection filter on real-sized DV frames with date, timecode and audio packs: the
// per-frame work of every DV capture, before any decoder.
#include "filters/ct_scene_detect.h"
#include "media/core/mem_allocator.h"
#include "support/dv_frame_forge.h"

#include <benchmark/benchmark.h>
#include <cstring>

namespace {

using namespace camtrove::filters;
using namespace camtrove::media;
using camtrove::testsupport::DvFrameForge;
using camtrove::testsupport::DvLines;

constexpr REFERENCE_TIME kFrame = 400000;

void BM_SceneDetectPalFrame(benchmark::State& state)
{
    auto filter = ComPtr<Tct_SceneDetect>(new Tct_SceneDetect());
    const auto frame = DvFrameForge::Bare(DvLines::System625)
                           .RecDate(2024, 7, 8, 19, 55, 58)
                           .Timecode(1, 2, 3, 4)
                           .SourceControl(0, 0)
                           .AudioSource(0, 0)
                           .Take();
    auto allocator = MemAllocator::Create();
    const ALLOCATOR_PROPERTIES request{1, std::int32_t(frame.size()), 1, 0};
    ALLOCATOR_PROPERTIES actual;
    (void)allocator->SetProperties(request, &actual);
    (void)allocator->Commit();
    ComPtr<IMediaSample> sample;
    (void)allocator->GetBuffer(&sample, nullptr, nullptr, 0);
    std::uint8_t* data = nullptr;
    (void)sample->GetPointer(&data);
    std::memcpy(data, frame.data(), frame.size());
    (void)sample->SetActualDataLength(std::int32_t(frame.size()));

    REFERENCE_TIME start = 0;
    for (auto _ : state) {
        const REFERENCE_TIME stop = start + kFrame;
        (void)sample->SetTime(&start, &stop);
        benchmark::DoNotOptimize(filter->Transform(sample.Get()));
        start = stop;
    }
    state.SetItemsProcessed(std::int64_t(state.iterations()));
}
BENCHMARK(BM_SceneDetectPalFrame);

} // namespace
