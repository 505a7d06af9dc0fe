// QtPoster: the Poster of the windowed program: work posted from any thread runs later on the thread of the
// Qt event loop that owns the poster (the main thread). Work still queued when the poster goes is dropped.
//
//   QtPoster poster;                       // created on the main thread
//   LSoundPlayer player(poster, backend);  // the player's worker posts its notes through it
#pragma once

#include "platform/Poster.h"

#include <QObject>

class QtPoster final : public Poster {
public:
    QtPoster() = default;
    QtPoster(const QtPoster&) = delete;
    QtPoster& operator=(const QtPoster&) = delete;

    void Post(std::function<void()> work) override;

private:
    QObject m_context; // lives on the owner's thread; queued calls die with it
};
