#pragma once
// Gives entries a BPM set by hand away from the UI thread. Setting a BPM writes the file's tag,
// which may rewrite the whole file and waits for the disk to confirm (a USB stick can take a
// good part of a second per file), so the jobs run on a worker thread of their own, one after
// another in the order they were asked for. A job works out its entry's new BPM from the BPM the
// entry has when the job's turn comes, so that doubling twice in a row gives four times the BPM.
//
// As every worker of the program, it never calls into the UI: finished jobs wait in a list under
// a lock, and a timer of the owner's thread hands each to the callback given at construction.

#include <QObject>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "catalog/ICatalog.h"
#include "platform/Text.h"
#include "platform/UnknownBase.h"

class QTimer;

class CBpmWriteQueue : public QObject {
    Q_OBJECT
public:
    // The entry's new BPM from its present one; 0 leaves the entry as it is.
    using NewBpm = std::function<float(float)>;
    struct Done {
        std::uint32_t id = 0;
        // What the catalog answered (S_OK written or nothing to write, S_FALSE the tag was not
        // written, E_INVALIDARG outside the BPM range); E_FAIL when the entry is gone.
        HRESULT result = S_OK;
        WString path;  // the entry's file
    };
    // `done` gets every finished job; `idle` follows once every job asked for so far is done.
    using DoneCallback = std::function<void(const Done&)>;
    using IdleCallback = std::function<void()>;
    // How often the owner's thread collects finished jobs while any are open.
    static constexpr int kCollectMs = 10;

    CBpmWriteQueue(DoneCallback done, IdleCallback idle, QObject* parent = nullptr);
    // Finishes every job already asked for (a BPM the user set is never left unwritten), then
    // stops the worker; nothing is reported afterwards.
    ~CBpmWriteQueue() override;

    void Add(ComPtr<ICatalog> catalog, std::uint32_t id, NewBpm newBpm);
    // True when no job waits, runs or waits to be reported.
    bool IsIdle();

private:
    struct Job {
        ComPtr<ICatalog> catalog;  // released on the owner's thread, never by the worker
        NewBpm newBpm;
        Done done;  // names the entry from the start; the worker fills in the rest
    };

    void Work();
    static void Run(Job& job);
    // The timer's work: reports finished jobs; stops, and says so, once nothing is open.
    void Collect();

    DoneCallback onDone_;
    IdleCallback onIdle_;
    QTimer* collect_;
    std::mutex mutex_;  // guards the four fields below
    std::condition_variable wake_;
    std::deque<Job> waiting_;
    std::deque<Job> finished_;
    bool running_ = false;
    bool stopping_ = false;
    std::thread worker_;  // started last, so everything it uses exists
};
