#include "platform/Poster.h"

void PumpPoster::Post(std::function<void()> work) {
    {
        std::lock_guard lock(m_mutex);
        m_work.push_back(std::move(work));
    }
    m_queued.notify_all();
}

size_t PumpPoster::Pump() {
    size_t ran = 0;
    for (;;) {
        std::function<void()> work;
        {
            std::lock_guard lock(m_mutex);
            if (m_work.empty())
                return ran;
            work = std::move(m_work.front());
            m_work.pop_front();
        }
        work();
        ++ran;
    }
}

size_t PumpPoster::WaitAndPump(std::chrono::milliseconds timeout) {
    {
        std::unique_lock lock(m_mutex);
        m_queued.wait_for(lock, timeout, [this] { return !m_work.empty(); });
    }
    return Pump();
}
