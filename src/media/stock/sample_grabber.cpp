#include "media/stock/sample_grabber.h"

#include <cstring>

namespace camtrove::media {

SampleGrabber::SampleGrabber()
    : TBCTransInPlaceFilter(QStringLiteral("SampleGrabber"), CLSID_SampleGrabber, false)
{
}

ComPtr<SampleGrabber> SampleGrabber::Create()
{
    return ComPtr<SampleGrabber>(new SampleGrabber());
}

HRESULT SampleGrabber::NonDelegatingQueryInterface(const GUID& iid, void** object)
{
    if (iid == IID_ISampleGrabber)
        return GetInterface(static_cast<ISampleGrabber*>(this), object);
    return TBCTransInPlaceFilter::NonDelegatingQueryInterface(iid, object);
}

HRESULT SampleGrabber::CheckInputType(const AM_MEDIA_TYPE& type)
{
    std::lock_guard lock(m_grabMutex);
    const auto open = [](const GUID& wanted, const GUID& given) {
        return IsNullGuid(wanted) || wanted == given;
    };
    if (!open(m_restriction.majortype, type.majortype) || !open(m_restriction.subtype, type.subtype) ||
        !open(m_restriction.formattype, type.formattype))
        return VFW_E_TYPE_NOT_ACCEPTED;
    if (m_restriction.bFixedSizeSamples && !type.bFixedSizeSamples)
        return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

HRESULT SampleGrabber::Transform(IMediaSample* sample)
{
    std::uint8_t* data = nullptr;
    if (Failed(sample->GetPointer(&data)))
        return S_OK;
    const std::int32_t length = sample->GetActualDataLength();
    REFERENCE_TIME start = 0, stop = 0;
    const HRESULT times = sample->GetTime(&start, &stop);
    const double sampleTime =
        times == S_OK || times == VFW_S_NO_STOP_TIME ? static_cast<double>(start) / 1e7 : 0.0;

    ComPtr<ISampleGrabberCB> callback;
    int which = SampleGrabberCallSample;
    {
        std::lock_guard lock(m_grabMutex);
        if (m_bufferSamples && length >= 0) {
            m_buffer.assign(data, data + length);
            m_haveBuffer = true;
        }
        callback = m_callback;
        which = m_whichCallback;
    }
    // Outside the lock: a callback may ask for the buffer or change the callback.
    if (callback) {
        if (which == SampleGrabberCallBuffer)
            (void)callback->BufferCB(sampleTime, data, length);
        else
            (void)callback->SampleCB(sampleTime, sample);
    }
    return S_OK;
}

HRESULT SampleGrabber::Receive(IMediaSample* sample)
{
    bool oneShot = false;
    {
        std::lock_guard lock(m_grabMutex);
        oneShot = m_oneShot;
    }
    if (oneShot && m_shotTaken)
        return S_FALSE;
    const HRESULT hr = TBCTransInPlaceFilter::Receive(sample);
    if (!oneShot || hr != S_OK)
        return hr;
    m_shotTaken = true;
    (void)TBCTransInPlaceFilter::EndOfStream();
    return S_FALSE;
}

// After a one-shot the stream has already ended downstream.
HRESULT SampleGrabber::EndOfStream()
{
    return m_shotTaken ? S_OK : TBCTransInPlaceFilter::EndOfStream();
}

HRESULT SampleGrabber::StartStreaming()
{
    m_shotTaken = false;
    return TBCTransInPlaceFilter::StartStreaming();
}

HRESULT SampleGrabber::SetOneShot(bool oneShot)
{
    std::lock_guard lock(m_grabMutex);
    m_oneShot = oneShot;
    return S_OK;
}

HRESULT SampleGrabber::SetMediaType(const AM_MEDIA_TYPE& type)
{
    std::lock_guard lock(m_grabMutex);
    m_restriction = type;
    return S_OK;
}

HRESULT SampleGrabber::GetConnectedMediaType(AM_MEDIA_TYPE* type)
{
    if (!type)
        return E_POINTER;
    TBCAutoLock lock(&m_csFilter);
    TBCTransformInputPin* input = InputPin();
    if (!input->IsConnected())
        return VFW_E_NOT_CONNECTED;
    *type = input->CurrentMediaType();
    return S_OK;
}

HRESULT SampleGrabber::SetBufferSamples(bool bufferThem)
{
    std::lock_guard lock(m_grabMutex);
    m_bufferSamples = bufferThem;
    if (!bufferThem) {
        m_buffer.clear();
        m_haveBuffer = false;
    }
    return S_OK;
}

HRESULT SampleGrabber::GetCurrentBuffer(std::int32_t* size, std::uint8_t* buffer)
{
    if (!size)
        return E_POINTER;
    std::lock_guard lock(m_grabMutex);
    if (!m_bufferSamples)
        return E_INVALIDARG;
    if (!m_haveBuffer)
        return VFW_E_WRONG_STATE;
    const auto needed = static_cast<std::int32_t>(m_buffer.size());
    if (!buffer) {
        *size = needed;
        return S_OK;
    }
    if (*size < needed)
        return E_OUTOFMEMORY;
    if (needed > 0)
        std::memcpy(buffer, m_buffer.data(), m_buffer.size());
    *size = needed;
    return S_OK;
}

HRESULT SampleGrabber::SetCallback(ISampleGrabberCB* callback, int whichMethodToCallback)
{
    if (whichMethodToCallback != SampleGrabberCallSample && whichMethodToCallback != SampleGrabberCallBuffer)
        return E_INVALIDARG;
    std::lock_guard lock(m_grabMutex);
    m_callback = callback;
    m_whichCallback = whichMethodToCallback;
    return S_OK;
}

} // namespace camtrove::media
