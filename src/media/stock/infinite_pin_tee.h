#pragma once
// The Infinite Pin Tee: one input and as many outputs as are connected, plus one free output that
// is always there to connect next. Pin 0 is the input, outputs are pins 1, 2, ... in the order they
// were created, and every output carries the input's type and gets every sample. Outputs share the
// input's buffers read-only when the downstream pin takes them; otherwise they get a copy.

#include "media/base/base_pin.h"
#include "media/stock/tee_output_pin.h"

#include <memory>
#include <vector>

namespace camtrove::media {

class InfinitePinTee;

class InfTeeInputPin final : public TBCBaseInputPin
{
public:
    InfTeeInputPin(InfinitePinTee* filter, TBCCritSec* lock, HRESULT* result);

    HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override;
    HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type) override;
    HRESULT NotifyAllocator(IMemAllocator* allocator, bool readOnly) override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

private:
    InfinitePinTee* m_tee;
};

class InfTeeOutputPin final : public TeeOutputPin
{
public:
    InfTeeOutputPin(InfinitePinTee* filter, TBCCritSec* lock, HRESULT* result, int number);

    HRESULT CompleteConnect(IPin* receivePin) override;
    HRESULT BreakConnect() override;

    // The n of its name "Outputn": the order of creation, which is the order of the pins.
    [[nodiscard]] int Number() const { return m_number; }

protected:
    [[nodiscard]] const TBCBaseInputPin& TeeInput() const override;

private:
    InfinitePinTee* m_tee;
    int m_number;
};

class InfinitePinTee final : public TBCBaseFilter
{
public:
    [[nodiscard]] static ComPtr<InfinitePinTee> Create();

    int GetPinCount() override;
    TBCBasePin* GetPin(int index) override;

    [[nodiscard]] InfTeeInputPin* Input() { return m_input.get(); }

private:
    friend class InfTeeInputPin;
    friend class InfTeeOutputPin;
    InfinitePinTee();

    // Keeps exactly one unconnected output at the end of the list. An output connected again after
    // it left (a reconnection) takes back its place among the others.
    void KeepOneFreeOutput(InfTeeOutputPin* leaving = nullptr, InfTeeOutputPin* joining = nullptr);
    [[nodiscard]] std::vector<InfTeeOutputPin*> ConnectedOutputs();

    TBCCritSec m_lock;
    std::unique_ptr<InfTeeInputPin> m_input;
    std::vector<InfTeeOutputPin*> m_outputs; // the enumerated outputs, in pin order
    // Every output ever made. A removed output may still be referenced by a caller holding its
    // IPin, and a pin lives as long as its filter, so none is freed before the tee.
    std::vector<std::unique_ptr<InfTeeOutputPin>> m_allOutputs;
    int m_nextOutputNumber = 1;
};

} // namespace camtrove::media
