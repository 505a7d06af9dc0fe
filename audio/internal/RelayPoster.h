// RelayPoster: a Poster that keeps the work posted to it and forwards only a wake to the owner's Poster, so that its
// user can also run the kept work at once (the recorder drains a device's last blocks synchronously when it stops).
// Post may come from any thread; RunPending and Close come from the owner's thread.
#pragma once

#include "platform/Poster.h"

#include <deque>
#include <functional>
#include <memory>
#include <mutex>

class RelayPoster final : public Poster {
public:
    explicit RelayPoster(Poster& owner);
    ~RelayPoster() override;

    void Post(std::function<void()> work) override;

    // Runs the kept work, including work posted meanwhile, until none is left or Close was called.
    void RunPending();

    // Drops the kept work; nothing kept runs afterwards, through either path.
    void Close();

private:
    struct Queue;
    Poster& m_owner;
    std::shared_ptr<Queue> m_queue;
};
