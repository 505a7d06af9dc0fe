// LSoundRecorderNotify: what a sound recorder tells its owner, on the owner's thread; every call carries the cookie
// the owner set. Default bodies do nothing.
#pragma once

#include "audio/LDBMC.h"

#include <cstdint>

class LSoundRecorderNotify {
public:
    virtual ~LSoundRecorderNotify() = default;

    // Sound was detected: blocks are now written to the sink.
    virtual void OnRecordActive(uint32_t cookie) { (void)cookie; }
    // The recorder was started, or paused after silence: it waits for sound.
    virtual void OnRecordWaiting(uint32_t cookie) { (void)cookie; }
    // The recorder stopped (the owner's stop, the time limit, a lost device or a sink in error).
    virtual void OnRecordStop(uint32_t cookie) { (void)cookie; }
    // The recorded time changed: the sink's length in 1/10000 s.
    virtual void OnRecordTime(int32_t time, uint32_t cookie) {
        (void)time;
        (void)cookie;
    }
    // A block was measured; an empty set after start and stop.
    virtual void OnRecordLevels(const LDBMC& levels, uint32_t cookie) {
        (void)levels;
        (void)cookie;
    }
};
