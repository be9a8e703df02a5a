#include "media/core/media_sample.h"

#include "media/core/mem_allocator.h"

namespace camtrove::media {

MediaSample::MediaSample(MemAllocator* owner, std::uint8_t* buffer, std::int32_t size)
    : m_owner(owner), m_buffer(buffer), m_size(size)
{
}

HRESULT MediaSample::QueryInterface(const GUID& iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown) {
        *object = static_cast<IUnknown*>(this);
    } else if (iid == IID_IMediaSample) {
        *object = static_cast<IMediaSample*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

std::uint32_t MediaSample::AddRef()
{
    return m_refCount.fetch_add(1, std::memory_order_relaxed) + 1;
}

std::uint32_t MediaSample::Release()
{
    const std::uint32_t left = m_refCount.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) {
        ResetProperties();
        m_owner->ReleaseBuffer(this);
    }
    return left;
}

void MediaSample::PrepareForDelivery()
{
    ResetProperties();
    m_refCount.store(1, std::memory_order_relaxed);
}

void MediaSample::ResetProperties()
{
    m_actualLength = 0;
    m_start.reset();
    m_stop.reset();
    m_mediaStart.reset();
    m_mediaStop.reset();
    m_syncPoint = false;
    m_preroll = false;
    m_discontinuity = false;
    m_mediaType.reset();
    m_streamId = AM_STREAM_MEDIA;
    m_typeSpecificFlags = 0;
}

HRESULT MediaSample::GetPointer(std::uint8_t** buffer)
{
    if (!buffer)
        return E_POINTER;
    *buffer = m_buffer;
    return S_OK;
}

HRESULT MediaSample::GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop)
{
    if (!start || !stop)
        return E_POINTER;
    if (!m_start)
        return VFW_E_SAMPLE_TIME_NOT_SET;
    *start = *m_start;
    if (!m_stop) {
        *stop = *m_start + 1;
        return VFW_S_NO_STOP_TIME;
    }
    *stop = *m_stop;
    return S_OK;
}

HRESULT MediaSample::SetTime(const REFERENCE_TIME* start, const REFERENCE_TIME* stop)
{
    if (!start) {
        m_start.reset();
        m_stop.reset();
        return S_OK;
    }
    m_start = *start;
    m_stop = stop ? std::optional<REFERENCE_TIME>(*stop) : std::nullopt;
    return S_OK;
}

HRESULT MediaSample::SetSyncPoint(bool isSyncPoint)
{
    m_syncPoint = isSyncPoint;
    return S_OK;
}

HRESULT MediaSample::SetPreroll(bool isPreroll)
{
    m_preroll = isPreroll;
    return S_OK;
}

HRESULT MediaSample::SetActualDataLength(std::int32_t length)
{
    if (length < 0 || length > m_size)
        return VFW_E_BUFFER_OVERFLOW;
    m_actualLength = length;
    return S_OK;
}

HRESULT MediaSample::GetMediaType(AM_MEDIA_TYPE** type)
{
    if (!type)
        return E_POINTER;
    if (!m_mediaType) {
        *type = nullptr;
        return S_FALSE;
    }
    *type = new AM_MEDIA_TYPE(*m_mediaType);
    return S_OK;
}

HRESULT MediaSample::SetMediaType(const AM_MEDIA_TYPE* type)
{
    m_mediaType = type ? std::make_unique<AM_MEDIA_TYPE>(*type) : nullptr;
    return S_OK;
}

HRESULT MediaSample::SetDiscontinuity(bool isDiscontinuity)
{
    m_discontinuity = isDiscontinuity;
    return S_OK;
}

HRESULT MediaSample::GetMediaTime(std::int64_t* start, std::int64_t* stop)
{
    if (!start || !stop)
        return E_POINTER;
    if (!m_mediaStart)
        return VFW_E_MEDIA_TIME_NOT_SET;
    *start = *m_mediaStart;
    *stop = m_mediaStop.value_or(*m_mediaStart + 1);
    return S_OK;
}

HRESULT MediaSample::SetMediaTime(const std::int64_t* start, const std::int64_t* stop)
{
    if (!start) {
        m_mediaStart.reset();
        m_mediaStop.reset();
        return S_OK;
    }
    m_mediaStart = *start;
    m_mediaStop = stop ? std::optional<std::int64_t>(*stop) : std::nullopt;
    return S_OK;
}

void CopySampleProperties(IMediaSample* source, IMediaSample* dest)
{
    REFERENCE_TIME start = 0, stop = 0;
    const HRESULT times = source->GetTime(&start, &stop);
    const bool hasStart = times == S_OK || times == VFW_S_NO_STOP_TIME;
    const bool hasStop = times == S_OK;
    (void)dest->SetTime(hasStart ? &start : nullptr, hasStop ? &stop : nullptr);
    std::int64_t mediaStart = 0, mediaStop = 0;
    if (source->GetMediaTime(&mediaStart, &mediaStop) == S_OK)
        (void)dest->SetMediaTime(&mediaStart, &mediaStop);
    (void)dest->SetSyncPoint(source->IsSyncPoint() == S_OK);
    (void)dest->SetPreroll(source->IsPreroll() == S_OK);
    (void)dest->SetDiscontinuity(source->IsDiscontinuity() == S_OK);
    dest->SetTypeSpecificFlags(source->GetTypeSpecificFlags());
    dest->SetStreamId(source->GetStreamId());
    AM_MEDIA_TYPE* attached = nullptr;
    if (source->GetMediaType(&attached) == S_OK && attached) {
        (void)dest->SetMediaType(attached);
        delete attached;
    }
}

} // namespace camtrove::media
