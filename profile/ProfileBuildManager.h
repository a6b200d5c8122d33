#pragma once
// Runs profile builds on a set of worker threads. The catalog hands it the id of every entry
// whose tempo is 0; each worker takes the oldest queued id that no other worker is building,
// and after each successful build stores the tempo in the entry, writes the entry's tag, and
// posts message 21 with the id. Two builds of one entry never overlap, so each entry's progress
// and write-back are what they are with a single worker.

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "core/EventLite.h"
#include "core/SingleThreadToken.h"
#include "core/UnknownStandAlone.h"
#include "platform/WorkerThread.h"
#include "profile/BuildProgressSink.h"
#include "profile/ProfileBuilder.h"

struct BuildManagerOptions {
    // False keeps the files untouched (the tempo still lands in the entry).
    bool writeTags = true;
    // Builds that run at once; 0 runs one per CPU the process may use.
    unsigned workers = 1;
    // Lowest keeps the workers off the CPU whenever anything else wants it.
    ThreadPriority priority = ThreadPriority::Lowest;
};

class CProfileBuildManager : public TUnknown<IUnknown> {
public:
    // Starts the workers; without any thread the manager exists idle.
    explicit CProfileBuildManager(const BuildManagerOptions& options = {});

    // Queues an id (duplicates allowed) and wakes a worker.
    void Enqueue(std::uint32_t id);

    // Stops every worker: clears running, sets every cancel flag, wakes them and waits up to
    // 30 s in all. A worker still running after that keeps its own reference to the manager,
    // so the manager outlives it whatever its owner releases.
    void Stop();

    // Waits until no id is queued and no build runs (or the manager is stopped), at most
    // `timeoutMs`. True when idle.
    bool WaitForIdle(unsigned timeoutMs);

    // Longest wait of Stop.
    static constexpr unsigned kStopTimeoutMs = 30000;

private:
    // What one worker owns: its thread, and the sink and builder its builds use.
    struct Worker {
        CWorkerThread thread;
        BuildProgressSink sink;
        CProfileBuilder builder;
    };

    // What TakeNext found.
    struct Taken {
        std::int64_t id = -1;     // -1: nothing to take
        bool moreQueued = false;  // further ids wait after the one taken
        bool allIdle = false;     // nothing queued and no build running
    };

    ~CProfileBuildManager() override;

    void WorkerLoop(Worker& worker);
    // Builds one id; S_OK after a successful build, E_FAIL otherwise.
    HRESULT BuildOne(Worker& worker, std::uint32_t id);
    // Takes the oldest queued id that no worker is building and marks it as being built.
    Taken TakeNext();
    // Marks a build of `id` as ended, and the queued id as finished for WaitForIdle.
    void FinishOne(std::uint32_t id);
    void Post(std::int32_t code, std::int32_t param);

    std::vector<std::uint32_t> queue_;     // oldest first
    std::vector<std::uint32_t> building_;  // ids being built, at most one per worker
    CSingleThreadToken queueLock_;         // guards queue_ and building_
    CEventLite workEvent_;
    std::atomic<std::int32_t> running_{1};
    const bool writeTags_;
    std::vector<std::unique_ptr<Worker>> workers_;  // fixed after construction

    std::mutex idleMutex_;               // guards outstanding_
    std::condition_variable idleCv_;
    std::size_t outstanding_ = 0;        // ids queued or being built
};
