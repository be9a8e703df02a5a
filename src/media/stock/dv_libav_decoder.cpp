#include "media/stock/dv_libav_decoder.h"

#include "media/core/guids.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/opt.h>
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

[[nodiscard]] bool IsOutputSubtype(const GUID& subtype)
{
    return subtype == MEDIASUBTYPE_RGB24 || subtype == MEDIASUBTYPE_YUY2;
}

} // namespace

struct LibavDecoderState
{
    std::unique_ptr<AVCodecContext, CodecContextFree> codec;
    std::unique_ptr<AVFrame, FrameFree> frame{av_frame_alloc()};
    std::unique_ptr<AVPacket, PacketFree> packet{av_packet_alloc()};
    std::unique_ptr<SwsContext, SwsFree> sws;
    int swsWidth = 0, swsHeight = 0, swsFormat = -1; // the picture sws was made for
    std::unique_ptr<AVFrame, FrameFree> target{av_frame_alloc()};
    std::vector<std::uint8_t> padded; // the decoder reads a little past a packet's end
};

LibavVideoDecoder::LibavVideoDecoder(QString name, const GUID& classId, int codecId)
    : TBCTransformFilter(std::move(name), classId), m_codecId(codecId)
{
}

LibavVideoDecoder::~LibavVideoDecoder() = default;

std::pair<int, int> LibavVideoDecoder::InputSize() const
{
    const auto* vih = m_input->CurrentMediaType().FormatAs<VIDEOINFOHEADER>();
    return {vih->bmiHeader.biWidth, std::abs(vih->bmiHeader.biHeight)};
}

HRESULT LibavVideoDecoder::CheckInputType(const AM_MEDIA_TYPE& type)
{
    if (type.majortype != MEDIATYPE_Video || type.formattype != FORMAT_VideoInfo)
        return VFW_E_TYPE_NOT_ACCEPTED;
    const auto* vih = type.FormatAs<VIDEOINFOHEADER>();
    if (!vih || vih->bmiHeader.biWidth <= 0 || vih->bmiHeader.biHeight == 0 ||
        vih->bmiHeader.biWidth > 8192 || std::abs(vih->bmiHeader.biHeight) > 8192)
        return VFW_E_TYPE_NOT_ACCEPTED;
    return AcceptsSubtype(type) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT LibavVideoDecoder::CheckTransform(const AM_MEDIA_TYPE& input, const AM_MEDIA_TYPE& output)
{
    if (CheckInputType(input) != S_OK)
        return VFW_E_TYPE_NOT_ACCEPTED;
    if (output.majortype != MEDIATYPE_Video || !IsOutputSubtype(output.subtype) ||
        output.formattype != FORMAT_VideoInfo)
        return VFW_E_TYPE_NOT_ACCEPTED;
    const auto* in = input.FormatAs<VIDEOINFOHEADER>();
    const auto* out = output.FormatAs<VIDEOINFOHEADER>();
    if (!out)
        return VFW_E_TYPE_NOT_ACCEPTED;
    const auto [width, height] = OutputSize(in->bmiHeader.biWidth, std::abs(in->bmiHeader.biHeight));
    if (out->bmiHeader.biWidth != width || std::abs(out->bmiHeader.biHeight) != height ||
        out->bmiHeader.biBitCount != BitCountOfSubtype(output.subtype))
        return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

HRESULT LibavVideoDecoder::GetMediaType(int position, AM_MEDIA_TYPE* type)
{
    if (position < 0)
        return E_INVALIDARG;
    if (!m_input->IsConnected())
        return VFW_E_NOT_CONNECTED;
    if (position > 1)
        return VFW_S_NO_MORE_ITEMS;
    const auto [inWidth, inHeight] = InputSize();
    const auto [width, height] = OutputSize(inWidth, inHeight);
    const REFERENCE_TIME frameTime = m_input->CurrentMediaType().FormatAs<VIDEOINFOHEADER>()->AvgTimePerFrame;
    *type = MakeVideoType(position == 0 ? MEDIASUBTYPE_RGB24 : MEDIASUBTYPE_YUY2, width, height, frameTime);
    return S_OK;
}

HRESULT LibavVideoDecoder::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request)
{
    const AM_MEDIA_TYPE& type = m_output->CurrentMediaType();
    const auto* vih = type.FormatAs<VIDEOINFOHEADER>();
    ALLOCATOR_PROPERTIES wanted = *request;
    wanted.cBuffers = std::max(request->cBuffers, 2);
    wanted.cbBuffer = std::max({request->cbBuffer, static_cast<std::int32_t>(type.lSampleSize),
                                static_cast<std::int32_t>(DibImageSize(vih->bmiHeader))});
    wanted.cbAlign = std::max(request->cbAlign, 1);
    ALLOCATOR_PROPERTIES actual;
    const HRESULT hr = allocator->SetProperties(wanted, &actual);
    if (Failed(hr))
        return hr;
    return actual.cbBuffer >= wanted.cbBuffer ? S_OK : E_FAIL;
}

HRESULT LibavVideoDecoder::StartStreaming()
{
    const AVCodec* codec = avcodec_find_decoder(static_cast<AVCodecID>(m_codecId));
    if (!codec)
        return VFW_E_RUNTIME_ERROR;
    auto state = std::make_unique<LibavDecoderState>();
    state->codec.reset(avcodec_alloc_context3(codec));
    if (!state->codec || !state->frame || !state->packet)
        return E_OUTOFMEMORY;
    const auto [width, height] = InputSize();
    state->codec->width = width;
    state->codec->height = height;
    // Slices keep both cores busy without the frame delay of frame threads: one picture in, one out.
    state->codec->thread_count = 0;
    state->codec->thread_type = FF_THREAD_SLICE;
    if (avcodec_open2(state->codec.get(), codec, nullptr) < 0)
        return VFW_E_RUNTIME_ERROR;
    m_state = std::move(state);
    return S_OK;
}

HRESULT LibavVideoDecoder::StopStreaming()
{
    m_state.reset();
    return S_OK;
}

HRESULT LibavVideoDecoder::Transform(IMediaSample* input, IMediaSample* output)
{
    if (!m_state)
        return VFW_E_WRONG_STATE;
    LibavDecoderState& state = *m_state;
    std::uint8_t* in = nullptr;
    std::uint8_t* out = nullptr;
    if (Failed(input->GetPointer(&in)) || Failed(output->GetPointer(&out)))
        return E_POINTER;
    const auto length = static_cast<std::size_t>(std::max(input->GetActualDataLength(), 0));
    if (length == 0)
        return S_FALSE;
    state.padded.resize(length + AV_INPUT_BUFFER_PADDING_SIZE);
    std::memcpy(state.padded.data(), in, length);
    std::fill(state.padded.begin() + static_cast<std::ptrdiff_t>(length), state.padded.end(), 0);
    state.packet->data = state.padded.data();
    state.packet->size = static_cast<int>(length);

    // A damaged picture is dropped, not a reason to stop the stream.
    if (avcodec_send_packet(state.codec.get(), state.packet.get()) < 0)
        return S_FALSE;
    if (avcodec_receive_frame(state.codec.get(), state.frame.get()) < 0)
        return S_FALSE;
    const AVFrame& picture = *state.frame;

    const AM_MEDIA_TYPE& type = m_output->CurrentMediaType();
    const auto* vih = type.FormatAs<VIDEOINFOHEADER>();
    const int width = vih->bmiHeader.biWidth;
    const int height = std::abs(vih->bmiHeader.biHeight);
    const bool rgb = type.subtype == MEDIASUBTYPE_RGB24;
    const AVPixelFormat target = rgb ? AV_PIX_FMT_BGR24 : AV_PIX_FMT_YUYV422;
    const int stride = static_cast<int>((static_cast<std::int64_t>(width) * (rgb ? 24 : 16) + 31) / 32 * 4);
    const std::int32_t size = stride * height;
    if (output->GetSize() < size) {
        av_frame_unref(state.frame.get());
        return VFW_E_BUFFER_OVERFLOW;
    }
    // Sliced over every core: the conversion would otherwise leave one idle after the decode.
    if (!state.sws || state.swsWidth != picture.width || state.swsHeight != picture.height ||
        state.swsFormat != picture.format) {
        state.sws.reset(sws_alloc_context());
        SwsContext* sws = state.sws.get();
        if (!sws || av_opt_set_int(sws, "srcw", picture.width, 0) < 0 ||
            av_opt_set_int(sws, "srch", picture.height, 0) < 0 ||
            av_opt_set_int(sws, "src_format", picture.format, 0) < 0 ||
            av_opt_set_int(sws, "dstw", width, 0) < 0 || av_opt_set_int(sws, "dsth", height, 0) < 0 ||
            av_opt_set_int(sws, "dst_format", target, 0) < 0 ||
            av_opt_set_int(sws, "sws_flags", SWS_BILINEAR, 0) < 0 ||
            av_opt_set_int(sws, "threads", 0, 0) < 0 || sws_init_context(sws, nullptr, nullptr) < 0) {
            state.sws.reset();
            av_frame_unref(state.frame.get());
            return E_FAIL;
        }
        state.swsWidth = picture.width;
        state.swsHeight = picture.height;
        state.swsFormat = picture.format;
    }
    // The output buffer is lent to libswscale; bottom-up RGB is written from the last row upwards.
    const bool bottomUp = rgb && vih->bmiHeader.biHeight > 0;
    AVFrame& dest = *state.target;
    av_frame_unref(&dest);
    dest.buf[0] = av_buffer_create(
        out, static_cast<std::size_t>(size), [](void*, std::uint8_t*) {}, nullptr, 0);
    if (!dest.buf[0]) {
        av_frame_unref(state.frame.get());
        return E_OUTOFMEMORY;
    }
    dest.data[0] = bottomUp ? out + static_cast<std::ptrdiff_t>(height - 1) * stride : out;
    dest.linesize[0] = bottomUp ? -stride : stride;
    dest.width = width;
    dest.height = height;
    dest.format = target;
    const int scaled = sws_scale_frame(state.sws.get(), &dest, &picture);
    av_frame_unref(&dest);
    if (scaled < 0) {
        av_frame_unref(state.frame.get());
        return E_FAIL;
    }
    av_frame_unref(state.frame.get());
    (void)output->SetActualDataLength(size);
    (void)output->SetSyncPoint(true);
    return S_OK;
}

} // namespace camtrove::media
