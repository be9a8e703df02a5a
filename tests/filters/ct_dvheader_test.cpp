#include "filter_test_support.h"
#include "filters/ct_dvheader.h"
#include "filters/dvcodes.h"
#include "media/core/guids.h"
#include "support/dv_frame_forge.h"

#include <gtest/gtest.h>

namespace camtrove::filters {
namespace {

using namespace camtrove::media;
using testsupport::DvFrameForge;
using testsupport::DvLines;

constexpr std::size_t kSeq = 12000;
constexpr std::size_t kKept = 480;

std::vector<std::uint8_t> Bytes(std::span<const std::uint8_t> span)
{
    return {span.begin(), span.end()};
}

std::vector<std::uint8_t> Range(const std::vector<std::uint8_t>& frame, std::size_t from, std::size_t count)
{
    return {frame.begin() + std::ptrdiff_t(from), frame.begin() + std::ptrdiff_t(from + count)};
}

// The camcorder's frame as the scene detector saw it, and the encoder's re-encoding of it, which
// lost the packs.
struct Frames
{
    std::vector<std::uint8_t> camcorder = DvFrameForge::Encoded(DvLines::System625)
                                              .RecDate(2024, 7, 8, 19, 55, 58)
                                              .Timecode(1, 2, 3, 4)
                                              .SourceControl(0, 0)
                                              .AudioSource(0, 0)
                                              .Take();
    std::vector<std::uint8_t> encoded = DvFrameForge::Encoded(DvLines::System625).Timecode(9, 9, 9, 9).Take();
};

TEST(DvHeaderFilter, TypesNameAndIdentity)
{
    auto filter = ComPtr<Tct_DVheader>(new Tct_DVheader());
    EXPECT_EQ(filter->ObjectName(), QStringLiteral("Dorn Vesk ct_DVHeader"));
    EXPECT_TRUE(filter->ModifiesData());
    AM_MEDIA_TYPE type;
    type.majortype = MEDIATYPE_Interleaved;
    EXPECT_EQ(filter->CheckInputType(type), S_OK);
    type.majortype = MEDIATYPE_Video;
    type.subtype = MEDIASUBTYPE_dvsd;
    EXPECT_EQ(filter->CheckInputType(type), S_OK);
    type.subtype = MEDIASUBTYPE_RGB24;
    EXPECT_EQ(filter->CheckInputType(type), VFW_E_TYPE_NOT_ACCEPTED);
}

TEST(DvHeaderFilter, RestoresSequencesZeroToNineFromTheSlotTheInlayFound)
{
    const Frames frames;
    SceneDetector detector;
    // An older frame in the ring first, so the lookup has to pick the right slot.
    const auto older = DvFrameForge::Encoded(DvLines::System625).RecDate(2001, 1, 1, 0, 0, 0).Take();
    (void)detector.ProcessFrame(older, 0);
    (void)detector.ProcessFrame(frames.camcorder, 400000);
    (void)detector.ProcessFrame(older, 800000);
    (void)detector.LookUp(400000 + 1000); // what the inlay filter does for the frame it draws

    auto filter = ComPtr<Tct_DVheader>(new Tct_DVheader());
    filter->SetSceneDetector(&detector);
    testing::SamplePool pool(144000);
    auto sample = pool.Take(frames.encoded);
    ASSERT_EQ(filter->Transform(sample.Get()), S_OK);
    const auto result = Bytes(testing::SampleBytes(sample.Get()));
    ASSERT_EQ(result.size(), 144000u);

    for (std::size_t k = 0; k < 12; ++k) {
        const auto& headerSource = k < 10 ? frames.camcorder : frames.encoded;
        EXPECT_EQ(Range(result, k * kSeq, kKept), Range(headerSource, k * kSeq, kKept)) << "sequence " << k;
        EXPECT_EQ(Range(result, k * kSeq + kKept, kSeq - kKept),
                  Range(frames.encoded, k * kSeq + kKept, kSeq - kKept))
            << "audio and video of sequence " << k;
    }
    TDvRecStamp stamp;
    DvReadRecDateTime(result, 0, stamp);
    EXPECT_EQ(stamp.year, 2024);
    EXPECT_EQ(stamp.second, 58);
    EXPECT_FALSE(DvIsWide(result));
}

TEST(DvHeaderFilter, ModeOneForcesSixteenByNineWithOrWithoutADetector)
{
    const Frames frames;
    testing::SamplePool pool(144000);
    auto filter = ComPtr<Tct_DVheader>(new Tct_DVheader());

    // No detector and no mode: the frame goes through as it came.
    auto untouched = pool.Take(frames.encoded);
    ASSERT_EQ(filter->Transform(untouched.Get()), S_OK);
    EXPECT_EQ(Bytes(testing::SampleBytes(untouched.Get())), frames.encoded);

    filter->SetWideMode(Tct_DVheader::kForceWide);
    for (const bool withDetector : {false, true}) {
        SceneDetector detector;
        (void)detector.ProcessFrame(frames.camcorder, 0);
        (void)detector.LookUp(0);
        filter->SetSceneDetector(withDetector ? &detector : nullptr);
        auto sample = pool.Take(frames.encoded);
        ASSERT_EQ(filter->Transform(sample.Get()), S_OK);
        const auto result = Bytes(testing::SampleBytes(sample.Get()));
        EXPECT_TRUE(DvIsWide(result));
        // IEC 61834 frames (AP3 = 0) take display mode 7 in every sequence's source control pack.
        for (std::size_t k = 0; k < 10; ++k) {
            EXPECT_EQ(result[k * kSeq + 453], 0x61) << k;
            EXPECT_EQ(result[k * kSeq + 455], 7) << k;
        }
        EXPECT_EQ(Range(result, 10 * kSeq, 2 * kSeq), Range(frames.encoded, 10 * kSeq, 2 * kSeq));
        filter->SetSceneDetector(nullptr);
    }
}

TEST(DvHeaderFilter, AShortBufferIsRestoredOnlyInTheSequencesItHolds)
{
    const Frames frames;
    SceneDetector detector;
    (void)detector.ProcessFrame(frames.camcorder, 0);
    (void)detector.LookUp(0);
    auto filter = ComPtr<Tct_DVheader>(new Tct_DVheader());
    filter->SetSceneDetector(&detector);
    testing::SamplePool pool(144000);
    auto sample = pool.Take(std::span(frames.encoded).first(2 * kSeq + 100));
    ASSERT_EQ(filter->Transform(sample.Get()), S_OK);
    const auto result = Bytes(testing::SampleBytes(sample.Get()));
    EXPECT_EQ(Range(result, kSeq, kKept), Range(frames.camcorder, kSeq, kKept));
    EXPECT_EQ(Range(result, 2 * kSeq, 100), Range(frames.encoded, 2 * kSeq, 100));
}

} // namespace
} // namespace camtrove::filters
