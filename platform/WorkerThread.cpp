#include "platform/WorkerThread.h"

#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <system_error>

void LowerCurrentThreadPriority() {
    // On Linux the nice value is per thread when addressed by thread id.
    const auto tid = static_cast<id_t>(syscall(SYS_gettid));
    setpriority(PRIO_PROCESS, tid, 19);
#ifdef SCHED_IDLE
    sched_param param{};
    param.sched_priority = 0;
    pthread_setschedparam(pthread_self(), SCHED_IDLE, &param);
#endif
}

unsigned UsableCpuCount() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
        return static_cast<unsigned>(CPU_COUNT(&set));
    const long online = sysconf(_SC_NPROCESSORS_ONLN);
    return online > 0 ? static_cast<unsigned>(online) : 1;
}

CWorkerThread::~CWorkerThread() {
    if (!thread_.joinable()) return;
    if (WaitForEnd(0))
        return;  // joined
    thread_.detach();
}

bool CWorkerThread::Start(std::function<void()> body, ThreadPriority priority) {
    if (thread_.joinable()) return false;
    state_ = std::make_shared<EndState>();
    try {
        thread_ = std::thread([state = state_, body = std::move(body), priority] {
            if (priority == ThreadPriority::Lowest) LowerCurrentThreadPriority();
            body();
            std::lock_guard lock(state->mutex);
            state->ended = true;
            state->cv.notify_all();
        });
    } catch (const std::system_error&) {
        state_.reset();
        return false;
    }
    return true;
}

bool CWorkerThread::WaitForEnd(unsigned timeoutMs) {
    if (!thread_.joinable()) return true;
    if (thread_.get_id() == std::this_thread::get_id()) return false;
    {
        std::unique_lock lock(state_->mutex);
        if (!state_->cv.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                 [this] { return state_->ended; }))
            return false;
    }
    thread_.join();
    return true;
}

bool CWorkerThread::IsRunning() {
    if (!thread_.joinable() || !state_) return false;
    std::lock_guard lock(state_->mutex);
    return !state_->ended;
}
