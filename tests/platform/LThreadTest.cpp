#include "LThread.h"
#include "Poster.h"

#include <atomic>
#include <gtest/gtest.h>
#include <latch>
#include <sched.h>
#include <vector>

namespace {

using namespace std::chrono_literals;

// A worker whose body runs until released or until its token is withdrawn, counting its runs.
class GatedWorker final : public LThreadNotify {
public:
    ~GatedWorker() override {
        Release();
        Finish();
    }
    void Release() { m_released = true; }
    void IgnoreToken() { m_ignoreToken = true; }
    int Runs() const { return m_runs.load(); }
    int Policy() const { return m_policy.load(); }
    void WaitUntilStarted() {
        while (m_runs.load() == m_seenRuns)
            std::this_thread::yield();
        m_seenRuns = m_runs.load();
    }

protected:
    void Run() override {
        m_policy = ::sched_getscheduler(0);
        ++m_runs;
        while (!m_released && (m_ignoreToken || ShouldRun()))
            std::this_thread::sleep_for(1ms);
    }

private:
    std::atomic<bool> m_released{false};
    std::atomic<bool> m_ignoreToken{false};
    std::atomic<int> m_runs{0};
    std::atomic<int> m_policy{-1};
    int m_seenRuns = 0;
};

} // namespace

TEST(LThread, StopOnAnObjectThatNeverStartedReturnsAtOnce) {
    GatedWorker worker;
    EXPECT_TRUE(worker.Stop());
    EXPECT_FALSE(worker.IsRunning());
}

TEST(LThread, StartingTwiceInARowCreatesOneThread) {
    GatedWorker worker;
    worker.Start(ThreadPriority::Normal);
    worker.Start(ThreadPriority::Normal);
    worker.WaitUntilStarted();
    worker.Release();
    worker.Finish();
    EXPECT_EQ(worker.Runs(), 1);
}

TEST(LThread, StartingAgainAfterTheBodyEndedRunsItAgain) {
    GatedWorker worker;
    worker.Release();
    worker.Start(ThreadPriority::Normal);
    worker.WaitUntilStarted();
    ASSERT_TRUE(worker.Stop());
    worker.Start(ThreadPriority::Normal);
    worker.WaitUntilStarted();
    ASSERT_TRUE(worker.Stop());
    EXPECT_EQ(worker.Runs(), 2);
}

TEST(LThread, StopWithdrawsTheTokenAndWaitsForTheBody) {
    GatedWorker worker;
    worker.Start(ThreadPriority::Normal);
    worker.WaitUntilStarted();
    EXPECT_TRUE(worker.IsRunning());
    EXPECT_TRUE(worker.Stop());
    EXPECT_FALSE(worker.IsRunning());
}

TEST(LThread, ABodyThatIgnoresTheTokenIsNeitherFreedNorJoinedByASecondWorker) {
    GatedWorker worker;
    worker.SetStopWait(20ms);
    worker.IgnoreToken();
    worker.Start(ThreadPriority::Normal);
    worker.WaitUntilStarted();
    EXPECT_FALSE(worker.Stop());
    EXPECT_TRUE(worker.IsRunning());
    worker.Start(ThreadPriority::Normal); // must not start a second body beside the first
    worker.Release();
    worker.Finish();
    EXPECT_EQ(worker.Runs(), 1);
}

TEST(LThread, PrioritiesMapOntoTheThreadsSchedulingPolicy) {
    const std::vector<std::pair<ThreadPriority, int>> cases = {
        {ThreadPriority::Idle, SCHED_IDLE}, {ThreadPriority::Lowest, SCHED_BATCH}, {ThreadPriority::Normal, SCHED_OTHER}};
    for (const auto& [priority, policy] : cases) {
        GatedWorker worker;
        worker.Release();
        worker.Start(priority);
        worker.WaitUntilStarted();
        worker.Finish();
        EXPECT_EQ(worker.Policy(), policy);
    }
    EXPECT_EQ(::sched_getscheduler(0), SCHED_OTHER); // the owner's thread is left alone
}

TEST(LThreadNotify, TheOwnerGetsExactlyOneNoteBeforeAndOneAfterEachRunOnItsOwnThread) {
    PumpPoster poster;
    GatedWorker worker;
    std::vector<std::pair<int, std::thread::id>> notes;
    worker.SetNotify(&poster, [&] { notes.emplace_back(worker.Runs(), std::this_thread::get_id()); });
    worker.Release();
    worker.Start(ThreadPriority::Normal);
    worker.WaitUntilStarted();
    worker.Finish();
    EXPECT_EQ(poster.Pump(), 2u);
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0].second, std::this_thread::get_id());
    worker.SetNotify(nullptr, nullptr);
    worker.Start(ThreadPriority::Normal);
    worker.WaitUntilStarted();
    worker.Finish();
    EXPECT_EQ(poster.Pump(), 0u);
}

TEST(PumpPoster, WorkPostedFromAnotherThreadRunsOnlyWhenPumpedInOrder) {
    PumpPoster poster;
    std::vector<int> order;
    std::thread worker([&] {
        for (int i = 0; i < 3; ++i)
            poster.Post([&order, i] { order.push_back(i); });
    });
    worker.join();
    EXPECT_TRUE(order.empty());
    EXPECT_EQ(poster.WaitAndPump(0ms), 3u);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
}
