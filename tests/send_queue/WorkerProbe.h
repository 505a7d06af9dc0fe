// WorkerProbe: lets a test hold the send worker at a stage or inside a transport and wait for it, by conditions
// rather than by time (every wait has a generous deadline so a fault fails the test instead of hanging it).
#pragma once

#include "ChildProcess.h"
#include "send/BGSend.h"

#include <atomic>
#include <chrono>
#include <set>

class WorkerProbe {
public:
    static constexpr std::chrono::seconds kDeadline{30};

    // The worker is held at every stage in `holdAt` until ReleaseForever (or until it is asked to stop).
    explicit WorkerProbe(std::set<SendStage> holdAt = {}) : m_holdAt(std::move(holdAt)) {}
    ~WorkerProbe() { ReleaseForever(); }

    // Declare the probe before the queue, so the queue ends first.
    void Attach(BGSend& queue) {
        m_queue = &queue;
        queue.SetStageHook([this](SendStage stage) {
            if (m_holdAt.contains(stage))
                Hold();
            m_endings += stage == SendStage::Ending;
        });
    }

    int Endings() const { return m_endings; }
    // Until the worker has ended its run `count` times in all; false at the deadline.
    bool WaitForEndings(int count) {
        return WaitFor([&] { return m_endings >= count; });
    }
    // Until the worker is held (at a stage or in a held transport); false at the deadline.
    bool WaitUntilHeld() {
        return WaitFor([&] { return m_held.load(); });
    }
    // Lets the held worker go on and holds it no more.
    void ReleaseForever() {
        m_held = false;
        m_forever = true;
    }

    // A transport that is held like a stage, then answers as `answer` does.
    DeliveryFunction HeldTransport(DeliveryFunction answer) {
        return [this, answer](TransportReport& report, const DeliveryRequest& request) {
            Hold();
            return answer(report, request);
        };
    }

    // False when `condition` does not hold by the deadline; polled finely, as it also paces held stages.
    static bool WaitFor(const std::function<bool()>& condition, std::chrono::seconds within = kDeadline) {
        return PollUntil(condition, within, std::chrono::microseconds(200));
    }

private:
    void Hold() {
        m_held = !m_forever;
        // A stopping queue is let go at once, so its owner never waits for a held worker.
        WaitFor([this] { return m_forever || (m_queue && m_queue->IsStopping()); });
        m_held = false;
    }

    BGSend* m_queue = nullptr;
    std::set<SendStage> m_holdAt;
    std::atomic<int> m_endings = 0;
    std::atomic<bool> m_held = false;
    std::atomic<bool> m_forever = false;
};
