#include "media/base/transform_filter.h"

namespace camtrove::media {

// ---- TBCTransformInputPin ----

TBCTransformInputPin::TBCTransformInputPin(QString objectName, TBCTransformFilter* filter, HRESULT* result,
                                           QString pinName)
    : TBCBaseInputPin(std::move(objectName), filter, filter->FilterLock(), result, std::move(pinName)),
      m_transformFilter(filter)
{
}

HRESULT TBCTransformInputPin::CheckConnect(IPin* pin)
{
    const HRESULT hr = m_transformFilter->CheckConnect(PINDIR_INPUT, pin);
    if (Failed(hr))
        return hr;
    return TBCBaseInputPin::CheckConnect(pin);
}

HRESULT TBCTransformInputPin::BreakConnect()
{
    (void)m_transformFilter->BreakConnect(PINDIR_INPUT);
    return TBCBaseInputPin::BreakConnect();
}

HRESULT TBCTransformInputPin::CompleteConnect(IPin* receivePin)
{
    const HRESULT hr = m_transformFilter->CompleteConnect(PINDIR_INPUT, receivePin);
    if (Failed(hr))
        return hr;
    return TBCBaseInputPin::CompleteConnect(receivePin);
}

HRESULT TBCTransformInputPin::CheckMediaType(const AM_MEDIA_TYPE& type)
{
    const HRESULT hr = m_transformFilter->CheckInputType(type);
    if (hr != S_OK)
        return hr;
    TBCTransformOutputPin* output = m_transformFilter->OutputPin();
    if (output && output->IsConnected())
        return m_transformFilter->CheckTransform(type, output->CurrentMediaType());
    return S_OK;
}

HRESULT TBCTransformInputPin::SetMediaType(const AM_MEDIA_TYPE& type)
{
    const HRESULT hr = TBCBaseInputPin::SetMediaType(type);
    if (Failed(hr))
        return hr;
    return m_transformFilter->SetMediaType(PINDIR_INPUT, type);
}

HRESULT TBCTransformInputPin::Receive(IMediaSample* sample)
{
    TBCAutoLock lock(m_transformFilter->ReceiveLock());
    const HRESULT hr = TBCBaseInputPin::Receive(sample);
    if (hr != S_OK)
        return hr;
    return m_transformFilter->Receive(sample);
}

HRESULT TBCTransformInputPin::EndOfStream()
{
    TBCAutoLock lock(m_transformFilter->ReceiveLock());
    const HRESULT hr = CheckStreaming();
    if (hr != S_OK)
        return hr;
    return m_transformFilter->EndOfStream();
}

HRESULT TBCTransformInputPin::BeginFlush()
{
    TBCAutoLock lock(m_lock);
    if (!IsConnected() || !m_transformFilter->OutputPin()->IsConnected())
        return VFW_E_NOT_CONNECTED;
    const HRESULT hr = TBCBaseInputPin::BeginFlush();
    if (Failed(hr))
        return hr;
    return m_transformFilter->BeginFlush();
}

HRESULT TBCTransformInputPin::EndFlush()
{
    TBCAutoLock lock(m_lock);
    if (!IsConnected() || !m_transformFilter->OutputPin()->IsConnected())
        return VFW_E_NOT_CONNECTED;
    const HRESULT hr = m_transformFilter->EndFlush();
    if (Failed(hr))
        return hr;
    return TBCBaseInputPin::EndFlush();
}

HRESULT TBCTransformInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    (void)TBCBaseInputPin::NewSegment(start, stop, rate);
    return m_transformFilter->NewSegment(start, stop, rate);
}

// ---- TBCTransformOutputPin ----

TBCTransformOutputPin::TBCTransformOutputPin(QString objectName, TBCTransformFilter* filter, HRESULT* result,
                                             QString pinName)
    : TBCBaseOutputPin(std::move(objectName), filter, filter->FilterLock(), result, std::move(pinName)),
      m_transformFilter(filter)
{
}

HRESULT TBCTransformOutputPin::NonDelegatingQueryInterface(const GUID& iid, void** object)
{
    if (iid == IID_IQualityControl) {
        *object = static_cast<IQualityControl*>(this);
        AddRef();
        return S_OK;
    }
    return TBCBaseOutputPin::NonDelegatingQueryInterface(iid, object);
}

HRESULT TBCTransformOutputPin::CheckConnect(IPin* pin)
{
    const HRESULT hr = m_transformFilter->CheckConnect(PINDIR_OUTPUT, pin);
    if (Failed(hr))
        return hr;
    return TBCBaseOutputPin::CheckConnect(pin);
}

HRESULT TBCTransformOutputPin::BreakConnect()
{
    (void)m_transformFilter->BreakConnect(PINDIR_OUTPUT);
    return TBCBaseOutputPin::BreakConnect();
}

HRESULT TBCTransformOutputPin::CompleteConnect(IPin* receivePin)
{
    const HRESULT hr = m_transformFilter->CompleteConnect(PINDIR_OUTPUT, receivePin);
    if (Failed(hr))
        return hr;
    return TBCBaseOutputPin::CompleteConnect(receivePin);
}

HRESULT TBCTransformOutputPin::CheckMediaType(const AM_MEDIA_TYPE& type)
{
    TBCTransformInputPin* input = m_transformFilter->InputPin();
    if (!input || !input->IsConnected())
        return E_INVALIDARG;
    return m_transformFilter->CheckTransform(input->CurrentMediaType(), type);
}

HRESULT TBCTransformOutputPin::SetMediaType(const AM_MEDIA_TYPE& type)
{
    const HRESULT hr = TBCBaseOutputPin::SetMediaType(type);
    if (Failed(hr))
        return hr;
    return m_transformFilter->SetMediaType(PINDIR_OUTPUT, type);
}

HRESULT TBCTransformOutputPin::GetMediaType(int position, AM_MEDIA_TYPE* type)
{
    TBCTransformInputPin* input = m_transformFilter->InputPin();
    if (!input || !input->IsConnected())
        return VFW_S_NO_MORE_ITEMS;
    return m_transformFilter->GetMediaType(position, type);
}

HRESULT TBCTransformOutputPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request)
{
    return m_transformFilter->DecideBufferSize(allocator, request);
}

HRESULT TBCTransformOutputPin::Notify(IBaseFilter*, const Quality& quality)
{
    const HRESULT hr = m_transformFilter->AlterQuality(quality);
    if (hr != S_FALSE)
        return hr;
    TBCTransformInputPin* input = m_transformFilter->InputPin();
    if (!input || !input->GetConnected())
        return VFW_E_NOT_FOUND;
    if (auto upstream = QueryAs<IQualityControl>(input->GetConnected()))
        return upstream->Notify(static_cast<IBaseFilter*>(m_transformFilter), quality);
    return VFW_E_NOT_FOUND;
}

// ---- TBCTransformFilter ----

TBCTransformFilter::TBCTransformFilter(QString objectName, const GUID& classId)
    : TBCBaseFilter(std::move(objectName), &m_csFilter, classId)
{
}

TBCTransformFilter::~TBCTransformFilter() = default;

std::unique_ptr<TBCTransformInputPin> TBCTransformFilter::CreateInputPin(HRESULT* result)
{
    return std::make_unique<TBCTransformInputPin>(QStringLiteral("Transform input pin"), this, result,
                                                  QStringLiteral("XForm In"));
}

std::unique_ptr<TBCTransformOutputPin> TBCTransformFilter::CreateOutputPin(HRESULT* result)
{
    return std::make_unique<TBCTransformOutputPin>(QStringLiteral("Transform output pin"), this, result,
                                                   QStringLiteral("XForm Out"));
}

TBCBasePin* TBCTransformFilter::GetPin(int index)
{
    if (!m_pinsCreated) {
        TBCAutoLock lock(&m_csFilter);
        if (!m_pinsCreated) {
            m_pinsCreated = true;
            HRESULT hr = S_OK;
            m_input = CreateInputPin(&hr);
            if (!m_input || Failed(hr)) {
                m_input.reset();
            } else {
                m_output = CreateOutputPin(&hr);
                if (!m_output || Failed(hr)) {
                    m_output.reset();
                    m_input.reset();
                }
            }
            if (m_input) {
                m_input->SetId(QStringLiteral("In"));
                m_output->SetId(QStringLiteral("Out"));
            }
        }
    }
    if (index == 0)
        return m_input.get();
    if (index == 1)
        return m_output.get();
    return nullptr;
}

HRESULT TBCTransformFilter::FindPin(const QString& id, ComPtr<IPin>* pin)
{
    if (!pin)
        return E_POINTER;
    TBCBasePin* found = nullptr;
    if (id == QLatin1String("In"))
        found = GetPin(0);
    else if (id == QLatin1String("Out"))
        found = GetPin(1);
    *pin = ComPtr<IPin>(found);
    return found ? S_OK : VFW_E_NOT_FOUND;
}

HRESULT TBCTransformFilter::Stop()
{
    TBCAutoLock lock(&m_csFilter);
    if (m_state == State_Stopped)
        return S_OK;
    if (!m_input || !m_input->IsConnected() || !m_output->IsConnected()) {
        m_state = State_Stopped;
        return S_OK;
    }
    (void)m_input->Inactive();
    TBCAutoLock receiveLock(&m_csReceive);
    (void)m_output->Inactive();
    const HRESULT hr = StopStreaming();
    if (Succeeded(hr)) {
        m_state = State_Stopped;
        m_bEOSDelivered = false;
    }
    return hr;
}

HRESULT TBCTransformFilter::Pause()
{
    TBCAutoLock lock(&m_csFilter);
    if (m_state == State_Paused)
        return S_OK;
    HRESULT hr = S_OK;
    GetPin(0);
    if (!m_input || !m_input->IsConnected()) {
        if (m_output && !m_bEOSDelivered) {
            (void)m_output->DeliverEndOfStream();
            m_bEOSDelivered = true;
        }
        m_state = State_Paused;
    } else if (!m_output->IsConnected()) {
        m_state = State_Paused;
    } else {
        if (m_state == State_Stopped) {
            TBCAutoLock receiveLock(&m_csReceive);
            hr = StartStreaming();
        }
        if (Succeeded(hr))
            hr = TBCBaseFilter::Pause();
    }
    m_bSampleSkipped = false;
    m_bQualityChanged = false;
    return hr;
}

HRESULT TBCTransformFilter::Transform(IMediaSample*, IMediaSample*)
{
    return E_UNEXPECTED;
}

void TBCTransformFilter::NoteSampleSkipped()
{
    m_bSampleSkipped = true;
    if (!m_bQualityChanged) {
        (void)NotifyEvent(EC_QUALITY_CHANGE, 0, 0);
        m_bQualityChanged = true;
    }
}

HRESULT TBCTransformFilter::Receive(IMediaSample* sample)
{
    if (sample->GetStreamId() != AM_STREAM_MEDIA)
        return m_output->Deliver(sample);
    ComPtr<IMediaSample> output;
    HRESULT hr = InitializeOutputSample(sample, &output);
    if (Failed(hr))
        return hr;
    hr = Transform(sample, output.Get());
    if (Failed(hr))
        return hr;
    if (hr == S_OK) {
        hr = m_output->Deliver(output.Get());
        m_bSampleSkipped = false;
        return hr;
    }
    if (hr == S_FALSE) {
        output.Reset();
        NoteSampleSkipped();
        return S_OK;
    }
    return hr;
}

HRESULT TBCTransformFilter::InitializeOutputSample(IMediaSample* sample, ComPtr<IMediaSample>* output)
{
    REFERENCE_TIME start = 0, stop = 0;
    const HRESULT times = sample->GetTime(&start, &stop);
    const bool hasStart = times == S_OK || times == VFW_S_NO_STOP_TIME;
    const bool hasStop = times == S_OK;
    const HRESULT hr =
        m_output->GetDeliveryBuffer(output, hasStart ? &start : nullptr, hasStop ? &stop : nullptr,
                                    m_bSampleSkipped ? AM_GBF_PREVFRAMESKIPPED : 0);
    if (Failed(hr))
        return hr;
    IMediaSample* out = output->Get();
    (void)out->SetTime(hasStart ? &start : nullptr, hasStop ? &stop : nullptr);
    (void)out->SetSyncPoint(sample->IsSyncPoint() == S_OK);
    (void)out->SetPreroll(sample->IsPreroll() == S_OK);
    out->SetTypeSpecificFlags(sample->GetTypeSpecificFlags());
    (void)out->SetDiscontinuity(sample->IsDiscontinuity() == S_OK || m_bSampleSkipped);
    m_bSampleSkipped = false;
    std::int64_t mediaStart = 0, mediaStop = 0;
    if (sample->GetMediaTime(&mediaStart, &mediaStop) == S_OK)
        (void)out->SetMediaTime(&mediaStart, &mediaStop);
    return S_OK;
}

HRESULT TBCTransformFilter::EndOfStream()
{
    return m_output ? m_output->DeliverEndOfStream() : S_OK;
}
HRESULT TBCTransformFilter::BeginFlush()
{
    return m_output ? m_output->DeliverBeginFlush() : S_OK;
}
HRESULT TBCTransformFilter::EndFlush()
{
    return m_output ? m_output->DeliverEndFlush() : S_OK;
}
HRESULT TBCTransformFilter::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    return m_output ? m_output->DeliverNewSegment(start, stop, rate) : S_OK;
}

} // namespace camtrove::media
