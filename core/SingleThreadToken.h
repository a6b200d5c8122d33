#pragma once
// Locks: a token is a critical section that its owning thread may take again; a lock is the
// scoped holder that takes a token for the duration of a scope.

#include <mutex>

class CSingleThreadToken {
public:
    CSingleThreadToken() = default;
    virtual ~CSingleThreadToken() = default;
    CSingleThreadToken(const CSingleThreadToken&) = delete;
    CSingleThreadToken& operator=(const CSingleThreadToken&) = delete;

    void Enter() { mutex_.lock(); }
    void Leave() { mutex_.unlock(); }

private:
    std::recursive_mutex mutex_;
};

class CSingleThreadLock {
public:
    explicit CSingleThreadLock(CSingleThreadToken& token) : token_(token) { token_.Enter(); }
    virtual ~CSingleThreadLock() { token_.Leave(); }
    CSingleThreadLock(const CSingleThreadLock&) = delete;
    CSingleThreadLock& operator=(const CSingleThreadLock&) = delete;

private:
    CSingleThreadToken& token_;
};
