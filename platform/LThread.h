// LThread: an object that runs its body on one worker thread of its own, with a run token and a bounded stop.
// LLockObject is the recursive lock every thread object carries; LThreadNotify posts a note to its owner when the
// body starts and ends; LThreadNotifyProgress adds a progress value for display.
//
//   class Sender final : public LThreadNotify { void Run() override { while (ShouldRun()) SendOne(); } ... };
//   sender.Start(ThreadPriority::Idle);   // a second Start while it runs does nothing
//   ~Sender() { Finish(); }               // every derived class ends its thread before its members go
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

class Poster;

// The scheduling a worker asks for; mapped onto Linux scheduling policies of that thread alone
// (Idle: SCHED_IDLE; Lowest: SCHED_BATCH; Normal: SCHED_OTHER), never onto nice values.
enum class ThreadPriority { Idle = -15, Lowest = -2, Normal = 0 };

class LLockObject {
public:
    void Lock() { m_mutex.lock(); }
    void Unlock() { m_mutex.unlock(); }
    // So std::lock_guard and std::unique_lock take it.
    void lock() { Lock(); }
    void unlock() { Unlock(); }

private:
    std::recursive_mutex m_mutex;
};

class LThread {
public:
    static constexpr uint32_t kRunToken = 12344321;
    static constexpr std::chrono::milliseconds kDefaultStopWait{40000};

    LThread() = default;
    LThread(const LThread&) = delete;
    LThread& operator=(const LThread&) = delete;
    // Ends the thread (see Finish); a derived class must call Finish in its own destructor first.
    virtual ~LThread();

    // Starts the body on a new thread unless one is still active; repeated calls make sure work gets picked up.
    void Start(ThreadPriority priority);

    // Withdraws the run token and waits up to the stop wait for the body to return. True when no thread runs
    // afterwards; false when the body ignored the token: it is left running, and Start starts no second one.
    bool Stop();

    // Stop, then wait as long as it takes: nothing of the object may be freed while its body runs.
    void Finish();

    // True while the body executes.
    bool IsRunning() const;

    // How long Stop waits (tests shorten it).
    void SetStopWait(std::chrono::milliseconds wait) { m_stopWait = wait; }

protected:
    virtual void Run() = 0;
    virtual void OnThreadStart() {}
    virtual void OnThreadEnd() {}

    // Polled by the body between units of work; the body returns when it turns false.
    bool ShouldRun() const { return m_runToken.load(std::memory_order_acquire) == kRunToken; }

    // Guards the running flag and the fields of derived classes; held only for short updates.
    mutable LLockObject m_lock;

private:
    void ThreadProcedure(ThreadPriority priority);
    bool WaitForEnd(std::chrono::milliseconds wait);

    std::atomic<uint32_t> m_runToken{0};
    bool m_running = false; // under m_lock
    std::thread m_thread;
    std::chrono::milliseconds m_stopWait = kDefaultStopWait;

    std::mutex m_endMutex;
    std::condition_variable m_endSignal;
    bool m_threadActive = false; // under m_endMutex: a thread exists and has not finished its procedure
};

class LThreadNotify : public LThread {
public:
    // Posts `message` through `poster` (on the owner's thread) once before the body runs and once after it
    // returned. A null poster stops the notes.
    void SetNotify(Poster* poster, std::function<void()> message);

protected:
    void OnThreadStart() override;
    void OnThreadEnd() override;
    void PostNotify();

private:
    Poster* m_notifyPoster = nullptr; // under m_lock
    std::function<void()> m_notifyMessage;
};

class LThreadNotifyProgress : public LThreadNotify {
public:
    // The progress value last published for display; read by the owner when notified.
    float ShownProgress() const { return m_shownProgress.load(std::memory_order_acquire); }

protected:
    void SetShownProgress(float progress) { m_shownProgress.store(progress, std::memory_order_release); }

private:
    std::atomic<float> m_shownProgress{0.0f};
};
