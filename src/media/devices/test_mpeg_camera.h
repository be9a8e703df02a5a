#pragma once
// The built-in test MPEG camera: a video input device that gives native MPEG video, as capture
// cards with a hardware encoder do. Its capture pin encodes the moving test pattern in real time
// against the graph's clock with libavcodec: MPEG-2 (FORMAT_MPEG2Video, the picture aspect in the
// VIDEOINFOHEADER2) or MPEG-1 (FORMAT_MPEGVideo), each format block carrying the stream's sequence
// header. One coded picture per sample, without B pictures, so each sample's time is the picture's
// presentation and decoding time; I pictures, each after a sequence header, are the sync points.
// An MPEG-1 picture comes out one frame period after it was taken, as the encoder holds it back.
// The pin counts the frames it took and the frames it had to drop.

#include "media/codecs/libav_handles.h"
#include "media/core/device_interfaces.h"
#include "media/devices/format_list_pin.h"

#include <memory>
#include <optional>
#include <vector>

namespace camtrove::media {

inline constexpr GUID CLSID_TestMpegCamera = MakeGuid("6A1C7E57-0C4A-4D00-8E1C-43414D520004");

// The formats the capture pin offers, the default first: MPEG-2 at 720 by 576 with the aspect
// fields 4:3, 16:9, and equal to the picture size (720:576, what encoders write that leave the
// ratio to the player), then MPEG-1 at 352 by 288; all at 25 frames a second.
[[nodiscard]] const std::vector<AM_MEDIA_TYPE>& TestMpegCameraFormats();

class TestMpegCamera;

class TestMpegCameraPin final : public FormatListPin, public IAMDroppedFrames
{
public:
    TestMpegCameraPin(TestMpegCamera* camera, TBCCritSec* lock);
    ~TestMpegCameraPin() override;

    HRESULT NonDelegatingQueryInterface(const GUID& iid, void** object) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
    HRESULT Active() override;
    HRESULT Inactive() override;

    // IAMDroppedFrames: counts of the current or last run.
    HRESULT GetNumDropped(std::int32_t* dropped) override;
    HRESULT GetNumNotDropped(std::int32_t* notDropped) override;
    HRESULT GetAverageFrameSize(std::int32_t* averageSize) override;

protected:
    HRESULT FillBuffer(IMediaSample* sample) override;
    [[nodiscard]] const std::vector<AM_MEDIA_TYPE>& Formats() const override;
    [[nodiscard]] std::optional<AM_MEDIA_TYPE> TypeFor(const AM_MEDIA_TYPE& asked) const override;

private:
    struct Encoder; // the run's encoder and picture buffers; streaming thread while running
    std::unique_ptr<Encoder> m_encoder;
    std::int64_t m_frame = 0;          // streaming thread, reset before it starts
    bool m_runStarted = false;         // streaming thread, reset before it starts
    std::int64_t m_lastDelivered = -1; // the frame of the last sample; streaming thread
    std::atomic<std::int32_t> m_dropped{0};
    std::atomic<std::int32_t> m_notDropped{0};
    std::atomic<std::int64_t> m_bytes{0};
};

class TestMpegCamera final : public TBCBaseFilter
{
public:
    [[nodiscard]] static ComPtr<TestMpegCamera> Create();
    ~TestMpegCamera() override;

    int GetPinCount() override { return 1; }
    TBCBasePin* GetPin(int index) override { return index == 0 ? m_pin.get() : nullptr; }

private:
    TestMpegCamera();

    TBCCritSec m_lock;
    std::unique_ptr<TestMpegCameraPin> m_pin;
};

} // namespace camtrove::media
