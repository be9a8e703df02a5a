#pragma once
// The built-in test camcorder: a DV device of the video input category that plays a tape (the
// synthetic test tape or a raw DV file) through one interleaved DV output, as a camcorder on the
// IEEE 1394 bus does. As a deck (VCR) it has a tape transport and a timecode reader; in camera
// mode it records live pictures stamped with the present date and time, and the transport does
// nothing. It delivers in real time against the graph's clock, or unclocked, as fast as the
// graph takes frames, for batch work; unclocked, the end of the tape ends the stream.
// Transport and timecode calls come from the control thread; frames leave on the pin's thread.

#include "media/base/base_filter.h"
#include "media/core/device_interfaces.h"
#include "media/devices/dv_tape.h"
#include "media/devices/live_source_pin.h"
#include "media/devices/tape_transport.h"
#include "media/devices/test_camcorder_settings.h"

#include <atomic>
#include <memory>
#include <optional>

namespace camtrove::media {

class FilterCatalogue;

inline constexpr GUID CLSID_TestCamcorder = MakeGuid("C4A7D1E0-5B1F-4E4A-9C1D-7E3A2B6F0D01");
inline constexpr const char* kTestCamcorderName = "Camtrove Test Camcorder";

// The timecode as the reader hands it over: two BCD digits a byte, hours high, frames low.
[[nodiscard]] std::uint32_t TimecodeToBcd(const TapeTimecode& timecode);

// The media type of interleaved DV for frames like the given one (DVINFO from its packs).
[[nodiscard]] AM_MEDIA_TYPE InterleavedDvType(const std::vector<std::uint8_t>& frame, TapeSystem system);

class TestCamcorder;

// The capture pin: clocked, it is paced by the live-source frame; unclocked, it gives a frame as
// soon as the graph takes one.
class TestCamcorderPin final : public LiveSourcePin
{
public:
    TestCamcorderPin(TestCamcorder* filter, TBCCritSec* lock);

    HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override;
    HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

protected:
    HRESULT FillBuffer(IMediaSample* sample) override;
    void OnThreadStart() override;

private:
    // Streaming thread: waits for the next frame period and gives its stream time; false when
    // the pin is told to stop.
    [[nodiscard]] bool NextPeriod(REFERENCE_TIME* start);

    TestCamcorder* m_camcorder;
    std::int64_t m_unclockedPeriods = 0; // streaming thread only
    bool m_discontinuity = true;         // streaming thread only
    bool m_tapeEnded = false;            // streaming thread only
};

class TestCamcorder final : public TBCBaseFilter,
                            public IAMExtDevice,
                            public IAMExtTransport,
                            public IAMTimecodeReader,
                            public IAMDroppedFrames
{
public:
    // A tape file that cannot be opened leaves the synthetic tape in the deck; TapeError says why.
    [[nodiscard]] static ComPtr<TestCamcorder> Create(const TestCamcorderSettings& settings);
    // With the settings of the registry store in its default place.
    [[nodiscard]] static ComPtr<TestCamcorder> CreateFromStore();

    HRESULT NonDelegatingQueryInterface(const GUID& iid, void** object) override;
    int GetPinCount() override { return 1; }
    TBCBasePin* GetPin(int index) override;

    // IAMExtDevice
    HRESULT GetCapability(std::int32_t capability, std::int32_t* value, double* doubleValue) override;
    // IAMExtTransport
    HRESULT put_Mode(std::int32_t mode) override;
    HRESULT get_Mode(std::int32_t* mode) override;
    HRESULT GetStatus(std::int32_t item, std::int32_t* value) override;
    // IAMTimecodeReader
    HRESULT GetTimecode(TIMECODE_SAMPLE* timecode) override;
    // IAMDroppedFrames
    HRESULT GetNumDropped(std::int32_t* dropped) override;
    HRESULT GetNumNotDropped(std::int32_t* notDropped) override;
    HRESULT GetAverageFrameSize(std::int32_t* averageSize) override;

    [[nodiscard]] const TestCamcorderSettings& Settings() const { return m_settings; }
    [[nodiscard]] const QString& TapeError() const { return m_tapeError; }
    [[nodiscard]] TapeTransport& Transport() { return m_transport; }
    [[nodiscard]] const AM_MEDIA_TYPE& OutputType() const { return m_type; }

private:
    friend class TestCamcorderPin;
    TestCamcorder(const TestCamcorderSettings& settings, std::unique_ptr<DvTape> tape, QString tapeError);

    TestCamcorderSettings m_settings;
    std::unique_ptr<DvTape> m_tape;
    QString m_tapeError;
    TapeSystem m_system;
    REFERENCE_TIME m_framePeriod;
    TapeTransport m_transport;
    AM_MEDIA_TYPE m_type;
    TBCCritSec m_lock;
    std::unique_ptr<TestCamcorderPin> m_pin;

    std::atomic<std::int32_t> m_dropped{0};
    std::atomic<std::int32_t> m_delivered{0};

    // Streaming thread only.
    TestTape m_liveCamera;
    std::vector<std::uint8_t> m_frame;
};

void RegisterTestCamcorder(FilterCatalogue& catalogue);

} // namespace camtrove::media
