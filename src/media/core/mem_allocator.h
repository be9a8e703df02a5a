#pragma once
// The framework's memory allocator: a bounded pool of equal buffers. GetBuffer blocks while all
// are in flight, which is what holds a fast source back behind a slow consumer; Decommit wakes
// the waiters with VFW_E_NOT_COMMITTED. Thread-safe.

#include "media/core/filter_interfaces.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

namespace camtrove::media {

class MediaSample;

class MemAllocator final : public RefCounted, public IMemAllocator
{
public:
    [[nodiscard]] static ComPtr<MemAllocator> Create();
    ~MemAllocator() override;

    HRESULT QueryInterface(const GUID& iid, void** object) override;

    HRESULT SetProperties(const ALLOCATOR_PROPERTIES& request, ALLOCATOR_PROPERTIES* actual) override;
    HRESULT GetProperties(ALLOCATOR_PROPERTIES* properties) override;
    HRESULT Commit() override;
    HRESULT Decommit() override;
    HRESULT GetBuffer(ComPtr<IMediaSample>* sample, const REFERENCE_TIME* start, const REFERENCE_TIME* stop,
                      std::uint32_t flags) override;

    // Called by a sample at its last Release.
    void ReleaseBuffer(MediaSample* sample);

    // Buffers handed out and not yet returned.
    [[nodiscard]] int OutstandingBuffers() const;

private:
    MemAllocator() = default;
    void FreeStorageLocked();

    mutable std::mutex m_mutex;
    std::condition_variable m_bufferFreed;
    ALLOCATOR_PROPERTIES m_properties;
    bool m_propertiesSet = false;
    bool m_committed = false;
    std::vector<std::unique_ptr<std::uint8_t[]>> m_storage;
    std::vector<std::unique_ptr<MediaSample>> m_samples;
    std::vector<MediaSample*> m_free;
};

} // namespace camtrove::media
