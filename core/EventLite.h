#pragma once
// An auto-reset event: Signal wakes exactly one waiter (or the next one to wait, when nobody
// waits yet), and the event resets itself as that waiter passes.

#include <condition_variable>
#include <mutex>

class CEventLite {
public:
    CEventLite() = default;
    virtual ~CEventLite() = default;
    CEventLite(const CEventLite&) = delete;
    CEventLite& operator=(const CEventLite&) = delete;

    void Signal();
    // Waits without time limit.
    void Wait();
    // Waits up to `timeoutMs`; true when signalled.
    bool WaitFor(unsigned timeoutMs);

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool signalled_ = false;
};
