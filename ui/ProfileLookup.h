#pragma once
// Looks up stored track profiles away from the UI thread. A lookup stats the file and may read
// and fingerprint part of its audio, so it runs on a worker thread of its own. As every worker
// of the program, it never calls into the UI: it leaves its answer in a slot under a lock, and a
// timer of the owner's thread collects it while a question is open and hands it to the callback
// given at construction.
//
// Only the newest question matters: a request replaces one still waiting, and every answer
// carries the ticket of its request so the caller can drop answers that came too late.

#include <QObject>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/Text.h"
#include "profile/TrackProfile.h"

class CAnalysisStore;
class QTimer;

class CProfileLookup : public QObject {
    Q_OBJECT
public:
    // `profile` is empty when the store knows nothing of the file (or cannot be read).
    using Answer = std::function<void(std::uint64_t ticket, std::optional<CPfTrackProfile> profile)>;
    // How often the owner's thread looks for an answer while a question is open.
    static constexpr int kCollectMs = 10;

    explicit CProfileLookup(Answer answer, QObject* parent = nullptr);
    // Drops a waiting question and waits for a running lookup; nothing is answered afterwards.
    ~CProfileLookup() override;

    // Looks up `file` in `store` (kept alive until the lookup ends); the answer names `ticket`.
    void Request(std::uint64_t ticket, std::shared_ptr<CAnalysisStore> store, WString file);

private:
    struct Question {
        std::uint64_t ticket;
        std::shared_ptr<CAnalysisStore> store;
        WString file;
    };
    struct Reply {
        std::uint64_t ticket;
        std::optional<CPfTrackProfile> profile;
    };

    void Work();
    // The timer's work: hands a finished answer to the callback; stops once nothing is open.
    void Collect();

    Answer answer_;
    QTimer* collect_;
    std::mutex mutex_;  // guards the four fields below
    std::condition_variable wake_;
    std::optional<Question> question_;
    std::optional<Reply> reply_;
    bool busy_ = false;
    bool stopping_ = false;
    std::thread worker_;  // started last, so everything it uses exists
};
