#include "dv_test_filters.h"
#include "media/devices/test_camcorder.h"
#include "media/stock/dv_splitter.h"
#include "media/stock/dv_video_decoder.h"
#include "media/stock/infinite_pin_tee.h"

namespace camtrove::media {
namespace {

using namespace dvtesting;

// The pieces of a DV device as the program joins them: the test camcorder playing its synthetic
// tape into the DV Splitter, the picture through a tee into the DV Video Decoder at half size,
// the sound straight to its consumer. Pictures and sound arrive frame by frame, together.
TEST(DvDeviceChain, PlaysTheTestCamcordersTapeThroughSplitterAndHalfSizeDecoder)
{
    constexpr int kFrames = 40;
    TestCamcorderSettings settings;
    settings.clocked = false;
    settings.syntheticSystem = TapeSystem::Pal;
    settings.syntheticFrames = kFrames;
    const auto camcorder = TestCamcorder::Create(settings);
    ASSERT_EQ(camcorder->put_Mode(ED_MODE_PLAY), S_OK);

    auto graph = FilterGraph::Create();
    auto splitter = DvSplitter::Create();
    auto tee = InfinitePinTee::Create();
    auto decoder = DvVideoDecoder::Create();
    ASSERT_EQ(decoder->put_IPDisplay(DVRESOLUTION_HALF), S_OK);
    ComPtr<CopySink> pictures(new CopySink(AcceptsSubtype(MEDIASUBTYPE_RGB24)));
    ComPtr<CopySink> sound(new CopySink(AcceptsSubtype(MEDIASUBTYPE_PCM)));
    ASSERT_EQ(graph->AddFilter(camcorder.Get(), "dv_source"), S_OK);
    ASSERT_EQ(graph->AddFilter(splitter.Get(), "dv_splitter"), S_OK);
    ASSERT_EQ(graph->AddFilter(tee.Get(), "dv_nativevideoinfinite"), S_OK);
    ASSERT_EQ(graph->AddFilter(decoder.Get(), "dv_dec"), S_OK);
    ASSERT_EQ(graph->AddFilter(pictures.Get(), "pictures"), S_OK);
    ASSERT_EQ(graph->AddFilter(sound.Get(), "sound"), S_OK);
    ASSERT_EQ(graph->Connect(camcorder->GetPin(0), splitter->GetPin(0)), S_OK);
    ASSERT_EQ(splitter->GetPinCount(), 3) << "video and one 48 kHz pair";
    ASSERT_EQ(graph->Connect(splitter->GetPin(1), tee->GetPin(0)), S_OK);
    ASSERT_EQ(graph->Connect(tee->GetPin(1), decoder->GetPin(0)), S_OK);
    ASSERT_EQ(graph->Connect(decoder->GetPin(1), pictures->Pin()), S_OK);
    ASSERT_EQ(graph->Connect(splitter->GetPin(2), sound->Pin()), S_OK);
    const auto* vih = pictures->Pin()->CurrentMediaType().FormatAs<VIDEOINFOHEADER>();
    ASSERT_NE(vih, nullptr);
    EXPECT_EQ(vih->bmiHeader.biWidth, 360);
    EXPECT_EQ(vih->bmiHeader.biHeight, 288);
    RunToEnd(graph.Get(), {pictures.Get(), sound.Get()});

    const std::vector<CopiedSample> decoded = pictures->Samples();
    const std::vector<CopiedSample> pcm = sound->Samples();
    ASSERT_EQ(decoded.size(), std::size_t{kFrames});
    ASSERT_EQ(pcm.size(), std::size_t{kFrames});
    TestTape tape(TapeSystem::Pal);
    Bytes frame;
    for (int i = 0; i < kFrames; ++i) {
        EXPECT_EQ(decoded[i].start, REFERENCE_TIME{i} * 400000);
        EXPECT_EQ(pcm[i].start, decoded[i].start);
        EXPECT_EQ(pcm[i].bytes.size(), 1920u * 4) << "48 kHz, 25 frames a second";
    }
    ASSERT_FALSE(tape.RenderFrame(kFrames - 1, frame));
    const Bytes expected = DecodePicture(AV_CODEC_ID_DVVIDEO, frame, AV_PIX_FMT_BGR24, 360, 288, true);
    ASSERT_EQ(decoded.back().bytes.size(), expected.size());
    EXPECT_GT(Psnr(expected, decoded.back().bytes), 45.0);
}

} // namespace
} // namespace camtrove::media
