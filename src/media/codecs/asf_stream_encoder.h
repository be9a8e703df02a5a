#pragma once
// One stream of an ASF recording: converts the uncompressed samples an input pin receives into
// what the profile's stream asks for (picture size through libswscale, sampling rate and channels
// through libswresample) and encodes them (wmv2, wmav2). Used by one streaming thread at a time;
// the packets it makes carry times in the codec's time base and go to the caller's sink.

#include "media/codecs/wm_profile.h"
#include "media/core/filter_interfaces.h"

#include <functional>
#include <memory>

struct AVCodecContext;
struct AVPacket;

namespace camtrove::media {

using AsfPacketSink = std::function<HRESULT(AVPacket* packet)>;

class AsfStreamEncoder
{
public:
    virtual ~AsfStreamEncoder() = default;

    // The open codec: its parameters describe the file's stream, its time base the packets'.
    [[nodiscard]] virtual const AVCodecContext* Codec() const = 0;
    [[nodiscard]] virtual HRESULT Encode(IMediaSample* sample, const AsfPacketSink& sink) = 0;
    // Drains what the codec holds back; the stream takes no samples after it.
    [[nodiscard]] virtual HRESULT Finish(const AsfPacketSink& sink) = 0;
};

// Whether an input of this type can feed a stream of the kind given.
[[nodiscard]] bool AcceptsAsfVideoInput(const AM_MEDIA_TYPE& input);
[[nodiscard]] bool AcceptsAsfAudioInput(const AM_MEDIA_TYPE& input);

// Opens an encoder for the stream fed with the input type; null with the error in *result when the
// codec refuses the profile's parameters or the input cannot be converted.
[[nodiscard]] std::unique_ptr<AsfStreamEncoder>
OpenAsfStreamEncoder(const WmStreamDescription& stream, const AM_MEDIA_TYPE& input, HRESULT* result);

} // namespace camtrove::media
