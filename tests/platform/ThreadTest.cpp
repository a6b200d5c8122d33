#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>

#include "platform/WorkerThread.h"

TEST(WorkerThread, RunsAtLowPriorityAndCanBeAwaited) {
    CWorkerThread t;
    std::atomic<int> nice{-100};
    std::atomic<bool> release{false};
    ASSERT_TRUE(t.Start(
        [&] {
            nice = getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
            while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        },
        ThreadPriority::Lowest));
    EXPECT_FALSE(t.WaitForEnd(20));  // still running: the wait times out
    EXPECT_TRUE(t.IsRunning());
    release = true;
    EXPECT_TRUE(t.WaitForEnd(5000));
    EXPECT_FALSE(t.IsRunning());
    EXPECT_EQ(nice.load(), 19);
    EXPECT_TRUE(t.WaitForEnd(0));
}

TEST(WorkerThread, AThreadThatOutlivesItsOwnerIsDetachedSafely) {
    auto release = std::make_shared<std::atomic<bool>>(false);
    {
        CWorkerThread t;
        ASSERT_TRUE(t.Start(
            [release] {
                while (!*release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            },
            ThreadPriority::Normal));
    }
    *release = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
}
