// The inlay filter on full PAL frames: the copy into the canvas, two outlined lines and the copy
// out, as every frame of a DV capture with the date inlaid pays it.
#include "filters/ct_superposer.h"
#include "media/core/guids.h"
#include "media/core/mem_allocator.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>
#include <cstring>

namespace {

using namespace camtrove;
using namespace camtrove::filters;
using namespace camtrove::media;

constexpr int kWidth = 720;
constexpr int kHeight = 576;
constexpr REFERENCE_TIME kFrame = 400000;

void BM_InlayPalTwoLinesBorder2(benchmark::State& state)
{
    auto filter = ComPtr<Tct_Superposer>(new Tct_Superposer());
    const AM_MEDIA_TYPE type = MakeVideoType(MEDIASUBTYPE_RGB24, kWidth, kHeight, kFrame);
    (void)filter->InputPin()->SetMediaType(type);
    if (filter->StartStreaming() != S_OK) {
        state.SkipWithError("the filter did not start");
        return;
    }
    TincrustRec rec;
    rec.WhatIncrust = wiReal;
    rec.FormatDate1 = QStringLiteral("dddddd");
    rec.FormatDate2 = QStringLiteral("hh:nn:ss");
    rec.FontRec = TfontRecord{QStringLiteral("Arial"), 21, 0xFFFFFF, true, false, false, false};
    rec.Autofontsize = true;
    rec.BorderSize = 2;
    rec.Alignment = iaRight;
    rec.Xpos = 950;
    rec.Ypos = 880;
    filter->SetIncrustRec(rec);
    filter->SetInlayEnabled(true);
    double now = 45000.5;
    filter->SetClock([&now] { return now; });

    auto allocator = MemAllocator::Create();
    const ALLOCATOR_PROPERTIES request{2, std::int32_t(type.lSampleSize), 1, 0};
    ALLOCATOR_PROPERTIES actual;
    (void)allocator->SetProperties(request, &actual);
    (void)allocator->Commit();
    ComPtr<IMediaSample> input;
    ComPtr<IMediaSample> output;
    (void)allocator->GetBuffer(&input, nullptr, nullptr, 0);
    (void)allocator->GetBuffer(&output, nullptr, nullptr, 0);
    std::uint8_t* data = nullptr;
    (void)input->GetPointer(&data);
    for (std::int32_t i = 0; i < input->GetSize(); ++i)
        data[i] = std::uint8_t(i * 7);
    (void)input->SetActualDataLength(std::int32_t(type.lSampleSize));

    REFERENCE_TIME start = 0;
    for (auto _ : state) {
        const REFERENCE_TIME stop = start + kFrame;
        (void)input->SetTime(&start, &stop);
        now += 1.0 / 86400.0 / 25.0; // the second line changes every second
        benchmark::DoNotOptimize(filter->Transform(input.Get(), output.Get()));
        start = stop;
    }
    state.SetItemsProcessed(std::int64_t(state.iterations()));
}
BENCHMARK(BM_InlayPalTwoLinesBorder2)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv); // the fonts
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
