// ConversionChain: builds the chain that brings a source to a target format: loop, high-pass and speed at the
// source's rate, channel and rate conversion, a fixed gain, and a peak limiter at the writer's full scale when
// the chain's full scale exceeds it. Used by the send queue and the sound tool; pure set-up, no I/O.
//
//   ConversionTarget target;  target.rate = 8000; target.channels = 1; target.bits = 16;
//   ConversionChain chain = BuildConversionChain(reader, target);
//   if (!chain.problem.empty()) { /* tell the user; chain.head is empty */ }
#pragma once

#include "sound/LSoundSource.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

// What the chain should produce; 0 keeps the source's rate or channels.
struct ConversionTarget {
    int32_t rate = 0;
    uint16_t channels = 0;
    int bits = 16;          // of the writer: sets the limit level (8 bits: 0x3f800, more: 0x7fff0)
    int8_t gainDb = 0;      // fixed gain, -127 (silence) .. 127
    double speed = 1.0;     // constant playing speed (negative: backwards, block by block)
    bool limit = true;      // put a peak limiter before the writer when samples could exceed its full scale
    int32_t limitLevel = 0; // the limiter's level in the chain's units; 0: the writer's full scale for `bits`
    // Library extras the tool offers: a loop (time values, 1/10000 s) and a high-pass corner frequency.
    std::optional<std::pair<int32_t, int32_t>> repeat;
    double highPassHz = 0;
};

struct ConversionChain {
    LSoundSourceHandle head; // empty when a step cannot be built
    std::string problem;     // "" on success, else an English sentence for the user
};

// The limit level for a writer of `bits` bits per sample.
int32_t WriterFullScale(int bits);

// Steps: repeat, high-pass, speed (at the source's rate), fewer channels before the rate converter (so that it
// converts less), the rate converter, more channels after it, gain, limiter. A step that the target asks for but
// that cannot be built (a rate pair the converter cannot serve, an unusable speed) fails the whole chain rather
// than leave a stream that does not match the target.
ConversionChain BuildConversionChain(LSoundSourceHandle source, const ConversionTarget& target);
