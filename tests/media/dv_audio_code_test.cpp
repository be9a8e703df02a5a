// The 12-bit nonlinear sound code: what the tape writer compresses must expand (as every DV reader
// does, see the splitter's comparisons with libavformat) to the nearest step towards silence.
#include "media/stock/dv_dif.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace camtrove::media {
namespace {

TEST(DvAudioCode, CompressesEverySampleToTheNearestStepTowardsSilence)
{
    int previous = -1;
    for (int x = -32768; x <= 32767; ++x) {
        const std::uint16_t code = DvCompress12BitSample(static_cast<std::int16_t>(x));
        ASSERT_EQ(code & ~0xFFF, 0) << x;
        ASSERT_NE(code, 0x800) << x << " became the error code";
        const int back = DvExpand12BitSample(code);
        // Steps double from 1 at silence to 64 at full scale; the loudest negative samples share
        // the code above the error code.
        ASSERT_LE(std::abs(back), std::abs(x)) << x;
        const int step = x <= -32705 ? 128 : x >= 16384 || x < -16385 ? 64 : 32;
        ASSERT_LT(std::abs(x - back), step) << x;
        // The code keeps the order of the samples.
        const int signedCode = code & 0x800 ? code - 0x1000 : code;
        ASSERT_GE(signedCode, previous == -1 ? signedCode : previous) << x;
        previous = signedCode;
    }
}

TEST(DvAudioCode, KeepsTheLinearSegmentsAndPowersOfTwoExact)
{
    for (int x : {0, 1, -1, 255, -256, 511, -512, 1024, -1025, 8192, -8193, 16384, 32704})
        EXPECT_EQ(DvExpand12BitSample(DvCompress12BitSample(static_cast<std::int16_t>(x))), x) << x;
}

} // namespace
} // namespace camtrove::media
