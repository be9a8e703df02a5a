#include "media/stock/dv_video_encoder.h"

#include "media/core/guids.h"
#include "media/stock/dv_dif.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace camtrove::media {

namespace {

struct CodecContextFree
{
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameFree
{
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketFree
{
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct SwsFree
{
    void operator()(SwsContext* context) const { sws_freeContext(context); }
};

[[nodiscard]] AM_MEDIA_TYPE DvsdVideoType(bool is625)
{
    const std::size_t frameSize = DvFrameSizeOf(is625);
    VIDEOINFOHEADER vih;
    vih.AvgTimePerFrame = is625 ? kDvFrameTime625 : kDvFrameTime525;
    vih.dwBitRate = static_cast<std::uint32_t>(frameSize * 8 * 10'000'000 / vih.AvgTimePerFrame);
    vih.bmiHeader.biWidth = 720;
    vih.bmiHeader.biHeight = is625 ? 576 : 480;
    vih.bmiHeader.biBitCount = 24;
    vih.bmiHeader.biCompression = MakeFourCC('d', 'v', 's', 'd');
    vih.bmiHeader.biSizeImage = static_cast<std::uint32_t>(frameSize);
    AM_MEDIA_TYPE mt;
    mt.majortype = MEDIATYPE_Video;
    mt.subtype = MEDIASUBTYPE_dvsd;
    mt.bFixedSizeSamples = true;
    mt.lSampleSize = static_cast<std::uint32_t>(frameSize);
    mt.SetFormat(FORMAT_VideoInfo, vih);
    return mt;
}

} // namespace

struct DvEncoderState
{
    std::unique_ptr<AVCodecContext, CodecContextFree> codec;
    std::unique_ptr<AVFrame, FrameFree> picture{av_frame_alloc()};
    std::unique_ptr<AVPacket, PacketFree> packet{av_packet_alloc()};
    std::unique_ptr<SwsContext, SwsFree> sws;
    std::int64_t pts = 0;
};

DvVideoEncoder::DvVideoEncoder() : TBCTransformFilter(QStringLiteral("DV Video Encoder"), CLSID_DVVideoEnc) {}

DvVideoEncoder::~DvVideoEncoder() = default;

ComPtr<DvVideoEncoder> DvVideoEncoder::Create()
{
    return ComPtr<DvVideoEncoder>(new DvVideoEncoder());
}

HRESULT DvVideoEncoder::NonDelegatingQueryInterface(const GUID& iid, void** object)
{
    if (iid == IID_IDVEnc)
        return GetInterface(static_cast<IDVEnc*>(this), object);
    return TBCTransformFilter::NonDelegatingQueryInterface(iid, object);
}

HRESULT DvVideoEncoder::get_IFormatResolution(int* videoFormat, int* dvFormat, int* resolution,
                                              bool wantDvInfo, DVINFO* dvInfo)
{
    if (!videoFormat || !dvFormat || !resolution || (wantDvInfo && !dvInfo))
        return E_POINTER;
    *videoFormat = m_pal.load() ? DVENCODERVIDEOFORMAT_PAL : DVENCODERVIDEOFORMAT_NTSC;
    *dvFormat = DVENCODERFORMAT_DVSD;
    *resolution = DVENCODERRESOLUTION_720x480;
    if (wantDvInfo)
        *dvInfo = DvInfoFor(m_pal.load(), 48000);
    return S_OK;
}

// Only full-size dvsd is written; the resolution argument names the full size of either system.
HRESULT DvVideoEncoder::put_IFormatResolution(int videoFormat, int dvFormat, int resolution, bool,
                                              const DVINFO*)
{
    if (videoFormat != DVENCODERVIDEOFORMAT_PAL && videoFormat != DVENCODERVIDEOFORMAT_NTSC)
        return E_INVALIDARG;
    if (dvFormat != DVENCODERFORMAT_DVSD || resolution != DVENCODERRESOLUTION_720x480)
        return E_INVALIDARG;
    if (!IsStopped())
        return VFW_E_NOT_STOPPED;
    m_pal.store(videoFormat == DVENCODERVIDEOFORMAT_PAL);
    return S_OK;
}

bool DvVideoEncoder::OutputIs625() const
{
    return m_pal.load();
}

HRESULT DvVideoEncoder::CheckInputType(const AM_MEDIA_TYPE& type)
{
    if (type.majortype != MEDIATYPE_Video || type.formattype != FORMAT_VideoInfo ||
        (type.subtype != MEDIASUBTYPE_RGB24 && type.subtype != MEDIASUBTYPE_YUY2))
        return VFW_E_TYPE_NOT_ACCEPTED;
    const auto* vih = type.FormatAs<VIDEOINFOHEADER>();
    if (!vih || vih->bmiHeader.biWidth < 2 || std::abs(vih->bmiHeader.biHeight) < 2 ||
        vih->bmiHeader.biWidth > 8192 || std::abs(vih->bmiHeader.biHeight) > 8192 ||
        vih->bmiHeader.biBitCount != BitCountOfSubtype(type.subtype))
        return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

HRESULT DvVideoEncoder::CheckTransform(const AM_MEDIA_TYPE& input, const AM_MEDIA_TYPE& output)
{
    if (CheckInputType(input) != S_OK)
        return VFW_E_TYPE_NOT_ACCEPTED;
    const AM_MEDIA_TYPE wanted = DvsdVideoType(OutputIs625());
    if (output.majortype != MEDIATYPE_Video || output.subtype != MEDIASUBTYPE_dvsd ||
        output.formattype != FORMAT_VideoInfo)
        return VFW_E_TYPE_NOT_ACCEPTED;
    const auto* vih = output.FormatAs<VIDEOINFOHEADER>();
    const auto* own = wanted.FormatAs<VIDEOINFOHEADER>();
    if (!vih || vih->bmiHeader.biWidth != own->bmiHeader.biWidth ||
        std::abs(vih->bmiHeader.biHeight) != own->bmiHeader.biHeight)
        return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

HRESULT DvVideoEncoder::GetMediaType(int position, AM_MEDIA_TYPE* type)
{
    if (position < 0)
        return E_INVALIDARG;
    if (!m_input->IsConnected())
        return VFW_E_NOT_CONNECTED;
    if (position > 0)
        return VFW_S_NO_MORE_ITEMS;
    *type = DvsdVideoType(OutputIs625());
    return S_OK;
}

HRESULT DvVideoEncoder::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request)
{
    ALLOCATOR_PROPERTIES wanted = *request;
    wanted.cBuffers = std::max(request->cBuffers, 2);
    wanted.cbBuffer = std::max(request->cbBuffer, static_cast<std::int32_t>(kDvFrameSize625));
    wanted.cbAlign = std::max(request->cbAlign, 1);
    ALLOCATOR_PROPERTIES actual;
    const HRESULT hr = allocator->SetProperties(wanted, &actual);
    if (Failed(hr))
        return hr;
    return actual.cbBuffer >= wanted.cbBuffer ? S_OK : E_FAIL;
}

HRESULT DvVideoEncoder::StartStreaming()
{
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_DVVIDEO);
    if (!codec)
        return VFW_E_RUNTIME_ERROR;
    const auto* outVih = m_output->CurrentMediaType().FormatAs<VIDEOINFOHEADER>();
    const bool is625 = std::abs(outVih->bmiHeader.biHeight) == 576;
    auto state = std::make_unique<DvEncoderState>();
    state->codec.reset(avcodec_alloc_context3(codec));
    if (!state->codec || !state->picture || !state->packet)
        return E_OUTOFMEMORY;
    AVCodecContext& context = *state->codec;
    context.width = 720;
    context.height = is625 ? 576 : 480;
    context.pix_fmt = is625 ? AV_PIX_FMT_YUV420P : AV_PIX_FMT_YUV411P;
    context.time_base = is625 ? AVRational{1, 25} : AVRational{1001, 30000};
    context.framerate = AVRational{context.time_base.den, context.time_base.num};
    context.sample_aspect_ratio = is625 ? AVRational{12, 11} : AVRational{10, 11};
    context.thread_count = 0;
    context.thread_type = FF_THREAD_SLICE;
    if (avcodec_open2(&context, codec, nullptr) < 0)
        return VFW_E_RUNTIME_ERROR;
    AVFrame& picture = *state->picture;
    picture.width = context.width;
    picture.height = context.height;
    picture.format = context.pix_fmt;
    if (av_frame_get_buffer(&picture, 0) < 0)
        return E_OUTOFMEMORY;

    const AM_MEDIA_TYPE& in = m_input->CurrentMediaType();
    const auto* inVih = in.FormatAs<VIDEOINFOHEADER>();
    const bool rgb = in.subtype == MEDIASUBTYPE_RGB24;
    state->sws.reset(sws_getContext(inVih->bmiHeader.biWidth, std::abs(inVih->bmiHeader.biHeight),
                                    rgb ? AV_PIX_FMT_BGR24 : AV_PIX_FMT_YUYV422, context.width,
                                    context.height, context.pix_fmt, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!state->sws)
        return VFW_E_RUNTIME_ERROR;
    m_state = std::move(state);
    return S_OK;
}

HRESULT DvVideoEncoder::StopStreaming()
{
    m_state.reset();
    return S_OK;
}

HRESULT DvVideoEncoder::Transform(IMediaSample* input, IMediaSample* output)
{
    if (!m_state)
        return VFW_E_WRONG_STATE;
    DvEncoderState& state = *m_state;
    std::uint8_t* in = nullptr;
    std::uint8_t* out = nullptr;
    if (Failed(input->GetPointer(&in)) || Failed(output->GetPointer(&out)))
        return E_POINTER;

    const AM_MEDIA_TYPE& type = m_input->CurrentMediaType();
    const auto* vih = type.FormatAs<VIDEOINFOHEADER>();
    const int width = vih->bmiHeader.biWidth;
    const int height = std::abs(vih->bmiHeader.biHeight);
    const bool rgb = type.subtype == MEDIASUBTYPE_RGB24;
    const int stride = static_cast<int>((static_cast<std::int64_t>(width) * (rgb ? 24 : 16) + 31) / 32 * 4);
    if (input->GetActualDataLength() < stride * height)
        return S_FALSE; // a short picture is dropped rather than read past its end
    // Bottom-up RGB is read from its last row upwards.
    const bool bottomUp = rgb && vih->bmiHeader.biHeight > 0;
    const std::uint8_t* const planes[4] = {bottomUp ? in + static_cast<std::ptrdiff_t>(height - 1) * stride
                                                    : in};
    const int strides[4] = {bottomUp ? -stride : stride};

    AVFrame& picture = *state.picture;
    if (av_frame_make_writable(&picture) < 0)
        return E_OUTOFMEMORY;
    sws_scale(state.sws.get(), planes, strides, 0, height, picture.data, picture.linesize);
    picture.pts = state.pts++;
    if (avcodec_send_frame(state.codec.get(), &picture) < 0 ||
        avcodec_receive_packet(state.codec.get(), state.packet.get()) < 0)
        return E_FAIL;
    const int size = state.packet->size;
    const bool fits = size <= output->GetSize();
    if (fits) {
        std::memcpy(out, state.packet->data, static_cast<std::size_t>(size));
        (void)output->SetActualDataLength(size);
        (void)output->SetSyncPoint(true);
    }
    av_packet_unref(state.packet.get());
    return fits ? S_OK : VFW_E_BUFFER_OVERFLOW;
}

} // namespace camtrove::media
