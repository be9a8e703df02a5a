#pragma once
// The built-in test sound card: an audio input device that needs no hardware. Its capture pin
// delivers 16-bit stereo PCM at 48000 or 44100 Hz in 40 ms buffers, in real time against the
// graph's clock. Its input lines "Line In", "Microphone" and "CD" are input pins with an enable
// switch and a level (IAMAudioInputMixer); each line plays its own tone and the capture carries
// the mix of the enabled lines, silence when none is.

#include "media/core/audio_input_mixer.h"
#include "media/core/device_interfaces.h"
#include "media/devices/format_list_pin.h"

#include <array>
#include <memory>
#include <optional>
#include <vector>

namespace camtrove::media {

inline constexpr GUID CLSID_TestSoundCard = MakeGuid("6A1C7E57-0C4A-4D00-8E1C-43414D520003");

// The formats the capture pin offers, the default first.
[[nodiscard]] const std::vector<AM_MEDIA_TYPE>& TestSoundCardFormats();

inline constexpr REFERENCE_TIME kTestSoundCardBuffer = 400'000; // 40 ms

struct TestSoundCardLine
{
    const char* name;
    double frequency; // Hz
};
inline constexpr std::array<TestSoundCardLine, 3> kTestSoundCardLines = {
    {{"Line In", 440.0}, {"Microphone", 1000.0}, {"CD", 660.0}}};

class TestSoundCard;

class TestSoundCardLinePin final : public TBCBaseInputPin, public IAMAudioInputMixer
{
public:
    TestSoundCardLinePin(TestSoundCard* card, TBCCritSec* lock, QString name, bool enabled);

    HRESULT NonDelegatingQueryInterface(const GUID& iid, void** object) override;
    HRESULT CheckMediaType(const AM_MEDIA_TYPE&) override { return VFW_E_TYPE_NOT_ACCEPTED; }

    HRESULT put_Enable(bool enable) override;
    HRESULT get_Enable(bool* enable) override;
    HRESULT put_MixLevel(double level) override; // 0 to 1
    HRESULT get_MixLevel(double* level) override;

    // Any thread: the line's weight in the mix, 0 when disabled.
    [[nodiscard]] double Weight() const;

private:
    std::atomic<bool> m_enabled;
    std::atomic<double> m_level{1.0};
};

class TestSoundCardCapturePin final : public FormatListPin
{
public:
    TestSoundCardCapturePin(TestSoundCard* card, TBCCritSec* lock);

    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
    HRESULT Active() override;

protected:
    HRESULT FillBuffer(IMediaSample* sample) override;
    [[nodiscard]] const std::vector<AM_MEDIA_TYPE>& Formats() const override;
    [[nodiscard]] std::optional<AM_MEDIA_TYPE> TypeFor(const AM_MEDIA_TYPE& asked) const override;

private:
    TestSoundCard* m_card;
    std::int64_t m_position = 0; // sample frames since the pin became active; streaming thread
    bool m_runStarted = false;   // streaming thread
};

class TestSoundCard final : public TBCBaseFilter
{
public:
    [[nodiscard]] static ComPtr<TestSoundCard> Create();
    ~TestSoundCard() override;

    int GetPinCount() override { return static_cast<int>(m_pins.size()); }
    TBCBasePin* GetPin(int index) override;

    // Streaming thread: the weights of the lines in their order.
    [[nodiscard]] std::array<double, kTestSoundCardLines.size()> Weights() const;

private:
    TestSoundCard();

    TBCCritSec m_lock;
    std::array<std::unique_ptr<TBCBasePin>, 1 + kTestSoundCardLines.size()> m_pins; // capture, then the lines
};

} // namespace camtrove::media
