// The hand-set BPM queue on its worker thread, against a catalog that takes its time as a slow
// disk would: jobs run in the order given, each works from the BPM its predecessor left, results
// arrive on the owner's thread, and destroying the queue finishes what it was asked to do.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "catalog/CatItem.h"
#include "ui/BpmWriteQueue.h"

namespace {

// Entries 1..n; setting a BPM takes a few milliseconds and is logged. Entry 3 refuses its tag.
class CSlowCatalog final : public TUnknown<ICatalog> {
public:
    explicit CSlowCatalog(int entries) {
        for (std::uint32_t id = 1; id <= static_cast<std::uint32_t>(entries); ++id) {
            items_[id] = ComPtr<CCatItem>(
                new CCatItem(id, u"/music/" + WString(1, static_cast<char16_t>(u'a' + id)) + u".mp3"));
            items_[id]->SetHandBpm(50.0f);
        }
    }
    HRESULT GetItem(std::uint32_t id, CCatItem** item) override {
        const auto it = items_.find(id);
        if (it == items_.end()) return E_FAIL;
        *item = it->second.Get();
        (*item)->AddRef();
        return S_OK;
    }
    HRESULT SetEntryBpm(std::uint32_t id, float bpm) override {
        if (!(bpm >= kMinHandBpm && bpm <= kMaxHandBpm)) return E_INVALIDARG;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        items_.at(id)->SetHandBpm(bpm);
        std::lock_guard lock(mutex_);
        log_.emplace_back(id, bpm);
        return id == 3 ? S_FALSE : S_OK;
    }
    std::vector<std::pair<std::uint32_t, float>> Log() {
        std::lock_guard lock(mutex_);
        return log_;
    }
    HRESULT ImportDirectory(BSTR, IProgressStatus**) override { return E_NOTIMPL; }
    HRESULT AddImportPath(BSTR) override { return E_NOTIMPL; }
    HRESULT StartImport(std::int32_t, IProgressStatus**) override { return E_NOTIMPL; }
    HRESULT GetItems(CatItemVector*) override { return E_NOTIMPL; }
    HRESULT Reanalyze(std::uint32_t) override { return E_NOTIMPL; }
    HRESULT ExportText(BSTR) override { return E_NOTIMPL; }
    HRESULT RemoveItem(std::uint32_t) override { return E_NOTIMPL; }
    HRESULT WaitForBuildsIdle(std::uint32_t) override { return S_OK; }
    HRESULT SetPreferredRange(float, float) override { return E_NOTIMPL; }

private:
    std::map<std::uint32_t, ComPtr<CCatItem>> items_;
    std::mutex mutex_;
    std::vector<std::pair<std::uint32_t, float>> log_;
};

float Double(float bpm) { return bpm * 2.0f; }

class BpmWriteQueueTest : public ::testing::Test {
protected:
    std::unique_ptr<CBpmWriteQueue> MakeQueue() {
        return std::make_unique<CBpmWriteQueue>(
            [this](const CBpmWriteQueue::Done& done) {
                done_.push_back(done);
                onOwnerThread_ = onOwnerThread_ && QThread::currentThread() == qApp->thread();
            },
            [this] { ++idleCalls_; });
    }
    ComPtr<ICatalog> Shared() { return ComPtr<ICatalog>::Share(catalog.Get()); }
    bool WaitForIdle(CBpmWriteQueue& queue) {
        QElapsedTimer clock;
        clock.start();
        while (!queue.IsIdle()) {
            if (clock.elapsed() > 20000) return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        return true;
    }

    ComPtr<CSlowCatalog> catalog{new CSlowCatalog(4)};
    std::vector<CBpmWriteQueue::Done> done_;
    bool onOwnerThread_ = true;
    int idleCalls_ = 0;
};

}  // namespace

TEST_F(BpmWriteQueueTest, JobsRunInOrderOnTheWorkerAndReportOnTheOwnersThread) {
    auto queue = MakeQueue();
    for (std::uint32_t id : {1u, 2u, 3u, 9u}) queue->Add(Shared(), id, Double);
    EXPECT_FALSE(queue->IsIdle());  // the UI thread did not wait for the disk
    for (std::uint32_t id : {1u, 2u}) queue->Add(Shared(), id, Double);
    ASSERT_TRUE(WaitForIdle(*queue));
    // Each job doubles what the one before it left; entry 9 does not exist.
    const std::vector<std::pair<std::uint32_t, float>> expected = {{1, 100.0f}, {2, 100.0f}, {3, 100.0f},
                                                                   {1, 200.0f}, {2, 200.0f}};
    EXPECT_EQ(catalog->Log(), expected);
    ASSERT_EQ(done_.size(), 6u);
    EXPECT_TRUE(onOwnerThread_);
    EXPECT_EQ(done_[2].result, S_FALSE);
    EXPECT_EQ(done_[2].path, u"/music/d.mp3");
    EXPECT_EQ(done_[3].result, E_FAIL);
    EXPECT_GE(idleCalls_, 1);

    // A result outside the range is refused and reported as such; a BPM of 0 asks for nothing.
    queue->Add(Shared(), 1, [](float) { return 1000.0f; });
    queue->Add(Shared(), 2, [](float) { return 0.0f; });
    ASSERT_TRUE(WaitForIdle(*queue));
    EXPECT_EQ(done_[6].result, E_INVALIDARG);
    EXPECT_EQ(done_[7].result, S_OK);
    EXPECT_EQ(catalog->Log().size(), 5u);
}

TEST_F(BpmWriteQueueTest, DestroyingTheQueueFinishesEveryJobAskedFor) {
    auto queue = MakeQueue();
    for (int round = 0; round < 2; ++round)
        for (std::uint32_t id = 1; id <= 4; ++id) queue->Add(Shared(), id, Double);
    queue.reset();
    EXPECT_EQ(catalog->Log().size(), 8u);
    ComPtr<CCatItem> item;
    ASSERT_EQ(catalog->GetItem(4, item.Out()), S_OK);
    EXPECT_EQ(item->GetBpm(), 200.0f);
    EXPECT_TRUE(done_.empty());  // nothing is reported after destruction
}
