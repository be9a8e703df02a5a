#pragma once
// The LAME MP3 encoder filter over libmp3lame: 16-bit PCM, mono or stereo at 32000, 44100 or
// 48000 Hz, in; MPEG-1 Layer III out, one frame per sample, each a sync point stamped with its
// place in the stream counted from the first input sample's start. End of stream drains the
// encoder before it is passed on.
//
// The output offers the MP3 type first and the MPEG audio payload type naming Layer III second,
// both at the bitrate stored in the registry when they are offered; whatever bitrate the
// connected type names is the one encoded.
//
// Receive, EndOfStream and the encoder state run under the receive lock.

#include "media/base/transform_filter.h"
#include "media/codecs/mpeg_audio_format.h"

#include <QString>

#include <memory>
#include <vector>

struct lame_global_struct;

namespace camtrove::media {

class LameMp3Encoder final : public TBCTransformFilter
{
public:
    // The bitrate is read from the registry kept in registryFolder.
    [[nodiscard]] static ComPtr<LameMp3Encoder> Create(QString registryFolder);
    [[nodiscard]] static ComPtr<LameMp3Encoder> Create();
    ~LameMp3Encoder() override;

    HRESULT CheckInputType(const AM_MEDIA_TYPE& type) override;
    HRESULT CheckTransform(const AM_MEDIA_TYPE& input, const AM_MEDIA_TYPE& output) override;
    HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
    HRESULT StartStreaming() override;
    HRESULT StopStreaming() override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;

private:
    explicit LameMp3Encoder(QString registryFolder);
    [[nodiscard]] HRESULT OpenEncoder();
    [[nodiscard]] HRESULT Encode(const std::int16_t* pcm, int frames);
    [[nodiscard]] HRESULT DeliverWholeFrames();

    QString m_registryFolder;

    struct LameDeleter
    {
        void operator()(lame_global_struct* lame) const;
    };
    std::unique_ptr<lame_global_struct, LameDeleter> m_lame;
    Mp3Stream m_stream;
    std::vector<std::uint8_t> m_pending; // encoded bytes not yet cut into frames
    std::vector<std::uint8_t> m_scratch;
    REFERENCE_TIME m_streamStart = 0;
    bool m_started = false;        // the stream start is known
    std::int64_t m_samplesOut = 0; // per channel, in the frames delivered
};

} // namespace camtrove::media
