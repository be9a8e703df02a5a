#include "filters/deinter.h"

#include <array>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

namespace camtrove::filters {
namespace {

using Bgr = std::array<std::uint8_t, 3>;

constexpr Bgr kBlack{0, 0, 0};
constexpr Bgr kWhite{255, 255, 255};

enum class Memory
{
    TopDown,
    BottomUp
};

// A picture in memory laid out like a device-independent bitmap: rows padded to four bytes,
// stored top row first or bottom row first.
class TestPicture
{
public:
    TestPicture(int width, int height, Bgr fill = kBlack, Memory memory = Memory::TopDown,
                int bitsPerPixel = 24)
        : m_width(width), m_height(height), m_bitsPerPixel(bitsPerPixel),
          m_stride((width * bitsPerPixel / 8 + 3) / 4 * 4), m_memory(memory),
          m_bytes(std::size_t(m_stride) * std::size_t(height), 0xEE) // padding keeps a mark of its own
    {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width * bitsPerPixel / 8; ++x)
                View().Row(y)[x] = fill[x % 3];
    }

    PictureView View()
    {
        return m_memory == Memory::TopDown
                   ? TopDownPicture(m_bytes.data(), m_width, m_height, m_bitsPerPixel, m_stride)
                   : BottomUpPicture(m_bytes.data(), m_width, m_height, m_bitsPerPixel, m_stride);
    }

    void Set(int x, int y, Bgr colour) { std::copy(colour.begin(), colour.end(), View().Row(y) + 3 * x); }
    void SetRow(int y, Bgr colour)
    {
        for (int x = 0; x < m_width; ++x)
            Set(x, y, colour);
    }
    Bgr At(int x, int y)
    {
        const std::uint8_t* p = View().Row(y) + 3 * x;
        return {p[0], p[1], p[2]};
    }

    const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }

private:
    int m_width;
    int m_height;
    int m_bitsPerPixel;
    int m_stride;
    Memory m_memory;
    std::vector<std::uint8_t> m_bytes;
};

TestPicture Deinterlaced(TestPicture& source, Memory memory = Memory::TopDown)
{
    const ConstPictureView view = source.View();
    TestPicture destination(view.width, view.height, kBlack, memory, view.bitsPerPixel);
    EXPECT_TRUE(DeinterlacePicture(source.View(), destination.View()));
    return destination;
}

TEST(DeinterlacePicture, FlatColourIsUnchanged)
{
    TestPicture source(7, 6, Bgr{12, 200, 77});
    TestPicture destination = Deinterlaced(source);
    EXPECT_EQ(destination.Bytes(), source.Bytes());
}

struct StripeCase
{
    const char* name;
    int height;
    Memory source;
    Memory destination;
};

void PrintTo(const StripeCase& c, std::ostream* os)
{
    *os << c.name;
}

class WhiteOddRows : public ::testing::TestWithParam<StripeCase>
{
};

TEST_P(WhiteOddRows, BecomeBlackExceptTheLastRow)
{
    const StripeCase& c = GetParam();
    TestPicture source(5, c.height, kBlack, c.source);
    for (int y = 1; y < c.height; y += 2)
        source.SetRow(y, kWhite);
    const std::vector<std::uint8_t> before = source.Bytes();

    TestPicture destination = Deinterlaced(source, c.destination);

    EXPECT_EQ(source.Bytes(), before) << "the source must not change";
    for (int y = 0; y < c.height; ++y) {
        const bool lastOddRow = y == c.height - 1 && y % 2 == 1;
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(destination.At(x, y), lastOddRow ? kWhite : kBlack) << "pixel " << x << ", " << y;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Stripes, WhiteOddRows,
    ::testing::Values(StripeCase{"EvenHeightKeepsLastRow", 6, Memory::TopDown, Memory::TopDown},
                      StripeCase{"OddHeight", 7, Memory::TopDown, Memory::TopDown},
                      StripeCase{"BottomUpToBottomUp", 6, Memory::BottomUp, Memory::BottomUp},
                      StripeCase{"BottomUpToTopDown", 6, Memory::BottomUp, Memory::TopDown},
                      StripeCase{"TwoRows", 2, Memory::TopDown, Memory::TopDown}),
    [](const auto& info) { return std::string(info.param.name); });

struct CombCase
{
    const char* name;
    Bgr above, centre, below;
    bool combed;
};

void PrintTo(const CombCase& c, std::ostream* os)
{
    *os << c.name;
}

class CombScore : public ::testing::TestWithParam<CombCase>
{
};

// Row 1 of a 4 x 3 picture is filled with the centre colour between rows of the other two, so every
// pixel of it has combed neighbours exactly when the centre colour scores above the threshold.
TEST_P(CombScore, DecidesTheRepair)
{
    const CombCase& c = GetParam();
    TestPicture source(4, 3);
    source.SetRow(0, c.above);
    source.SetRow(1, c.centre);
    source.SetRow(2, c.below);

    TestPicture destination = Deinterlaced(source);

    Bgr average;
    for (int i = 0; i < 3; ++i)
        average[i] = std::uint8_t((c.above[i] + c.below[i]) / 2);
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(destination.At(x, 1), c.combed ? average : c.centre) << "column " << x;
}

// Scores: 3 x red product + 6 x green product + blue product, each product (above - centre) x (below -
// centre).
INSTANTIATE_TEST_SUITE_P(
    Threshold, CombScore,
    ::testing::Values(CombCase{"Blue2000IsNotCombed", {40, 0, 0}, {0, 0, 0}, {50, 0, 0}, false},
                      CombCase{"Blue2001IsCombed", {23, 0, 0}, {0, 0, 0}, {87, 0, 0}, true},
                      CombCase{"RedWeighsThree1998", {0, 0, 18}, {0, 0, 0}, {0, 0, 37}, false},
                      CombCase{"RedWeighsThree2001", {0, 0, 23}, {0, 0, 0}, {0, 0, 29}, true},
                      CombCase{"GreenWeighsSix1998", {0, 9, 0}, {0, 0, 0}, {0, 37, 0}, false},
                      CombCase{"GreenWeighsSix2004", {0, 2, 0}, {0, 0, 0}, {0, 167, 0}, true},
                      CombCase{"DarkerThanBothIsCombed", {0, 90, 0}, {0, 10, 0}, {0, 60, 0}, true},
                      CombCase{"GradientIsNotCombed", {0, 0, 0}, {128, 128, 128}, {255, 255, 255}, false},
                      CombCase{"GreenOutweighsRed", {0, 0, 100}, {0, 100, 0}, {0, 200, 100}, false},
                      CombCase{"AverageRoundsDown", {10, 20, 31}, {200, 200, 200}, {11, 40, 100}, true}),
    [](const auto& info) { return std::string(info.param.name); });

// A 6 x 3 picture, grey above and below, with combed pixels placed on row 1.
TestPicture CombedAt(std::initializer_list<int> columns, int width = 6)
{
    TestPicture picture(width, 3, Bgr{100, 100, 100});
    for (int x : columns)
        picture.Set(x, 1, Bgr{250, 250, 250});
    return picture;
}

TEST(DeinterlacePicture, OnlyTheRightNeighbourKeepsAPixel)
{
    const Bgr combed{250, 250, 250};
    const Bgr repaired{100, 100, 100};

    TestPicture single = CombedAt({2});
    EXPECT_EQ(Deinterlaced(single).Bytes(), single.Bytes()) << "an isolated combed pixel stays";

    TestPicture pair = CombedAt({2, 3});
    TestPicture pairOut = Deinterlaced(pair);
    EXPECT_EQ(pairOut.At(2, 1), repaired);
    EXPECT_EQ(pairOut.At(3, 1), combed) << "its left neighbour does not count";

    TestPicture edge = CombedAt({4, 5});
    TestPicture edgeOut = Deinterlaced(edge);
    EXPECT_EQ(edgeOut.At(4, 1), repaired);
    EXPECT_EQ(edgeOut.At(5, 1), repaired) << "the last column looks left";

    TestPicture lastAlone = CombedAt({0, 5});
    EXPECT_EQ(Deinterlaced(lastAlone).Bytes(), lastAlone.Bytes());

    TestPicture column = CombedAt({0}, 1);
    EXPECT_EQ(Deinterlaced(column).Bytes(), column.Bytes()) << "a single column never keeps a pixel";
}

TEST(DeinterlacePicture, MasksFromALargerPictureDoNotLeakIntoTheNext)
{
    TestPicture large(9, 8);
    for (int y = 1; y < 8; y += 2)
        large.SetRow(y, kWhite);
    (void)Deinterlaced(large);

    TestPicture small = CombedAt({1}, 3);
    EXPECT_EQ(Deinterlaced(small).Bytes(), small.Bytes());
}

TEST(DeinterlacePicture, InPlaceGivesTheSameResult)
{
    TestPicture picture(5, 5);
    picture.SetRow(1, kWhite);
    picture.SetRow(3, Bgr{0, 200, 0});
    picture.Set(2, 3, Bgr{0, 0, 0});
    TestPicture expected = Deinterlaced(picture);

    ASSERT_TRUE(DeinterlacePicture(picture.View(), picture.View()));
    EXPECT_EQ(picture.Bytes(), expected.Bytes());
}

TEST(DeinterlacePicture, OtherDepthsAreCopiedUnchanged)
{
    for (int bits : {8, 16, 32}) {
        // Bytes that would be a strong comb if they were read as 24-bit pixels.
        TestPicture source(6, 5, kBlack, Memory::TopDown, bits);
        for (int y = 1; y < 5; y += 2)
            std::fill_n(source.View().Row(y), 6 * bits / 8, 0xFF);
        TestPicture destination(6, 5, Bgr{1, 2, 3}, Memory::TopDown, bits);
        ASSERT_TRUE(DeinterlacePicture(source.View(), destination.View())) << bits << " bits";
        for (int y = 0; y < 5; ++y)
            EXPECT_TRUE(std::equal(source.View().Row(y), source.View().Row(y) + 6 * bits / 8,
                                   destination.View().Row(y)))
                << bits << " bits, row " << y;
    }
}

TEST(DeinterlacePicture, RefusesMismatchedOrBrokenViews)
{
    TestPicture source(4, 4);
    struct Case
    {
        const char* name;
        PictureView destination;
    };
    TestPicture narrow(3, 4);
    TestPicture shallow(4, 4, kBlack, Memory::TopDown, 16);
    TestPicture target(4, 4, Bgr{9, 9, 9});
    PictureView shortRows = target.View();
    shortRows.stride = 11; // a 4-pixel row needs 12 bytes
    PictureView noMemory = target.View();
    noMemory.top = nullptr;
    const std::vector<std::uint8_t> targetBefore = target.Bytes();

    for (const Case& c : {Case{"width", narrow.View()}, Case{"depth", shallow.View()},
                          Case{"short rows", shortRows}, Case{"no memory", noMemory}})
        EXPECT_FALSE(DeinterlacePicture(source.View(), c.destination)) << c.name;
    EXPECT_EQ(target.Bytes(), targetBefore);
}

std::vector<Bgr> RowOf(TestPicture& picture, int y, int width)
{
    std::vector<Bgr> row;
    for (int x = 0; x < width; ++x)
        row.push_back(picture.At(x, y));
    return row;
}

TEST(MirrorPicture, ReversesEveryRow)
{
    for (int width : {4, 5}) {
        TestPicture picture(width, 2, kBlack, Memory::BottomUp);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < width; ++x)
                picture.Set(x, y, Bgr{std::uint8_t(x), std::uint8_t(y), std::uint8_t(10 * x + y)});
        const std::vector<std::uint8_t> before = picture.Bytes();

        MirrorPicture(picture.View());
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < width; ++x)
                EXPECT_EQ(picture.At(x, y), (Bgr{std::uint8_t(width - 1 - x), std::uint8_t(y),
                                                 std::uint8_t(10 * (width - 1 - x) + y)}))
                    << "width " << width << ", pixel " << x << ", " << y;

        MirrorPicture(picture.View());
        EXPECT_EQ(picture.Bytes(), before) << "width " << width << ": mirroring twice gives the picture back";
    }
}

TEST(MirrorPicture, WidthOneIsUnchanged)
{
    TestPicture picture(1, 3);
    picture.Set(0, 0, Bgr{1, 2, 3});
    picture.Set(0, 2, Bgr{4, 5, 6});
    const std::vector<std::uint8_t> before = picture.Bytes();
    MirrorPicture(picture.View());
    EXPECT_EQ(picture.Bytes(), before);
    EXPECT_EQ(RowOf(picture, 2, 1).front(), (Bgr{4, 5, 6}));
}

} // namespace
} // namespace camtrove::filters
