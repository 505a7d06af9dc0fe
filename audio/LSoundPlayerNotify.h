// LSoundPlayerNotify: what a sound player tells its owner, on the owner's thread; every call carries the cookie the
// owner set. Default bodies do nothing; OnPlayCue and OnPlayPause are never raised by the player.
#pragma once

#include "audio/LDBMC.h"

#include <cstdint>

class LSoundPlayerNotify {
public:
    virtual ~LSoundPlayerNotify() = default;

    // Play succeeded.
    virtual void OnPlayStart(uint32_t cookie) { (void)cookie; }
    // The player stopped: by its owner, at the end of the source, or because the device went away.
    virtual void OnPlayStop(uint32_t cookie) { (void)cookie; }
    virtual void OnPlayCue(uint32_t cookie) { (void)cookie; }
    virtual void OnPlayPause(uint32_t cookie) { (void)cookie; }
    // The play position changed: time in 1/10000 s of the source.
    virtual void OnPlayTime(int32_t time, uint32_t cookie) {
        (void)time;
        (void)cookie;
    }
    // New output levels (only while levels are enabled); an empty set after stop.
    virtual void OnPlayLevels(const LDBMC& levels, uint32_t cookie) {
        (void)levels;
        (void)cookie;
    }
};
