// CodecLayout: what the codec layer knows of a format record: its codec, the bytes and frames of one codec block,
// and the frames a run of its bytes decodes to.
#pragma once

#include "platform/WaveFormatRecord.h"

#include <cstdint>
#include <optional>

enum class CodecKind { Pcm, ALaw, MuLaw, ImaAdpcm, MsAdpcm, Gsm610, MpegLayer3 };

struct CodecLayout {
    static constexpr int kMaxChannels = 16;
    static constexpr uint32_t kMaxRate = 384000;
    static constexpr int kGsmBlockBytes = 65;
    static constexpr int kGsmBlockFrames = 320;

    CodecKind kind = CodecKind::Pcm;
    int channels = 1;
    int rate = 8000;
    int bitsPerSample = 16;
    // One codec block: a frame for PCM, A-law and mu-law; a whole ADPCM or GSM block. For MPEG layer-3 one byte and
    // no frames (its frames have no fixed size or place).
    int bytesPerBlock = 2;
    int64_t framesPerBlock = 1;

    // The layout of `format`, or nothing when the tag is unknown or the record cannot describe a stream of it
    // (channels, rate, bits or block align out of range).
    static std::optional<CodecLayout> For(const WaveFormatRecord& format);

    bool HasBlocks() const { return framesPerBlock > 0; }
    // Frames in `bytes` of data: whole blocks plus what a partial block decodes to; for MPEG layer-3 an estimate
    // from the record's byte rate.
    int64_t FramesForBytes(int64_t bytes, const WaveFormatRecord& format) const;
    // Frames a block cut short to `bytes` decodes to (0 when too short to hold any).
    int64_t FramesInPartialBlock(int64_t bytes) const;
};

// Frames for `bytes` at `avgBytesPerSec` and `rate`: (bytes / avg) × rate + ((bytes mod avg) × rate) / avg, the bytes
// themselves when avg is 0; 64-bit throughout, saturating.
int64_t FramesAtByteRate(int64_t bytes, uint32_t avgBytesPerSec, uint32_t rate);
// The inverse: (frame / rate) × avg + ((frame mod rate) × avg) / rate.
int64_t BytesAtByteRate(int64_t frame, uint32_t avgBytesPerSec, uint32_t rate);
