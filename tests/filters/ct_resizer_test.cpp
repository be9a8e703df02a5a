#include "../media/test_filters.h"
#include "filter_test_support.h"
#include "filters/ct_resizer.h"
#include "media/core/filter_graph.h"
#include "media/core/guids.h"

#include <gtest/gtest.h>

namespace camtrove::filters {
namespace {

using namespace camtrove::media;
using media::testing::PinOf;

struct SizeCase
{
    const char* name;
    int mode;
    bool demiTaille;
    int width, height;
    int aspectX, aspectY;
    TResizeSize expected;
};

class ResizeSizeRule : public ::testing::TestWithParam<SizeCase>
{
};

TEST_P(ResizeSizeRule, GivesTheOutputSize)
{
    const SizeCase& c = GetParam();
    EXPECT_EQ(ResizeOutputSize(c.mode, c.demiTaille, c.width, c.height, c.aspectX, c.aspectY), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Resizer, ResizeSizeRule,
    ::testing::Values(SizeCase{"Pal4x3Half", rm4x3, true, 720, 576, 0, 0, {384, 288}},
                      SizeCase{"Pal4x3Full", rm4x3, false, 720, 576, 0, 0, {720, 540}},
                      SizeCase{"Pal16x9Half", rm16x9, true, 720, 576, 0, 0, {512, 288}},
                      SizeCase{"Pal16x9FullOddHeight", rm16x9, false, 720, 576, 0, 0, {704, 396}},
                      SizeCase{"Ntsc16x9Full", rm16x9, false, 720, 480, 0, 0, {704, 396}},
                      SizeCase{"Vga4x3WidthCut", rm4x3, false, 646, 480, 0, 0, {640, 480}},
                      SizeCase{"Odd4x3HeightStepsBack", rm4x3, false, 714, 576, 0, 0, {710, 532}},
                      SizeCase{"NativeHalf", rmNative, true, 640, 480, 0, 0, {320, 240}},
                      SizeCase{"NativeSmallUnchanged", rmNative, true, 352, 288, 0, 0, {352, 288}},
                      SizeCase{"NativeOddHeightEvened", rmNative, true, 300, 289, 0, 0, {150, 144}},
                      SizeCase{"NativeFullUnchanged", rmNative, false, 720, 576, 0, 0, {720, 576}},
                      SizeCase{"NormalAspectHalf", rmNormal, true, 720, 576, 4, 3, {384, 288}},
                      SizeCase{"NormalWideAspect", rmNormal, false, 720, 576, 16, 9, {720, 405}},
                      SizeCase{"NormalNoAspect", rmNormal, false, 720, 576, 0, 0, {720, 576}},
                      SizeCase{"UnknownModeUnchanged", 7, true, 720, 576, 4, 3, {720, 576}}),
    [](const auto& info) { return std::string(info.param.name); });

// A bottom-up 24-bit frame whose top half is red and bottom half blue, with green on every other
// column, and padded rows.
std::vector<std::uint8_t> TwoBandFrame(int width, int height)
{
    const int stride = (width * 3 + 3) & ~3;
    std::vector<std::uint8_t> frame(std::size_t(stride) * height, 0);
    for (int row = 0; row < height; ++row) { // row 0 in memory is the bottom of the picture
        const bool bottomHalf = row < height / 2;
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = frame.data() + std::size_t(row) * stride + std::size_t(x) * 3;
            p[0] = bottomHalf ? 255 : 0; // blue
            p[1] = x % 2 != 0 ? 255 : 0;
            p[2] = bottomHalf ? 0 : 255; // red
        }
    }
    return frame;
}

struct ResizerGraph
{
    ComPtr<FilterGraph> graph = FilterGraph::Create(nullptr);
    ComPtr<media::testing::TestSource> source;
    ComPtr<TCT_Resizer> resizer = ComPtr<TCT_Resizer>(new TCT_Resizer());
    ComPtr<media::testing::TestSink> sink = ComPtr<media::testing::TestSink>(new media::testing::TestSink());

    ResizerGraph(int width, int height, std::function<void(TCT_Resizer&)> setUp)
    {
        const AM_MEDIA_TYPE type = MakeVideoType(MEDIASUBTYPE_RGB24, width, height, 400000);
        source = ComPtr<media::testing::TestSource>(
            new media::testing::TestSource({type}, 0, std::int32_t(type.lSampleSize)));
        setUp(*resizer);
        EXPECT_EQ(graph->AddFilter(source.Get(), "Source"), S_OK);
        EXPECT_EQ(graph->AddFilter(resizer.Get(), "Resizer"), S_OK);
        EXPECT_EQ(graph->AddFilter(sink.Get(), "Sink"), S_OK);
        EXPECT_EQ(graph->ConnectDirect(PinOf(source.Get(), 0).Get(), PinOf(resizer.Get(), 0).Get(), nullptr),
                  S_OK);
        EXPECT_EQ(graph->ConnectDirect(PinOf(resizer.Get(), 1).Get(), PinOf(sink.Get(), 0).Get(), nullptr),
                  S_OK);
    }
    const VIDEOINFOHEADER* OutputFormat()
    {
        return resizer->OutputPin()->CurrentMediaType().FormatAs<VIDEOINFOHEADER>();
    }
};

TEST(Resizer, TakesRgb24VideoInfoOnly)
{
    auto resizer = ComPtr<TCT_Resizer>(new TCT_Resizer());
    EXPECT_EQ(resizer->ObjectName(), QStringLiteral("Dorn Vesk Resizer"));
    EXPECT_EQ(resizer->CheckInputType(MakeVideoType(MEDIASUBTYPE_RGB24, 64, 48, 0)), S_OK);
    EXPECT_EQ(resizer->CheckInputType(MakeVideoType(MEDIASUBTYPE_YUY2, 64, 48, 0)), VFW_E_TYPE_NOT_ACCEPTED);
    AM_MEDIA_TYPE noFormat = MakeVideoType(MEDIASUBTYPE_RGB24, 64, 48, 0);
    noFormat.formattype = FORMAT_VideoInfo2;
    EXPECT_EQ(resizer->CheckInputType(noFormat), VFW_E_TYPE_NOT_ACCEPTED);
}

TEST(Resizer, ScalesSmoothlyToTheConnectedSizeKeepingTheRowOrder)
{
    ResizerGraph g(720, 576, [](TCT_Resizer& r) {
        r.SetDemiTaille(true);
        r.SetResizeMode(rm4x3);
    });
    const VIDEOINFOHEADER* out = g.OutputFormat();
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->bmiHeader.biWidth, 384);
    EXPECT_EQ(out->bmiHeader.biHeight, 288);
    EXPECT_EQ(out->rcTarget.right, 384);
    EXPECT_EQ(out->rcSource.bottom, 288);
    EXPECT_EQ(out->bmiHeader.biSizeImage, 384u * 288u * 3u);

    const auto frame = TwoBandFrame(720, 576);
    testing::SamplePool in(std::int32_t(frame.size()), 1);
    testing::SamplePool outPool(std::int32_t(frame.size()), 1);
    auto input = in.Take(frame);
    auto output = outPool.Empty();
    ASSERT_EQ(g.resizer->Transform(input.Get(), output.Get()), S_OK);
    const auto bytes = testing::SampleBytes(output.Get());
    ASSERT_EQ(bytes.size(), 384u * 288u * 3u);
    const auto pixel = [&](int x, int row) {
        return bytes.data() + std::size_t(row) * 384 * 3 + std::size_t(x) * 3;
    };
    EXPECT_EQ(pixel(10, 10)[0], 255); // bottom rows stay blue
    EXPECT_EQ(pixel(10, 10)[2], 0);
    EXPECT_EQ(pixel(370, 280)[2], 255); // top rows stay red
    EXPECT_EQ(pixel(370, 280)[0], 0);
    // The smoothing blends the green columns; a plain pick of pixels would keep 0 or 255.
    EXPECT_GT(pixel(100, 100)[1], 0);
    EXPECT_LT(pixel(100, 100)[1], 255);
}

TEST(Resizer, CopiesFramesThatKeepTheirSize)
{
    ResizerGraph g(352, 288, [](TCT_Resizer& r) {
        r.SetDemiTaille(true);
        r.SetResizeMode(rmNative);
    });
    EXPECT_FALSE(g.resizer->NeedResize());
    EXPECT_EQ(g.OutputFormat()->bmiHeader.biWidth, 352);
    auto frame = TwoBandFrame(352, 288);
    frame[5] = 77;
    testing::SamplePool pool(std::int32_t(frame.size()), 2);
    auto input = pool.Take(frame);
    auto output = pool.Empty();
    ASSERT_EQ(g.resizer->Transform(input.Get(), output.Get()), S_OK);
    const auto bytes = testing::SampleBytes(output.Get());
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), frame);
}

TEST(Resizer, WithoutAModeEveryFrameBecomes320By240EvenWhenThatEnlargesIt)
{
    ResizerGraph g(160, 120, [](TCT_Resizer&) {});
    const VIDEOINFOHEADER* out = g.OutputFormat();
    EXPECT_EQ(out->bmiHeader.biWidth, 320);
    EXPECT_EQ(out->bmiHeader.biHeight, 240);
    // The output buffers hold the enlarged picture.
    ALLOCATOR_PROPERTIES props;
    ASSERT_EQ(g.resizer->OutputPin()->PeekAllocator()->GetProperties(&props), S_OK);
    EXPECT_GE(props.cbBuffer, 320 * 240 * 3);
}

TEST(Resizer, OddOutputWidthsGetPaddedRows)
{
    // Normal with the aspect 641:480 on 642 x 480 gives 641 x 480, whose rows need 1924 bytes.
    ResizerGraph g(642, 480, [](TCT_Resizer& r) {
        r.SetSourceAspect(641, 480);
        r.SetResizeMode(rmNormal);
    });
    const VIDEOINFOHEADER* out = g.OutputFormat();
    ASSERT_EQ(out->bmiHeader.biWidth, 641);
    EXPECT_EQ(out->bmiHeader.biSizeImage, 1924u * 480u);
    const auto frame = TwoBandFrame(642, 480);
    testing::SamplePool pool(std::int32_t(frame.size()), 2);
    auto input = pool.Take(frame);
    auto output = pool.Empty();
    ASSERT_EQ(g.resizer->Transform(input.Get(), output.Get()), S_OK);
    EXPECT_EQ(output->GetActualDataLength(), 1924 * 480);
    const auto bytes = testing::SampleBytes(output.Get());
    EXPECT_EQ(bytes[std::size_t(479) * 1924 + 640 * 3 + 2], 255); // the last pixel of the top row is red
}

} // namespace
} // namespace camtrove::filters
