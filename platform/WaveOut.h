// WaveOut: a playback device that plays 16-bit PCM blocks in the order they were written and counts the blocks done,
// judged by what the device has really played. Safe to call from several threads (the player's worker writes and
// polls, its owner pauses, resets and closes).
//
//   std::unique_ptr<WaveOut> waveOut = backend.CreateWaveOut();
//   if (!waveOut->Open({.device = -1, .format = {8000, 1}})) return false;
//   waveOut->Pause(); int64_t first = waveOut->Write(block); ... waveOut->Restart();
//   bool done = first < waveOut->DoneBlocks();   // blocks are done in the order they were written
#pragma once

#include "platform/AudioTypes.h"
#include "platform/MixerLevel.h"

#include <cstdint>
#include <span>

class Poster;

struct WaveOutOptions {
    int device = -1; // -1 or 0: the default device; n: entry n of the playback device list
    PcmFormat format;
};

// What the owner is told on its own thread. The default body does nothing.
class WaveOutNotify {
public:
    virtual ~WaveOutNotify() = default;
    // The device went away; every written block counts as done and further writes fail. Comes once.
    virtual void OnWaveOutLost() {}
};

class WaveOut {
public:
    virtual ~WaveOut() = default;

    // Opens the device for `format`, playing at the backend's playback level. False when the device or the format
    // is unusable; an open device is closed first. With a poster and notify (both may be null) a device loss is
    // reported through them; both must outlive the open device.
    [[nodiscard]] virtual bool Open(const WaveOutOptions& options, Poster* poster = nullptr,
                                    WaveOutNotify* notify = nullptr) = 0;

    // Queues one block of whole frames (the samples are copied). Returns its sequence number, counting from 0 at
    // Open, or -1 when nothing was queued (not open, device lost, empty or partial-frame block).
    virtual int64_t Write(std::span<const int16_t> samples) = 0;

    // How many blocks are done: block n is done when n < DoneBlocks(). A block is done once the device played it
    // to its end, or Reset dropped it, or the device was lost.
    virtual int64_t DoneBlocks() = 0;
    virtual int64_t WrittenBlocks() const = 0;

    // Holds output: nothing plays (and nothing gets done) until Restart. Pausing before the first write makes
    // playback start exactly at the first frame once restarted.
    virtual void Pause() = 0;
    virtual void Restart() = 0;

    // Drops everything queued at once: every written block is done. A playing device goes on playing what is
    // written next; a paused one stays paused.
    virtual void Reset() = 0;

    // Stops at once and closes.
    virtual void Close() = 0;

    // The level of this stream only (never the desktop's master volume); see MixerLevel.h.
    virtual void SetLevel(uint16_t mixerLevel) = 0;

    virtual bool IsOpen() const = 0;
    virtual bool IsPaused() const = 0;
    // True once the device was lost (until the next Open).
    virtual bool IsLost() const = 0;
};
