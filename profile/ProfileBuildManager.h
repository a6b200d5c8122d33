#pragma once
// Runs profile builds one after another on a low-priority worker thread. The catalog hands it
// the id of every entry whose tempo is 0; after each successful build the manager stores the
// tempo in the entry, writes the entry's tag, and posts message 21 with the id.

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

#include "core/EventLite.h"
#include "core/SingleThreadToken.h"
#include "core/UnknownStandAlone.h"
#include "platform/WorkerThread.h"
#include "profile/BuildProgressSink.h"
#include "profile/ProfileBuilder.h"

class CProfileBuildManager : public TUnknown<IUnknown> {
public:
    // Starts the worker at the lowest priority; without a thread the manager exists idle.
    // `writeTags` false keeps the files untouched (the tempo still lands in the entry).
    explicit CProfileBuildManager(bool writeTags = true);

    // Queues an id (duplicates allowed) and wakes the worker.
    void Enqueue(std::uint32_t id);

    // Stops the worker: clears running, sets both cancel flags, wakes it and waits up to 30 s.
    // A worker still running after that keeps its own reference to the manager, so the manager
    // outlives it whatever its owner releases.
    void Stop();

    // Waits until no id is queued and no build runs (or the manager is stopped), at most
    // `timeoutMs`. True when idle.
    bool WaitForIdle(unsigned timeoutMs);

    // Longest wait of Stop.
    static constexpr unsigned kStopTimeoutMs = 30000;

private:
    ~CProfileBuildManager() override;

    void WorkerLoop();
    // Builds one id; S_OK after a successful build, E_FAIL otherwise.
    HRESULT BuildOne(std::uint32_t id);
    // Takes the oldest queued id; -1 when the queue is empty.
    std::int64_t TakeNext();
    void Post(std::int32_t code, std::int32_t param);
    // Marks one queued id as finished, for WaitForIdle.
    void FinishOne();

    std::vector<std::uint32_t> queue_;  // oldest first
    CSingleThreadToken queueLock_;
    CEventLite workEvent_;
    CWorkerThread worker_;
    std::atomic<std::int32_t> running_{1};
    const bool writeTags_;
    BuildProgressSink sink_;
    CProfileBuilder builder_;

    std::mutex idleMutex_;               // guards outstanding_
    std::condition_variable idleCv_;
    std::size_t outstanding_ = 0;        // ids queued or being built
};
