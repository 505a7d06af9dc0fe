#include "platform/LThread.h"

#include "platform/Poster.h"

#include <pthread.h>
#include <sched.h>
#include <system_error>

namespace {

void ApplyPriority(ThreadPriority priority) {
    sched_param parameters{};
    parameters.sched_priority = 0;
    int policy = SCHED_OTHER;
    if (priority == ThreadPriority::Idle)
        policy = SCHED_IDLE;
    else if (priority == ThreadPriority::Lowest)
        policy = SCHED_BATCH;
    // A thread may always lower its own scheduling; failure leaves it at normal priority.
    ::pthread_setschedparam(::pthread_self(), policy, &parameters);
}

} // namespace

LThread::~LThread() {
    Finish();
}

void LThread::Start(ThreadPriority priority) {
    {
        std::lock_guard lock(m_endMutex);
        if (m_threadActive)
            return;
        m_threadActive = true;
    }
    if (m_thread.joinable())
        m_thread.join();
    m_runToken.store(kRunToken, std::memory_order_release);
    try {
        m_thread = std::thread(&LThread::ThreadProcedure, this, priority);
    } catch (const std::system_error&) {
        m_runToken.store(0, std::memory_order_release);
        std::lock_guard lock(m_endMutex);
        m_threadActive = false;
    }
}

bool LThread::Stop() {
    m_runToken.store(0, std::memory_order_release);
    if (!m_thread.joinable())
        return true;
    if (!WaitForEnd(m_stopWait))
        return false;
    m_thread.join();
    return true;
}

void LThread::Finish() {
    m_runToken.store(0, std::memory_order_release);
    if (m_thread.joinable())
        m_thread.join();
}

bool LThread::IsRunning() const {
    std::lock_guard lock(m_lock);
    return m_running;
}

bool LThread::WaitForEnd(std::chrono::milliseconds wait) {
    std::unique_lock lock(m_endMutex);
    return m_endSignal.wait_for(lock, wait, [this] { return !m_threadActive; });
}

void LThread::ThreadProcedure(ThreadPriority priority) {
    if (ShouldRun()) {
        ApplyPriority(priority);
        {
            std::lock_guard lock(m_lock);
            m_running = true;
        }
        OnThreadStart();
        Run();
        OnThreadEnd();
        std::lock_guard lock(m_lock);
        m_runToken.store(0, std::memory_order_release);
        m_running = false;
    }
    std::lock_guard lock(m_endMutex);
    m_threadActive = false;
    m_endSignal.notify_all();
}

void LThreadNotify::SetNotify(Poster* poster, std::function<void()> message) {
    std::lock_guard lock(m_lock);
    m_notifyPoster = poster;
    m_notifyMessage = std::move(message);
}

void LThreadNotify::OnThreadStart() {
    PostNotify();
}

void LThreadNotify::OnThreadEnd() {
    PostNotify();
}

void LThreadNotify::PostNotify() {
    std::lock_guard lock(m_lock);
    if (m_notifyPoster && m_notifyMessage)
        m_notifyPoster->Post(m_notifyMessage);
}
