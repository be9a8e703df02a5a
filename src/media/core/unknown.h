#pragma once
// The object model of the framework: interfaces are abstract classes that derive virtually from
// IUnknown, are found by QueryInterface with their identifier, and are shared by reference
// counts (ComPtr). Objects are created by factories and never copied.

#include "media/core/guids.h"
#include "media/core/media_results.h"

#include <atomic>
#include <cstdint>
#include <utility>

namespace camtrove::media {

class IUnknown
{
public:
    static constexpr GUID Iid = IID_IUnknown;
    // On S_OK *object holds the interface iid names, with a reference taken for the caller.
    [[nodiscard]] virtual HRESULT QueryInterface(const GUID& iid, void** object) = 0;
    virtual std::uint32_t AddRef() = 0;
    virtual std::uint32_t Release() = 0;

    IUnknown(const IUnknown&) = delete;
    IUnknown& operator=(const IUnknown&) = delete;

protected:
    IUnknown() = default;
    virtual ~IUnknown() = default;
};

template <class T> class ComPtr
{
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    ComPtr(T* p) : m_p(p)
    {
        if (m_p)
            m_p->AddRef();
    }
    ComPtr(const ComPtr& other) : ComPtr(other.m_p) {}
    ComPtr(ComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    template <class U> ComPtr(const ComPtr<U>& other) : ComPtr(static_cast<T*>(other.Get())) {}
    ~ComPtr() { Reset(); }

    ComPtr& operator=(ComPtr other) noexcept
    {
        std::swap(m_p, other.m_p);
        return *this;
    }

    // Takes over a reference the caller already holds.
    static ComPtr Adopt(T* p)
    {
        ComPtr result;
        result.m_p = p;
        return result;
    }
    T* Detach() { return std::exchange(m_p, nullptr); }

    void Reset()
    {
        if (T* p = std::exchange(m_p, nullptr))
            p->Release();
    }
    [[nodiscard]] T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    T& operator*() const { return *m_p; }
    explicit operator bool() const { return m_p != nullptr; }

    // For out-parameters: releases what is held and gives the slot.
    void** AsOut()
    {
        Reset();
        return reinterpret_cast<void**>(&m_p);
    }
    T** Out()
    {
        Reset();
        return &m_p;
    }

    friend bool operator==(const ComPtr& a, const ComPtr& b) { return a.m_p == b.m_p; }
    friend bool operator==(const ComPtr& a, const T* b) { return a.m_p == b; }

private:
    T* m_p = nullptr;
};

// The interface I of an object, or null when it does not give it.
template <class I> [[nodiscard]] ComPtr<I> QueryAs(IUnknown* object)
{
    ComPtr<I> result;
    if (object && Failed(object->QueryInterface(I::Iid, result.AsOut())))
        result.Reset();
    return result;
}
template <class I, class T> [[nodiscard]] ComPtr<I> QueryAs(const ComPtr<T>& object)
{
    return QueryAs<I>(static_cast<IUnknown*>(object.Get()));
}

// Two interface pointers name the same object when their IUnknown is the same.
[[nodiscard]] bool IsSameObject(IUnknown* a, IUnknown* b);

// Reference counting for objects that own their lifetime; deleted at the last Release.
class RefCounted : public virtual IUnknown
{
public:
    std::uint32_t AddRef() override { return m_refCount.fetch_add(1, std::memory_order_relaxed) + 1; }
    std::uint32_t Release() override
    {
        const std::uint32_t left = m_refCount.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0)
            delete this;
        return left;
    }

protected:
    RefCounted() = default;

private:
    std::atomic<std::uint32_t> m_refCount{0};
};

// Creates a reference-counted object and hands out the first reference.
template <class T, class... Args> [[nodiscard]] ComPtr<T> MakeCom(Args&&... args)
{
    return ComPtr<T>(new T(std::forward<Args>(args)...));
}

} // namespace camtrove::media
