#pragma once
// The DV Splitter: takes interleaved DV (MEDIATYPE_Interleaved dvsd with its DVINFO block) and,
// once its input is connected, offers one dvsd video output and one 16-bit PCM output per audio
// pair the DVINFO announces. Pin 0 is the input, pin 1 the video, pins 2 and 3 the audio pairs.
// Every DV frame goes out unchanged on the video output and its sound, decoded from the DIF audio
// blocks, on the audio outputs with the frame's own times, so sound and picture stay together even
// where the tape carries no sound (silence fills in) or changes its sampling rate (the sound is
// resampled to the rate the output was connected with). Receive runs on the upstream streaming
// thread under the receive lock; pins change only while the filter is stopped.

#include "media/base/base_pin.h"
#include "media/core/dv_interfaces.h"

#include <memory>
#include <vector>

namespace camtrove::media {

class DvSplitter;
class DvAudioResampler;

class DvSplitterInputPin final : public TBCBaseInputPin
{
public:
    DvSplitterInputPin(DvSplitter* filter, TBCCritSec* lock, HRESULT* result);

    HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override;
    HRESULT CompleteConnect(IPin* receivePin) override;
    HRESULT BreakConnect() override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;
    HRESULT Active() override;

private:
    DvSplitter* m_splitter;
};

class DvSplitterOutputPin final : public TBCBaseOutputPin
{
public:
    DvSplitterOutputPin(DvSplitter* filter, TBCCritSec* lock, HRESULT* result, QString name,
                        AM_MEDIA_TYPE type, int audioPair);
    ~DvSplitterOutputPin() override;

    HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override;
    HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

    // Streaming thread: sends the frame's picture, or its sound for an audio output.
    [[nodiscard]] HRESULT DeliverFrame(std::span<const std::uint8_t> frame, REFERENCE_TIME start,
                                       REFERENCE_TIME stop, IMediaSample* input, std::int64_t frameIndex);
    void ResetStream();
    [[nodiscard]] bool IsAudio() const { return m_audioPair >= 0; }

private:
    [[nodiscard]] HRESULT DeliverBytes(const std::uint8_t* data, std::size_t size, REFERENCE_TIME start,
                                       REFERENCE_TIME stop, IMediaSample* input);

    AM_MEDIA_TYPE m_type;
    int m_audioPair; // -1 for the video output
    int m_rate = 0;  // of the audio output
    std::vector<std::int16_t> m_pcm;
    std::unique_ptr<DvAudioResampler> m_resampler;
};

class DvSplitter final : public TBCBaseFilter
{
public:
    [[nodiscard]] static ComPtr<DvSplitter> Create();

    int GetPinCount() override;
    TBCBasePin* GetPin(int index) override;
    HRESULT Stop() override;

private:
    friend class DvSplitterInputPin;
    DvSplitter();

    void CreateOutputs(const DVINFO& info);
    void RemoveOutputs();
    [[nodiscard]] HRESULT ReceiveFrame(IMediaSample* sample);

    TBCCritSec m_lock;
    TBCCritSec m_receiveLock;
    std::unique_ptr<DvSplitterInputPin> m_input;
    std::vector<DvSplitterOutputPin*> m_outputs; // the enumerated outputs, in pin order
    // Outputs of earlier connections stay alive with the filter: a caller may still hold them.
    std::vector<std::unique_ptr<DvSplitterOutputPin>> m_allOutputs;
    bool m_is625 = true;
    std::int64_t m_frameIndex = 0; // streaming thread
};

} // namespace camtrove::media
