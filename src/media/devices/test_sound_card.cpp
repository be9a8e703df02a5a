#include "media/devices/test_sound_card.h"

#include <cmath>
#include <numbers>

namespace camtrove::media {

namespace {

// Each enabled line at full level peaks at a quarter of full scale, so that all three together
// stay clear of clipping.
constexpr double kLineAmplitude = 0.25 * 32767.0;

std::optional<AM_MEDIA_TYPE> CardTypeFor(const AM_MEDIA_TYPE& asked)
{
    const auto* wfx = asked.FormatAs<WAVEFORMATEX>();
    if (asked.majortype != MEDIATYPE_Audio || asked.subtype != MEDIASUBTYPE_PCM ||
        asked.formattype != FORMAT_WaveFormatEx || !wfx || wfx->wFormatTag != WAVE_FORMAT_PCM)
        return std::nullopt;
    for (const auto& format : TestSoundCardFormats()) {
        const auto* listed = format.FormatAs<WAVEFORMATEX>();
        if (wfx->nSamplesPerSec == listed->nSamplesPerSec && wfx->nChannels == listed->nChannels &&
            wfx->wBitsPerSample == listed->wBitsPerSample)
            return format;
    }
    return std::nullopt;
}

} // namespace

const std::vector<AM_MEDIA_TYPE>& TestSoundCardFormats()
{
    static const std::vector<AM_MEDIA_TYPE> formats = {MakePcmAudioType(48000, 16, 2),
                                                       MakePcmAudioType(44100, 16, 2)};
    return formats;
}

TestSoundCardLinePin::TestSoundCardLinePin(TestSoundCard* card, TBCCritSec* lock, QString name, bool enabled)
    : TBCBaseInputPin(name, card, lock, nullptr, name), m_enabled(enabled)
{
}

HRESULT TestSoundCardLinePin::NonDelegatingQueryInterface(const GUID& iid, void** object)
{
    if (iid == IID_IAMAudioInputMixer) {
        *object = static_cast<IAMAudioInputMixer*>(this);
        AddRef();
        return S_OK;
    }
    return TBCBaseInputPin::NonDelegatingQueryInterface(iid, object);
}

HRESULT TestSoundCardLinePin::put_Enable(bool enable)
{
    m_enabled.store(enable, std::memory_order_relaxed);
    return S_OK;
}

HRESULT TestSoundCardLinePin::get_Enable(bool* enable)
{
    if (!enable)
        return E_POINTER;
    *enable = m_enabled.load(std::memory_order_relaxed);
    return S_OK;
}

HRESULT TestSoundCardLinePin::put_MixLevel(double level)
{
    if (!(level >= 0.0 && level <= 1.0))
        return E_INVALIDARG;
    m_level.store(level, std::memory_order_relaxed);
    return S_OK;
}

HRESULT TestSoundCardLinePin::get_MixLevel(double* level)
{
    if (!level)
        return E_POINTER;
    *level = m_level.load(std::memory_order_relaxed);
    return S_OK;
}

double TestSoundCardLinePin::Weight() const
{
    return m_enabled.load(std::memory_order_relaxed) ? m_level.load(std::memory_order_relaxed) : 0.0;
}

TestSoundCardCapturePin::TestSoundCardCapturePin(TestSoundCard* card, TBCCritSec* lock)
    : FormatListPin(QStringLiteral("Capture"), card, lock, QStringLiteral("Capture"), PIN_CATEGORY_CAPTURE),
      m_card(card)
{
}

const std::vector<AM_MEDIA_TYPE>& TestSoundCardCapturePin::Formats() const
{
    return TestSoundCardFormats();
}

std::optional<AM_MEDIA_TYPE> TestSoundCardCapturePin::TypeFor(const AM_MEDIA_TYPE& asked) const
{
    return CardTypeFor(asked);
}

HRESULT TestSoundCardCapturePin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request)
{
    const auto* wfx = CurrentMediaType().FormatAs<WAVEFORMATEX>();
    if (!wfx)
        return VFW_E_INVALIDMEDIATYPE;
    const auto bytes = static_cast<std::int32_t>(static_cast<std::int64_t>(wfx->nAvgBytesPerSec) *
                                                 kTestSoundCardBuffer / 10'000'000);
    request->cBuffers = std::max(request->cBuffers, 4);
    request->cbBuffer = std::max(request->cbBuffer, bytes);
    ALLOCATOR_PROPERTIES actual;
    const HRESULT hr = allocator->SetProperties(*request, &actual);
    if (Failed(hr))
        return hr;
    return actual.cbBuffer >= bytes ? S_OK : E_FAIL;
}

HRESULT TestSoundCardCapturePin::Active()
{
    m_position = 0;
    m_runStarted = false;
    return LiveSourcePin::Active();
}

HRESULT TestSoundCardCapturePin::FillBuffer(IMediaSample* sample)
{
    const auto* wfx = CurrentMediaType().FormatAs<WAVEFORMATEX>();
    if (!wfx)
        return VFW_E_INVALIDMEDIATYPE;
    REFERENCE_TIME start = 0;
    std::int64_t skipped = 0;
    if (!WaitForNextPeriod(kTestSoundCardBuffer, &start, &skipped))
        return S_FALSE;
    const std::int64_t rate = wfx->nSamplesPerSec;
    const std::int64_t frames = rate * kTestSoundCardBuffer / 10'000'000;
    m_position += skipped * frames;

    std::uint8_t* data = nullptr;
    if (Failed(sample->GetPointer(&data)))
        return E_POINTER;
    const auto bytes = static_cast<std::int32_t>(frames * wfx->nBlockAlign);
    if (sample->GetSize() < bytes)
        return VFW_E_BUFFER_OVERFLOW;
    const auto weights = m_card->Weights();
    auto* out = reinterpret_cast<std::int16_t*>(data);
    for (std::int64_t i = 0; i < frames; ++i) {
        double value = 0.0;
        const double seconds = static_cast<double>(m_position + i) / static_cast<double>(rate);
        for (std::size_t line = 0; line < weights.size(); ++line)
            if (weights[line] > 0.0)
                value += weights[line] * kLineAmplitude *
                         std::sin(2.0 * std::numbers::pi * kTestSoundCardLines[line].frequency * seconds);
        const auto sampleValue = static_cast<std::int16_t>(std::lround(value));
        for (int channel = 0; channel < wfx->nChannels; ++channel)
            *out++ = sampleValue;
    }
    (void)sample->SetActualDataLength(bytes);
    const REFERENCE_TIME stop = start + kTestSoundCardBuffer;
    (void)sample->SetTime(&start, &stop);
    const std::int64_t mediaStart = m_position, mediaStop = m_position + frames;
    (void)sample->SetMediaTime(&mediaStart, &mediaStop);
    (void)sample->SetSyncPoint(true);
    (void)sample->SetDiscontinuity(!m_runStarted || skipped > 0);
    m_runStarted = true;
    m_position += frames;
    return S_OK;
}

ComPtr<TestSoundCard> TestSoundCard::Create()
{
    return ComPtr<TestSoundCard>(new TestSoundCard());
}

TestSoundCard::TestSoundCard()
    : TBCBaseFilter(QStringLiteral("Camtrove Test Sound Card"), &m_lock, CLSID_TestSoundCard)
{
    m_pins[0] = std::make_unique<TestSoundCardCapturePin>(this, &m_lock);
    for (std::size_t line = 0; line < kTestSoundCardLines.size(); ++line)
        m_pins[1 + line] = std::make_unique<TestSoundCardLinePin>(
            this, &m_lock, QString::fromUtf8(kTestSoundCardLines[line].name), line == 0);
}

TestSoundCard::~TestSoundCard() = default;

TBCBasePin* TestSoundCard::GetPin(int index)
{
    return index >= 0 && index < GetPinCount() ? m_pins[static_cast<std::size_t>(index)].get() : nullptr;
}

std::array<double, kTestSoundCardLines.size()> TestSoundCard::Weights() const
{
    std::array<double, kTestSoundCardLines.size()> weights{};
    for (std::size_t line = 0; line < weights.size(); ++line)
        weights[line] = static_cast<const TestSoundCardLinePin*>(m_pins[1 + line].get())->Weight();
    return weights;
}

} // namespace camtrove::media
