#include "RelayPoster.h"

struct RelayPoster::Queue {
    std::mutex mutex;
    std::deque<std::function<void()>> work; // under mutex
    bool closed = false;                    // under mutex

    void Run() {
        for (;;) {
            std::function<void()> next;
            {
                std::lock_guard lock(mutex);
                if (closed || work.empty())
                    return;
                next = std::move(work.front());
                work.pop_front();
            }
            next();
        }
    }
};

RelayPoster::RelayPoster(Poster& owner) : m_owner(owner), m_queue(std::make_shared<Queue>()) {}

RelayPoster::~RelayPoster() {
    Close();
}

void RelayPoster::Post(std::function<void()> work) {
    {
        std::lock_guard lock(m_queue->mutex);
        if (m_queue->closed)
            return;
        m_queue->work.push_back(std::move(work));
    }
    m_owner.Post([weak = std::weak_ptr<Queue>(m_queue)] {
        // The queue stays alive while it runs, even if its relay is destroyed by the work it runs.
        if (std::shared_ptr<Queue> queue = weak.lock())
            queue->Run();
    });
}

void RelayPoster::RunPending() {
    const std::shared_ptr<Queue> queue = m_queue;
    queue->Run();
}

void RelayPoster::Close() {
    std::lock_guard lock(m_queue->mutex);
    m_queue->closed = true;
    m_queue->work.clear();
}
