#pragma once
// The Null Renderer: a sink that takes any type and throws every sample away, for branches whose
// data nobody needs to see (a tee output kept busy, a grabber at the end of a chain).

#include "media/base/base_pin.h"

#include <atomic>
#include <memory>

namespace camtrove::media {

class NullRenderer;

class NullRendererInputPin final : public TBCBaseInputPin
{
public:
    NullRendererInputPin(NullRenderer* filter, TBCCritSec* lock, HRESULT* result);

    HRESULT CheckMediaType(const AM_MEDIA_TYPE&) override { return S_OK; }
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;

private:
    NullRenderer* m_renderer;
};

class NullRenderer final : public TBCBaseFilter
{
public:
    [[nodiscard]] static ComPtr<NullRenderer> Create();

    int GetPinCount() override { return 1; }
    TBCBasePin* GetPin(int index) override { return index == 0 ? m_pin.get() : nullptr; }
    HRESULT Pause() override;

    // Samples discarded since the filter last left the stopped state.
    [[nodiscard]] std::int64_t SamplesRendered() const { return m_rendered.load(); }

private:
    friend class NullRendererInputPin;
    NullRenderer();

    TBCCritSec m_lock;
    std::unique_ptr<NullRendererInputPin> m_pin;
    std::atomic<std::int64_t> m_rendered{0};
};

} // namespace camtrove::media
