// EndSignalWatch: turns the signals with which the desktop, the system or a terminal ends a program (SIGTERM,
// SIGHUP, SIGINT) into one call on the thread of the Qt event loop, where the program closes as its Exit command
// does. The signal handler only writes a byte into a pipe; a socket notifier reads it in the event loop. One watch
// at a time; the former handlers are put back when it goes.
//
//   EndSignalWatch endSignals([&frame] { frame.close(); });   // created on the main thread
#pragma once

#include "platform/LFile.h"

#include <QObject>
#include <QSocketNotifier>
#include <csignal>
#include <functional>
#include <memory>

class EndSignalWatch final : public QObject {
public:
    explicit EndSignalWatch(std::function<void()> onEnd);
    ~EndSignalWatch() override;
    EndSignalWatch(const EndSignalWatch&) = delete;
    EndSignalWatch& operator=(const EndSignalWatch&) = delete;

    // False when the pipe could not be made or another watch exists: the signals then end the program at once.
    bool IsWatching() const { return m_notifier != nullptr; }

private:
    void TakeSignals();

    std::function<void()> m_onEnd;
    LFile m_readEnd;
    LFile m_writeEnd;
    std::unique_ptr<QSocketNotifier> m_notifier;
    struct sigaction m_former[3] = {};
};
