#include "media/devices/test_mpeg_camera.h"

#include "media/core/guids.h"
#include "media/devices/test_pattern.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <numeric>

namespace camtrove::media {

namespace {

constexpr REFERENCE_TIME kFrameDuration = 400'000; // 25 frames a second
constexpr std::uint32_t kMpeg2Profile_Main = 4;
constexpr std::uint32_t kMpeg2Level_Main = 8;

// What one listed format asks of the encoder.
struct MpegFormat
{
    AVCodecID codec;
    int width;
    int height;
    std::uint32_t aspectX; // the picture's shape; MPEG-1 formats carry none and give 4:3
    std::uint32_t aspectY;
    std::uint32_t bitRate;
};

constexpr MpegFormat kFormats[] = {
    {AV_CODEC_ID_MPEG2VIDEO, 720, 576, 4, 3, 6'000'000},
    {AV_CODEC_ID_MPEG2VIDEO, 720, 576, 16, 9, 6'000'000},
    {AV_CODEC_ID_MPEG2VIDEO, 720, 576, 720, 576, 6'000'000},
    {AV_CODEC_ID_MPEG1VIDEO, 352, 288, 4, 3, 1'150'000},
};

CodecContextPtr OpenEncoder(const MpegFormat& format)
{
    const AVCodec* encoder = avcodec_find_encoder(format.codec);
    if (!encoder)
        return {};
    CodecContextPtr codec(avcodec_alloc_context3(encoder));
    if (!codec)
        return {};
    codec->width = format.width;
    codec->height = format.height;
    codec->pix_fmt = AV_PIX_FMT_YUV420P;
    codec->time_base = {1, 25};
    codec->framerate = {25, 1};
    codec->bit_rate = format.bitRate;
    codec->gop_size = 12;
    codec->max_b_frames = 0; // each picture comes out as it goes in
    codec->thread_count = 1;
    if (format.codec == AV_CODEC_ID_MPEG2VIDEO)
        codec->flags |= AV_CODEC_FLAG_LOW_DELAY; // without B pictures, nothing needs holding back
    // The pixel shape that gives the picture its aspect on this grid.
    av_reduce(&codec->sample_aspect_ratio.num, &codec->sample_aspect_ratio.den,
              static_cast<std::int64_t>(format.aspectX) * format.height,
              static_cast<std::int64_t>(format.aspectY) * format.width, 255);
    if (avcodec_open2(codec.get(), encoder, nullptr) < 0)
        return {};
    return codec;
}

// Fills a planar 4:2:0 picture with frame `index` of the test pattern.
bool DrawPicture(AVFrame* picture, std::int64_t index, std::vector<std::uint8_t>& yuy2)
{
    BITMAPINFOHEADER header;
    header.biWidth = picture->width;
    header.biHeight = picture->height;
    header.biBitCount = 16;
    header.biCompression = CompressionOfSubtype(MEDIASUBTYPE_YUY2);
    header.biSizeImage = DibImageSize(header);
    yuy2.resize(header.biSizeImage);
    if (!DrawTestPattern(header, MEDIASUBTYPE_YUY2, TestPatternKind::ColourBars, index, {}, yuy2))
        return false;
    if (av_frame_make_writable(picture) < 0)
        return false;
    const int width = picture->width;
    const std::size_t stride = static_cast<std::size_t>(width) * 2;
    for (int y = 0; y < picture->height; ++y) {
        const std::uint8_t* row = yuy2.data() + static_cast<std::size_t>(y) * stride;
        std::uint8_t* luma = picture->data[0] + static_cast<std::ptrdiff_t>(y) * picture->linesize[0];
        for (int x = 0; x < width; ++x)
            luma[x] = row[2 * x];
        if (y % 2 != 0)
            continue;
        // Chroma of the two rows the 4:2:0 sample covers, averaged.
        const std::uint8_t* next = y + 1 < picture->height ? row + stride : row;
        std::uint8_t* cb = picture->data[1] + static_cast<std::ptrdiff_t>(y / 2) * picture->linesize[1];
        std::uint8_t* cr = picture->data[2] + static_cast<std::ptrdiff_t>(y / 2) * picture->linesize[2];
        for (int x = 0; x < width / 2; ++x) {
            cb[x] = static_cast<std::uint8_t>((row[4 * x + 1] + next[4 * x + 1] + 1) / 2);
            cr[x] = static_cast<std::uint8_t>((row[4 * x + 3] + next[4 * x + 3] + 1) / 2);
        }
    }
    return true;
}

FramePtr AllocatePicture(int width, int height)
{
    FramePtr picture(av_frame_alloc());
    if (!picture)
        return {};
    picture->format = AV_PIX_FMT_YUV420P;
    picture->width = width;
    picture->height = height;
    if (av_frame_get_buffer(picture.get(), 0) < 0)
        return {};
    return picture;
}

// The sequence header (with its extension for MPEG-2) that the encoder writes before its first
// picture: everything ahead of the first group or picture start code.
std::vector<std::uint8_t> SequenceHeaderOf(const MpegFormat& format)
{
    const CodecContextPtr codec = OpenEncoder(format);
    FramePtr picture = AllocatePicture(format.width, format.height);
    PacketPtr packet(av_packet_alloc());
    std::vector<std::uint8_t> yuy2;
    if (!codec || !picture || !packet || !DrawPicture(picture.get(), 0, yuy2))
        return {};
    picture->pts = 0;
    if (avcodec_send_frame(codec.get(), picture.get()) < 0 || avcodec_send_frame(codec.get(), nullptr) < 0 ||
        avcodec_receive_packet(codec.get(), packet.get()) < 0)
        return {};
    const std::span<const std::uint8_t> coded(packet->data, static_cast<std::size_t>(packet->size));
    std::vector<std::uint8_t> header;
    for (std::size_t i = 0; i + 3 < coded.size(); ++i) {
        if (coded[i] != 0 || coded[i + 1] != 0 || coded[i + 2] != 1)
            continue;
        if (coded[i + 3] == 0xB8 || coded[i + 3] == 0x00) {
            header.assign(coded.begin(), coded.begin() + static_cast<std::ptrdiff_t>(i));
            break;
        }
    }
    return header;
}

AM_MEDIA_TYPE MakeMpegType(const MpegFormat& format)
{
    const std::vector<std::uint8_t> sequence = SequenceHeaderOf(format);
    AM_MEDIA_TYPE type;
    type.majortype = MEDIATYPE_Video;
    type.bFixedSizeSamples = false;
    type.bTemporalCompression = true;
    type.lSampleSize = 0;
    BITMAPINFOHEADER bitmap;
    bitmap.biWidth = format.width;
    bitmap.biHeight = format.height;
    const RECT picture{0, 0, format.width, format.height};
    if (format.codec == AV_CODEC_ID_MPEG2VIDEO) {
        MPEG2VIDEOINFO info;
        info.hdr.rcSource = picture;
        info.hdr.rcTarget = picture;
        info.hdr.dwBitRate = format.bitRate;
        info.hdr.AvgTimePerFrame = kFrameDuration;
        info.hdr.dwPictAspectRatioX = format.aspectX;
        info.hdr.dwPictAspectRatioY = format.aspectY;
        info.hdr.bmiHeader = bitmap;
        info.cbSequenceHeader = static_cast<std::uint32_t>(sequence.size());
        info.dwProfile = kMpeg2Profile_Main;
        info.dwLevel = kMpeg2Level_Main;
        std::vector<std::uint8_t> block(offsetof(MPEG2VIDEOINFO, dwSequenceHeader) + sequence.size());
        std::memcpy(block.data(), &info, offsetof(MPEG2VIDEOINFO, dwSequenceHeader));
        std::copy(sequence.begin(), sequence.end(),
                  block.begin() + offsetof(MPEG2VIDEOINFO, dwSequenceHeader));
        type.subtype = MEDIASUBTYPE_MPEG2_VIDEO;
        type.SetFormat(FORMAT_MPEG2Video, std::span<const std::uint8_t>(block));
    } else {
        MPEG1VIDEOINFO info;
        info.hdr.rcSource = picture;
        info.hdr.rcTarget = picture;
        info.hdr.dwBitRate = format.bitRate;
        info.hdr.AvgTimePerFrame = kFrameDuration;
        info.hdr.bmiHeader = bitmap;
        info.cbSequenceHeader = static_cast<std::uint32_t>(sequence.size());
        std::vector<std::uint8_t> block(offsetof(MPEG1VIDEOINFO, bSequenceHeader) + sequence.size());
        std::memcpy(block.data(), &info, offsetof(MPEG1VIDEOINFO, bSequenceHeader));
        std::copy(sequence.begin(), sequence.end(),
                  block.begin() + offsetof(MPEG1VIDEOINFO, bSequenceHeader));
        type.subtype = MEDIASUBTYPE_MPEG1Payload;
        type.SetFormat(FORMAT_MPEGVideo, std::span<const std::uint8_t>(block));
    }
    return type;
}

// The listed format a type names: the same kind of stream, picture size and aspect, at the
// listed rate or with none given.
std::optional<std::size_t> FormatIndexOf(const AM_MEDIA_TYPE& asked)
{
    if (asked.majortype != MEDIATYPE_Video)
        return std::nullopt;
    const auto& formats = TestMpegCameraFormats();
    for (std::size_t i = 0; i < formats.size(); ++i) {
        const AM_MEDIA_TYPE& listed = formats[i];
        if (asked.subtype != listed.subtype || asked.formattype != listed.formattype)
            continue;
        if (asked.formattype == FORMAT_MPEG2Video) {
            const auto* a = asked.FormatAs<VIDEOINFOHEADER2>();
            const auto* l = listed.FormatAs<VIDEOINFOHEADER2>();
            if (a && a->bmiHeader.biWidth == l->bmiHeader.biWidth &&
                a->bmiHeader.biHeight == l->bmiHeader.biHeight &&
                a->dwPictAspectRatioX == l->dwPictAspectRatioX &&
                a->dwPictAspectRatioY == l->dwPictAspectRatioY &&
                (a->AvgTimePerFrame == 0 || a->AvgTimePerFrame == l->AvgTimePerFrame))
                return i;
        } else {
            const auto* a = asked.FormatAs<VIDEOINFOHEADER>();
            const auto* l = listed.FormatAs<VIDEOINFOHEADER>();
            if (a && a->bmiHeader.biWidth == l->bmiHeader.biWidth &&
                a->bmiHeader.biHeight == l->bmiHeader.biHeight &&
                (a->AvgTimePerFrame == 0 || a->AvgTimePerFrame == l->AvgTimePerFrame))
                return i;
        }
    }
    return std::nullopt;
}

} // namespace

const std::vector<AM_MEDIA_TYPE>& TestMpegCameraFormats()
{
    static const std::vector<AM_MEDIA_TYPE> formats = [] {
        std::vector<AM_MEDIA_TYPE> made;
        for (const MpegFormat& format : kFormats)
            made.push_back(MakeMpegType(format));
        return made;
    }();
    return formats;
}

struct TestMpegCameraPin::Encoder
{
    CodecContextPtr codec;
    FramePtr picture;
    PacketPtr packet{av_packet_alloc()};
    std::vector<std::uint8_t> yuy2;
};

TestMpegCameraPin::TestMpegCameraPin(TestMpegCamera* camera, TBCCritSec* lock)
    : FormatListPin(QStringLiteral("Capture"), camera, lock, QStringLiteral("Capture"), PIN_CATEGORY_CAPTURE)
{
}

TestMpegCameraPin::~TestMpegCameraPin() = default;

HRESULT TestMpegCameraPin::NonDelegatingQueryInterface(const GUID& iid, void** object)
{
    if (iid == IID_IAMDroppedFrames) {
        *object = static_cast<IAMDroppedFrames*>(this);
        AddRef();
        return S_OK;
    }
    return FormatListPin::NonDelegatingQueryInterface(iid, object);
}

const std::vector<AM_MEDIA_TYPE>& TestMpegCameraPin::Formats() const
{
    return TestMpegCameraFormats();
}

std::optional<AM_MEDIA_TYPE> TestMpegCameraPin::TypeFor(const AM_MEDIA_TYPE& asked) const
{
    const auto index = FormatIndexOf(asked);
    if (!index)
        return std::nullopt;
    return TestMpegCameraFormats()[*index];
}

HRESULT TestMpegCameraPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request)
{
    const auto index = FormatIndexOf(CurrentMediaType());
    if (!index)
        return VFW_E_INVALIDMEDIATYPE;
    // A coded picture stays well under two bytes a pixel.
    const MpegFormat& format = kFormats[*index];
    request->cBuffers = std::max(request->cBuffers, 4);
    request->cbBuffer = std::max(request->cbBuffer, format.width * format.height * 2);
    ALLOCATOR_PROPERTIES actual;
    const HRESULT hr = allocator->SetProperties(*request, &actual);
    if (Failed(hr))
        return hr;
    return actual.cbBuffer >= request->cbBuffer ? S_OK : E_FAIL;
}

HRESULT TestMpegCameraPin::Active()
{
    const auto index = FormatIndexOf(CurrentMediaType());
    if (!index)
        return VFW_E_INVALIDMEDIATYPE;
    const MpegFormat& format = kFormats[*index];
    auto encoder = std::make_unique<Encoder>();
    encoder->codec = OpenEncoder(format);
    encoder->picture = AllocatePicture(format.width, format.height);
    if (!encoder->codec || !encoder->picture || !encoder->packet)
        return E_FAIL;
    m_encoder = std::move(encoder);
    m_frame = 0;
    m_runStarted = false;
    m_lastDelivered = -1;
    m_dropped = 0;
    m_notDropped = 0;
    m_bytes = 0;
    return LiveSourcePin::Active();
}

HRESULT TestMpegCameraPin::Inactive()
{
    const HRESULT hr = LiveSourcePin::Inactive(); // joins the streaming thread
    m_encoder.reset();
    return hr;
}

HRESULT TestMpegCameraPin::FillBuffer(IMediaSample* sample)
{
    if (!m_encoder)
        return E_UNEXPECTED;
    Encoder& e = *m_encoder;
    for (;;) {
        REFERENCE_TIME start = 0;
        std::int64_t skipped = 0;
        if (!WaitForNextPeriod(kFrameDuration, &start, &skipped))
            return S_FALSE;
        m_frame += skipped;
        m_dropped += static_cast<std::int32_t>(skipped);
        if (!DrawPicture(e.picture.get(), m_frame, e.yuy2))
            return E_FAIL;
        e.picture->pts = m_frame++; // frames count periods from the run's start
        e.picture->pict_type = AV_PICTURE_TYPE_NONE;
        if (avcodec_send_frame(e.codec.get(), e.picture.get()) < 0)
            return E_FAIL;
        ++m_notDropped;
        const int received = avcodec_receive_packet(e.codec.get(), e.packet.get());
        if (received == AVERROR(EAGAIN))
            continue; // an MPEG-1 encoder holds one picture back: it comes out with the next
        if (received < 0)
            return E_FAIL;

        std::uint8_t* data = nullptr;
        const int size = e.packet->size;
        if (Failed(sample->GetPointer(&data)) || sample->GetSize() < size) {
            av_packet_unref(e.packet.get());
            return VFW_E_BUFFER_OVERFLOW;
        }
        std::memcpy(data, e.packet->data, static_cast<std::size_t>(size));
        const bool key = (e.packet->flags & AV_PKT_FLAG_KEY) != 0;
        const std::int64_t frame = e.packet->pts;
        av_packet_unref(e.packet.get());
        (void)sample->SetActualDataLength(size);
        const REFERENCE_TIME pictureStart = frame * kFrameDuration;
        const REFERENCE_TIME pictureStop = pictureStart + kFrameDuration;
        (void)sample->SetTime(&pictureStart, &pictureStop);
        const std::int64_t mediaStop = frame + 1;
        (void)sample->SetMediaTime(&frame, &mediaStop);
        (void)sample->SetSyncPoint(key);
        (void)sample->SetDiscontinuity(!m_runStarted || frame != m_lastDelivered + 1);
        m_runStarted = true;
        m_lastDelivered = frame;
        m_bytes += size;
        return S_OK;
    }
}

HRESULT TestMpegCameraPin::GetNumDropped(std::int32_t* dropped)
{
    if (!dropped)
        return E_POINTER;
    *dropped = m_dropped.load();
    return S_OK;
}

HRESULT TestMpegCameraPin::GetNumNotDropped(std::int32_t* notDropped)
{
    if (!notDropped)
        return E_POINTER;
    *notDropped = m_notDropped.load();
    return S_OK;
}

HRESULT TestMpegCameraPin::GetAverageFrameSize(std::int32_t* averageSize)
{
    if (!averageSize)
        return E_POINTER;
    const std::int32_t frames = m_notDropped.load();
    *averageSize = frames > 0 ? static_cast<std::int32_t>(m_bytes.load() / frames) : 0;
    return S_OK;
}

ComPtr<TestMpegCamera> TestMpegCamera::Create()
{
    return ComPtr<TestMpegCamera>(new TestMpegCamera());
}

TestMpegCamera::TestMpegCamera()
    : TBCBaseFilter(QStringLiteral("Camtrove Test MPEG Camera"), &m_lock, CLSID_TestMpegCamera)
{
    m_pin = std::make_unique<TestMpegCameraPin>(this, &m_lock);
}

TestMpegCamera::~TestMpegCamera() = default;

} // namespace camtrove::media
