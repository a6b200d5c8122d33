#include "profile/ProfileBuildManager.h"

#include "core/QmEngine.h"
#include "core/UiUpdateQueue.h"
#include "profile/BuildEntry.h"

CProfileBuildManager::CProfileBuildManager(bool writeTags) : writeTags_(writeTags) {
    // The worker holds a reference of its own, released when it leaves its loop.
    AddRef();
    if (!worker_.Start([this] { WorkerLoop(); }, ThreadPriority::Lowest)) {
        running_ = 0;
        Release();
    }
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
    sink_.cancel = 1;
    builder_.cancel = 1;
    workEvent_.Signal();
    worker_.WaitForEnd(kStopTimeoutMs);
    std::lock_guard lock(idleMutex_);
    idleCv_.notify_all();
}

bool CProfileBuildManager::WaitForIdle(unsigned timeoutMs) {
    std::unique_lock lock(idleMutex_);
    return idleCv_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                            [this] { return outstanding_ == 0 || running_ == 0; });
}

std::int64_t CProfileBuildManager::TakeNext() {
    CSingleThreadLock lock(queueLock_);
    if (queue_.empty()) return -1;
    const std::uint32_t id = queue_.front();
    queue_.erase(queue_.begin());
    return id;
}

void CProfileBuildManager::FinishOne() {
    std::lock_guard lock(idleMutex_);
    if (outstanding_ > 0) --outstanding_;
    if (outstanding_ == 0) idleCv_.notify_all();
}

void CProfileBuildManager::Post(std::int32_t code, std::int32_t param) {
    PostUiUpdate(GlobalEngine(), code, param, 0);
}

void CProfileBuildManager::WorkerLoop() {
    while (running_) {
        while (running_) {
            const std::int64_t id = TakeNext();
            if (id < 0) break;
            BuildOne(static_cast<std::uint32_t>(id));
            FinishOne();
        }
        Post(kUiMsgQueueEmpty, 0);
        if (!running_) break;
        workEvent_.Wait();
    }
    Release();  // the worker's own reference
}

HRESULT CProfileBuildManager::BuildOne(std::uint32_t id) {
    CQmEngine* engine = GlobalEngine();
    if (!engine) return E_FAIL;
    ComPtr<IBuildEntrySource> entries;
    if (FAILED(engine->QueryInterface(IID_IBuildEntrySource, entries.OutVoid()))) return E_FAIL;
    ComPtr<IBuildEntry> item;
    if (FAILED(entries->GetBuildEntry(id, item.Out()))) return E_FAIL;

    CPfTrackProfile profile;
    sink_.engine = engine;
    sink_.itemId = static_cast<std::int32_t>(id);
    BuildFailure failure = BuildFailure::None;
    if (builder_.BuildProfile(sink_, *item.Get(), profile, &failure) != 1) {
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
