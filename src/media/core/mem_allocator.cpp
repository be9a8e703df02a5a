#include "media/core/mem_allocator.h"

#include "media/core/media_sample.h"

#include <bit>

namespace camtrove::media {

ComPtr<MemAllocator> MemAllocator::Create()
{
    return ComPtr<MemAllocator>(new MemAllocator());
}

MemAllocator::~MemAllocator() = default;

HRESULT MemAllocator::QueryInterface(const GUID& iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown) {
        *object = static_cast<IUnknown*>(this);
    } else if (iid == IID_IMemAllocator) {
        *object = static_cast<IMemAllocator*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

HRESULT MemAllocator::SetProperties(const ALLOCATOR_PROPERTIES& request, ALLOCATOR_PROPERTIES* actual)
{
    if (!actual)
        return E_POINTER;
    std::lock_guard lock(m_mutex);
    if (m_committed)
        return VFW_E_ALREADY_COMMITTED;
    if (m_free.size() != m_samples.size())
        return VFW_E_BUFFERS_OUTSTANDING;
    if (request.cbAlign < 0 ||
        (request.cbAlign > 0 && !std::has_single_bit(static_cast<unsigned>(request.cbAlign))))
        return VFW_E_BADALIGN;
    if (request.cBuffers < 0 || request.cbBuffer < 0 || request.cbPrefix < 0)
        return E_INVALIDARG;
    FreeStorageLocked();
    m_properties = request;
    if (m_properties.cbAlign == 0)
        m_properties.cbAlign = 1;
    m_propertiesSet = true;
    *actual = m_properties;
    return S_OK;
}

HRESULT MemAllocator::GetProperties(ALLOCATOR_PROPERTIES* properties)
{
    if (!properties)
        return E_POINTER;
    std::lock_guard lock(m_mutex);
    *properties = m_properties;
    return S_OK;
}

HRESULT MemAllocator::Commit()
{
    std::lock_guard lock(m_mutex);
    if (!m_propertiesSet || m_properties.cBuffers <= 0 || m_properties.cbBuffer <= 0)
        return VFW_E_SIZENOTSET;
    if (m_committed)
        return S_OK;
    if (m_samples.empty()) {
        const std::size_t align = static_cast<std::size_t>(m_properties.cbAlign);
        const std::size_t bytes =
            static_cast<std::size_t>(m_properties.cbPrefix) + m_properties.cbBuffer + align;
        for (int i = 0; i < m_properties.cBuffers; ++i) {
            auto block = std::make_unique<std::uint8_t[]>(bytes);
            // the data, not the prefix, starts on the alignment
            auto address = reinterpret_cast<std::uintptr_t>(block.get()) + m_properties.cbPrefix;
            address = (address + align - 1) & ~(std::uintptr_t{align} - 1);
            auto sample = std::make_unique<MediaSample>(this, reinterpret_cast<std::uint8_t*>(address),
                                                        m_properties.cbBuffer);
            m_free.push_back(sample.get());
            m_samples.push_back(std::move(sample));
            m_storage.push_back(std::move(block));
        }
    }
    m_committed = true;
    return S_OK;
}

HRESULT MemAllocator::Decommit()
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_committed)
            return S_OK;
        m_committed = false;
        if (m_free.size() == m_samples.size())
            FreeStorageLocked();
    }
    m_bufferFreed.notify_all();
    return S_OK;
}

HRESULT MemAllocator::GetBuffer(ComPtr<IMediaSample>* sample, const REFERENCE_TIME* start,
                                const REFERENCE_TIME* stop, std::uint32_t flags)
{
    if (!sample)
        return E_POINTER;
    sample->Reset();
    MediaSample* taken = nullptr;
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            if (!m_committed)
                return VFW_E_NOT_COMMITTED;
            if (!m_free.empty())
                break;
            if (flags & AM_GBF_NOWAIT)
                return VFW_E_TIMEOUT;
            m_bufferFreed.wait(lock);
        }
        taken = m_free.back();
        m_free.pop_back();
    }
    AddRef(); // a sample in flight keeps its allocator alive
    taken->PrepareForDelivery();
    if (start)
        (void)taken->SetTime(start, stop);
    *sample = ComPtr<IMediaSample>::Adopt(taken);
    return S_OK;
}

void MemAllocator::ReleaseBuffer(MediaSample* sample)
{
    {
        std::lock_guard lock(m_mutex);
        m_free.push_back(sample);
        if (!m_committed && m_free.size() == m_samples.size())
            FreeStorageLocked();
    }
    m_bufferFreed.notify_one();
    Release();
}

int MemAllocator::OutstandingBuffers() const
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_samples.size() - m_free.size());
}

void MemAllocator::FreeStorageLocked()
{
    m_free.clear();
    m_samples.clear();
    m_storage.clear();
}

} // namespace camtrove::media
