// AudioConversion: converts a dictation's wave file into a recipient's format (rate, channels, peak limit, then
// the format's writer) in blocks of 8192 frames, so memory use is fixed whatever the length. Runs on the send
// worker; the caller is asked between blocks whether to go on and told after each block.
//
//   const ConversionOutcome outcome = ConvertAudio(wavePath, format, tmpPath, {.shouldGoOn = ..., .blockDone = ...});
//   if (outcome == ConversionOutcome::Converted) { /* tmpPath holds the whole converted file */ }
#pragma once

#include "platform/WaveFormatRecord.h"

#include <functional>
#include <string>

enum class ConversionOutcome {
    Converted,
    SourceUnreadable, // the wave file is missing or cannot be read as audio
    NotConvertible,   // no chain or writer can produce the format from this source
    WriteFailed,      // the converted file could not be written in full (a full disk)
    Stopped           // the caller asked to stop; nothing is left at the target path
};

struct ConversionCalls {
    std::function<bool()> shouldGoOn;         // asked before each block; empty: always
    std::function<void(int block)> blockDone; // after block 0, 1, ... reached the writer; may be empty
};

// Writes the converted file at `targetPath` (replacing a file there). On any outcome but Converted the target
// path holds no file afterwards.
ConversionOutcome ConvertAudio(const std::string& wavePath, const WaveFormatRecord& format,
                               const std::string& targetPath, const ConversionCalls& calls = {});
