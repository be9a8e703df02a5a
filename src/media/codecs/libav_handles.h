#pragma once
// Owning handles for the FFmpeg objects the encoders and multiplexers hold.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
}

#include <memory>

namespace camtrove::media {

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
// An output context with a custom byte sink: the I/O context and its buffer go with it.
struct OutputContextFree
{
    void operator()(AVFormatContext* context) const
    {
        if (context->pb) {
            av_freep(&context->pb->buffer);
            avio_context_free(&context->pb);
        }
        avformat_free_context(context);
    }
};

using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
using OutputContextPtr = std::unique_ptr<AVFormatContext, OutputContextFree>;

} // namespace camtrove::media
