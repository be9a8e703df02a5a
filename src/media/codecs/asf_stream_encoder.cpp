#include "media/codecs/asf_stream_encoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <cmath>
#include <vector>

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
struct SwrFree
{
    void operator()(SwrContext* context) const { swr_free(&context); }
};
struct FifoFree
{
    void operator()(AVAudioFifo* fifo) const { av_audio_fifo_free(fifo); }
};

constexpr double kUnitsPerSecond = 10000000.0;
// Pictures between key frames: a seek in the file never lands further than this from one.
constexpr double kKeyFrameSeconds = 3.0;

HRESULT FromAvError(int error)
{
    return error == AVERROR(ENOMEM) ? E_OUTOFMEMORY : E_FAIL;
}

struct PictureLayout
{
    AVPixelFormat format = AV_PIX_FMT_NONE;
    int width = 0;
    int height = 0;
    bool bottomUp = false;
    // Rows of RGB pictures start on 4-byte boundaries; the YUV layouts are packed.
    [[nodiscard]] int RowAlignment() const
    {
        return format == AV_PIX_FMT_BGR24 || format == AV_PIX_FMT_BGR0 ? 4 : 1;
    }
};

std::optional<PictureLayout> LayoutOf(const AM_MEDIA_TYPE& input)
{
    if (input.majortype != MEDIATYPE_Video)
        return std::nullopt;
    const BITMAPINFOHEADER* header = nullptr;
    if (input.formattype == FORMAT_VideoInfo) {
        if (const auto* info = input.FormatAs<VIDEOINFOHEADER>())
            header = &info->bmiHeader;
    } else if (input.formattype == FORMAT_VideoInfo2) {
        if (const auto* info = input.FormatAs<VIDEOINFOHEADER2>())
            header = &info->bmiHeader;
    }
    if (!header || header->biWidth <= 0 || header->biHeight == 0)
        return std::nullopt;
    PictureLayout layout;
    layout.width = header->biWidth;
    layout.height = std::abs(header->biHeight);
    const bool rgb = input.subtype == MEDIASUBTYPE_RGB24 || input.subtype == MEDIASUBTYPE_RGB32;
    layout.bottomUp = rgb && header->biHeight > 0;
    if (input.subtype == MEDIASUBTYPE_RGB24)
        layout.format = AV_PIX_FMT_BGR24;
    else if (input.subtype == MEDIASUBTYPE_RGB32)
        layout.format = AV_PIX_FMT_BGR0;
    else if (input.subtype == MEDIASUBTYPE_YUY2)
        layout.format = AV_PIX_FMT_YUYV422;
    else if (input.subtype == MEDIASUBTYPE_UYVY)
        layout.format = AV_PIX_FMT_UYVY422;
    else if (input.subtype == MEDIASUBTYPE_I420 || input.subtype == MEDIASUBTYPE_IYUV)
        layout.format = AV_PIX_FMT_YUV420P;
    else
        return std::nullopt;
    if (layout.format == AV_PIX_FMT_YUV420P && (layout.width % 2 != 0 || layout.height % 2 != 0))
        return std::nullopt;
    return layout;
}

struct PcmLayout
{
    AVSampleFormat format = AV_SAMPLE_FMT_NONE;
    int rate = 0;
    int channels = 0;
    int blockAlign = 0;
};

std::optional<PcmLayout> PcmLayoutOf(const AM_MEDIA_TYPE& input)
{
    if (input.majortype != MEDIATYPE_Audio || input.subtype != MEDIASUBTYPE_PCM ||
        input.formattype != FORMAT_WaveFormatEx)
        return std::nullopt;
    const auto* wave = input.FormatAs<WAVEFORMATEX>();
    if (!wave || wave->wFormatTag != WAVE_FORMAT_PCM || wave->nSamplesPerSec == 0 || wave->nChannels == 0 ||
        wave->nChannels > 8)
        return std::nullopt;
    PcmLayout layout;
    if (wave->wBitsPerSample == 8)
        layout.format = AV_SAMPLE_FMT_U8;
    else if (wave->wBitsPerSample == 16)
        layout.format = AV_SAMPLE_FMT_S16;
    else
        return std::nullopt;
    layout.rate = static_cast<int>(wave->nSamplesPerSec);
    layout.channels = wave->nChannels;
    layout.blockAlign = layout.channels * (wave->wBitsPerSample / 8);
    return layout;
}

// Sends a frame (null: the end) and hands every packet the codec gives back to the sink.
HRESULT EncodeFrame(AVCodecContext* codec, AVFrame* frame, AVPacket* packet, const AsfPacketSink& sink,
                    std::int64_t duration)
{
    int error = avcodec_send_frame(codec, frame);
    if (error < 0 && error != AVERROR_EOF)
        return FromAvError(error);
    for (;;) {
        error = avcodec_receive_packet(codec, packet);
        if (error == AVERROR(EAGAIN) || error == AVERROR_EOF)
            return S_OK;
        if (error < 0)
            return FromAvError(error);
        if (duration > 0)
            packet->duration = duration;
        const HRESULT hr = sink(packet);
        av_packet_unref(packet);
        if (Failed(hr))
            return hr;
    }
}

class VideoEncoder final : public AsfStreamEncoder
{
public:
    HRESULT Open(const WmStreamDescription& stream, const PictureLayout& input)
    {
        m_input = input;
        m_frameDuration = stream.frameDuration;
        const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_WMV2);
        if (!encoder)
            return E_FAIL;
        m_codec.reset(avcodec_alloc_context3(encoder));
        m_frame.reset(av_frame_alloc());
        m_packet.reset(av_packet_alloc());
        if (!m_codec || !m_frame || !m_packet)
            return E_OUTOFMEMORY;
        const double seconds = static_cast<double>(stream.frameDuration) / kUnitsPerSecond;
        m_codec->width = stream.width;
        m_codec->height = stream.height;
        m_codec->pix_fmt = AV_PIX_FMT_YUV420P;
        m_codec->time_base = av_d2q(seconds, 65535);
        m_codec->framerate = av_inv_q(m_codec->time_base);
        m_codec->bit_rate = stream.bitrate;
        m_codec->gop_size = std::max(1, static_cast<int>(std::lround(kKeyFrameSeconds / seconds)));
        m_codec->max_b_frames = 0;
        int error = avcodec_open2(m_codec.get(), encoder, nullptr);
        if (error < 0)
            return FromAvError(error);
        m_frame->format = AV_PIX_FMT_YUV420P;
        m_frame->width = stream.width;
        m_frame->height = stream.height;
        if ((error = av_frame_get_buffer(m_frame.get(), 0)) < 0)
            return FromAvError(error);
        m_scaler.reset(sws_getContext(input.width, input.height, input.format, stream.width, stream.height,
                                      AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr));
        if (!m_scaler)
            return E_FAIL;
        m_imageSize = av_image_get_buffer_size(input.format, input.width, input.height, input.RowAlignment());
        return m_imageSize > 0 ? S_OK : E_FAIL;
    }

    const AVCodecContext* Codec() const override { return m_codec.get(); }

    HRESULT Encode(IMediaSample* sample, const AsfPacketSink& sink) override
    {
        std::uint8_t* data = nullptr;
        HRESULT hr = sample->GetPointer(&data);
        if (Failed(hr))
            return hr;
        if (sample->GetActualDataLength() < m_imageSize)
            return E_INVALIDARG;
        REFERENCE_TIME start = 0, stop = 0;
        const HRESULT times = sample->GetTime(&start, &stop);
        std::int64_t index = m_lastIndex + 1;
        if (times == S_OK || times == VFW_S_NO_STOP_TIME) {
            if (start < 0)
                return S_OK; // before the start of the run
            index = std::llround(static_cast<double>(start) / static_cast<double>(m_frameDuration));
        }
        // The profile's rate is lower than the source's: this picture's slot is already taken.
        if (index <= m_lastIndex)
            return S_OK;
        int error = av_frame_make_writable(m_frame.get());
        if (error < 0)
            return FromAvError(error);
        std::uint8_t* planes[4] = {};
        int strides[4] = {};
        error = av_image_fill_arrays(planes, strides, data, m_input.format, m_input.width, m_input.height,
                                     m_input.RowAlignment());
        if (error < 0)
            return FromAvError(error);
        if (m_input.bottomUp) {
            planes[0] += static_cast<std::ptrdiff_t>(strides[0]) * (m_input.height - 1);
            strides[0] = -strides[0];
        }
        sws_scale(m_scaler.get(), planes, strides, 0, m_input.height, m_frame->data, m_frame->linesize);
        m_frame->pts = index;
        m_lastIndex = index;
        return EncodeFrame(m_codec.get(), m_frame.get(), m_packet.get(), sink, 1);
    }

    HRESULT Finish(const AsfPacketSink& sink) override
    {
        return EncodeFrame(m_codec.get(), nullptr, m_packet.get(), sink, 1);
    }

private:
    PictureLayout m_input;
    REFERENCE_TIME m_frameDuration = 0;
    int m_imageSize = 0;
    std::int64_t m_lastIndex = -1;
    std::unique_ptr<AVCodecContext, CodecContextFree> m_codec;
    std::unique_ptr<AVFrame, FrameFree> m_frame;
    std::unique_ptr<AVPacket, PacketFree> m_packet;
    std::unique_ptr<SwsContext, SwsFree> m_scaler;
};

class AudioEncoder final : public AsfStreamEncoder
{
public:
    HRESULT Open(const WmStreamDescription& stream, const PcmLayout& input)
    {
        m_input = input;
        const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_WMAV2);
        if (!encoder)
            return E_FAIL;
        m_codec.reset(avcodec_alloc_context3(encoder));
        m_frame.reset(av_frame_alloc());
        m_packet.reset(av_packet_alloc());
        if (!m_codec || !m_frame || !m_packet)
            return E_OUTOFMEMORY;
        m_codec->sample_rate = static_cast<int>(stream.sampleRate);
        av_channel_layout_default(&m_codec->ch_layout, stream.channels);
        m_codec->sample_fmt = AV_SAMPLE_FMT_FLTP;
        m_codec->bit_rate = stream.bitrate;
        m_codec->time_base = {1, m_codec->sample_rate};
        int error = avcodec_open2(m_codec.get(), encoder, nullptr);
        if (error < 0)
            return FromAvError(error);

        AVChannelLayout inputLayout;
        av_channel_layout_default(&inputLayout, input.channels);
        SwrContext* resampler = nullptr;
        error = swr_alloc_set_opts2(&resampler, &m_codec->ch_layout, AV_SAMPLE_FMT_FLTP, m_codec->sample_rate,
                                    &inputLayout, input.format, input.rate, 0, nullptr);
        av_channel_layout_uninit(&inputLayout);
        m_resampler.reset(resampler);
        if (error < 0 || (error = swr_init(m_resampler.get())) < 0)
            return FromAvError(error);

        m_fifo.reset(av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, stream.channels, m_codec->frame_size * 2));
        if (!m_fifo)
            return E_OUTOFMEMORY;
        m_frame->format = AV_SAMPLE_FMT_FLTP;
        m_frame->nb_samples = m_codec->frame_size;
        m_frame->sample_rate = m_codec->sample_rate;
        if ((error = av_channel_layout_copy(&m_frame->ch_layout, &m_codec->ch_layout)) < 0 ||
            (error = av_frame_get_buffer(m_frame.get(), 0)) < 0)
            return FromAvError(error);
        return S_OK;
    }

    const AVCodecContext* Codec() const override { return m_codec.get(); }

    HRESULT Encode(IMediaSample* sample, const AsfPacketSink& sink) override
    {
        std::uint8_t* data = nullptr;
        HRESULT hr = sample->GetPointer(&data);
        if (Failed(hr))
            return hr;
        if (!m_started) {
            // The sound starts where its first sample says; from there it runs on without gaps.
            REFERENCE_TIME start = 0, stop = 0;
            const HRESULT times = sample->GetTime(&start, &stop);
            if ((times == S_OK || times == VFW_S_NO_STOP_TIME) && start > 0)
                m_startPts =
                    std::llround(static_cast<double>(start) * m_codec->sample_rate / kUnitsPerSecond);
            // The codec's output lags its input by its padding: the first packets decode to
            // silence. Dropping as much input and numbering the frames that much later keeps
            // every decoded sample at the time it was captured.
            m_skip = m_codec->initial_padding;
            m_nextPts = m_startPts + m_codec->initial_padding;
            m_end = m_startPts;
            m_started = true;
        }
        const int frames = std::max(0, sample->GetActualDataLength()) / m_input.blockAlign;
        const std::uint8_t* input[1] = {data};
        hr = Convert(input, frames);
        if (Failed(hr))
            return hr;
        return EncodeWholeFrames(sink, false);
    }

    HRESULT Finish(const AsfPacketSink& sink) override
    {
        if (!m_started)
            return S_OK;
        HRESULT hr = Convert(nullptr, 0);
        // Silence as long as the lag pushes the last captured sound out of the codec.
        if (Succeeded(hr))
            hr = Queue(nullptr, m_codec->initial_padding);
        m_finishing = true;
        if (Succeeded(hr))
            hr = EncodeWholeFrames(sink, true);
        if (Succeeded(hr))
            hr = EncodeFrame(m_codec.get(), nullptr, m_packet.get(), Trimmed(sink), 0);
        return hr;
    }

private:
    // Resamples into the queue; no input drains the resampler.
    HRESULT Convert(const std::uint8_t** input, int frames)
    {
        const int room = swr_get_out_samples(m_resampler.get(), frames);
        if (room < 0)
            return FromAvError(room);
        if (room == 0)
            return S_OK;
        const auto channels = static_cast<std::size_t>(m_codec->ch_layout.nb_channels);
        m_planes.resize(channels);
        std::vector<std::uint8_t*> pointers(channels);
        for (std::size_t c = 0; c < channels; ++c) {
            m_planes[c].resize(static_cast<std::size_t>(room));
            pointers[c] = reinterpret_cast<std::uint8_t*>(m_planes[c].data());
        }
        const int converted = swr_convert(m_resampler.get(), pointers.data(), room, input, frames);
        if (converted < 0)
            return FromAvError(converted);
        m_end += converted;
        const int skipped = std::min(converted, m_skip);
        m_skip -= skipped;
        for (auto& pointer : pointers)
            pointer += static_cast<std::ptrdiff_t>(skipped) * static_cast<std::ptrdiff_t>(sizeof(float));
        return Queue(pointers.data(), converted - skipped);
    }

    // Adds samples to the queue; null adds silence.
    HRESULT Queue(std::uint8_t** planes, int count)
    {
        if (count <= 0)
            return S_OK;
        std::vector<std::vector<float>> silence;
        std::vector<std::uint8_t*> zeros;
        if (!planes) {
            const auto channels = static_cast<std::size_t>(m_codec->ch_layout.nb_channels);
            silence.assign(channels, std::vector<float>(static_cast<std::size_t>(count)));
            for (auto& plane : silence)
                zeros.push_back(reinterpret_cast<std::uint8_t*>(plane.data()));
            planes = zeros.data();
        }
        return av_audio_fifo_write(m_fifo.get(), reinterpret_cast<void**>(planes), count) < count
                   ? E_OUTOFMEMORY
                   : S_OK;
    }

    // At the end a packet lasts only as long as the captured sound it holds; the silence after it
    // is left out.
    AsfPacketSink Trimmed(const AsfPacketSink& sink)
    {
        return [this, &sink](AVPacket* packet) -> HRESULT {
            const std::int64_t frameSize = m_codec->frame_size;
            if (m_finishing) {
                if (packet->pts >= m_end)
                    return S_OK;
                packet->duration = std::min(frameSize, m_end - packet->pts);
            } else {
                packet->duration = frameSize;
            }
            return sink(packet);
        };
    }

    // The codec takes whole frames only; at the end the last part is padded with silence.
    HRESULT EncodeWholeFrames(const AsfPacketSink& sink, bool last)
    {
        const int frameSize = m_codec->frame_size;
        const AsfPacketSink trimmed = Trimmed(sink);
        while (av_audio_fifo_size(m_fifo.get()) >= frameSize ||
               (last && av_audio_fifo_size(m_fifo.get()) > 0)) {
            int error = av_frame_make_writable(m_frame.get());
            if (error < 0)
                return FromAvError(error);
            const int taken =
                av_audio_fifo_read(m_fifo.get(), reinterpret_cast<void**>(m_frame->data), frameSize);
            if (taken < 0)
                return FromAvError(taken);
            if (taken < frameSize)
                av_samples_set_silence(m_frame->data, taken, frameSize - taken,
                                       m_codec->ch_layout.nb_channels, AV_SAMPLE_FMT_FLTP);
            m_frame->pts = m_nextPts;
            m_nextPts += frameSize;
            const HRESULT hr = EncodeFrame(m_codec.get(), m_frame.get(), m_packet.get(), trimmed, 0);
            if (Failed(hr))
                return hr;
        }
        return S_OK;
    }

    PcmLayout m_input;
    bool m_started = false;
    bool m_finishing = false;
    std::int64_t m_startPts = 0; // where the first captured sample belongs, in samples
    std::int64_t m_nextPts = 0;  // of the next frame given to the codec
    std::int64_t m_end = 0;      // just after the last captured sample
    int m_skip = 0;              // captured samples still to drop for the codec's lag
    std::vector<std::vector<float>> m_planes;
    std::unique_ptr<AVCodecContext, CodecContextFree> m_codec;
    std::unique_ptr<AVFrame, FrameFree> m_frame;
    std::unique_ptr<AVPacket, PacketFree> m_packet;
    std::unique_ptr<SwrContext, SwrFree> m_resampler;
    std::unique_ptr<AVAudioFifo, FifoFree> m_fifo;
};

} // namespace

bool AcceptsAsfVideoInput(const AM_MEDIA_TYPE& input)
{
    return LayoutOf(input).has_value();
}

bool AcceptsAsfAudioInput(const AM_MEDIA_TYPE& input)
{
    return PcmLayoutOf(input).has_value();
}

std::unique_ptr<AsfStreamEncoder> OpenAsfStreamEncoder(const WmStreamDescription& stream,
                                                       const AM_MEDIA_TYPE& input, HRESULT* result)
{
    HRESULT hr = VFW_E_TYPE_NOT_ACCEPTED;
    std::unique_ptr<AsfStreamEncoder> encoder;
    if (stream.IsVideo()) {
        if (const auto layout = LayoutOf(input)) {
            auto video = std::make_unique<VideoEncoder>();
            if (Succeeded(hr = video->Open(stream, *layout)))
                encoder = std::move(video);
        }
    } else if (stream.IsAudio()) {
        if (const auto layout = PcmLayoutOf(input)) {
            auto audio = std::make_unique<AudioEncoder>();
            if (Succeeded(hr = audio->Open(stream, *layout)))
                encoder = std::move(audio);
        }
    }
    if (result)
        *result = hr;
    return encoder;
}

} // namespace camtrove::media
