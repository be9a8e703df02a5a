#include "media/base/base_filter.h"

#include "media/base/base_pin.h"
#include "media/base/enumerators.h"

namespace camtrove::media {

TBCBaseFilter::TBCBaseFilter(QString objectName, TBCCritSec* lock, const GUID& classId)
    : TBCUnknown(std::move(objectName)), m_lock(lock), m_classId(classId)
{
}

HRESULT TBCBaseFilter::NonDelegatingQueryInterface(const GUID& iid, void** object)
{
    if (iid == IID_IBaseFilter)
        return GetInterface(static_cast<IBaseFilter*>(this), object);
    if (iid == IID_IMediaFilter)
        return GetInterface(static_cast<IMediaFilter*>(this), object);
    if (iid == IID_IPersist)
        return GetInterface(static_cast<IPersist*>(this), object);
    return TBCUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT TBCBaseFilter::GetClassID(GUID* classId)
{
    if (!classId)
        return E_POINTER;
    *classId = m_classId;
    return S_OK;
}

HRESULT TBCBaseFilter::Stop()
{
    TBCAutoLock lock(m_lock);
    HRESULT result = S_OK;
    if (m_state != State_Stopped) {
        for (int i = 0; i < GetPinCount(); ++i) {
            TBCBasePin* pin = GetPin(i);
            if (pin && pin->IsConnected()) {
                const HRESULT hr = pin->Inactive();
                if (Failed(hr) && Succeeded(result))
                    result = hr;
            }
        }
    }
    m_state = State_Stopped;
    return result;
}

HRESULT TBCBaseFilter::Pause()
{
    TBCAutoLock lock(m_lock);
    if (m_state == State_Stopped) {
        for (int i = 0; i < GetPinCount(); ++i) {
            TBCBasePin* pin = GetPin(i);
            if (pin && pin->IsConnected()) {
                const HRESULT hr = pin->Active();
                if (Failed(hr))
                    return hr;
            }
        }
    }
    m_state = State_Paused;
    return S_OK;
}

HRESULT TBCBaseFilter::Run(REFERENCE_TIME start)
{
    TBCAutoLock lock(m_lock);
    m_start = start;
    if (m_state == State_Stopped) {
        const HRESULT hr = Pause();
        if (Failed(hr))
            return hr;
    }
    if (m_state != State_Running) {
        for (int i = 0; i < GetPinCount(); ++i) {
            TBCBasePin* pin = GetPin(i);
            if (pin && pin->IsConnected()) {
                const HRESULT hr = pin->Run(start);
                if (Failed(hr))
                    return hr;
            }
        }
    }
    m_state = State_Running;
    return S_OK;
}

HRESULT TBCBaseFilter::GetState(std::uint32_t, FILTER_STATE* state)
{
    if (!state)
        return E_POINTER;
    *state = m_state;
    return S_OK;
}

HRESULT TBCBaseFilter::SetSyncSource(IReferenceClock* clock)
{
    TBCAutoLock lock(m_lock);
    m_clock = clock;
    return S_OK;
}

HRESULT TBCBaseFilter::GetSyncSource(ComPtr<IReferenceClock>* clock)
{
    if (!clock)
        return E_POINTER;
    TBCAutoLock lock(m_lock);
    *clock = m_clock;
    return S_OK;
}

HRESULT TBCBaseFilter::EnumPins(ComPtr<IEnumPins>* pins)
{
    if (!pins)
        return E_POINTER;
    *pins = ComPtr<IEnumPins>(new TBCEnumPins(this));
    return S_OK;
}

HRESULT TBCBaseFilter::FindPin(const QString& id, ComPtr<IPin>* pin)
{
    if (!pin)
        return E_POINTER;
    TBCAutoLock lock(m_lock);
    for (int i = 0; i < GetPinCount(); ++i) {
        TBCBasePin* candidate = GetPin(i);
        if (candidate && candidate->Id() == id) {
            *pin = ComPtr<IPin>(candidate);
            return S_OK;
        }
    }
    pin->Reset();
    return VFW_E_NOT_FOUND;
}

HRESULT TBCBaseFilter::QueryFilterInfo(FILTER_INFO* info)
{
    if (!info)
        return E_POINTER;
    info->achName = m_name;
    info->pGraph = m_graph;
    return S_OK;
}

HRESULT TBCBaseFilter::JoinFilterGraph(IFilterGraph* graph, const QString& name)
{
    TBCAutoLock lock(m_lock);
    m_graph = graph;
    m_eventSink = nullptr;
    if (graph) {
        // held without a reference, as the graph itself is
        if (auto sink = QueryAs<IMediaEventSink>(graph))
            m_eventSink = sink.Get();
    }
    m_name = graph ? name : QString();
    return S_OK;
}

HRESULT TBCBaseFilter::QueryVendorInfo(QString* info)
{
    if (!info)
        return E_POINTER;
    return E_NOTIMPL;
}

HRESULT TBCBaseFilter::NotifyEvent(std::int32_t code, LONG_PTR param1, LONG_PTR param2)
{
    IMediaEventSink* sink = m_eventSink.load();
    if (!sink)
        return S_FALSE;
    return sink->Notify(code, param1, param2);
}

HRESULT TBCBaseFilter::ReconnectPin(IPin* pin, const AM_MEDIA_TYPE* type)
{
    if (!m_graph)
        return VFW_E_NOT_IN_GRAPH;
    if (auto builder = QueryAs<IGraphBuilder>(m_graph))
        return builder->ReconnectEx(pin, type);
    return m_graph->Reconnect(pin);
}

HRESULT TBCBaseFilter::StreamTime(REFERENCE_TIME* time)
{
    if (!time)
        return E_POINTER;
    if (!m_clock)
        return VFW_E_NO_CLOCK;
    const HRESULT hr = m_clock->GetTime(time);
    if (Failed(hr))
        return hr;
    *time -= m_start;
    return S_OK;
}

} // namespace camtrove::media
