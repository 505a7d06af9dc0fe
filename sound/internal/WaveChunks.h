// WaveChunks: the walk through a wave file's RIFF chunks to its "fmt " and "data" chunks. Every size is checked
// against the file before use and every step moves forward, so damaged input ends the walk with a reason.
//
//   WaveChunks chunks = OpenWaveChunks(path);
//   if (chunks.error.IsError()) Report(chunks.error.text);
//   else UseSamples(std::move(chunks.file), chunks.layout);
#pragma once

#include "platform/LFile.h"
#include "sound/WaveFileInfo.h"

#include <cstdint>
#include <string>

// Our PCM writers' header: "RIFF", size, "WAVE", "fmt " chunk of 18 bytes, "data" chunk header.
inline constexpr int64_t kOwnHeaderBytes = 46;
// Offset of the data chunk's size field in our header.
inline constexpr int64_t kOwnDataSizeOffset = 42;
// Bounds of a "fmt " chunk we read whole.
inline constexpr uint32_t kMinFormatChunk = 14;
inline constexpr uint32_t kMaxFormatChunk = 8192;
// Bounds of the stream a file may describe.
inline constexpr uint32_t kMaxWaveRate = 192000;

struct WaveChunks {
    LFile file; // open for reading, or not open on failure
    WaveFileLayout layout;
    WaveFileError error;
};

// Opens `path` for reading and walks its chunks.
WaveChunks OpenWaveChunks(const std::string& path);

// Walks the chunks of an open file with positional reads (the file's offset is left alone). False with `error`
// set on failure.
bool WalkWaveChunks(const LFile& file, WaveFileLayout& layout, WaveFileError& error);

// The data bytes really present for a data chunk at `dataOffset` whose size field says `declaredBytes`, in a file
// of `fileSize` bytes: never more than the file holds; more than declared only for our own layout or when no
// chunk header follows the declared data (a LIST or id3 chunk after the data is never audio).
int64_t PresentDataBytes(const LFile& file, int64_t dataOffset, int64_t declaredBytes, int64_t fileSize,
                         bool ownLayout);

// True when the bytes at `offset` look like a chunk header: a printable identifier and a size that fits the file
// (or an identifier that only ever names a non-audio chunk).
bool IsChunkHeaderAt(const LFile& file, int64_t offset, int64_t fileSize);
