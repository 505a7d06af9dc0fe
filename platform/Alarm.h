// Alarm: one piece of work run on the owner's thread once a delay has passed; setting it again replaces what was
// set. The windowed program's alarm is a Qt timer (ui/QtAlarm); tests fire theirs by hand. Owner's thread only.
//
//   alarm.Set(std::chrono::milliseconds(60), [this] { SettleKeys(); });
#pragma once

#include <chrono>
#include <functional>

class Alarm {
public:
    virtual ~Alarm() = default;
    virtual void Set(std::chrono::milliseconds delay, std::function<void()> work) = 0;
    // Nothing set runs after this.
    virtual void Cancel() = 0;
};
