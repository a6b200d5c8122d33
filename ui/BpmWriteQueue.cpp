#include "ui/BpmWriteQueue.h"

#include <QTimer>

#include "catalog/CatItem.h"

CBpmWriteQueue::CBpmWriteQueue(DoneCallback done, IdleCallback idle, QObject* parent)
    : QObject(parent),
      onDone_(std::move(done)),
      onIdle_(std::move(idle)),
      collect_(new QTimer(this)),
      worker_([this] { Work(); }) {
    collect_->setInterval(kCollectMs);
    connect(collect_, &QTimer::timeout, this, &CBpmWriteQueue::Collect);
}

CBpmWriteQueue::~CBpmWriteQueue() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    worker_.join();
}

void CBpmWriteQueue::Add(ComPtr<ICatalog> catalog, std::uint32_t id, NewBpm newBpm) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        waiting_.push_back(Job{std::move(catalog), std::move(newBpm), Done{id, S_OK, {}}});
    }
    wake_.notify_one();
    collect_->start();
}

bool CBpmWriteQueue::IsIdle() {
    std::lock_guard<std::mutex> lock(mutex_);
    return waiting_.empty() && !running_ && finished_.empty();
}

void CBpmWriteQueue::Work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        // Stopping waits for the jobs already asked for: they are the user's own BPMs.
        wake_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
        if (waiting_.empty()) return;
        Job job = std::move(waiting_.front());
        waiting_.pop_front();
        running_ = true;
        lock.unlock();
        Run(job);
        lock.lock();
        running_ = false;
        finished_.push_back(std::move(job));
    }
}

void CBpmWriteQueue::Run(Job& job) {
    const std::uint32_t id = job.done.id;
    ComPtr<CCatItem> item;
    if (FAILED(job.catalog->GetItem(id, item.Out()))) {
        job.done.result = E_FAIL;
        return;
    }
    job.done.path = item->GetPath();
    const float bpm = job.newBpm(item->GetBpm());
    job.done.result = bpm == 0.0f ? S_OK : job.catalog->SetEntryBpm(id, bpm);
}

void CBpmWriteQueue::Collect() {
    std::deque<Job> finished;
    bool idle = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        finished.swap(finished_);
        idle = waiting_.empty() && !running_;
        if (idle) collect_->stop();
    }
    for (const Job& job : finished) onDone_(job.done);
    if (idle) onIdle_();
}
