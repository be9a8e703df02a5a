#include "media/core/filter_graph.h"
#include "media/stock/color_space_converter.h"
#include "test_filters.h"

#include <array>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>

namespace camtrove::media {
namespace {

using testing::DrainEvents;
using testing::PinOf;
using testing::TestSink;
using testing::TestSource;

constexpr int kSide = 16;

using Rgb = std::array<int, 3>;

// Four quadrants as the picture is seen, top row first.
Rgb ColourAt(int x, int y)
{
    const bool right = x >= kSide / 2, bottom = y >= kSide / 2;
    if (!bottom)
        return right ? Rgb{0, 255, 0} : Rgb{255, 0, 0};
    return right ? Rgb{255, 255, 255} : Rgb{0, 0, 255};
}

// Studio-range BT.601, the encoding of uncompressed YUV video.
std::array<int, 3> YuvOf(const Rgb& c)
{
    const double r = c[0] / 255.0, g = c[1] / 255.0, b = c[2] / 255.0;
    return {int(std::lround(16 + 65.481 * r + 128.553 * g + 24.966 * b)),
            int(std::lround(128 - 37.797 * r - 74.203 * g + 112.0 * b)),
            int(std::lround(128 + 112.0 * r - 93.786 * g - 18.214 * b))};
}

// Reads and writes one pixel of a picture in its own layout, written here from the layouts'
// definitions rather than from the converter's tables. Values are RGB for the RGB layouts (the
// 16-bit ones widened to 8 bits) and Y, U, V for the YUV ones.
struct Layout
{
    const char* name;
    GUID subtype;
    int height; // negative: a top-down RGB picture

    int Stride(int bits) const { return ((kSide * bits + 31) / 32) * 4; }
    int Row(int y) const { return height > 0 ? kSide - 1 - y : y; }
    bool IsRgb() const
    {
        return subtype == MEDIASUBTYPE_RGB24 || subtype == MEDIASUBTYPE_RGB32 ||
               subtype == MEDIASUBTYPE_RGB565 || subtype == MEDIASUBTYPE_RGB555;
    }
    std::array<int, 3> Expected(const Rgb& c) const
    {
        if (!IsRgb())
            return YuvOf(c);
        if (subtype == MEDIASUBTYPE_RGB565)
            return {c[0] >> 3 << 3, c[1] >> 2 << 2, c[2] >> 3 << 3};
        if (subtype == MEDIASUBTYPE_RGB555)
            return {c[0] >> 3 << 3, c[1] >> 3 << 3, c[2] >> 3 << 3};
        return c;
    }
    // Offsets of the Y, U and V bytes of a pixel in the YUV layouts.
    std::array<std::size_t, 3> YuvOffsets(int x, int y) const
    {
        const std::size_t pair = std::size_t(y) * Stride(16) + std::size_t(x / 2) * 4;
        if (subtype == MEDIASUBTYPE_YUY2)
            return {pair + (x % 2 ? 2 : 0), pair + 1, pair + 3};
        if (subtype == MEDIASUBTYPE_UYVY)
            return {pair + (x % 2 ? 3 : 1), pair, pair + 2};
        const std::size_t luma = kSide * kSide, chroma = luma / 4;
        const std::size_t c = std::size_t(y / 2) * (kSide / 2) + x / 2;
        const bool yv12 = subtype == MEDIASUBTYPE_YV12;
        return {std::size_t(y) * kSide + x, luma + (yv12 ? chroma : 0) + c, luma + (yv12 ? 0 : chroma) + c};
    }
    void Write(std::uint8_t* p, int x, int y, const Rgb& c) const
    {
        if (!IsRgb()) {
            const auto yuv = YuvOf(c);
            const auto at = YuvOffsets(x, y);
            for (int i = 0; i < 3; ++i)
                p[at[i]] = std::uint8_t(yuv[i]);
            return;
        }
        if (subtype == MEDIASUBTYPE_RGB24 || subtype == MEDIASUBTYPE_RGB32) {
            const int bytes = subtype == MEDIASUBTYPE_RGB24 ? 3 : 4;
            std::uint8_t* px = p + std::size_t(Row(y)) * Stride(bytes * 8) + std::size_t(x) * bytes;
            px[0] = std::uint8_t(c[2]), px[1] = std::uint8_t(c[1]), px[2] = std::uint8_t(c[0]);
            if (bytes == 4)
                px[3] = 0xFF;
            return;
        }
        const std::uint16_t word = subtype == MEDIASUBTYPE_RGB565
                                       ? std::uint16_t((c[0] >> 3) << 11 | (c[1] >> 2) << 5 | c[2] >> 3)
                                       : std::uint16_t((c[0] >> 3) << 10 | (c[1] >> 3) << 5 | c[2] >> 3);
        std::uint8_t* px = p + std::size_t(Row(y)) * Stride(16) + std::size_t(x) * 2;
        px[0] = std::uint8_t(word & 0xFF), px[1] = std::uint8_t(word >> 8);
    }
    std::array<int, 3> Read(const std::uint8_t* p, int x, int y) const
    {
        if (!IsRgb()) {
            const auto at = YuvOffsets(x, y);
            return {p[at[0]], p[at[1]], p[at[2]]};
        }
        if (subtype == MEDIASUBTYPE_RGB24 || subtype == MEDIASUBTYPE_RGB32) {
            const int bytes = subtype == MEDIASUBTYPE_RGB24 ? 3 : 4;
            const std::uint8_t* px = p + std::size_t(Row(y)) * Stride(bytes * 8) + std::size_t(x) * bytes;
            return {px[2], px[1], px[0]};
        }
        const std::uint8_t* px = p + std::size_t(Row(y)) * Stride(16) + std::size_t(x) * 2;
        const int word = px[0] | px[1] << 8;
        if (subtype == MEDIASUBTYPE_RGB565)
            return {(word >> 11) << 3, ((word >> 5) & 0x3F) << 2, (word & 0x1F) << 3};
        return {((word >> 10) & 0x1F) << 3, ((word >> 5) & 0x1F) << 3, (word & 0x1F) << 3};
    }
    AM_MEDIA_TYPE Type() const { return MakeVideoType(subtype, kSide, height, 400000); }
    std::vector<std::uint8_t> Picture() const
    {
        std::vector<std::uint8_t> bytes(Type().lSampleSize);
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x)
                Write(bytes.data(), x, y, ColourAt(x, y));
        return bytes;
    }
};

const Layout kRgb24{"RGB24", MEDIASUBTYPE_RGB24, kSide};

// Runs one picture through a converter between a source of `from` and a sink of `to` only.
std::vector<std::uint8_t> Convert(const Layout& from, const Layout& to)
{
    auto graph = FilterGraph::Create(nullptr);
    const std::vector<std::uint8_t> picture = from.Picture();
    auto source = ComPtr<TestSource>(new TestSource({from.Type()}, 1, int(picture.size())));
    source->m_fill = [&picture](std::uint8_t* data, int, int) {
        std::memcpy(data, picture.data(), picture.size());
    };
    const AM_MEDIA_TYPE wanted = to.Type();
    // the sink proposes its type, as a renderer wanting top-down rows would
    auto sink =
        ComPtr<TestSink>(new TestSink([wanted](const AM_MEDIA_TYPE& t) { return t == wanted; }, {wanted}));
    auto converter = ColorSpaceConverter::Create();
    EXPECT_EQ(graph->AddFilter(source.Get(), "Source"), S_OK);
    EXPECT_EQ(graph->AddFilter(converter.Get(), "Converter"), S_OK);
    EXPECT_EQ(graph->AddFilter(sink.Get(), "Sink"), S_OK);
    EXPECT_EQ(graph->ConnectDirect(PinOf(source.Get(), 0).Get(), PinOf(converter.Get(), 0).Get(), nullptr),
              S_OK);
    EXPECT_EQ(graph->ConnectDirect(PinOf(converter.Get(), 1).Get(), PinOf(sink.Get(), 0).Get(), nullptr),
              S_OK);
    EXPECT_EQ(graph->Run(), S_OK);
    EXPECT_TRUE(sink->WaitUntil([](const auto& samples, int) { return !samples.empty(); }));
    EXPECT_EQ(graph->Stop(), S_OK);
    return sink->LastData();
}

// The middle of each quadrant, away from where subsampled chroma blends two colours.
void ExpectQuadrants(const Layout& layout, const std::vector<std::uint8_t>& bytes)
{
    ASSERT_EQ(bytes.size(), layout.Type().lSampleSize) << layout.name;
    for (const auto& [x, y] : {std::pair{4, 4}, {12, 4}, {4, 12}, {12, 12}}) {
        const auto expected = layout.Expected(ColourAt(x, y));
        const auto got = layout.Read(bytes.data(), x, y);
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(got[i], expected[i], 10)
                << layout.name << " pixel " << x << "," << y << " part " << i;
    }
}

class ColorSpaceConversion : public ::testing::TestWithParam<Layout>
{
};

TEST_P(ColorSpaceConversion, ToBottomUpRgb24KeepsEveryQuadrantInPlace)
{
    ExpectQuadrants(kRgb24, Convert(GetParam(), kRgb24));
}

TEST_P(ColorSpaceConversion, FromBottomUpRgb24WritesTheLayoutsOwnEncoding)
{
    ExpectQuadrants(GetParam(), Convert(kRgb24, GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Layouts, ColorSpaceConversion,
                         ::testing::Values(kRgb24, Layout{"RGB24TopDown", MEDIASUBTYPE_RGB24, -kSide},
                                           Layout{"RGB32", MEDIASUBTYPE_RGB32, kSide},
                                           Layout{"RGB565", MEDIASUBTYPE_RGB565, kSide},
                                           Layout{"RGB555", MEDIASUBTYPE_RGB555, kSide},
                                           Layout{"YUY2", MEDIASUBTYPE_YUY2, kSide},
                                           Layout{"UYVY", MEDIASUBTYPE_UYVY, kSide},
                                           Layout{"I420", MEDIASUBTYPE_I420, kSide},
                                           Layout{"YV12", MEDIASUBTYPE_YV12, kSide}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ColorSpaceConverter, ConnectPutsItBetweenYuy2AndAnRgb24OnlyInput)
{
    auto graph = FilterGraph::Create();
    const AM_MEDIA_TYPE yuy2 = MakeVideoType(MEDIASUBTYPE_YUY2, kSide, kSide, 400000);
    auto source = ComPtr<TestSource>(new TestSource({yuy2}, 3, int(yuy2.lSampleSize)));
    auto sink = ComPtr<TestSink>(
        new TestSink([](const AM_MEDIA_TYPE& t) { return t.subtype == MEDIASUBTYPE_RGB24; }));
    ASSERT_EQ(graph->AddFilter(source.Get(), "Source"), S_OK);
    ASSERT_EQ(graph->AddFilter(sink.Get(), "Sink"), S_OK);
    ASSERT_EQ(graph->Connect(PinOf(source.Get(), 0).Get(), PinOf(sink.Get(), 0).Get()), S_OK);

    ASSERT_EQ(graph->Filters().size(), 3u);
    GUID inserted;
    ASSERT_EQ(graph->Filters()[2]->GetClassID(&inserted), S_OK);
    EXPECT_EQ(inserted, CLSID_Colour);
    EXPECT_EQ(graph->NameOf(graph->Filters()[2].Get()), "Color Space Converter");
    AM_MEDIA_TYPE type;
    ASSERT_EQ(PinOf(sink.Get(), 0)->ConnectionMediaType(&type), S_OK);
    EXPECT_EQ(type, MakeVideoType(MEDIASUBTYPE_RGB24, kSide, kSide, 400000));

    ASSERT_EQ(graph->Run(), S_OK);
    EXPECT_TRUE(
        sink->WaitUntil([](const auto& samples, int eos) { return samples.size() == 3 && eos == 1; }));
    EXPECT_EQ(graph->Stop(), S_OK);
    for (const auto& sample : sink->Samples())
        EXPECT_EQ(sample.length, kSide * kSide * 3);
}

TEST(ColorSpaceConverter, RefusesSizeChangesAndLayoutsItCannotRead)
{
    auto converter = ColorSpaceConverter::Create();
    const AM_MEDIA_TYPE yuy2 = MakeVideoType(MEDIASUBTYPE_YUY2, kSide, kSide, 0);
    EXPECT_EQ(converter->CheckInputType(yuy2), S_OK);
    EXPECT_NE(converter->CheckInputType(MakeVideoType(MEDIASUBTYPE_dvsd, 720, 576, 0)), S_OK);
    EXPECT_NE(converter->CheckInputType(MakeVideoType(MEDIASUBTYPE_RGB24, 0, kSide, 0)), S_OK);
    EXPECT_NE(converter->CheckInputType(MakePcmAudioType(48000, 16, 2)), S_OK);
    AM_MEDIA_TYPE noFormat = yuy2;
    noFormat.format.resize(8);
    EXPECT_NE(converter->CheckInputType(noFormat), S_OK);
    EXPECT_EQ(converter->CheckTransform(yuy2, MakeVideoType(MEDIASUBTYPE_RGB24, kSide, -kSide, 0)), S_OK);
    EXPECT_NE(converter->CheckTransform(yuy2, MakeVideoType(MEDIASUBTYPE_RGB24, kSide * 2, kSide, 0)), S_OK);
}

// A sample shorter than its picture must not be read past its end.
TEST(ColorSpaceConverter, DropsASampleShorterThanItsPicture)
{
    auto graph = FilterGraph::Create(nullptr);
    const AM_MEDIA_TYPE yuy2 = MakeVideoType(MEDIASUBTYPE_YUY2, kSide, kSide, 400000);
    auto source = ComPtr<TestSource>(new TestSource({yuy2}, 2, 100));
    auto converter = ColorSpaceConverter::Create();
    auto sink = ComPtr<TestSink>(new TestSink());
    ASSERT_EQ(graph->AddFilter(source.Get(), "Source"), S_OK);
    ASSERT_EQ(graph->AddFilter(converter.Get(), "Converter"), S_OK);
    ASSERT_EQ(graph->AddFilter(sink.Get(), "Sink"), S_OK);
    ASSERT_EQ(graph->ConnectDirect(PinOf(source.Get(), 0).Get(), PinOf(converter.Get(), 0).Get(), nullptr),
              S_OK);
    ASSERT_EQ(graph->ConnectDirect(PinOf(converter.Get(), 1).Get(), PinOf(sink.Get(), 0).Get(), nullptr),
              S_OK);
    ASSERT_EQ(graph->Run(), S_OK);
    EXPECT_TRUE(sink->WaitUntil([](const auto&, int eos) { return eos == 1; }));
    EXPECT_EQ(graph->Stop(), S_OK);
    EXPECT_TRUE(sink->Samples().empty());
    EXPECT_EQ(DrainEvents(graph.Get()), std::vector<std::int32_t>{EC_QUALITY_CHANGE});
}

} // namespace
} // namespace camtrove::media
