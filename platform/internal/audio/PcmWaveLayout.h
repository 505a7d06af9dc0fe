// PcmWaveLayout: where the 16-bit PCM frames of a RIFF wave file lie, read from its chunks; and the 44-byte header
// of the plain 16-bit PCM wave file the file device writes. Only what the file device needs: no codecs.
//
//   std::optional<PcmWaveLayout> layout = ReadPcmWaveLayout(readAt, fileSize);   // nothing: not 16-bit PCM
#pragma once

#include "platform/AudioTypes.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

namespace audio_internal {

struct PcmWaveLayout {
    PcmFormat format;
    int64_t dataOffset = 0; // byte offset of the first frame
    int64_t frames = 0;     // whole frames of the data chunk that the file really holds
};

// Reads `bytes` at `offset` into `buffer`; returns the count read (fewer at the end of the file), or -1.
using ReadAtFunction = std::function<int64_t(void* buffer, size_t bytes, int64_t offset)>;

// The layout of a RIFF/WAVE file of `fileSize` bytes whose "fmt " chunk describes 16-bit PCM (also as
// WAVE_FORMAT_EXTENSIBLE) of a usable rate and channel count. A data chunk that claims more than the file holds
// (a recording cut short) is taken as far as the file goes. Nothing for anything else.
std::optional<PcmWaveLayout> ReadPcmWaveLayout(const ReadAtFunction& readAt, int64_t fileSize);

inline constexpr size_t kPcmWaveHeaderSize = 44;
// The largest data chunk a wave file can describe.
inline constexpr int64_t kMaxPcmWaveDataBytes = 0xffffffffLL - 36;

// The header of a 16-bit PCM wave file with `dataBytes` of frames after it.
std::array<uint8_t, kPcmWaveHeaderSize> PcmWaveHeader(const PcmFormat& format, uint32_t dataBytes);

} // namespace audio_internal
