#pragma once
// The frame's pins. TBCBasePin negotiates a connection (types, CheckConnect, CompleteConnect,
// BreakConnect) under the filter lock; TBCBaseOutputPin adds the allocator and delivery;
// TBCBaseInputPin adds IMemInputPin and the streaming checks of Receive. A pin lives inside its
// filter and shares its reference count.

#include "media/base/base_filter.h"

#include <atomic>

namespace camtrove::media {

class TBCBasePin : public TBCBaseObject, public IPin
{
public:
    TBCBasePin(QString objectName, TBCBaseFilter* filter, TBCCritSec* lock, HRESULT* result, QString pinName,
               PIN_DIRECTION direction);

    HRESULT QueryInterface(const GUID& iid, void** object) final;
    [[nodiscard]] virtual HRESULT NonDelegatingQueryInterface(const GUID& iid, void** object);
    std::uint32_t AddRef() final { return m_filter->AddRef(); }
    std::uint32_t Release() final { return m_filter->Release(); }

    // IPin
    HRESULT Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) override;
    HRESULT ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE& type) override;
    HRESULT Disconnect() override;
    HRESULT ConnectedTo(ComPtr<IPin>* pin) override;
    HRESULT ConnectionMediaType(AM_MEDIA_TYPE* type) override;
    HRESULT QueryPinInfo(PIN_INFO* info) override;
    HRESULT QueryDirection(PIN_DIRECTION* direction) override;
    HRESULT QueryId(QString* id) override;
    HRESULT QueryAccept(const AM_MEDIA_TYPE& type) override;
    HRESULT EnumMediaTypes(ComPtr<IEnumMediaTypes>* types) override;
    HRESULT EndOfStream() override { return S_OK; }
    HRESULT BeginFlush() override = 0;
    HRESULT EndFlush() override = 0;
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

    // Negotiation, overridden by the pins of each filter.
    [[nodiscard]] virtual HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) = 0;
    virtual HRESULT SetMediaType(const AM_MEDIA_TYPE& type);
    [[nodiscard]] virtual HRESULT CheckConnect(IPin* pin);
    virtual HRESULT BreakConnect() { return S_OK; }
    [[nodiscard]] virtual HRESULT CompleteConnect(IPin*) { return S_OK; }
    // The position-th preferred type; VFW_S_NO_MORE_ITEMS past the end.
    [[nodiscard]] virtual HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type);
    [[nodiscard]] virtual int GetMediaTypeVersion() const { return m_typeVersion.load(); }
    void IncrementTypeVersion() { ++m_typeVersion; }

    // State changes, called by the filter under its lock.
    virtual HRESULT Active();
    virtual HRESULT Inactive();
    virtual HRESULT Run(REFERENCE_TIME) { return S_OK; }

    [[nodiscard]] bool IsConnected() const { return static_cast<bool>(m_connected); }
    [[nodiscard]] IPin* GetConnected() const { return m_connected.Get(); }
    [[nodiscard]] bool IsPinActive() const { return m_active.load(std::memory_order_acquire); }
    [[nodiscard]] const AM_MEDIA_TYPE& CurrentMediaType() const { return m_mt; }
    [[nodiscard]] const QString& Name() const { return m_name; }
    [[nodiscard]] const QString& Id() const { return m_id; }
    [[nodiscard]] PIN_DIRECTION Direction() const { return m_direction; }
    [[nodiscard]] TBCBaseFilter* Filter() const { return m_filter; }

    // The id FindPin looks for; the pin name unless the filter gives another.
    void SetId(QString id) { m_id = std::move(id); }

protected:
    // Tries types from the receiver's list, then the pin's own, for the first the peer accepts.
    [[nodiscard]] HRESULT AgreeMediaType(IPin* receivePin, const AM_MEDIA_TYPE* type);
    [[nodiscard]] HRESULT TryMediaTypes(IPin* receivePin, const AM_MEDIA_TYPE* partial,
                                        IEnumMediaTypes* types);
    [[nodiscard]] HRESULT AttemptConnection(IPin* receivePin, const AM_MEDIA_TYPE& type);

    TBCBaseFilter* m_filter;
    TBCCritSec* m_lock;
    QString m_name;
    QString m_id;
    PIN_DIRECTION m_direction;
    ComPtr<IPin> m_connected;
    AM_MEDIA_TYPE m_mt;
    bool m_tryMyTypesFirst = false;
    std::atomic<bool> m_active{false};
    std::atomic<int> m_typeVersion{1};
    REFERENCE_TIME m_segmentStart = 0;
    REFERENCE_TIME m_segmentStop = 0;
    double m_segmentRate = 1.0;
};

class TBCBaseOutputPin : public TBCBasePin
{
public:
    TBCBaseOutputPin(QString objectName, TBCBaseFilter* filter, TBCCritSec* lock, HRESULT* result,
                     QString pinName);

    HRESULT ReceiveConnection(IPin*, const AM_MEDIA_TYPE&) override { return E_UNEXPECTED; }
    HRESULT EndOfStream() override { return E_UNEXPECTED; }
    HRESULT BeginFlush() override { return E_UNEXPECTED; }
    HRESULT EndFlush() override { return E_UNEXPECTED; }

    HRESULT CheckConnect(IPin* pin) override;
    HRESULT BreakConnect() override;
    HRESULT CompleteConnect(IPin* receivePin) override;
    HRESULT Active() override;
    HRESULT Inactive() override;

    // Agrees an allocator with the downstream input pin: the input's own first, else a new one.
    [[nodiscard]] virtual HRESULT DecideAllocator(IMemInputPin* pin, ComPtr<IMemAllocator>* allocator);
    [[nodiscard]] virtual HRESULT DecideBufferSize(IMemAllocator* allocator,
                                                   ALLOCATOR_PROPERTIES* request) = 0;
    [[nodiscard]] virtual HRESULT InitAllocator(ComPtr<IMemAllocator>* allocator);

    [[nodiscard]] HRESULT GetDeliveryBuffer(ComPtr<IMediaSample>* sample, const REFERENCE_TIME* start,
                                            const REFERENCE_TIME* stop, std::uint32_t flags);
    [[nodiscard]] virtual HRESULT Deliver(IMediaSample* sample);
    virtual HRESULT DeliverEndOfStream();
    virtual HRESULT DeliverBeginFlush();
    virtual HRESULT DeliverEndFlush();
    virtual HRESULT DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

    [[nodiscard]] IMemAllocator* PeekAllocator() const { return m_allocator.Get(); }
    void SetAllocator(IMemAllocator* allocator) { m_allocator = allocator; }
    [[nodiscard]] IMemInputPin* ConnectedIMemInputPin() const { return m_inputPin.Get(); }

protected:
    ComPtr<IMemAllocator> m_allocator;
    ComPtr<IMemInputPin> m_inputPin;
};

class TBCBaseInputPin : public TBCBasePin, public IMemInputPin
{
public:
    TBCBaseInputPin(QString objectName, TBCBaseFilter* filter, TBCCritSec* lock, HRESULT* result,
                    QString pinName);

    HRESULT NonDelegatingQueryInterface(const GUID& iid, void** object) override;

    // IMemInputPin
    HRESULT GetAllocator(ComPtr<IMemAllocator>* allocator) override;
    HRESULT NotifyAllocator(IMemAllocator* allocator, bool readOnly) override;
    HRESULT GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) override { return E_NOTIMPL; }
    // Refuses samples while inactive or flushing and applies an attached type change; a subclass
    // calls it first and then processes the sample.
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT ReceiveCanBlock() override { return S_OK; }

    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;
    HRESULT BreakConnect() override;
    HRESULT Inactive() override;

    // VFW_E_WRONG_STATE while inactive, S_FALSE while flushing, VFW_E_RUNTIME_ERROR after one.
    [[nodiscard]] HRESULT CheckStreaming();
    [[nodiscard]] bool IsFlushing() const { return m_flushing.load(); }
    [[nodiscard]] bool IsReadOnly() const { return m_readOnly; }
    [[nodiscard]] IMemAllocator* PeekAllocator() const { return m_allocator.Get(); }
    void SetRuntimeError() { m_runtimeError = true; }

protected:
    ComPtr<IMemAllocator> m_allocator;
    bool m_readOnly = false;
    std::atomic<bool> m_flushing{false};
    std::atomic<bool> m_runtimeError{false};
};

} // namespace camtrove::media
