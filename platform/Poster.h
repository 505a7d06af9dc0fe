// Poster: the queue into an owner's thread through which a worker hands it work, never calling the owner directly.
// The windowed program posts into the Qt event loop; tests and command-line tools use PumpPoster.
//
//   poster.Post([this] { OnSendProgress(); });   // from the worker; runs later on the owner's thread
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>

class Poster {
public:
    virtual ~Poster() = default;
    // Queues `work` to run on the owner's thread; callable from any thread, never waits for the work to run.
    // Work still queued when the poster is destroyed is dropped.
    virtual void Post(std::function<void()> work) = 0;
};

// A Poster whose owner runs the queued work itself by pumping it.
class PumpPoster final : public Poster {
public:
    void Post(std::function<void()> work) override;

    // Runs the queued work, including work queued meanwhile, until the queue is empty; returns how much ran.
    size_t Pump();
    // Waits until work is queued or `timeout` passes, then pumps; returns how much ran.
    size_t WaitAndPump(std::chrono::milliseconds timeout);

private:
    std::mutex m_mutex;
    std::condition_variable m_queued;
    std::deque<std::function<void()>> m_work;
};
