#pragma once
// The AVI Mux: any number of video, audio and interleaved DV inputs into one AVI file, written
// through a file sink downstream (the File Writer). Pin 0 is the output "AVI Out"; the inputs
// follow as "Input 01", "Input 02", ..., with always one free input at the end, so a chain
// connects to pin 1, re-reads the pins and finds the next free input last. Each connected input
// is one stream of the file, in pin order.
//
// Chunks go out as byte-stream samples stamped with their file positions, on the thread that
// delivers them (one lock serialises the inputs): in arrival order, or with INTERLEAVE_FULL in
// the order of their start times, holding copies back until every stream has caught up. Headers and indexes
// go through the sink's IStream: a provisional header when the run starts, the complete file at Stop. A
// failed write (a full disk) ends the run's writing: the file is completed up to its last whole
// chunk, EC_ERRORABORT with the error is raised on the graph and the error goes upstream.

#include "media/base/base_pin.h"
#include "media/core/device_interfaces.h"
#include "media/stock/avi_mux_file.h"

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace camtrove::media {

// The multiplexer's own settings.
class IAviMuxSettings : public virtual IUnknown
{
public:
    static constexpr GUID Iid = MakeGuid("C2A3E6F1-4B7D-4E8A-9F21-5D0B7A3C1E42");
    // Bytes after which a new RIFF segment begins (AVI 2.0); taken at the next run.
    [[nodiscard]] virtual HRESULT put_SegmentSize(std::uint64_t bytes) = 0;
    [[nodiscard]] virtual HRESULT get_SegmentSize(std::uint64_t* bytes) = 0;
};

class AviMux;

class AviMuxInputPin final : public TBCBaseInputPin
{
public:
    AviMuxInputPin(AviMux* filter, TBCCritSec* lock, HRESULT* result, int number);

    HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override;
    HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type) override;
    HRESULT CompleteConnect(IPin* receivePin) override;
    HRESULT BreakConnect() override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;

    [[nodiscard]] int Number() const { return m_number; }

private:
    friend class AviMux;
    AviMux* m_mux;
    int m_number;
    std::size_t m_stream = 0; // the file's stream number during a run
    bool m_ended = false;     // under the mux's write lock
};

class AviMuxOutputPin final : public TBCBaseOutputPin
{
public:
    AviMuxOutputPin(AviMux* filter, TBCCritSec* lock, HRESULT* result);

    HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override;
    HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
};

class AviMux final : public TBCBaseFilter,
                     public IConfigInterleaving,
                     public IAviMuxSettings,
                     private AviByteSink
{
public:
    [[nodiscard]] static ComPtr<AviMux> Create();
    ~AviMux() override;

    HRESULT NonDelegatingQueryInterface(const GUID& iid, void** object) override;

    int GetPinCount() override;
    TBCBasePin* GetPin(int index) override;

    HRESULT Pause() override;
    HRESULT Stop() override;

    // IConfigInterleaving
    HRESULT put_Mode(InterleavingMode mode) override;
    HRESULT get_Mode(InterleavingMode* mode) override;
    HRESULT put_Interleaving(const REFERENCE_TIME* leaving, const REFERENCE_TIME* preroll) override;
    HRESULT get_Interleaving(REFERENCE_TIME* leaving, REFERENCE_TIME* preroll) override;

    // IAviMuxSettings
    HRESULT put_SegmentSize(std::uint64_t bytes) override;
    HRESULT get_SegmentSize(std::uint64_t* bytes) override;

private:
    friend class AviMuxInputPin;
    AviMux();

    void KeepOneFreeInput(AviMuxInputPin* leaving = nullptr, AviMuxInputPin* joining = nullptr);
    [[nodiscard]] HRESULT StartFile();
    [[nodiscard]] HRESULT FinishFile();
    // Streaming threads.
    [[nodiscard]] HRESULT WriteSample(AviMuxInputPin* pin, IMediaSample* sample);
    void EndStream(AviMuxInputPin* pin);
    void ReportFailure(HRESULT hr);
    // INTERLEAVE_FULL: writes the held chunks that no stream can still precede, or all of them.
    [[nodiscard]] HRESULT WritePending(bool everything);

    // AviByteSink
    HRESULT WriteChunk(std::uint64_t position, std::span<const std::uint8_t> header,
                       std::span<const std::uint8_t> payload, bool pad) override;
    HRESULT WriteAt(std::uint64_t position, std::span<const std::uint8_t> bytes) override;
    HRESULT Truncate(std::uint64_t size) override;

    TBCCritSec m_lock;
    std::unique_ptr<AviMuxOutputPin> m_output;
    std::vector<AviMuxInputPin*> m_inputs; // the enumerated inputs, in pin order
    // Every input ever made: a caller may still hold an input that left the list.
    std::vector<std::unique_ptr<AviMuxInputPin>> m_allInputs;
    int m_nextInputNumber = 1;

    std::atomic<InterleavingMode> m_mode{INTERLEAVE_CAPTURE};
    REFERENCE_TIME m_interleave = 10000000;
    REFERENCE_TIME m_preroll = 0;
    std::uint64_t m_segmentSize = kDefaultAviSegmentSize;

    std::mutex m_writeMutex; // serialises the inputs and guards the run's file below
    std::unique_ptr<AviFileBuilder> m_builder;
    std::vector<AviMuxInputPin*> m_runInputs;
    InterleavingMode m_runMode = INTERLEAVE_CAPTURE;
    struct PendingChunk
    {
        REFERENCE_TIME time;
        std::vector<std::uint8_t> data;
        bool keyFrame;
    };
    std::vector<std::deque<PendingChunk>> m_pending; // per stream
    std::vector<REFERENCE_TIME> m_lastTime;          // per stream: for samples without a time
    std::size_t m_pendingBytes = 0;
    ComPtr<IStream> m_stream;
    std::atomic<bool> m_failureReported{false};
};

} // namespace camtrove::media
