#include "filters/deinter.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <random>
#include <vector>

namespace {

using namespace camtrove::filters;

constexpr int kWidth = 720;
constexpr int kHeight = 576;
constexpr int kStride = kWidth * 3;

// A PAL still with noise on every pixel, so that the comb test and the repair both have work to do.
std::vector<std::uint8_t> NoisyPicture()
{
    std::vector<std::uint8_t> bytes(std::size_t(kStride) * kHeight);
    std::mt19937 random(1394);
    std::uniform_int_distribution<int> byte(0, 255);
    for (std::uint8_t& b : bytes)
        b = std::uint8_t(byte(random));
    return bytes;
}

void BM_DeinterlacePal(benchmark::State& state)
{
    std::vector<std::uint8_t> source = NoisyPicture();
    std::vector<std::uint8_t> destination(source.size());
    const PictureView in = BottomUpPicture(source.data(), kWidth, kHeight, 24, kStride);
    const PictureView out = BottomUpPicture(destination.data(), kWidth, kHeight, 24, kStride);
    for (auto _ : state) {
        benchmark::DoNotOptimize(DeinterlacePicture(in, out));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(source.size()));
}
BENCHMARK(BM_DeinterlacePal);

void BM_MirrorPal(benchmark::State& state)
{
    std::vector<std::uint8_t> picture = NoisyPicture();
    const PictureView view = BottomUpPicture(picture.data(), kWidth, kHeight, 24, kStride);
    for (auto _ : state) {
        MirrorPicture(view);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(picture.size()));
}
BENCHMARK(BM_MirrorPal);

} // namespace
