// HoldRule: how a transport key or button that starts something follows the user's hand. A tap starts it and leaves
// it running; a press held longer than the threshold runs it only while held, so the release stops it; a second tap
// stops it (through the Stop it then sends). Times are milliseconds of a steady clock.
//
//   if (!playing) { Play(); rule.Started(now); }       // on press
//   if (playing && rule.StopsAtRelease(now)) Stop();   // on release
#pragma once

#include <cstdint>

class HoldRule {
public:
    static constexpr int64_t kThresholdMs = 700;

    explicit HoldRule(int64_t thresholdMs = kThresholdMs) : m_thresholdMs(thresholdMs) {}

    // The press at `nowMs` started the command.
    void Started(int64_t nowMs) { m_startedMs = nowMs; }
    // Whether a release at `nowMs` ends the command: it was held longer than the threshold.
    bool StopsAtRelease(int64_t nowMs) const { return nowMs - m_startedMs > m_thresholdMs; }

private:
    int64_t m_thresholdMs;
    int64_t m_startedMs = 0;
};
