#include "dv_test_filters.h"
#include "media/core/filter_catalogue.h"
#include "media/stock/dv_dif.h"
#include "media/stock/dv_splitter.h"
#include "media/stock/dv_video_decoder.h"
#include "media/stock/dv_video_encoder.h"
#include "media/stock/mjpeg_decompressor.h"
#include "support/dv_fixtures.h"
#include "support/dv_frame_forge.h"

#include <cmath>

namespace camtrove::media {
namespace {

using namespace dvtesting;
using testsupport::DvFrameForge;
using testsupport::DvLines;

std::vector<Bytes> CamcorderFrames()
{
    Bytes all;
    if (!testsupport::ReadDvFixture("sony_good_quality.dv", all))
        return {};
    std::vector<Bytes> frames;
    for (std::size_t at = 0; at + 120000 <= all.size(); at += 120000)
        frames.emplace_back(all.begin() + static_cast<std::ptrdiff_t>(at),
                            all.begin() + static_cast<std::ptrdiff_t>(at + 120000));
    return frames;
}

// A picture with detail in both directions and every colour, in the framework's RGB24 (bottom-up
// BGR rows padded to 4 bytes) or YUY2.
Bytes TestPicture(int width, int height, bool rgb)
{
    const int stride = (width * (rgb ? 3 : 2) + 3) / 4 * 4;
    Bytes picture(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = picture.data() + static_cast<std::ptrdiff_t>(y) * stride;
        for (int x = 0; x < width; ++x) {
            const auto r = static_cast<std::uint8_t>(x * 255 / width);
            const auto g = static_cast<std::uint8_t>(y * 255 / height);
            const auto b = static_cast<std::uint8_t>(((x / 40 + y / 40) % 2) * 160 + 48);
            if (rgb) {
                row[3 * x] = b;
                row[3 * x + 1] = g;
                row[3 * x + 2] = r;
            } else {
                row[2 * x] = static_cast<std::uint8_t>(16 + (r + g + b) / 4);
                row[2 * x + 1] = x % 2 == 0 ? static_cast<std::uint8_t>(64 + b / 2)
                                            : static_cast<std::uint8_t>(64 + r / 2);
            }
        }
    }
    return picture;
}

struct DecodeCase
{
    const char* name;
    bool camcorder; // else a forged 625/50 frame
    int display;
    GUID subtype;
};

class DvVideoDecoderPictures : public ::testing::TestWithParam<DecodeCase>
{
};

// The decoder in a running graph gives the picture libavcodec's own decoder gives, converted to
// the framework's bottom-up BGR (or YUY2), at full and at half size.
TEST_P(DvVideoDecoderPictures, MatchLibavcodecsOwnDecode)
{
    const DecodeCase& c = GetParam();
    std::vector<Bytes> frames;
    if (c.camcorder) {
        frames = CamcorderFrames();
        if (frames.empty()) {
            if (testsupport::OnCi())
                FAIL() << "fixture missing on CI";
            GTEST_SKIP() << "fixture missing";
        }
    } else {
        frames = {DvFrameForge::Encoded(DvLines::System625).Take(),
                  DvFrameForge::Encoded(DvLines::System625).Take()};
    }
    const bool is625 = DvIs625(frames[0]);
    const int width = c.display == DVRESOLUTION_HALF ? 360 : 720;
    const int height = (is625 ? 576 : 480) / (c.display == DVRESOLUTION_HALF ? 2 : 1);

    auto graph = FilterGraph::Create();
    ComPtr<BufferSource> source(new BufferSource(DvsdVideoType(is625), frames, is625 ? 400000 : 333667));
    auto decoder = DvVideoDecoder::Create();
    ComPtr<IIPDVDec> display = QueryAs<IIPDVDec>(static_cast<IBaseFilter*>(decoder.Get()));
    ASSERT_TRUE(display);
    ASSERT_EQ(display->put_IPDisplay(c.display), S_OK);
    ComPtr<CopySink> sink(new CopySink(AcceptsSubtype(c.subtype)));
    ASSERT_EQ(graph->AddFilter(source.Get(), "source"), S_OK);
    ASSERT_EQ(graph->AddFilter(decoder.Get(), "decoder"), S_OK);
    ASSERT_EQ(graph->AddFilter(sink.Get(), "sink"), S_OK);
    ASSERT_EQ(graph->ConnectDirect(source->Pin(), decoder->GetPin(0), nullptr), S_OK);
    ASSERT_EQ(graph->ConnectDirect(decoder->GetPin(1), sink->Pin(), nullptr), S_OK);
    const auto* vih = sink->Pin()->CurrentMediaType().FormatAs<VIDEOINFOHEADER>();
    ASSERT_NE(vih, nullptr);
    EXPECT_EQ(vih->bmiHeader.biWidth, width);
    EXPECT_EQ(vih->bmiHeader.biHeight, height) << "positive: bottom-up for RGB";
    RunToEnd(graph.Get(), {sink.Get()});

    const std::vector<CopiedSample> pictures = sink->Samples();
    ASSERT_EQ(pictures.size(), frames.size());
    const bool rgb = c.subtype == MEDIASUBTYPE_RGB24;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const Bytes expected = DecodePicture(AV_CODEC_ID_DVVIDEO, frames[i],
                                             rgb ? AV_PIX_FMT_BGR24 : AV_PIX_FMT_YUYV422, width, height, rgb);
        ASSERT_EQ(pictures[i].bytes.size(), expected.size()) << "frame " << i;
        EXPECT_GT(Psnr(expected, pictures[i].bytes), 45.0) << "frame " << i;
        EXPECT_EQ(pictures[i].start, static_cast<REFERENCE_TIME>(i) * (is625 ? 400000 : 333667));
    }
    // The picture is not upside down: the top-left of the decode is the last row of the bitmap.
    if (rgb) {
        const Bytes topDown =
            DecodePicture(AV_CODEC_ID_DVVIDEO, frames[0], AV_PIX_FMT_BGR24, width, height, false);
        EXPECT_LT(Psnr(topDown, pictures[0].bytes),
                  Psnr(DecodePicture(AV_CODEC_ID_DVVIDEO, frames[0], AV_PIX_FMT_BGR24, width, height, true),
                       pictures[0].bytes));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, DvVideoDecoderPictures,
    ::testing::Values(DecodeCase{"camcorder_full_rgb24", true, DVRESOLUTION_FULL, MEDIASUBTYPE_RGB24},
                      DecodeCase{"camcorder_half_rgb24", true, DVRESOLUTION_HALF, MEDIASUBTYPE_RGB24},
                      DecodeCase{"pal_full_rgb24", false, DVRESOLUTION_FULL, MEDIASUBTYPE_RGB24},
                      DecodeCase{"pal_half_rgb24", false, DVRESOLUTION_HALF, MEDIASUBTYPE_RGB24},
                      DecodeCase{"pal_full_yuy2", false, DVRESOLUTION_FULL, MEDIASUBTYPE_YUY2},
                      DecodeCase{"camcorder_half_yuy2", true, DVRESOLUTION_HALF, MEDIASUBTYPE_YUY2}),
    [](const ::testing::TestParamInfo<DecodeCase>& info) { return std::string(info.param.name); });

TEST(DvVideoDecoder, OffersFullAndHalfResolutionOnly)
{
    auto decoder = DvVideoDecoder::Create();
    int display = 0;
    ASSERT_EQ(decoder->get_IPDisplay(&display), S_OK);
    EXPECT_EQ(display, DVRESOLUTION_FULL);
    EXPECT_EQ(decoder->put_IPDisplay(DVRESOLUTION_QUARTER), E_INVALIDARG);
    EXPECT_EQ(decoder->put_IPDisplay(0), E_INVALIDARG);
    EXPECT_EQ(decoder->put_IPDisplay(DVRESOLUTION_HALF), S_OK);
    ASSERT_EQ(decoder->get_IPDisplay(&display), S_OK);
    EXPECT_EQ(display, DVRESOLUTION_HALF);
}

// A damaged frame is dropped and the stream goes on.
TEST(DvVideoDecoder, DropsAPictureItCannotDecode)
{
    Bytes broken(144000, 0x00);
    std::vector<Bytes> frames = {DvFrameForge::Encoded(DvLines::System625).Take(), broken,
                                 DvFrameForge::Encoded(DvLines::System625).Take()};
    auto graph = FilterGraph::Create();
    ComPtr<BufferSource> source(new BufferSource(DvsdVideoType(true), frames, 400000));
    auto decoder = DvVideoDecoder::Create();
    ComPtr<CopySink> sink(new CopySink(AcceptsSubtype(MEDIASUBTYPE_RGB24)));
    ASSERT_EQ(graph->AddFilter(source.Get(), "source"), S_OK);
    ASSERT_EQ(graph->AddFilter(decoder.Get(), "decoder"), S_OK);
    ASSERT_EQ(graph->AddFilter(sink.Get(), "sink"), S_OK);
    ASSERT_EQ(graph->ConnectDirect(source->Pin(), decoder->GetPin(0), nullptr), S_OK);
    ASSERT_EQ(graph->ConnectDirect(decoder->GetPin(1), sink->Pin(), nullptr), S_OK);
    RunToEnd(graph.Get(), {sink.Get()});
    const std::vector<CopiedSample> pictures = sink->Samples();
    ASSERT_GE(pictures.size(), 2u);
    EXPECT_EQ(pictures.front().start, 0);
    EXPECT_EQ(pictures.back().start, 800000);
}

struct EncodeCase
{
    const char* name;
    int videoFormat;
    GUID subtype;
    int width, height;
};

class DvVideoEncoderFrames : public ::testing::TestWithParam<EncodeCase>
{
};

// The encoder's frames decode with libavcodec to a picture close to the input, in the line
// system the setting chose; a picture of another size is scaled to the DV frame.
TEST_P(DvVideoEncoderFrames, DecodeBackToTheInputInTheChosenSystem)
{
    const EncodeCase& c = GetParam();
    const bool rgb = c.subtype == MEDIASUBTYPE_RGB24;
    const bool pal = c.videoFormat == DVENCODERVIDEOFORMAT_PAL;
    const Bytes picture = TestPicture(c.width, c.height, rgb);

    auto graph = FilterGraph::Create();
    ComPtr<BufferSource> source(new BufferSource(MakeVideoType(c.subtype, c.width, c.height, 400000),
                                                 {picture, picture, picture}, 400000));
    auto encoder = DvVideoEncoder::Create();
    ASSERT_EQ(encoder->put_IFormatResolution(c.videoFormat, DVENCODERFORMAT_DVSD, DVENCODERRESOLUTION_720x480,
                                             false, nullptr),
              S_OK);
    ComPtr<CopySink> sink(new CopySink(AcceptsSubtype(MEDIASUBTYPE_dvsd)));
    ASSERT_EQ(graph->AddFilter(source.Get(), "source"), S_OK);
    ASSERT_EQ(graph->AddFilter(encoder.Get(), "encoder"), S_OK);
    ASSERT_EQ(graph->AddFilter(sink.Get(), "sink"), S_OK);
    ASSERT_EQ(graph->ConnectDirect(source->Pin(), encoder->GetPin(0), nullptr), S_OK);
    ASSERT_EQ(graph->ConnectDirect(encoder->GetPin(1), sink->Pin(), nullptr), S_OK);
    const auto* vih = sink->Pin()->CurrentMediaType().FormatAs<VIDEOINFOHEADER>();
    ASSERT_NE(vih, nullptr);
    EXPECT_EQ(vih->bmiHeader.biWidth, 720);
    EXPECT_EQ(vih->bmiHeader.biHeight, pal ? 576 : 480);
    EXPECT_EQ(vih->AvgTimePerFrame, pal ? 400000 : 333667);
    RunToEnd(graph.Get(), {sink.Get()});

    const std::vector<CopiedSample> frames = sink->Samples();
    ASSERT_EQ(frames.size(), 3u);
    for (const CopiedSample& frame : frames) {
        ASSERT_EQ(frame.bytes.size(), pal ? 144000u : 120000u);
        EXPECT_EQ(frame.bytes[3], pal ? 0xBF : 0x3F) << "the header's line system";
        int width = 0, height = 0;
        // Back to the input's size and format, then compared with the input.
        const Bytes decoded =
            DecodePicture(AV_CODEC_ID_DVVIDEO, frame.bytes, rgb ? AV_PIX_FMT_BGR24 : AV_PIX_FMT_YUYV422,
                          c.width, c.height, rgb, &width, &height);
        EXPECT_EQ(width, 720);
        EXPECT_EQ(height, pal ? 576 : 480);
        ASSERT_EQ(decoded.size(), picture.size());
        EXPECT_GT(Psnr(picture, decoded), 30.0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Settings, DvVideoEncoderFrames,
    ::testing::Values(
        EncodeCase{"pal_rgb24", DVENCODERVIDEOFORMAT_PAL, MEDIASUBTYPE_RGB24, 720, 576},
        EncodeCase{"ntsc_rgb24", DVENCODERVIDEOFORMAT_NTSC, MEDIASUBTYPE_RGB24, 720, 480},
        EncodeCase{"pal_yuy2", DVENCODERVIDEOFORMAT_PAL, MEDIASUBTYPE_YUY2, 720, 576},
        EncodeCase{"webcam_rgb24_to_pal", DVENCODERVIDEOFORMAT_PAL, MEDIASUBTYPE_RGB24, 320, 240},
        EncodeCase{"webcam_yuy2_to_ntsc", DVENCODERVIDEOFORMAT_NTSC, MEDIASUBTYPE_YUY2, 640, 480}),
    [](const ::testing::TestParamInfo<EncodeCase>& info) { return std::string(info.param.name); });

TEST(DvVideoEncoder, RefusesSettingsItCannotWriteAndChangesWhileStreaming)
{
    auto encoder = DvVideoEncoder::Create();
    int videoFormat = 0, dvFormat = 0, resolution = 0;
    ASSERT_EQ(encoder->get_IFormatResolution(&videoFormat, &dvFormat, &resolution, false, nullptr), S_OK);
    EXPECT_EQ(videoFormat, DVENCODERVIDEOFORMAT_PAL);
    EXPECT_EQ(dvFormat, DVENCODERFORMAT_DVSD);
    for (const auto& [format, dv, size] :
         {std::tuple{0, DVENCODERFORMAT_DVSD, DVENCODERRESOLUTION_720x480},
          std::tuple{DVENCODERVIDEOFORMAT_PAL, DVENCODERFORMAT_DVHD, DVENCODERRESOLUTION_720x480},
          std::tuple{DVENCODERVIDEOFORMAT_NTSC, DVENCODERFORMAT_DVSD, DVENCODERRESOLUTION_360x240}})
        EXPECT_EQ(encoder->put_IFormatResolution(format, dv, size, false, nullptr), E_INVALIDARG);

    auto graph = FilterGraph::Create();
    ComPtr<BufferSource> source(
        new BufferSource(MakeVideoType(MEDIASUBTYPE_RGB24, 720, 576, 400000), {}, 400000));
    ComPtr<CopySink> sink(new CopySink(AcceptsSubtype(MEDIASUBTYPE_dvsd)));
    ASSERT_EQ(graph->AddFilter(source.Get(), "source"), S_OK);
    ASSERT_EQ(graph->AddFilter(encoder.Get(), "encoder"), S_OK);
    ASSERT_EQ(graph->AddFilter(sink.Get(), "sink"), S_OK);
    ASSERT_EQ(graph->ConnectDirect(source->Pin(), encoder->GetPin(0), nullptr), S_OK);
    ASSERT_EQ(graph->ConnectDirect(encoder->GetPin(1), sink->Pin(), nullptr), S_OK);
    ASSERT_EQ(graph->Run(), S_OK);
    EXPECT_EQ(encoder->put_IFormatResolution(DVENCODERVIDEOFORMAT_NTSC, DVENCODERFORMAT_DVSD,
                                             DVENCODERRESOLUTION_720x480, false, nullptr),
              VFW_E_NOT_STOPPED);
    EXPECT_TRUE(sink->WaitForEnd());
    EXPECT_EQ(graph->Stop(), S_OK);
}

// Motion-JPEG pictures from libavcodec's own encoder, as a webcam gives them.
Bytes MjpegPicture(int width, int height, Bytes* rgbOut)
{
    *rgbOut = TestPicture(width, height, true);
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
    std::unique_ptr<AVCodecContext, CodecFreer> context(avcodec_alloc_context3(codec));
    context->width = width;
    context->height = height;
    context->pix_fmt = AV_PIX_FMT_YUVJ422P;
    context->time_base = {1, 25};
    context->global_quality = FF_QP2LAMBDA * 2;
    context->flags |= AV_CODEC_FLAG_QSCALE;
    if (avcodec_open2(context.get(), codec, nullptr) < 0)
        return {};
    std::unique_ptr<AVFrame, FrameFreer> frame(av_frame_alloc());
    frame->width = width;
    frame->height = height;
    frame->format = context->pix_fmt;
    (void)av_frame_get_buffer(frame.get(), 0);
    const int stride = (width * 3 + 3) / 4 * 4;
    SwsContext* sws = sws_getContext(width, height, AV_PIX_FMT_BGR24, width, height, AV_PIX_FMT_YUVJ422P,
                                     SWS_BICUBIC, nullptr, nullptr, nullptr);
    const std::uint8_t* planes[4] = {rgbOut->data() + static_cast<std::ptrdiff_t>(height - 1) * stride};
    const int strides[4] = {-stride};
    sws_scale(sws, planes, strides, 0, height, frame->data, frame->linesize);
    sws_freeContext(sws);
    std::unique_ptr<AVPacket, PacketFreer> packet(av_packet_alloc());
    if (avcodec_send_frame(context.get(), frame.get()) < 0 ||
        avcodec_receive_packet(context.get(), packet.get()) < 0)
        return {};
    return Bytes(packet->data, packet->data + packet->size);
}

// Connect finds the decompressors in the built-in catalogue: a DV or MJPEG source joined to a
// consumer of RGB24 pictures gets the right decoder in between, and pictures flow.
TEST(Decompressors, AreInsertedByConnectBetweenACompressedSourceAndAPictureConsumer)
{
    Bytes mjpegRgb;
    const Bytes mjpeg = MjpegPicture(320, 240, &mjpegRgb);
    ASSERT_FALSE(mjpeg.empty());
    VIDEOINFOHEADER mjpegVih;
    mjpegVih.AvgTimePerFrame = 400000;
    mjpegVih.bmiHeader.biWidth = 320;
    mjpegVih.bmiHeader.biHeight = 240;
    mjpegVih.bmiHeader.biBitCount = 24;
    mjpegVih.bmiHeader.biCompression = MakeFourCC('M', 'J', 'P', 'G');
    mjpegVih.bmiHeader.biSizeImage = 320 * 240 * 3;
    AM_MEDIA_TYPE mjpegType;
    mjpegType.majortype = MEDIATYPE_Video;
    mjpegType.subtype = MEDIASUBTYPE_MJPG;
    mjpegType.SetFormat(FORMAT_VideoInfo, mjpegVih);

    struct Case
    {
        const char* name;
        AM_MEDIA_TYPE type;
        Bytes frame;
        GUID decoder;
        Bytes expected;
    };
    const Bytes dv = DvFrameForge::Encoded(DvLines::System625).Take();
    const std::vector<Case> cases = {
        {"dvsd", DvsdVideoType(true), dv, CLSID_DVVideoCodec,
         DecodePicture(AV_CODEC_ID_DVVIDEO, dv, AV_PIX_FMT_BGR24, 720, 576, true)},
        {"mjpeg", mjpegType, mjpeg, CLSID_MjpegDec, mjpegRgb},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto graph = FilterGraph::Create();
        ComPtr<BufferSource> source(new BufferSource(c.type, {c.frame}, 400000));
        ComPtr<CopySink> sink(new CopySink(AcceptsSubtype(MEDIASUBTYPE_RGB24)));
        ASSERT_EQ(graph->AddFilter(source.Get(), "source"), S_OK);
        ASSERT_EQ(graph->AddFilter(sink.Get(), "sink"), S_OK);
        ASSERT_EQ(graph->Connect(source->Pin(), sink->Pin()), S_OK);
        bool found = false;
        for (const ComPtr<IBaseFilter>& filter : graph->Filters()) {
            GUID clsid;
            (void)filter->GetClassID(&clsid);
            found = found || clsid == c.decoder;
        }
        EXPECT_TRUE(found);
        RunToEnd(graph.Get(), {sink.Get()});
        const std::vector<CopiedSample> pictures = sink->Samples();
        ASSERT_EQ(pictures.size(), 1u);
        ASSERT_EQ(pictures[0].bytes.size(), c.expected.size());
        EXPECT_GT(Psnr(c.expected, pictures[0].bytes), 30.0);
    }
}

TEST(Decompressors, AreRegisteredAsTheFilterMapperExpects)
{
    const FilterCatalogue& catalogue = FilterCatalogue::BuiltIn();
    const auto decoder = catalogue.Find(CLSID_DVVideoCodec);
    ASSERT_TRUE(decoder);
    EXPECT_EQ(decoder->name, "DV Video Decoder");
    EXPECT_EQ(decoder->merit, MERIT_NORMAL);
    const auto encoder = catalogue.Find(CLSID_DVVideoEnc);
    ASSERT_TRUE(encoder);
    EXPECT_EQ(encoder->name, "DV Video Encoder");
    EXPECT_EQ(encoder->category, CLSID_VideoCompressorCategory);
    for (const GUID& clsid : {CLSID_DVSplitter, CLSID_DVMux, CLSID_MjpegDec}) {
        ComPtr<IBaseFilter> filter = catalogue.Create(clsid);
        ASSERT_TRUE(filter);
        GUID made;
        (void)filter->GetClassID(&made);
        EXPECT_EQ(made, clsid);
    }
}

} // namespace
} // namespace camtrove::media
