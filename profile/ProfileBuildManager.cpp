#include "profile/ProfileBuildManager.h"

#include <algorithm>
#include <chrono>

#include "core/QmEngine.h"
#include "core/UiUpdateQueue.h"
#include "profile/BuildEntry.h"

CProfileBuildManager::CProfileBuildManager(const BuildManagerOptions& options)
    : writeTags_(options.writeTags) {
    const unsigned count = options.workers != 0 ? options.workers : UsableCpuCount();
    for (unsigned i = 0; i < count; ++i) workers_.push_back(std::make_unique<Worker>());
    unsigned started = 0;
    for (const std::unique_ptr<Worker>& worker : workers_) {
        // Each worker holds a reference of its own, released when it leaves its loop.
        AddRef();
        if (worker->thread.Start([this, w = worker.get()] { WorkerLoop(*w); }, options.priority))
            ++started;
        else
            Release();
    }
    if (started == 0) running_ = 0;
}

CProfileBuildManager::~CProfileBuildManager() = default;

void CProfileBuildManager::Enqueue(std::uint32_t id) {
    {
        std::lock_guard lock(idleMutex_);
        ++outstanding_;
    }
    {
        CSingleThreadLock lock(queueLock_);
        queue_.push_back(id);
    }
    workEvent_.Signal();
}

void CProfileBuildManager::Stop() {
    running_ = 0;
    for (const std::unique_ptr<Worker>& worker : workers_) {
        worker->sink.cancel = 1;
        worker->builder.cancel = 1;
    }
    // One signal suffices: each worker that leaves its loop passes it on to the next.
    workEvent_.Signal();
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kStopTimeoutMs);
    for (const std::unique_ptr<Worker>& worker : workers_) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        worker->thread.WaitForEnd(static_cast<unsigned>(std::max<std::int64_t>(0, left.count())));
    }
    std::lock_guard lock(idleMutex_);
    idleCv_.notify_all();
}

bool CProfileBuildManager::WaitForIdle(unsigned timeoutMs) {
    std::unique_lock lock(idleMutex_);
    return idleCv_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                            [this] { return outstanding_ == 0 || running_ == 0; });
}

CProfileBuildManager::Taken CProfileBuildManager::TakeNext() {
    CSingleThreadLock lock(queueLock_);
    Taken taken;
    const auto beingBuilt = [this](std::uint32_t id) {
        return std::find(building_.begin(), building_.end(), id) != building_.end();
    };
    const auto next = std::find_if_not(queue_.begin(), queue_.end(), beingBuilt);
    if (next != queue_.end()) {
        taken.id = *next;
        building_.push_back(*next);
        queue_.erase(next);
    }
    taken.moreQueued = !queue_.empty();
    taken.allIdle = queue_.empty() && building_.empty();
    return taken;
}

void CProfileBuildManager::FinishOne(std::uint32_t id) {
    {
        CSingleThreadLock lock(queueLock_);
        building_.erase(std::find(building_.begin(), building_.end(), id));
    }
    std::lock_guard lock(idleMutex_);
    if (outstanding_ > 0) --outstanding_;
    if (outstanding_ == 0) idleCv_.notify_all();
}

void CProfileBuildManager::Post(std::int32_t code, std::int32_t param) {
    PostUiUpdate(GlobalEngine(), code, param, 0);
}

void CProfileBuildManager::WorkerLoop(Worker& worker) {
    while (running_) {
        while (running_) {
            const Taken next = TakeNext();
            if (next.id < 0) {
                if (next.allIdle) Post(kUiMsgQueueEmpty, 0);
                break;
            }
            // A burst of ids may have woken only this worker: pass the wake-up on.
            if (next.moreQueued) workEvent_.Signal();
            const auto id = static_cast<std::uint32_t>(next.id);
            BuildOne(worker, id);
            FinishOne(id);
        }
        if (!running_) break;
        workEvent_.Wait();
    }
    workEvent_.Signal();  // wakes the next sleeping worker, which then sees the stop as well
    Release();            // the worker's own reference
}

HRESULT CProfileBuildManager::BuildOne(Worker& worker, std::uint32_t id) {
    CQmEngine* engine = GlobalEngine();
    if (!engine) return E_FAIL;
    ComPtr<IBuildEntrySource> entries;
    if (FAILED(engine->QueryInterface(IID_IBuildEntrySource, entries.OutVoid()))) return E_FAIL;
    ComPtr<IBuildEntry> item;
    if (FAILED(entries->GetBuildEntry(id, item.Out()))) return E_FAIL;

    CPfTrackProfile profile;
    worker.sink.engine = engine;
    worker.sink.itemId = static_cast<std::int32_t>(id);
    BuildFailure failure = BuildFailure::None;
    if (worker.builder.BuildProfile(worker.sink, *item.Get(), profile, &failure) != 1) {
        // The entry remembers why, and its row is refreshed, so that a failed analysis shows as
        // failed rather than as a percentage that never moves again. A cancelled build (at
        // shutdown) is no failure.
        if (failure != BuildFailure::None) {
            item->SetBuildFailure(failure);
            Post(kUiMsgProfileBuilt, static_cast<std::int32_t>(id));
        }
        return E_FAIL;
    }

    item->StoreProfile(profile);
    if (writeTags_) item->WriteBack();  // the outcome does not change the entry
    Post(kUiMsgProfileBuilt, static_cast<std::int32_t>(id));
    return S_OK;
}
