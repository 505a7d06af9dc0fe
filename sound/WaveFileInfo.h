// WaveFileInfo: what opening a wave file found (WaveFileLayout) or why it failed (WaveFileError). Byte offsets and
// sizes are 64-bit; frame counts follow the pipeline's 32-bit rule only once a reader exists.
#pragma once

#include "platform/WaveFormatRecord.h"

#include <cstdint>
#include <optional>
#include <string>

// Why a wave file cannot be read, sorted by what the caller can do about it.
struct WaveFileError {
    enum class Category {
        None,        // no failure
        Io,          // the file cannot be opened or read: check the path and permissions
        NotWave,     // not a RIFF/WAVE file, or its chunks are cut off or malformed: the file is damaged
        BadFormat,   // the "fmt " chunk holds values no stream can have: the file is damaged
        Unsupported, // a sound file we cannot decode (sample width or codec): convert it elsewhere first
    };

    Category category = Category::None;
    int64_t offset = -1; // the byte the failure concerns, or -1
    std::string text;    // one sentence for the user

    bool IsError() const { return category != Category::None; }
    // "damaged file", "cannot read", ... for messages.
    static const char* CategoryName(Category category);
};

// Where a wave file's samples are and what they are.
struct WaveFileLayout {
    WaveFormatRecord format;
    int64_t dataOffset = 0;    // first byte of the data chunk's contents
    int64_t declaredBytes = 0; // the data chunk's size field
    int64_t presentBytes = 0;  // the data bytes that are really there: what readers use
    std::optional<int64_t> factFrames;
    // The 46-byte header our PCM writers make (fmt size 18, no extra bytes, RIFF size = 38 + data size), so the
    // data is the last chunk and bytes past a stale size field are audio written before a crash.
    bool ownLayout = false;
    int64_t fileSize = 0;

    // The data chunk claims more bytes than the file holds: a cut-off file or a recording in progress.
    bool IsCutShort() const { return declaredBytes > presentBytes; }
    // Bytes past the declared data are read as audio (a header that lagged behind a recording).
    bool HasRecoveredBytes() const { return presentBytes > declaredBytes; }
};
