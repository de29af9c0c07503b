// The program's lock class: a re-entrant mutex with explicit Lock and Unlock, shared by the
// post queue of the messaging classes and the engine.
#pragma once

#include <mutex>

// Any thread may lock it; Lock and Unlock are paired on one thread. Re-entrant, because
// deliveries may post again while the queue's lock is held on the same thread.
class CSyncLock {
public:
    CSyncLock() = default;
    CSyncLock(const CSyncLock&) = delete;
    CSyncLock& operator=(const CSyncLock&) = delete;
    virtual ~CSyncLock() = default;

    virtual void Lock() { mutex_.lock(); }
    virtual void Unlock() { mutex_.unlock(); }

private:
    std::recursive_mutex mutex_;
};

// Scope holder for a CSyncLock.
class CSyncLockHolder {
public:
    explicit CSyncLockHolder(CSyncLock& lock) : lock_(lock) { lock_.Lock(); }
    ~CSyncLockHolder() { lock_.Unlock(); }
    CSyncLockHolder(const CSyncLockHolder&) = delete;
    CSyncLockHolder& operator=(const CSyncLockHolder&) = delete;

private:
    CSyncLock& lock_;
};
