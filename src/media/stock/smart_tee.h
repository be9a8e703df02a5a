#pragma once
// The Smart Tee: one input "Input" and two outputs, "Capture" and "Preview". The capture output
// gets every sample, sharing the input's buffers when its downstream takes them read-only. The
// preview output gets a copy without time stamps, so that its renderer shows it at once, and
// only when one of its own buffers is free: a preview that has fallen behind loses frames
// instead of holding up the capture. Both outputs carry the input's type.

#include "media/base/base_pin.h"
#include "media/stock/tee_output_pin.h"

#include <memory>

namespace camtrove::media {

class SmartTee;

class SmartTeeInputPin final : public TBCBaseInputPin
{
public:
    SmartTeeInputPin(SmartTee* filter, TBCCritSec* lock, HRESULT* result);

    HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override;
    HRESULT NotifyAllocator(IMemAllocator* allocator, bool readOnly) override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

private:
    SmartTee* m_tee;
};

class SmartTeeOutputPin final : public TeeOutputPin
{
public:
    SmartTeeOutputPin(SmartTee* filter, TBCCritSec* lock, HRESULT* result, QString name, bool preview);

    // Streaming thread: the preview output passes an untimed copy on when a buffer is free.
    [[nodiscard]] HRESULT DeliverPreview(IMediaSample* sample);

protected:
    [[nodiscard]] const TBCBaseInputPin& TeeInput() const override;
    // The preview output writes its own times and so always has its own pool.
    [[nodiscard]] bool MayShareInputBuffers() const override { return !m_preview; }

private:
    SmartTee* m_tee;
    bool m_preview;
};

class SmartTee final : public TBCBaseFilter
{
public:
    [[nodiscard]] static ComPtr<SmartTee> Create();

    int GetPinCount() override { return 3; }
    TBCBasePin* GetPin(int index) override;

    // Preview samples dropped because no preview buffer was free, since the last Pause from stopped.
    [[nodiscard]] std::int64_t PreviewFramesDropped() const { return m_previewDropped.load(); }
    HRESULT Pause() override;

private:
    friend class SmartTeeInputPin;
    friend class SmartTeeOutputPin;
    SmartTee();

    TBCCritSec m_lock;
    std::unique_ptr<SmartTeeInputPin> m_input;
    std::unique_ptr<SmartTeeOutputPin> m_capture;
    std::unique_ptr<SmartTeeOutputPin> m_preview;
    std::atomic<std::int64_t> m_previewDropped{0};
};

} // namespace camtrove::media
