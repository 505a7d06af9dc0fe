#include "WorkerProbe.h"

#include <thread>

WorkerProbe::WorkerProbe(std::set<SendStage> holdAt) : m_holdAt(std::move(holdAt)) {}

void WorkerProbe::Attach(BGSend& queue) {
    m_queue = &queue;
    queue.SetStageHook([this](SendStage stage) {
        if (m_holdAt.count(stage) != 0)
            Hold();
        if (stage == SendStage::Ending) {
            std::lock_guard lock(m_mutex);
            ++m_endings;
            m_changed.notify_all();
        }
    });
}

void WorkerProbe::Hold() {
    std::unique_lock lock(m_mutex);
    if (m_forever)
        return;
    m_held = true;
    m_released = false;
    m_changed.notify_all();
    // A stopping queue is let go at once, so its owner never waits for a held worker.
    const auto deadline = std::chrono::steady_clock::now() + kDeadline;
    while (!m_released && !m_forever && !(m_queue && m_queue->IsStopping()) &&
           std::chrono::steady_clock::now() < deadline)
        m_changed.wait_for(lock, std::chrono::milliseconds(2));
    m_held = false;
}

bool WorkerProbe::WaitForEndings(int count) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, kDeadline, [&] { return m_endings >= count; });
}

bool WorkerProbe::WaitUntilHeld() {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, kDeadline, [&] { return m_held; });
}

void WorkerProbe::Release() {
    std::lock_guard lock(m_mutex);
    m_released = true;
    m_held = false; // the next WaitUntilHeld waits for the next hold
    m_changed.notify_all();
}

void WorkerProbe::ReleaseForever() {
    std::lock_guard lock(m_mutex);
    m_forever = true;
    m_changed.notify_all();
}

DeliveryFunction WorkerProbe::HeldTransport(std::function<bool(TransportReport&, const DeliveryRequest&)> answer) {
    return [this, answer](TransportReport& report, const DeliveryRequest& request) {
        Hold();
        return answer(report, request);
    };
}

int WorkerProbe::Endings() {
    std::lock_guard lock(m_mutex);
    return m_endings;
}

bool WorkerProbe::WaitFor(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + kDeadline;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::yield();
    }
    return true;
}
