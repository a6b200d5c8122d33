#pragma once
// A worker thread that can run at a lowered scheduling priority and whose end can be awaited
// with a time-out. Stands in for a suspended thread start, handle duplication, resume and
// a timed wait on the thread handle.

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

enum class ThreadPriority { Normal, Lowest };

class CWorkerThread {
public:
    CWorkerThread() = default;
    // Joins on destruction, or detaches a thread that has not ended (it keeps only its own
    // end state alive; the owner must keep alive whatever the body uses).
    ~CWorkerThread();
    CWorkerThread(const CWorkerThread&) = delete;
    CWorkerThread& operator=(const CWorkerThread&) = delete;

    // Starts `body` on a new thread; at Lowest it lowers its own priority first.
    // False when the thread cannot be created.
    bool Start(std::function<void()> body, ThreadPriority priority);

    // Waits until the body has returned or `timeoutMs` has passed; true when it has returned.
    // Called by the owning thread only.
    bool WaitForEnd(unsigned timeoutMs);

    // True once Start succeeded and the body has not yet returned.
    bool IsRunning();

    bool Started() const { return thread_.joinable(); }

private:
    // Shared with the thread itself, so that a thread detached after a failed wait never
    // touches a destroyed owner.
    struct EndState {
        std::mutex mutex;
        std::condition_variable cv;
        bool ended = false;
    };
    std::shared_ptr<EndState> state_;
    std::thread thread_;
};

// Lowers the calling thread's scheduling priority as far as an unprivileged thread can.
void LowerCurrentThreadPriority();

// The number of online CPUs this process may run on (its affinity mask), at least 1.
unsigned UsableCpuCount();
