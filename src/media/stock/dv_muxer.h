#pragma once
// The DV Muxer: dvsd frames on its video input and 16-bit PCM on its audio input become
// interleaved DV frames, the sound written into each frame's DIF audio blocks with AAUX packs
// that state it. The picture's own header, subcode and VAUX bytes pass through untouched. Pin 0
// is the video input; once it is connected an audio input follows it; the output is always the
// last pin. Each frame takes the samples its place in the stream calls for. Frames wait for their
// sound: a few are queued, then the video thread waits for the audio thread; when no sound comes
// for a while, silence fills in from then on, so a dead audio branch never stalls the capture.
// Both inputs may be fed by one thread or by two. Receive runs on the upstream streaming threads;
// the queues are guarded by m_streamLock.

#include "media/base/base_pin.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace camtrove::media {

class DvMuxer;

class DvMuxerInputPin final : public TBCBaseInputPin
{
public:
    DvMuxerInputPin(DvMuxer* filter, TBCCritSec* lock, HRESULT* result, QString name, bool video);

    HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override;
    HRESULT CompleteConnect(IPin* receivePin) override;
    HRESULT BreakConnect() override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;

private:
    DvMuxer* m_muxer;
    bool m_video;
};

class DvMuxerOutputPin final : public TBCBaseOutputPin
{
public:
    DvMuxerOutputPin(DvMuxer* filter, TBCCritSec* lock, HRESULT* result);

    HRESULT CheckConnect(IPin* pin) override;
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override;
    HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

private:
    DvMuxer* m_muxer;
};

class DvMuxer final : public TBCBaseFilter
{
public:
    [[nodiscard]] static ComPtr<DvMuxer> Create();

    int GetPinCount() override;
    TBCBasePin* GetPin(int index) override;
    HRESULT Stop() override;
    HRESULT Pause() override;

private:
    friend class DvMuxerInputPin;
    friend class DvMuxerOutputPin;
    DvMuxer();

    struct PendingFrame
    {
        std::vector<std::uint8_t> bytes;
        REFERENCE_TIME start = 0;
        REFERENCE_TIME stop = 0;
        bool hasTime = false;
        bool discontinuity = false;
    };

    [[nodiscard]] AM_MEDIA_TYPE OutputType() const;
    [[nodiscard]] bool VideoIs625() const;
    [[nodiscard]] int AudioRate() const;
    void VideoConnectionChanged();
    void AudioConnectionChanged();

    [[nodiscard]] HRESULT ReceiveVideo(IMediaSample* sample);
    [[nodiscard]] HRESULT ReceiveAudio(IMediaSample* sample);
    void VideoEnded();
    void AudioEnded();
    // Sends every queued frame whose sound is there; all of them when flush is set. Called with
    // m_streamLock held.
    [[nodiscard]] HRESULT EmitReady(bool flush);
    void ResetStream();

    TBCCritSec m_lock;
    std::unique_ptr<DvMuxerInputPin> m_video;
    std::unique_ptr<DvMuxerInputPin> m_audio;
    std::unique_ptr<DvMuxerOutputPin> m_output;
    bool m_audioListed = false; // the audio pin is enumerated once the video input is connected

    std::mutex m_streamLock;
    std::condition_variable m_soundArrived;
    bool m_streaming = false; // false from Stop: waiting video threads give up
    bool m_soundLate = false; // the sound once failed to come: frames no longer wait for it
    std::deque<PendingFrame> m_frames;
    std::vector<std::int16_t> m_pcm; // queued stereo samples
    std::size_t m_pcmRead = 0;       // sample values of m_pcm already used
    bool m_audioEnded = false;
    bool m_videoEnded = false;
    std::int64_t m_frameIndex = 0;
    std::vector<std::int16_t> m_framePcm;
};

} // namespace camtrove::media
