// WaveIn: a recording device that fills fixed-size 16-bit PCM blocks in the order they were handed to it and gives
// each filled block to its owner on the owner's thread, through the owner's Poster; the owner hands it back to have
// it filled again. Every call comes from the owner's thread; the capture thread never calls owner code.
//
//   std::unique_ptr<WaveIn> waveIn = backend.CreateWaveIn();
//   if (!waveIn->Open({.device = -1, .format = {8000, 1}, .framesPerBlock = 800}, poster, *this)) return false;
//   waveIn->Start(); for (int32_t i = 0; i < 40; ++i) waveIn->AddBuffer(i);
//   void OnWaveInData(const WaveInBlock& block) override { Use(block); waveIn->AddBuffer(block.index); }
#pragma once

#include "platform/AudioTypes.h"

#include <cstdint>

class Poster;

struct WaveInOptions {
    int device = -1; // -1 or 0: the default device; n: entry n of the recording device list
    PcmFormat format;
    int32_t framesPerBlock = 800; // 1..65536
    int32_t blockCount = 40;      // 1..1024
};

// A block handed to the owner. It stays the owner's (the device does not touch it) until AddBuffer(index), Reset,
// or Close; `samples` is valid until Close or the next Open.
struct WaveInBlock {
    int32_t index = 0;                // 0 .. blockCount - 1
    const int16_t* samples = nullptr; // framesPerBlock x channels samples, interleaved
    int32_t frames = 0;               // frames recorded: framesPerBlock, fewer (the rest silence) only for blocks that
                                      // Reset returned and for the last block before a device loss
};

// Counters of one open device, for diagnostics and tests.
struct WaveInStats {
    int64_t framesDelivered = 0; // frames put into blocks
    int64_t framesDropped = 0;   // frames that found no queued block (the owner kept every block)
    int64_t silenceFrames = 0;   // frames of holes in the stream that became silence
    int32_t overruns = 0;        // device overruns the device recovered from
};

// What the owner is told, always on its own thread. Default bodies do nothing.
class WaveInNotify {
public:
    virtual ~WaveInNotify() = default;
    // A block was filled (or returned by Reset). Blocks arrive in the order they were queued.
    virtual void OnWaveInData(const WaveInBlock& block) { (void)block; }
    // The device went away (unplugged, sound server ended). Comes once, after every block filled before the loss
    // was delivered; the device stays open and delivers nothing more; the owner stops and closes it.
    virtual void OnWaveInLost() {}
};

class WaveIn {
public:
    virtual ~WaveIn() = default;

    // Opens the device for `format` (the server converts from the device's own format). All blocks start with the
    // owner, none queued. False when the device or the options are unusable; an open device is closed first.
    // `poster` and `notify` must outlive the open device.
    [[nodiscard]] virtual bool Open(const WaveInOptions& options, Poster& poster, WaveInNotify& notify) = 0;

    // Starts (or resumes after Reset) capturing into the queued blocks.
    virtual void Start() = 0;

    // Queues block `index` to be filled after those queued before it. False when the index is out of range or the
    // block is not the owner's (already queued, or filled and not yet delivered).
    virtual bool AddBuffer(int32_t index) = 0;

    // Stops capturing and returns every queued block to the owner, the partly filled one with the frames it has:
    // they are delivered, in order, by OnWaveInData after blocks already filled. Returns how many it returned.
    virtual int32_t Reset() = 0;

    // Stops and closes; blocks not yet delivered are dropped. Nothing is delivered afterwards.
    virtual void Close() = 0;

    virtual bool IsOpen() const = 0;
    // True once the device was lost (until the next Open).
    virtual bool IsLost() const = 0;
    virtual int32_t QueuedBlocks() const = 0;
    virtual WaveInStats Stats() const = 0;
    // The format and block size of the open device.
    virtual const WaveInOptions& Options() const = 0;
};
