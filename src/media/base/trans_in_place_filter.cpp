#include "media/base/trans_in_place_filter.h"

#include "media/core/media_sample.h"
#include "media/core/mem_allocator.h"

#include <QtGlobal>

#include <cstring>

namespace camtrove::media {

// ---- TBCTransInPlaceInputPin ----

TBCTransInPlaceInputPin::TBCTransInPlaceInputPin(QString objectName, TBCTransInPlaceFilter* filter,
                                                 HRESULT* result, QString pinName)
    : TBCTransformInputPin(std::move(objectName), filter, result, std::move(pinName)), m_inPlaceFilter(filter)
{
}

HRESULT TBCTransInPlaceInputPin::GetAllocator(ComPtr<IMemAllocator>* allocator)
{
    if (!allocator)
        return E_POINTER;
    TBCAutoLock lock(m_lock);
    TBCTransInPlaceOutputPin* output = m_inPlaceFilter->InPlaceOutput();
    if (output && output->IsConnected() && output->ConnectedIMemInputPin()) {
        const HRESULT hr = output->ConnectedIMemInputPin()->GetAllocator(allocator);
        if (Succeeded(hr))
            output->SetAllocator(allocator->Get());
        return hr;
    }
    return TBCTransformInputPin::GetAllocator(allocator);
}

HRESULT TBCTransInPlaceInputPin::NotifyAllocator(IMemAllocator* allocator, bool readOnly)
{
    if (!allocator)
        return E_POINTER;
    TBCAutoLock lock(m_lock);
    TBCTransInPlaceOutputPin* output = m_inPlaceFilter->InPlaceOutput();
    if (output && output->IsConnected() && output->ConnectedIMemInputPin()) {
        IMemInputPin* downstream = output->ConnectedIMemInputPin();
        if (readOnly && m_inPlaceFilter->ModifiesData()) {
            ComPtr<IMemAllocator> outputAllocator(output->PeekAllocator());
            if (!outputAllocator && Failed(downstream->GetAllocator(&outputAllocator)))
                outputAllocator = ComPtr<IMemAllocator>(MemAllocator::Create());
            if (outputAllocator.Get() == allocator)
                return E_FAIL;
            ALLOCATOR_PROPERTIES props, actual;
            HRESULT hr = allocator->GetProperties(&props);
            if (Succeeded(hr))
                hr = outputAllocator->SetProperties(props, &actual);
            if (Failed(hr))
                return hr;
            if (actual.cBuffers < props.cBuffers || actual.cbBuffer < props.cbBuffer ||
                actual.cbAlign < props.cbAlign)
                return E_FAIL;
            hr = downstream->NotifyAllocator(outputAllocator.Get(), false);
            if (Failed(hr))
                return hr;
            output->SetAllocator(outputAllocator.Get());
        } else {
            const HRESULT hr = downstream->NotifyAllocator(allocator, readOnly);
            if (Failed(hr))
                return hr;
            output->SetAllocator(allocator);
        }
    }
    return TBCTransformInputPin::NotifyAllocator(allocator, readOnly);
}

HRESULT TBCTransInPlaceInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties)
{
    TBCTransInPlaceOutputPin* output = m_inPlaceFilter->InPlaceOutput();
    if (output && output->IsConnected() && output->ConnectedIMemInputPin())
        return output->ConnectedIMemInputPin()->GetAllocatorRequirements(properties);
    return E_NOTIMPL;
}

HRESULT TBCTransInPlaceInputPin::CheckMediaType(const AM_MEDIA_TYPE& type)
{
    const HRESULT hr = m_inPlaceFilter->CheckInputType(type);
    if (hr != S_OK)
        return hr;
    TBCTransInPlaceOutputPin* output = m_inPlaceFilter->InPlaceOutput();
    if (output && output->IsConnected())
        return output->GetConnected()->QueryAccept(type);
    return S_OK;
}

HRESULT TBCTransInPlaceInputPin::EnumMediaTypes(ComPtr<IEnumMediaTypes>* types)
{
    if (!types)
        return E_POINTER;
    TBCTransInPlaceOutputPin* output = m_inPlaceFilter->InPlaceOutput();
    if (!output || !output->IsConnected()) {
        types->Reset();
        return VFW_E_NOT_CONNECTED;
    }
    return output->GetConnected()->EnumMediaTypes(types);
}

// ---- TBCTransInPlaceOutputPin ----

TBCTransInPlaceOutputPin::TBCTransInPlaceOutputPin(QString objectName, TBCTransInPlaceFilter* filter,
                                                   HRESULT* result, QString pinName)
    : TBCTransformOutputPin(std::move(objectName), filter, result, std::move(pinName)),
      m_inPlaceFilter(filter)
{
}

HRESULT TBCTransInPlaceOutputPin::CheckMediaType(const AM_MEDIA_TYPE& type)
{
    const HRESULT hr = m_inPlaceFilter->CheckInputType(type);
    if (hr != S_OK)
        return hr;
    TBCTransInPlaceInputPin* input = m_inPlaceFilter->InPlaceInput();
    if (input && input->IsConnected())
        return input->GetConnected()->QueryAccept(type);
    return S_OK;
}

HRESULT TBCTransInPlaceOutputPin::EnumMediaTypes(ComPtr<IEnumMediaTypes>* types)
{
    if (!types)
        return E_POINTER;
    TBCTransInPlaceInputPin* input = m_inPlaceFilter->InPlaceInput();
    if (!input || !input->IsConnected()) {
        types->Reset();
        return VFW_E_NOT_CONNECTED;
    }
    return input->GetConnected()->EnumMediaTypes(types);
}

// ---- TBCTransInPlaceFilter ----

TBCTransInPlaceFilter::TBCTransInPlaceFilter(QString objectName, const GUID& classId, bool modifiesData)
    : TBCTransformFilter(std::move(objectName), classId), m_bModifiesData(modifiesData)
{
}

std::unique_ptr<TBCTransformInputPin> TBCTransInPlaceFilter::CreateInputPin(HRESULT* result)
{
    return std::make_unique<TBCTransInPlaceInputPin>(QStringLiteral("TransInPlace input pin"), this, result,
                                                     QStringLiteral("Input"));
}

std::unique_ptr<TBCTransformOutputPin> TBCTransInPlaceFilter::CreateOutputPin(HRESULT* result)
{
    return std::make_unique<TBCTransInPlaceOutputPin>(QStringLiteral("TransInPlace output pin"), this, result,
                                                      QStringLiteral("Output"));
}

TBCTransInPlaceInputPin* TBCTransInPlaceFilter::InPlaceInput()
{
    return static_cast<TBCTransInPlaceInputPin*>(InputPin());
}

TBCTransInPlaceOutputPin* TBCTransInPlaceFilter::InPlaceOutput()
{
    return static_cast<TBCTransInPlaceOutputPin*>(OutputPin());
}

HRESULT TBCTransInPlaceFilter::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request)
{
    ALLOCATOR_PROPERTIES wanted;
    if (m_input && m_input->IsConnected() && m_input->PeekAllocator()) {
        const HRESULT hr = m_input->PeekAllocator()->GetProperties(&wanted);
        if (Failed(hr))
            return hr;
    } else {
        wanted.cBuffers = 1;
        wanted.cbBuffer = 1;
        wanted.cbAlign = 0;
    }
    wanted.cBuffers = std::max(wanted.cBuffers, 1);
    wanted.cbBuffer = std::max(wanted.cbBuffer, 1);
    if (request)
        *request = wanted;
    ALLOCATOR_PROPERTIES actual;
    const HRESULT hr = allocator->SetProperties(wanted, &actual);
    if (Failed(hr))
        return hr;
    if (actual.cBuffers < wanted.cBuffers || actual.cbBuffer < wanted.cbBuffer ||
        actual.cbAlign < wanted.cbAlign)
        return E_FAIL;
    return S_OK;
}

HRESULT TBCTransInPlaceFilter::CompleteConnect(PIN_DIRECTION direction, IPin*)
{
    if (!m_graph)
        return VFW_E_NOT_IN_GRAPH;
    if (direction == PINDIR_OUTPUT) {
        if (m_input->IsConnected())
            return ReconnectPin(m_input.get(), &m_output->CurrentMediaType());
        return S_OK;
    }
    if (m_output->IsConnected() && !(m_input->CurrentMediaType() == m_output->CurrentMediaType()))
        return ReconnectPin(m_output.get(), &m_input->CurrentMediaType());
    return S_OK;
}

bool TBCTransInPlaceFilter::UsingDifferentAllocators() const
{
    return m_input->PeekAllocator() != m_output->PeekAllocator();
}

ComPtr<IMediaSample> TBCTransInPlaceFilter::Copy(IMediaSample* source)
{
    REFERENCE_TIME start = 0, stop = 0;
    const HRESULT times = source->GetTime(&start, &stop);
    const bool hasStart = times == S_OK || times == VFW_S_NO_STOP_TIME;
    const bool hasStop = times == S_OK;
    ComPtr<IMediaSample> dest;
    if (Failed(m_output->GetDeliveryBuffer(&dest, hasStart ? &start : nullptr, hasStop ? &stop : nullptr,
                                           m_bSampleSkipped ? AM_GBF_PREVFRAMESKIPPED : 0)))
        return {};
    const std::int32_t sourceSize = source->GetSize();
    const std::int32_t destSize = dest->GetSize();
    if (destSize < sourceSize) {
        qCritical("DestSize (%d) < SourceSize (%d)", destSize, sourceSize);
        return {};
    }
    CopySampleProperties(source, dest.Get());
    const std::int32_t length = source->GetActualDataLength();
    std::uint8_t* from = nullptr;
    std::uint8_t* to = nullptr;
    if (Failed(dest->SetActualDataLength(length)) || Failed(source->GetPointer(&from)) ||
        Failed(dest->GetPointer(&to)))
        return {};
    if (length > 0)
        std::memcpy(to, from, static_cast<std::size_t>(length));
    return dest;
}

HRESULT TBCTransInPlaceFilter::Receive(IMediaSample* sample)
{
    if (sample->GetStreamId() != AM_STREAM_MEDIA)
        return m_output->Deliver(sample);
    ComPtr<IMediaSample> working(sample);
    if (UsingDifferentAllocators()) {
        working = Copy(sample);
        if (!working)
            return E_UNEXPECTED;
    }
    HRESULT hr = Transform(working.Get());
    if (Failed(hr))
        return hr;
    if (hr == S_OK) {
        hr = m_output->Deliver(working.Get());
        m_bSampleSkipped = false;
        return hr;
    }
    if (hr == S_FALSE) {
        NoteSampleSkipped();
        return S_OK;
    }
    return hr;
}

} // namespace camtrove::media
