#pragma once
// The built-in test camera: a video input device that needs no hardware. Its capture and preview
// pins each deliver a moving test pattern (RGB24 or YUY2, in the sizes and rates of
// TestCameraFormats) on their own thread in real time against the graph's clock. Its analog input
// takes the test crossbar, whose routed connector chooses the picture; the picture controls are
// IAMVideoProcAmp on the filter; the capture pin counts the frames it had to drop.

#include "media/core/device_interfaces.h"
#include "media/devices/format_list_pin.h"
#include "media/devices/test_pattern.h"

#include <array>
#include <memory>
#include <optional>
#include <vector>

namespace camtrove::media {

inline constexpr GUID CLSID_TestCamera = MakeGuid("6A1C7E57-0C4A-4D00-8E1C-43414D520002");

// The formats both stream pins offer, the default first.
[[nodiscard]] const std::vector<AM_MEDIA_TYPE>& TestCameraFormats();

class TestCamera;

class TestCameraStreamPin final : public FormatListPin, public IAMDroppedFrames
{
public:
    TestCameraStreamPin(TestCamera* camera, TBCCritSec* lock, QString name, const GUID& category);

    HRESULT NonDelegatingQueryInterface(const GUID& iid, void** object) override;
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
    HRESULT Active() override;

    // IAMDroppedFrames: counts of the current or last run.
    HRESULT GetNumDropped(std::int32_t* dropped) override;
    HRESULT GetNumNotDropped(std::int32_t* notDropped) override;
    HRESULT GetAverageFrameSize(std::int32_t* averageSize) override;

protected:
    HRESULT FillBuffer(IMediaSample* sample) override;
    [[nodiscard]] const std::vector<AM_MEDIA_TYPE>& Formats() const override;
    [[nodiscard]] std::optional<AM_MEDIA_TYPE> TypeFor(const AM_MEDIA_TYPE& asked) const override;

private:
    TestCamera* m_camera;
    std::int64_t m_frame = 0;  // streaming thread, reset before it starts
    bool m_runStarted = false; // streaming thread, reset before it starts
    std::atomic<std::int32_t> m_dropped{0};
    std::atomic<std::int32_t> m_notDropped{0};
    std::atomic<std::int64_t> m_bytes{0};
};

class TestCamera final : public TBCBaseFilter, public IAMVideoProcAmp
{
public:
    // failsToAttach: a camera whose driver lists its streams but never connects them, as a device
    // in use by another program does; activating it fails.
    [[nodiscard]] static ComPtr<TestCamera> Create(bool failsToAttach = false);
    ~TestCamera() override;

    HRESULT NonDelegatingQueryInterface(const GUID& iid, void** object) override;
    int GetPinCount() override { return static_cast<int>(m_pins.size()); }
    TBCBasePin* GetPin(int index) override;
    HRESULT Pause() override;
    HRESULT Stop() override;

    // IAMVideoProcAmp: brightness, contrast and saturation, set by hand.
    HRESULT GetRange(std::int32_t property, std::int32_t* min, std::int32_t* max, std::int32_t* step,
                     std::int32_t* defaultValue, std::int32_t* capsFlags) override;
    HRESULT Set(std::int32_t property, std::int32_t value, std::int32_t flags) override;
    HRESULT Get(std::int32_t property, std::int32_t* value, std::int32_t* flags) override;

    // Streaming threads: the picture of the routed input, and the controls as they are now.
    [[nodiscard]] TestPatternKind PatternKind() const;
    [[nodiscard]] PictureControls Controls() const;
    [[nodiscard]] bool FailsToAttach() const { return m_failsToAttach; }

private:
    explicit TestCamera(bool failsToAttach);
    [[nodiscard]] std::atomic<int>* Control(std::int32_t property);

    const bool m_failsToAttach;
    TBCCritSec m_lock;
    std::array<std::unique_ptr<TBCBasePin>, 3> m_pins; // capture, preview, analog input
    ComPtr<IAMCrossbar> m_crossbar; // the crossbar feeding the analog input while the filter is active
    std::atomic<int> m_brightness{0};
    std::atomic<int> m_contrast{100};
    std::atomic<int> m_saturation{100};
};

} // namespace camtrove::media
