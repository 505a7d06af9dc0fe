// WaveFile: opens wave files as pipeline sources (PCM readers or the codec reader) and creates the file sinks that
// write them (PCM writers or the codec writer).
//
//   LSoundSourceHandle source = OpenWaveFile(path);                      // empty when it cannot be read
//   WaveOpenResult opened = OpenWaveFileWithReason(path);                // ... and why, and what it holds
//   LSoundSinkHandle sink = CreatePCMFileSink(path, 8000, 1, 16, keep);  // test sink->IsInError()
#pragma once

#include "platform/WaveFormatRecord.h"
#include "sound/LSoundSink.h"
#include "sound/LSoundSource.h"
#include "sound/WaveFileInfo.h"

#include <cstdint>
#include <string>

struct WaveOpenResult {
    LSoundSourceHandle source; // empty on failure
    WaveFileLayout layout;     // what the chunk walk found (when it got that far)
    WaveFileError error;       // why `source` is empty
};

// Opens `path` as a source: a PCM reader for format tag 1 (8-, 16-, 32-bit, and packed 24-bit) and IEEE float
// files, the codec reader for other tags. Empty on any failure; the file is closed then.
LSoundSourceHandle OpenWaveFile(const std::string& path);
WaveOpenResult OpenWaveFileWithReason(const std::string& path);

// A PCM file sink: up to 8 bits per sample an LSNKPCMFile<LSFU8>, 9 to 16 an LSNKPCMFile<LSF16>, above that an
// LSNKPCMFile<LSF32>. `framesToKeep` frames of an existing file of ours are kept (0 for a new recording).
LSoundSinkHandle CreatePCMFileSink(const std::string& path, int32_t rate, uint8_t channels, int bitsPerSample,
                                   int32_t framesToKeep);

// A sink for `format`: tag 1 a PCM sink with the record's rate, channels and bits, keeping nothing; any other tag
// the codec writer (LSNKACMFile).
LSoundSinkHandle CreateFileSinkForFormat(const std::string& path, const WaveFormatRecord& format);

// Finishes a sink made by the functions above: its final header is written and the file closed. True when all of
// it reached the file. Other sinks are only asked whether they are in error.
[[nodiscard]] bool FinishFileSink(LSoundSink& sink);
