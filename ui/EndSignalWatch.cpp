#include "ui/EndSignalWatch.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <iterator>
#include <unistd.h>

namespace {

constexpr int kEndSignals[] = {SIGTERM, SIGHUP, SIGINT};

// The write end of the one watch's pipe, or -1.
std::atomic<int> g_writeEnd{-1};

extern "C" void NoteEndSignal(int) {
    const int savedErrno = errno;
    const char byte = 1;
    // A full pipe already holds a request, which is all the event loop needs to see.
    (void)!::write(g_writeEnd.load(), &byte, 1);
    errno = savedErrno;
}

} // namespace

EndSignalWatch::EndSignalWatch(std::function<void()> onEnd) : m_onEnd(std::move(onEnd)) {
    int ends[2] = {-1, -1};
    if (g_writeEnd.load() >= 0 || ::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_readEnd = LFile(ends[0]);
    m_writeEnd = LFile(ends[1]);
    g_writeEnd.store(ends[1]);
    m_notifier = std::make_unique<QSocketNotifier>(ends[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &EndSignalWatch::TakeSignals);
    struct sigaction action = {};
    action.sa_handler = &NoteEndSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < std::size(kEndSignals); ++i)
        ::sigaction(kEndSignals[i], &action, &m_former[i]);
}

EndSignalWatch::~EndSignalWatch() {
    if (!m_notifier)
        return;
    for (size_t i = 0; i < std::size(kEndSignals); ++i)
        ::sigaction(kEndSignals[i], &m_former[i], nullptr);
    g_writeEnd.store(-1);
}

void EndSignalWatch::TakeSignals() {
    char bytes[64];
    while (::read(m_readEnd.Descriptor(), bytes, sizeof bytes) > 0) {
    }
    m_onEnd();
}
