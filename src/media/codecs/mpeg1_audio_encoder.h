#pragma once
// The MPEG-1 audio encoder: 16-bit PCM, mono or stereo at 32000, 44100 or 48000 Hz, in; MPEG-1
// Layer II out (libavcodec's mp2), one frame of 1152 samples per output sample, each a sync point
// stamped with its place in the stream counted from the first input sample's start. The stream
// runs at 192 kbit/s in stereo and 96 kbit/s in mono. End of stream encodes the last partial
// frame padded with silence before end-of-stream goes on; Stop drops it.
//
// Receive, EndOfStream and the encoder state run under the receive lock.

#include "media/base/transform_filter.h"
#include "media/codecs/libav_handles.h"
#include "media/codecs/mpeg1_audio_type.h"

#include <vector>

namespace camtrove::media {

class Mpeg1AudioEncoder final : public TBCTransformFilter
{
public:
    [[nodiscard]] static ComPtr<Mpeg1AudioEncoder> Create();
    ~Mpeg1AudioEncoder() override;

    HRESULT CheckInputType(const AM_MEDIA_TYPE& type) override;
    HRESULT CheckTransform(const AM_MEDIA_TYPE& input, const AM_MEDIA_TYPE& output) override;
    HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
    HRESULT StartStreaming() override;
    HRESULT StopStreaming() override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;

private:
    Mpeg1AudioEncoder();
    // Encodes every whole frame of m_pcm; with `drain`, also the rest padded with silence, and
    // empties the encoder.
    [[nodiscard]] HRESULT EncodePending(bool drain);
    [[nodiscard]] HRESULT DeliverPackets();

    Mpeg1AudioStream m_stream;
    CodecContextPtr m_codec;
    FramePtr m_frame;
    PacketPtr m_packet;
    std::vector<std::int16_t> m_pcm; // interleaved samples not yet encoded
    REFERENCE_TIME m_streamStart = 0;
    bool m_started = false;        // the stream start is known
    std::int64_t m_samplesOut = 0; // per channel, in the frames delivered
};

} // namespace camtrove::media
