// HeldKeys: the real presses and releases of the keys, buttons and pedals that run a command while held, told apart
// from the repeats a held key makes. A repeat may come flagged, or (X11 with a busy main thread) as an unflagged
// release and press of the same key a few milliseconds apart; so a release only counts once no press of that key
// followed it within the repeat gap, and a press while the key is down is a repeat. Times are milliseconds of a
// steady clock.
//
//   if (keys.Press(HeldCommand::Record, now, flagged)) StartRecording();
//   if (keys.Release(HeldCommand::Record, now, flagged)) alarm.Set(gap, settle);
//   for (const HeldKeys::Released& up : keys.Settle(now)) EndHold(up.command, up.atMs);
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// The commands that run while held.
enum class HeldCommand { Play, Record, Rewind, Forward };

class HeldKeys {
public:
    // Longer than any keyboard's auto-repeat interval (X's default is 40 ms), shorter than a hand can lift a key
    // and press it again.
    static constexpr int64_t kRepeatGapMs = 60;

    struct Released {
        HeldCommand command;
        int64_t atMs; // when the key went up
    };

    explicit HeldKeys(int64_t repeatGapMs = kRepeatGapMs) : m_gapMs(repeatGapMs) {}

    // A press of `command`'s key; true when it is a real press (the key was up), false for a repeat. A release of
    // the key still pending from longer than the gap ago counts first: call Settle before acting on the press.
    bool Press(HeldCommand command, int64_t nowMs, bool flaggedRepeat);
    // A release of the key; true when it may be the real one: it is then pending until Settle.
    bool Release(HeldCommand command, int64_t nowMs, bool flaggedRepeat);
    // The pending releases that no press followed within the gap, by `nowMs`; they are real, the keys are up.
    std::vector<Released> Settle(int64_t nowMs);
    // When the next pending release can be settled, if one is pending.
    std::optional<int64_t> NextSettleMs() const;
    bool IsDown(HeldCommand command) const { return At(command).down; }

private:
    struct Key {
        bool down = false;
        std::optional<int64_t> releasedMs; // a release that a repeat's press may still take back
    };
    Key& At(HeldCommand command) { return m_keys[static_cast<size_t>(command)]; }
    const Key& At(HeldCommand command) const { return m_keys[static_cast<size_t>(command)]; }

    int64_t m_gapMs;
    std::array<Key, 4> m_keys{};
};
