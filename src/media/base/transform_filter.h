#pragma once
// TBCTransformFilter: the copy transform. An input pin "XForm In" (id "In") and an output pin
// "XForm Out" (id "Out"), created at the first GetPin. Receive runs on the upstream streaming
// thread under the receive lock; state changes and negotiation under the filter lock. Stop takes
// the filter lock, then the receive lock.

#include "media/base/base_filter.h"
#include "media/base/base_pin.h"

#include <memory>

namespace camtrove::media {

class TBCTransformFilter;

class TBCTransformInputPin : public TBCBaseInputPin
{
public:
    TBCTransformInputPin(QString objectName, TBCTransformFilter* filter, HRESULT* result, QString pinName);

    HRESULT CheckConnect(IPin* pin) override;
    HRESULT BreakConnect() override;
    HRESULT CompleteConnect(IPin* receivePin) override;
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override;
    HRESULT SetMediaType(const AM_MEDIA_TYPE& type) override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

protected:
    TBCTransformFilter* m_transformFilter;
};

class TBCTransformOutputPin : public TBCBaseOutputPin, public IQualityControl
{
public:
    TBCTransformOutputPin(QString objectName, TBCTransformFilter* filter, HRESULT* result, QString pinName);

    HRESULT NonDelegatingQueryInterface(const GUID& iid, void** object) override;
    HRESULT CheckConnect(IPin* pin) override;
    HRESULT BreakConnect() override;
    HRESULT CompleteConnect(IPin* receivePin) override;
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override;
    HRESULT SetMediaType(const AM_MEDIA_TYPE& type) override;
    HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
    // Quality messages from downstream go to AlterQuality, and upstream when it declines.
    HRESULT Notify(IBaseFilter* self, const Quality& quality) override;

protected:
    TBCTransformFilter* m_transformFilter;
};

class TBCTransformFilter : public TBCBaseFilter
{
public:
    TBCTransformFilter(QString objectName, const GUID& classId);
    ~TBCTransformFilter() override;

    int GetPinCount() override { return 2; }
    TBCBasePin* GetPin(int index) override;
    // Only the ids "In" and "Out" name pins.
    HRESULT FindPin(const QString& id, ComPtr<IPin>* pin) override;
    HRESULT Stop() override;
    HRESULT Pause() override;

    // The operations a transform overrides, in the frame's order.
    [[nodiscard]] virtual HRESULT Transform(IMediaSample* input, IMediaSample* output);
    [[nodiscard]] virtual HRESULT CheckInputType(const AM_MEDIA_TYPE& type) = 0;
    [[nodiscard]] virtual HRESULT CheckTransform(const AM_MEDIA_TYPE& input, const AM_MEDIA_TYPE& output) = 0;
    [[nodiscard]] virtual HRESULT DecideBufferSize(IMemAllocator* allocator,
                                                   ALLOCATOR_PROPERTIES* request) = 0;
    [[nodiscard]] virtual HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type) = 0;
    [[nodiscard]] virtual HRESULT StartStreaming() { return S_OK; }
    virtual HRESULT StopStreaming() { return S_OK; }
    virtual HRESULT AlterQuality(const Quality&) { return S_FALSE; }
    virtual HRESULT SetMediaType(PIN_DIRECTION, const AM_MEDIA_TYPE&) { return S_OK; }
    [[nodiscard]] virtual HRESULT CheckConnect(PIN_DIRECTION, IPin*) { return S_OK; }
    virtual HRESULT BreakConnect(PIN_DIRECTION) { return S_OK; }
    [[nodiscard]] virtual HRESULT CompleteConnect(PIN_DIRECTION, IPin*) { return S_OK; }
    [[nodiscard]] virtual HRESULT Receive(IMediaSample* sample);
    [[nodiscard]] virtual HRESULT InitializeOutputSample(IMediaSample* sample, ComPtr<IMediaSample>* output);
    virtual HRESULT EndOfStream();
    virtual HRESULT BeginFlush();
    virtual HRESULT EndFlush();
    virtual HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

    // The pins, created on first use like GetPin.
    [[nodiscard]] TBCTransformInputPin* InputPin()
    {
        (void)GetPin(0);
        return m_input.get();
    }
    [[nodiscard]] TBCTransformOutputPin* OutputPin()
    {
        (void)GetPin(0);
        return m_output.get();
    }
    [[nodiscard]] TBCCritSec* ReceiveLock() { return &m_csReceive; }

protected:
    // Pin factories, called once by the first GetPin; a filter with its own pin classes overrides them.
    [[nodiscard]] virtual std::unique_ptr<TBCTransformInputPin> CreateInputPin(HRESULT* result);
    [[nodiscard]] virtual std::unique_ptr<TBCTransformOutputPin> CreateOutputPin(HRESULT* result);
    // Counts a dropped sample: the first drop of a streaming run tells the graph the quality changed.
    void NoteSampleSkipped();

    TBCCritSec m_csFilter;
    TBCCritSec m_csReceive;
    std::unique_ptr<TBCTransformInputPin> m_input;
    std::unique_ptr<TBCTransformOutputPin> m_output;
    bool m_bEOSDelivered = false;
    bool m_bSampleSkipped = false;
    bool m_bQualityChanged = false;

private:
    bool m_pinsCreated = false;
};

} // namespace camtrove::media
