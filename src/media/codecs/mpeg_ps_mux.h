#pragma once
// The MPEG program stream multiplexer over libavformat's program stream muxers: an MPEG-2 video
// input (MEDIASUBTYPE_MPEG2_VIDEO with an MPEG2VIDEOINFO) or an MPEG-1 video input
// (MEDIASUBTYPE_MPEG1Payload with an MPEG1VIDEOINFO), an MPEG-1 audio input, and a byte-stream
// output (MEDIATYPE_Stream) that a File Writer writes. MPEG-2 video makes a DVD-style program
// stream, MPEG-1 video an MPEG-1 system stream. Pins: 0 "Video", 1 "Audio", 2 "Program Stream".
//
// The muxer starts when the filter pauses. Samples are written on the thread that delivers them
// (one lock serialises the inputs), stamped by their start times; the muxer interleaves the
// streams by time. The bytes go out as samples stamped with their file positions; what is left
// when the sink downstream has already stopped (the graph stops downstream first) goes through
// the sink's IStream, where the end of the stream is written at Stop. A failed write (a full
// disk) ends the run's writing: EC_ERRORABORT with the error is raised and the error goes upstream.

#include "media/base/base_pin.h"
#include "media/codecs/libav_handles.h"
#include "media/core/device_interfaces.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <span>

namespace camtrove::media {

class MpegPsMux;

enum class MpegPsInput
{
    Video,
    Audio
};

class MpegPsInputPin final : public TBCBaseInputPin
{
public:
    MpegPsInputPin(MpegPsMux* filter, TBCCritSec* lock, MpegPsInput kind);

    HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override;
    HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type) override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;

    [[nodiscard]] MpegPsInput Kind() const { return m_kind; }

private:
    friend class MpegPsMux;
    MpegPsMux* m_mux;
    MpegPsInput m_kind;
    // Under the mux's write lock, during a run.
    int m_stream = -1;
    bool m_ended = false;
    std::int64_t m_lastDts = -1; // 90 kHz
};

class MpegPsOutputPin final : public TBCBaseOutputPin
{
public:
    MpegPsOutputPin(MpegPsMux* filter, TBCCritSec* lock);

    HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override;
    HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

private:
    MpegPsMux* m_mux;
};

class MpegPsMux final : public TBCBaseFilter
{
public:
    [[nodiscard]] static ComPtr<MpegPsMux> Create();
    ~MpegPsMux() override;

    int GetPinCount() override { return 3; }
    TBCBasePin* GetPin(int index) override;

    HRESULT Pause() override;
    HRESULT Stop() override;

    // True when the video input carries MPEG-1: the output is then an MPEG-1 system stream.
    [[nodiscard]] bool IsMpeg1System() const;

private:
    friend class MpegPsInputPin;
    MpegPsMux();

    [[nodiscard]] HRESULT StartFile();
    [[nodiscard]] HRESULT FinishFile();
    // Streaming threads.
    [[nodiscard]] HRESULT WriteSample(MpegPsInputPin* pin, IMediaSample* sample);
    void EndStream(MpegPsInputPin* pin);
    void ReportFailure(HRESULT hr);

public:
    // The muxer's byte sink: called with the write lock held.
    static int WriteBytes(void* opaque, const std::uint8_t* data, int size);

private:
    [[nodiscard]] HRESULT Emit(std::span<const std::uint8_t> bytes);
    [[nodiscard]] HRESULT WriteThroughStream(std::span<const std::uint8_t> bytes);

    TBCCritSec m_lock;
    std::unique_ptr<MpegPsInputPin> m_video;
    std::unique_ptr<MpegPsInputPin> m_audio;
    std::unique_ptr<MpegPsOutputPin> m_output;

    std::mutex m_writeMutex; // serialises the inputs and guards the run's muxer below
    OutputContextPtr m_context;
    PacketPtr m_packet;
    ComPtr<IStream> m_stream;
    std::uint64_t m_position = 0;  // the next byte's place in the file
    HRESULT m_writeFailure = S_OK; // the first failed write of the run
    std::atomic<bool> m_failureReported{false};
};

} // namespace camtrove::media
