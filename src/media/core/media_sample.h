#pragma once
// A media sample: one buffer of an allocator's pool with its properties. Reference counted; the
// last Release hands the buffer back to its allocator instead of freeing it.

#include "media/core/filter_interfaces.h"

#include <atomic>
#include <memory>
#include <optional>

namespace camtrove::media {

class MemAllocator;

class MediaSample final : public IMediaSample
{
public:
    MediaSample(MemAllocator* owner, std::uint8_t* buffer, std::int32_t size);

    HRESULT QueryInterface(const GUID& iid, void** object) override;
    std::uint32_t AddRef() override;
    std::uint32_t Release() override;

    HRESULT GetPointer(std::uint8_t** buffer) override;
    std::int32_t GetSize() override { return m_size; }
    HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
    HRESULT SetTime(const REFERENCE_TIME* start, const REFERENCE_TIME* stop) override;
    HRESULT IsSyncPoint() override { return m_syncPoint ? S_OK : S_FALSE; }
    HRESULT SetSyncPoint(bool isSyncPoint) override;
    HRESULT IsPreroll() override { return m_preroll ? S_OK : S_FALSE; }
    HRESULT SetPreroll(bool isPreroll) override;
    std::int32_t GetActualDataLength() override { return m_actualLength; }
    HRESULT SetActualDataLength(std::int32_t length) override;
    HRESULT GetMediaType(AM_MEDIA_TYPE** type) override;
    HRESULT SetMediaType(const AM_MEDIA_TYPE* type) override;
    HRESULT IsDiscontinuity() override { return m_discontinuity ? S_OK : S_FALSE; }
    HRESULT SetDiscontinuity(bool isDiscontinuity) override;
    HRESULT GetMediaTime(std::int64_t* start, std::int64_t* stop) override;
    HRESULT SetMediaTime(const std::int64_t* start, const std::int64_t* stop) override;
    std::uint32_t GetStreamId() override { return m_streamId; }
    void SetStreamId(std::uint32_t streamId) override { m_streamId = streamId; }
    std::uint32_t GetTypeSpecificFlags() override { return m_typeSpecificFlags; }
    void SetTypeSpecificFlags(std::uint32_t flags) override { m_typeSpecificFlags = flags; }

    // The allocator's side: a sample handed out starts with one reference and clean properties.
    void PrepareForDelivery();

private:
    void ResetProperties();

    MemAllocator* m_owner;
    std::uint8_t* m_buffer;
    std::int32_t m_size;
    std::atomic<std::uint32_t> m_refCount{0};
    std::int32_t m_actualLength = 0;
    std::optional<REFERENCE_TIME> m_start;
    std::optional<REFERENCE_TIME> m_stop;
    std::optional<std::int64_t> m_mediaStart;
    std::optional<std::int64_t> m_mediaStop;
    bool m_syncPoint = false;
    bool m_preroll = false;
    bool m_discontinuity = false;
    std::unique_ptr<AM_MEDIA_TYPE> m_mediaType;
    std::uint32_t m_streamId = AM_STREAM_MEDIA;
    std::uint32_t m_typeSpecificFlags = 0;
};

// Gives dest source's times, media times, flags, stream id and attached type (not the data): what
// a filter that must copy a sample into a buffer of its own carries over.
void CopySampleProperties(IMediaSample* source, IMediaSample* dest);

} // namespace camtrove::media
