#include "platform/LThread.h"

#include "platform/Poster.h"

#include <atomic>
#include <gtest/gtest.h>
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
    int Runs() const { return m_runs.load(); }
    void StartAndWait() {
        const int runs = m_runs.load();
        Start(ThreadPriority::Normal);
        while (m_runs.load() == runs)
            std::this_thread::yield();
    }

protected:
    void Run() override {
        ++m_runs;
        while (!m_released && ShouldRun())
            std::this_thread::sleep_for(1ms);
    }

private:
    std::atomic<bool> m_released{false};
    std::atomic<int> m_runs{0};
};

TEST(LThread, OneBodyRunsPerStartUntilStopWithdrawsItsTokenAndStopReturnsAtOnceWhenNothingRuns) {
    GatedWorker worker;
    EXPECT_TRUE(worker.Stop());
    worker.StartAndWait();
    worker.Start(ThreadPriority::Normal); // running already: no second thread
    EXPECT_TRUE(worker.IsRunning());
    EXPECT_TRUE(worker.Stop());
    EXPECT_FALSE(worker.IsRunning());
    EXPECT_EQ(worker.Runs(), 1);
    worker.Release();
    worker.StartAndWait(); // after the body ended: it runs again
    worker.Finish();
    EXPECT_EQ(worker.Runs(), 2);
}

TEST(LThreadNotify, TheOwnerGetsOneNoteBeforeAndOneAfterEachRunOnItsOwnThreadUntilItStopsListening) {
    PumpPoster poster;
    GatedWorker worker;
    std::vector<std::thread::id> notes;
    worker.SetNotify(&poster, [&] { notes.push_back(std::this_thread::get_id()); });
    worker.Release();
    worker.StartAndWait();
    worker.Finish();
    EXPECT_EQ(poster.Pump(), 2u);
    EXPECT_EQ(notes, std::vector<std::thread::id>(2, std::this_thread::get_id()));
    worker.SetNotify(nullptr, nullptr);
    worker.StartAndWait();
    worker.Finish();
    EXPECT_EQ(poster.Pump(), 0u);
}

} // namespace
