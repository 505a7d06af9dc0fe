// WorkerProbe: lets a test hold the send worker at a stage or inside a transport and wait for it, by conditions
// rather than by time (every wait has a generous deadline so a fault fails the test instead of hanging it).
#pragma once

#include "send/BGSend.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>

class WorkerProbe {
public:
    static constexpr std::chrono::seconds kDeadline{30};

    // The worker is held at every stage in `holdAt` until Release (or until it is asked to stop).
    explicit WorkerProbe(std::set<SendStage> holdAt = {}) : m_holdAt(std::move(holdAt)) {}
    ~WorkerProbe() { ReleaseForever(); }

    // Installs the stage hook on `queue`; declare the probe before the queue, so the queue ends first.
    void Attach(BGSend& queue) {
        m_queue = &queue;
        queue.SetStageHook([this](SendStage stage) {
            if (m_holdAt.contains(stage))
                Hold();
            if (stage == SendStage::Ending) {
                std::lock_guard lock(m_mutex);
                ++m_endings;
                m_changed.notify_all();
            }
        });
    }

    // Waits until the worker has ended its run `count` times in all; false at the deadline.
    bool WaitForEndings(int count) {
        return Wait([&] { return m_endings >= count; });
    }
    // Waits until the worker is held (at a stage or in a held transport); false at the deadline.
    bool WaitUntilHeld() {
        return Wait([&] { return m_held; });
    }
    // Lets the held worker go on; the hold applies again at the next stage of `holdAt`.
    void Release() { Set(m_released); }
    // Stops holding altogether.
    void ReleaseForever() { Set(m_forever); }

    // A transport that is held like a stage, then answers as `answer` does.
    DeliveryFunction HeldTransport(DeliveryFunction answer) {
        return [this, answer](TransportReport& report, const DeliveryRequest& request) {
            Hold();
            return answer(report, request);
        };
    }

    // Waits until `condition` holds; false at the deadline.
    static bool WaitFor(const std::function<bool()>& condition) {
        for (const auto deadline = std::chrono::steady_clock::now() + kDeadline; !condition();) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::yield();
        }
        return true;
    }

private:
    void Hold() {
        std::unique_lock lock(m_mutex);
        m_held = !m_forever;
        m_released = false;
        m_changed.notify_all();
        // A stopping queue is let go at once, so its owner never waits for a held worker.
        const auto deadline = std::chrono::steady_clock::now() + kDeadline;
        while (!m_released && !m_forever && !(m_queue && m_queue->IsStopping()) &&
               std::chrono::steady_clock::now() < deadline)
            m_changed.wait_for(lock, std::chrono::milliseconds(2));
        m_held = false;
    }
    bool Wait(const std::function<bool()>& condition) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, kDeadline, condition);
    }
    void Set(bool& flag) {
        std::lock_guard lock(m_mutex);
        flag = true;
        m_held = false; // the next WaitUntilHeld waits for the next hold
        m_changed.notify_all();
    }

    BGSend* m_queue = nullptr;
    std::set<SendStage> m_holdAt;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_endings = 0;
    bool m_held = false;
    bool m_released = false;
    bool m_forever = false;
};
