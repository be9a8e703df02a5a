#pragma once
// The crossbar in front of the built-in test camera: three video connectors (tuner, composite,
// S-Video) that can each be routed to its one output, the video decoder, which feeds the camera's
// analog input. Pins are enumerated inputs first. The route may change while the graph runs; the
// camera reads it for every frame.

#include "media/base/base_filter.h"
#include "media/base/base_pin.h"
#include "media/core/device_interfaces.h"

#include <array>
#include <atomic>
#include <memory>

namespace camtrove::media {

// The type of the analog link from a crossbar to a capture filter's analog input.
inline constexpr GUID MEDIATYPE_AnalogVideo = MakeGuid("0482DDE1-7817-11CF-8A03-00AA006ECB65");

inline constexpr GUID CLSID_TestCameraCrossbar = MakeGuid("6A1C7E57-0C4A-4D00-8E1C-43414D520001");

class TestCrossbar final : public TBCBaseFilter, public IAMCrossbar
{
public:
    static constexpr int kInputs = 3;
    static constexpr int kOutputs = 1;

    [[nodiscard]] static ComPtr<TestCrossbar> Create();
    ~TestCrossbar() override;

    HRESULT NonDelegatingQueryInterface(const GUID& iid, void** object) override;
    int GetPinCount() override { return kInputs + kOutputs; }
    TBCBasePin* GetPin(int index) override;

    // IAMCrossbar
    HRESULT get_PinCounts(std::int32_t* outputs, std::int32_t* inputs) override;
    HRESULT CanRoute(std::int32_t output, std::int32_t input) override;
    HRESULT Route(std::int32_t output, std::int32_t input) override;
    HRESULT get_IsRoutedTo(std::int32_t output, std::int32_t* input) override;
    HRESULT get_CrossbarPinInfo(bool isInput, std::int32_t index, std::int32_t* related,
                                std::int32_t* physicalType) override;

    // Any thread.
    [[nodiscard]] int RoutedInput() const { return m_routed.load(std::memory_order_relaxed); }

private:
    TestCrossbar();

    TBCCritSec m_lock;
    std::array<std::unique_ptr<TBCBasePin>, kInputs + kOutputs> m_pins;
    std::atomic<int> m_routed{1}; // composite
};

} // namespace camtrove::media
