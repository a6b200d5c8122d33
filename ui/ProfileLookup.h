#pragma once
// Looks up stored track profiles away from the UI thread. A lookup stats the file and may read
// and fingerprint part of its audio, so it runs on a worker thread of its own; the answer comes
// back on the thread that owns this object, through the callback given at construction.
//
// Only the newest question matters: a request replaces one still waiting, and every answer
// carries the ticket of its request so the caller can drop answers that came too late.

#include <QObject>
#include <QThreadPool>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "platform/Text.h"
#include "profile/TrackProfile.h"

class CAnalysisStore;

class CProfileLookup : public QObject {
    Q_OBJECT
public:
    // `profile` is empty when the store knows nothing of the file (or cannot be read).
    using Answer = std::function<void(std::uint64_t ticket, std::optional<CPfTrackProfile> profile)>;

    explicit CProfileLookup(Answer answer, QObject* parent = nullptr);
    // Waits for a lookup that is running; a waiting one is dropped unanswered.
    ~CProfileLookup() override;

    // Looks up `file` in `store` (kept alive until the lookup ends); the answer names `ticket`.
    void Request(std::uint64_t ticket, std::shared_ptr<CAnalysisStore> store, WString file);

private:
    Answer answer_;
    QThreadPool worker_;  // one thread
};
