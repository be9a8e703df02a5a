#pragma once
// TBCCritSec: the frame's recursive lock, and TBCAutoLock, its scope guard.

#include <mutex>

namespace camtrove::media {

class TBCCritSec
{
public:
    TBCCritSec() = default;
    TBCCritSec(const TBCCritSec&) = delete;
    TBCCritSec& operator=(const TBCCritSec&) = delete;

    void Lock() { m_mutex.lock(); }
    void Unlock() { m_mutex.unlock(); }
    // std::lock_guard compatibility
    void lock() { Lock(); }
    void unlock() { Unlock(); }

private:
    std::recursive_mutex m_mutex;
};

class TBCAutoLock
{
public:
    explicit TBCAutoLock(TBCCritSec* lock) : m_lock(lock) { m_lock->Lock(); }
    ~TBCAutoLock() { m_lock->Unlock(); }
    TBCAutoLock(const TBCAutoLock&) = delete;
    TBCAutoLock& operator=(const TBCAutoLock&) = delete;

private:
    TBCCritSec* m_lock;
};

} // namespace camtrove::media
