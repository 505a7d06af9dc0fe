// WorkerProbe: lets a test hold the send worker at a stage or inside a transport and wait for it, by conditions
// rather than by time (every wait has a generous deadline so a fault fails the test instead of hanging it).
#pragma once

#include "BGSend.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <set>

class WorkerProbe {
public:
    static constexpr std::chrono::seconds kDeadline{30};

    // The worker is held at every stage in `holdAt` until Release (or until it is asked to stop).
    explicit WorkerProbe(std::set<SendStage> holdAt = {});
    ~WorkerProbe() { ReleaseForever(); }

    // Installs the stage hook on `queue`; declare the probe before the queue, so the queue ends first.
    void Attach(BGSend& queue);

    // Waits until the worker has ended its run `count` times in all; false at the deadline.
    bool WaitForEndings(int count);
    // Waits until the worker is held (at a stage or in a held transport); false at the deadline.
    bool WaitUntilHeld();
    // Lets the held worker go on; the hold applies again at the next stage of `holdAt`.
    void Release();
    // Stops holding altogether.
    void ReleaseForever();

    // A transport that is held like a stage, then answers `answer`.
    DeliveryFunction HeldTransport(std::function<bool(TransportReport&, const DeliveryRequest&)> answer);

    int Endings();
    // Waits until `condition` holds; false at the deadline.
    static bool WaitFor(const std::function<bool()>& condition);

private:
    void Hold();

    BGSend* m_queue = nullptr;
    std::set<SendStage> m_holdAt;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_endings = 0;
    bool m_held = false;
    bool m_released = false;
    bool m_forever = false;
};
