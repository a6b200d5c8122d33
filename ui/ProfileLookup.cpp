#include "ui/ProfileLookup.h"

#include <QTimer>

#include "store/AnalysisStore.h"

CProfileLookup::CProfileLookup(Answer answer, QObject* parent)
    : QObject(parent), answer_(std::move(answer)), collect_(new QTimer(this)), worker_([this] { Work(); }) {
    collect_->setInterval(kCollectMs);
    connect(collect_, &QTimer::timeout, this, &CProfileLookup::Collect);
}

CProfileLookup::~CProfileLookup() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        question_.reset();
    }
    wake_.notify_one();
    worker_.join();
}

void CProfileLookup::Request(std::uint64_t ticket, std::shared_ptr<CAnalysisStore> store, WString file) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        question_ = Question{ticket, std::move(store), std::move(file)};
    }
    wake_.notify_one();
    collect_->start();
}

void CProfileLookup::Work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || question_.has_value(); });
        if (stopping_) return;
        Question question = std::move(*question_);
        question_.reset();
        busy_ = true;
        lock.unlock();
        std::optional<CPfTrackProfile> profile;
        if (std::optional<StoredAnalysis> stored = question.store->Lookup(question.file))
            profile = std::move(stored->profile);
        question.store.reset();  // the store may close here, off the UI thread
        lock.lock();
        busy_ = false;
        reply_ = Reply{question.ticket, std::move(profile)};
    }
}

void CProfileLookup::Collect() {
    std::optional<Reply> reply;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        reply.swap(reply_);
        if (!busy_ && !question_) collect_->stop();
    }
    if (reply) answer_(reply->ticket, std::move(reply->profile));
}
