#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "core/EventLite.h"
#include "core/SingleThreadToken.h"
#include "core/UnknownStandAlone.h"

namespace {
std::atomic<int> g_destroyed{0};

const IID kOuterIid = {0xAAAA0001, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
const IID kInnerIid = {0xAAAA0002, 0, 0, {0, 0, 0, 0, 0, 0, 0, 2}};

class Counted : public TUnknown<IUnknown> {
public:
    explicit Counted(const IID& own) : own_(own) {}
    HRESULT OwnQueryInterface(REFIID iid, void** out) override {
        return iid == own_ ? Hand(static_cast<IUnknown*>(this), out) : E_FAIL;
    }
    ~Counted() override { ++g_destroyed; }

private:
    IID own_;
};
}  // namespace

TEST(UnknownStandAlone, AsksItselfThenItsInnerObject) {
    g_destroyed = 0;
    auto* inner = new Counted(kInnerIid);
    auto* outer = new Counted(kOuterIid);
    outer->SetInner(inner);
    inner->Release();  // the outer object holds the only reference now

    void* out = nullptr;
    ASSERT_EQ(outer->QueryInterface(kOuterIid, &out), S_OK);
    EXPECT_EQ(out, static_cast<IUnknown*>(outer));
    static_cast<IUnknown*>(out)->Release();
    ASSERT_EQ(outer->QueryInterface(kInnerIid, &out), S_OK);
    EXPECT_EQ(out, static_cast<IUnknown*>(inner));
    static_cast<IUnknown*>(out)->Release();
    out = nullptr;
    EXPECT_EQ(outer->QueryInterface(IID_IUnknown, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);

    EXPECT_EQ(outer->Release(), 0u);
    EXPECT_EQ(g_destroyed, 2);  // destroying the outer object released the inner one
}

TEST(UnknownStandAlone, ConcurrentAddRefAndReleaseKeepTheCountExact) {
    g_destroyed = 0;
    auto* obj = new Counted(kOuterIid);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([obj] {
            for (int i = 0; i < 20000; ++i) {
                obj->AddRef();
                obj->Release();
            }
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(g_destroyed, 0);
    EXPECT_EQ(obj->Release(), 0u);
    EXPECT_EQ(g_destroyed, 1);
}

TEST(SingleThreadToken, OwningThreadMayTakeItAgain) {
    CSingleThreadToken token;
    std::atomic<bool> got{false};
    std::thread other;
    {
        CSingleThreadLock outer(token);
        CSingleThreadLock inner(token);
        other = std::thread([&] {
            CSingleThreadLock l(token);
            got = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_FALSE(got);  // another thread waits while this one holds it
    }
    other.join();
    EXPECT_TRUE(got);
}

TEST(EventLite, OneSignalWakesOneWaitAndIsNotLostBeforeTheWait) {
    CEventLite ev;
    ev.Signal();           // before anybody waits
    EXPECT_TRUE(ev.WaitFor(0));
    EXPECT_FALSE(ev.WaitFor(10));  // auto-reset: consumed

    ev.Signal();
    ev.Signal();           // signals do not count up
    EXPECT_TRUE(ev.WaitFor(0));
    EXPECT_FALSE(ev.WaitFor(0));

    // Each signal wakes exactly one of three waiters. The waits are long and the test waits for
    // each wake-up rather than a fixed time, so that a busy machine cannot fail it.
    std::atomic<int> woken{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i)
        waiters.emplace_back([&] {
            if (ev.WaitFor(60000)) ++woken;
        });
    const auto wokenReaches = [&](int count) {
        for (int i = 0; i < 30000 && woken < count; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return woken >= count;
    };
    for (int signals = 1; signals <= 3; ++signals) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ev.Signal();
        EXPECT_TRUE(wokenReaches(signals)) << signals;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_EQ(woken, signals);  // not one more
    }
    for (auto& t : waiters) t.join();
    EXPECT_EQ(woken, 3);
}
