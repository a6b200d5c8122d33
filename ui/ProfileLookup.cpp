#include "ui/ProfileLookup.h"

#include "store/AnalysisStore.h"

CProfileLookup::CProfileLookup(Answer answer, QObject* parent) : QObject(parent), answer_(std::move(answer)) {
    worker_.setMaxThreadCount(1);
    worker_.setObjectName(QStringLiteral("profileLookup"));
}

CProfileLookup::~CProfileLookup() {
    worker_.clear();
    worker_.waitForDone();
}

void CProfileLookup::Request(std::uint64_t ticket, std::shared_ptr<CAnalysisStore> store, WString file) {
    // A question not yet started is out of date now.
    worker_.clear();
    worker_.start([this, ticket, store = std::move(store), file = std::move(file)] {
        std::optional<CPfTrackProfile> profile;
        if (std::optional<StoredAnalysis> stored = store->Lookup(file)) profile = std::move(stored->profile);
        // Queued to this object's thread; the destructor waits for this task, so `this` is alive,
        // and Qt drops the posted call if the object is gone before it runs.
        QMetaObject::invokeMethod(
            this, [this, ticket, found = std::move(profile)]() mutable { answer_(ticket, std::move(found)); },
            Qt::QueuedConnection);
    });
}
