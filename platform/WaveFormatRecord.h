// WaveFormatRecord: the wave format record (format tag, channels, rate, average bytes per second, block align,
// bits per sample and the codec's extra bytes), as stored little-endian in a "fmt " chunk or a 1024-byte area.
//
//   std::optional<WaveFormatRecord> format = WaveFormatRecord::Parse(chunkBytes);   // nothing when unusable
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include <vector>

struct WaveFormatRecord {
    static constexpr uint16_t kTagPcm = 0x0001;
    static constexpr uint16_t kTagMsAdpcm = 0x0002;
    static constexpr uint16_t kTagFloat = 0x0003;
    static constexpr uint16_t kTagALaw = 0x0006;
    static constexpr uint16_t kTagMuLaw = 0x0007;
    static constexpr uint16_t kTagImaAdpcm = 0x0011;
    static constexpr uint16_t kTagGsm610 = 0x0031;
    static constexpr uint16_t kTagMpegLayer3 = 0x0055;
    static constexpr uint16_t kTagExtensible = 0xfffe;

    static constexpr uint32_t kMinRate = 1000;
    static constexpr uint32_t kMaxRate = 384000;
    static constexpr uint16_t kMaxChannels = 16;
    static constexpr size_t kAreaSize = 1024; // the area a chosen codec format is kept in
    static constexpr size_t kFixedSize = 18;  // the fields before the extra bytes, the count included

    uint16_t formatTag = kTagPcm;
    uint16_t channels = 1;
    uint32_t samplesPerSec = 8000;
    uint32_t avgBytesPerSec = 16000;
    uint16_t blockAlign = 2;
    uint16_t bitsPerSample = 16;
    std::vector<uint8_t> extra;

    // A PCM record with consistent block align and byte rate.
    static WaveFormatRecord Pcm(uint32_t rate, uint16_t channels, uint16_t bitsPerSample);

    // Reads a record from `bytes` (a "fmt " chunk's body or a format area). A 16-byte body (no count) has no
    // extra bytes. Nothing when the bytes are too short, the extra-byte count runs past them, or a field is
    // out of range: channels 0 or above 16, a rate outside 1000..384000, a block align of 0.
    // WAVE_FORMAT_EXTENSIBLE is returned as its sub-format's tag, keeping its bits and block align.
    static std::optional<WaveFormatRecord> Parse(std::span<const uint8_t> bytes);

    // The 18 fixed bytes (count included) and the extra bytes.
    std::vector<uint8_t> Serialize() const;

    bool IsPcm() const { return formatTag == kTagPcm; }
    bool operator==(const WaveFormatRecord&) const = default;
};

// Little-endian field access for the binary formats.
uint16_t ReadLe16(const uint8_t* bytes);
uint32_t ReadLe32(const uint8_t* bytes);
void AppendLe16(std::vector<uint8_t>& bytes, uint16_t value);
void AppendLe32(std::vector<uint8_t>& bytes, uint32_t value);
