#include "media/base/base_pin.h"

#include "media/base/enumerators.h"
#include "media/core/mem_allocator.h"

namespace camtrove::media {

// ---- TBCBasePin ----

TBCBasePin::TBCBasePin(QString objectName, TBCBaseFilter* filter, TBCCritSec* lock, HRESULT* result,
                       QString pinName, PIN_DIRECTION direction)
    : TBCBaseObject(std::move(objectName)), m_filter(filter), m_lock(lock), m_name(pinName), m_id(pinName),
      m_direction(direction)
{
    if (result && !filter)
        *result = E_POINTER;
}

HRESULT TBCBasePin::QueryInterface(const GUID& iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    return NonDelegatingQueryInterface(iid, object);
}

HRESULT TBCBasePin::NonDelegatingQueryInterface(const GUID& iid, void** object)
{
    if (iid == IID_IUnknown) {
        *object = static_cast<IUnknown*>(this);
    } else if (iid == IID_IPin) {
        *object = static_cast<IPin*>(this);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

HRESULT TBCBasePin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* type)
{
    if (!receivePin)
        return E_POINTER;
    TBCAutoLock lock(m_lock);
    if (m_connected)
        return VFW_E_ALREADY_CONNECTED;
    if (!m_filter->IsStopped())
        return VFW_E_NOT_STOPPED;
    HRESULT hr = CheckConnect(receivePin);
    if (Failed(hr)) {
        BreakConnect();
        return hr;
    }
    hr = AgreeMediaType(receivePin, type);
    if (Failed(hr)) {
        BreakConnect();
        return hr;
    }
    return S_OK;
}

HRESULT TBCBasePin::AgreeMediaType(IPin* receivePin, const AM_MEDIA_TYPE* type)
{
    if (type && IsFullySpecified(*type))
        return AttemptConnection(receivePin, *type);
    HRESULT lastError = VFW_E_NO_ACCEPTABLE_TYPES;
    for (int round = 0; round < 2; ++round) {
        const bool mine = (round == 0) == m_tryMyTypesFirst;
        ComPtr<IEnumMediaTypes> types;
        const HRESULT hr = mine ? EnumMediaTypes(&types) : receivePin->EnumMediaTypes(&types);
        if (Failed(hr) || !types)
            continue;
        const HRESULT tried = TryMediaTypes(receivePin, type, types.Get());
        if (Succeeded(tried))
            return S_OK;
        if (tried != VFW_E_NO_ACCEPTABLE_TYPES)
            lastError = tried;
    }
    return lastError;
}

HRESULT TBCBasePin::TryMediaTypes(IPin* receivePin, const AM_MEDIA_TYPE* partial, IEnumMediaTypes* types)
{
    (void)types->Reset();
    HRESULT result = VFW_E_NO_ACCEPTABLE_TYPES;
    AM_MEDIA_TYPE candidate;
    while (types->Next(&candidate) == S_OK) {
        if (partial && !MatchesPartialType(*partial, candidate))
            continue;
        const HRESULT hr = AttemptConnection(receivePin, candidate);
        if (Succeeded(hr))
            return S_OK;
        if (hr != VFW_E_TYPE_NOT_ACCEPTED)
            result = hr;
    }
    return result;
}

// Each attempt checks the connection afresh: a refused type breaks the connection, which drops
// what CheckConnect set up (the output pin's IMemInputPin), and the next type needs it again.
HRESULT TBCBasePin::AttemptConnection(IPin* receivePin, const AM_MEDIA_TYPE& type)
{
    HRESULT hr = CheckConnect(receivePin);
    if (Failed(hr)) {
        BreakConnect();
        return hr;
    }
    if (CheckMediaType(type) != S_OK) {
        BreakConnect();
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    m_connected = receivePin;
    hr = SetMediaType(type);
    if (Succeeded(hr))
        hr = receivePin->ReceiveConnection(this, type);
    if (Succeeded(hr)) {
        hr = CompleteConnect(receivePin);
        if (Succeeded(hr))
            return S_OK;
        receivePin->Disconnect();
    }
    m_connected.Reset();
    m_mt = AM_MEDIA_TYPE{};
    BreakConnect();
    return Failed(hr) ? hr : E_FAIL;
}

HRESULT TBCBasePin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE& type)
{
    if (!connector)
        return E_POINTER;
    TBCAutoLock lock(m_lock);
    if (m_connected)
        return VFW_E_ALREADY_CONNECTED;
    if (!m_filter->IsStopped())
        return VFW_E_NOT_STOPPED;
    HRESULT hr = CheckConnect(connector);
    if (Failed(hr)) {
        BreakConnect();
        return hr;
    }
    if (CheckMediaType(type) != S_OK) {
        BreakConnect();
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    m_connected = connector;
    hr = SetMediaType(type);
    if (Succeeded(hr))
        hr = CompleteConnect(connector);
    if (Failed(hr)) {
        m_connected.Reset();
        m_mt = AM_MEDIA_TYPE{};
        BreakConnect();
        return hr;
    }
    return S_OK;
}

HRESULT TBCBasePin::Disconnect()
{
    TBCAutoLock lock(m_lock);
    if (!m_filter->IsStopped())
        return VFW_E_NOT_STOPPED;
    if (!m_connected)
        return S_FALSE;
    const HRESULT hr = BreakConnect();
    if (Failed(hr))
        return hr;
    m_connected.Reset();
    m_mt = AM_MEDIA_TYPE{};
    return S_OK;
}

HRESULT TBCBasePin::ConnectedTo(ComPtr<IPin>* pin)
{
    if (!pin)
        return E_POINTER;
    TBCAutoLock lock(m_lock);
    *pin = m_connected;
    return m_connected ? S_OK : VFW_E_NOT_CONNECTED;
}

HRESULT TBCBasePin::ConnectionMediaType(AM_MEDIA_TYPE* type)
{
    if (!type)
        return E_POINTER;
    TBCAutoLock lock(m_lock);
    if (!m_connected) {
        *type = AM_MEDIA_TYPE{};
        return VFW_E_NOT_CONNECTED;
    }
    *type = m_mt;
    return S_OK;
}

HRESULT TBCBasePin::QueryPinInfo(PIN_INFO* info)
{
    if (!info)
        return E_POINTER;
    info->pFilter = static_cast<IBaseFilter*>(m_filter);
    info->dir = m_direction;
    info->achName = m_name;
    return S_OK;
}

HRESULT TBCBasePin::QueryDirection(PIN_DIRECTION* direction)
{
    if (!direction)
        return E_POINTER;
    *direction = m_direction;
    return S_OK;
}

HRESULT TBCBasePin::QueryId(QString* id)
{
    if (!id)
        return E_POINTER;
    *id = m_id;
    return S_OK;
}

HRESULT TBCBasePin::QueryAccept(const AM_MEDIA_TYPE& type)
{
    const HRESULT hr = CheckMediaType(type);
    return hr == S_OK ? S_OK : S_FALSE;
}

HRESULT TBCBasePin::EnumMediaTypes(ComPtr<IEnumMediaTypes>* types)
{
    if (!types)
        return E_POINTER;
    *types = ComPtr<IEnumMediaTypes>(new TBCEnumMediaTypes(this));
    return S_OK;
}

HRESULT TBCBasePin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    m_segmentStart = start;
    m_segmentStop = stop;
    m_segmentRate = rate;
    return S_OK;
}

HRESULT TBCBasePin::SetMediaType(const AM_MEDIA_TYPE& type)
{
    m_mt = type;
    return S_OK;
}

HRESULT TBCBasePin::CheckConnect(IPin* pin)
{
    PIN_DIRECTION peer = PINDIR_INPUT;
    const HRESULT hr = pin->QueryDirection(&peer);
    if (Failed(hr))
        return hr;
    return peer == m_direction ? VFW_E_INVALID_DIRECTION : S_OK;
}

HRESULT TBCBasePin::GetMediaType(int, AM_MEDIA_TYPE*)
{
    return E_UNEXPECTED;
}

HRESULT TBCBasePin::Active()
{
    m_active.store(true, std::memory_order_release);
    return S_OK;
}

HRESULT TBCBasePin::Inactive()
{
    m_active.store(false, std::memory_order_release);
    return S_OK;
}

// ---- TBCBaseOutputPin ----

TBCBaseOutputPin::TBCBaseOutputPin(QString objectName, TBCBaseFilter* filter, TBCCritSec* lock,
                                   HRESULT* result, QString pinName)
    : TBCBasePin(std::move(objectName), filter, lock, result, std::move(pinName), PINDIR_OUTPUT)
{
}

HRESULT TBCBaseOutputPin::CheckConnect(IPin* pin)
{
    const HRESULT hr = TBCBasePin::CheckConnect(pin);
    if (Failed(hr))
        return hr;
    m_inputPin = QueryAs<IMemInputPin>(pin);
    return m_inputPin ? S_OK : E_NOINTERFACE;
}

HRESULT TBCBaseOutputPin::BreakConnect()
{
    if (m_allocator) {
        (void)m_allocator->Decommit();
        m_allocator.Reset();
    }
    m_inputPin.Reset();
    return S_OK;
}

HRESULT TBCBaseOutputPin::CompleteConnect(IPin*)
{
    return DecideAllocator(m_inputPin.Get(), &m_allocator);
}

HRESULT TBCBaseOutputPin::DecideAllocator(IMemInputPin* pin, ComPtr<IMemAllocator>* allocator)
{
    if (!pin)
        return VFW_E_NOT_CONNECTED;
    allocator->Reset();
    ALLOCATOR_PROPERTIES request;
    (void)pin->GetAllocatorRequirements(&request);
    if (request.cbAlign == 0)
        request.cbAlign = 1;
    HRESULT hr = pin->GetAllocator(allocator);
    if (Succeeded(hr)) {
        ALLOCATOR_PROPERTIES asked = request;
        hr = DecideBufferSize(allocator->Get(), &asked);
        if (Succeeded(hr)) {
            hr = pin->NotifyAllocator(allocator->Get(), false);
            if (Succeeded(hr))
                return S_OK;
        }
    }
    allocator->Reset();
    hr = InitAllocator(allocator);
    if (Succeeded(hr)) {
        ALLOCATOR_PROPERTIES asked = request;
        hr = DecideBufferSize(allocator->Get(), &asked);
        if (Succeeded(hr)) {
            hr = pin->NotifyAllocator(allocator->Get(), false);
            if (Succeeded(hr))
                return S_OK;
        }
    }
    allocator->Reset();
    return hr;
}

HRESULT TBCBaseOutputPin::InitAllocator(ComPtr<IMemAllocator>* allocator)
{
    *allocator = ComPtr<IMemAllocator>(MemAllocator::Create());
    return S_OK;
}

HRESULT TBCBaseOutputPin::Active()
{
    if (!m_allocator)
        return VFW_E_NO_ALLOCATOR;
    const HRESULT hr = m_allocator->Commit();
    if (Failed(hr))
        return hr;
    return TBCBasePin::Active();
}

HRESULT TBCBaseOutputPin::Inactive()
{
    (void)TBCBasePin::Inactive();
    if (!m_allocator)
        return VFW_E_NO_ALLOCATOR;
    return m_allocator->Decommit();
}

HRESULT TBCBaseOutputPin::GetDeliveryBuffer(ComPtr<IMediaSample>* sample, const REFERENCE_TIME* start,
                                            const REFERENCE_TIME* stop, std::uint32_t flags)
{
    if (!m_allocator)
        return VFW_E_NO_ALLOCATOR;
    return m_allocator->GetBuffer(sample, start, stop, flags);
}

HRESULT TBCBaseOutputPin::Deliver(IMediaSample* sample)
{
    if (!m_inputPin)
        return VFW_E_NOT_CONNECTED;
    return m_inputPin->Receive(sample);
}

HRESULT TBCBaseOutputPin::DeliverEndOfStream()
{
    if (!m_connected)
        return VFW_E_NOT_CONNECTED;
    return m_connected->EndOfStream();
}

HRESULT TBCBaseOutputPin::DeliverBeginFlush()
{
    if (!m_connected)
        return VFW_E_NOT_CONNECTED;
    return m_connected->BeginFlush();
}

HRESULT TBCBaseOutputPin::DeliverEndFlush()
{
    if (!m_connected)
        return VFW_E_NOT_CONNECTED;
    return m_connected->EndFlush();
}

HRESULT TBCBaseOutputPin::DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    if (!m_connected)
        return VFW_E_NOT_CONNECTED;
    return m_connected->NewSegment(start, stop, rate);
}

// ---- TBCBaseInputPin ----

TBCBaseInputPin::TBCBaseInputPin(QString objectName, TBCBaseFilter* filter, TBCCritSec* lock, HRESULT* result,
                                 QString pinName)
    : TBCBasePin(std::move(objectName), filter, lock, result, std::move(pinName), PINDIR_INPUT)
{
}

HRESULT TBCBaseInputPin::NonDelegatingQueryInterface(const GUID& iid, void** object)
{
    if (iid == IID_IMemInputPin) {
        *object = static_cast<IMemInputPin*>(this);
        AddRef();
        return S_OK;
    }
    return TBCBasePin::NonDelegatingQueryInterface(iid, object);
}

HRESULT TBCBaseInputPin::GetAllocator(ComPtr<IMemAllocator>* allocator)
{
    if (!allocator)
        return E_POINTER;
    TBCAutoLock lock(m_lock);
    if (!m_allocator)
        m_allocator = ComPtr<IMemAllocator>(MemAllocator::Create());
    *allocator = m_allocator;
    return S_OK;
}

HRESULT TBCBaseInputPin::NotifyAllocator(IMemAllocator* allocator, bool readOnly)
{
    if (!allocator)
        return E_POINTER;
    TBCAutoLock lock(m_lock);
    m_allocator = allocator;
    m_readOnly = readOnly;
    return S_OK;
}

HRESULT TBCBaseInputPin::CheckStreaming()
{
    if (!IsPinActive())
        return VFW_E_WRONG_STATE;
    if (m_flushing.load())
        return S_FALSE;
    if (m_runtimeError.load())
        return VFW_E_RUNTIME_ERROR;
    return S_OK;
}

HRESULT TBCBaseInputPin::Receive(IMediaSample* sample)
{
    if (!sample)
        return E_POINTER;
    const HRESULT hr = CheckStreaming();
    if (hr != S_OK)
        return hr;
    AM_MEDIA_TYPE* changed = nullptr;
    if (sample->GetMediaType(&changed) == S_OK && changed) {
        const std::unique_ptr<AM_MEDIA_TYPE> owned(changed);
        if (CheckMediaType(*owned) != S_OK) {
            m_runtimeError = true;
            return VFW_E_TYPE_NOT_ACCEPTED;
        }
        (void)SetMediaType(*owned);
    }
    return S_OK;
}

HRESULT TBCBaseInputPin::BeginFlush()
{
    m_flushing = true;
    return S_OK;
}

HRESULT TBCBaseInputPin::EndFlush()
{
    m_flushing = false;
    m_runtimeError = false;
    return S_OK;
}

HRESULT TBCBaseInputPin::BreakConnect()
{
    if (m_allocator) {
        (void)m_allocator->Decommit();
        m_allocator.Reset();
    }
    return S_OK;
}

HRESULT TBCBaseInputPin::Inactive()
{
    (void)TBCBasePin::Inactive();
    m_runtimeError = false;
    m_flushing = false;
    if (!m_allocator)
        return VFW_E_NO_ALLOCATOR;
    return m_allocator->Decommit();
}

} // namespace camtrove::media
