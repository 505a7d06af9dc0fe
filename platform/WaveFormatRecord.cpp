#include "platform/WaveFormatRecord.h"

uint16_t ReadLe16(const uint8_t* bytes) {
    return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

uint32_t ReadLe32(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
           (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

void AppendLe16(std::vector<uint8_t>& bytes, uint16_t value) {
    bytes.push_back(static_cast<uint8_t>(value));
    bytes.push_back(static_cast<uint8_t>(value >> 8));
}

void AppendLe32(std::vector<uint8_t>& bytes, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(static_cast<uint8_t>(value >> shift));
}

WaveFormatRecord WaveFormatRecord::Pcm(uint32_t rate, uint16_t channels, uint16_t bitsPerSample) {
    WaveFormatRecord format;
    format.formatTag = kTagPcm;
    format.channels = channels;
    format.samplesPerSec = rate;
    format.bitsPerSample = bitsPerSample;
    format.blockAlign = static_cast<uint16_t>(channels * ((bitsPerSample + 7) / 8));
    format.avgBytesPerSec = rate * format.blockAlign;
    return format;
}

std::optional<WaveFormatRecord> WaveFormatRecord::Parse(std::span<const uint8_t> bytes) {
    if (bytes.size() < 16)
        return std::nullopt;
    WaveFormatRecord format;
    format.formatTag = ReadLe16(&bytes[0]);
    format.channels = ReadLe16(&bytes[2]);
    format.samplesPerSec = ReadLe32(&bytes[4]);
    format.avgBytesPerSec = ReadLe32(&bytes[8]);
    format.blockAlign = ReadLe16(&bytes[12]);
    format.bitsPerSample = ReadLe16(&bytes[14]);
    if (bytes.size() >= kFixedSize) {
        const size_t count = ReadLe16(&bytes[16]);
        if (count > bytes.size() - kFixedSize)
            return std::nullopt;
        format.extra.assign(bytes.begin() + kFixedSize,
                            bytes.begin() + static_cast<std::ptrdiff_t>(kFixedSize + count));
    }
    if (format.channels == 0 || format.channels > kMaxChannels || format.samplesPerSec < kMinRate ||
        format.samplesPerSec > kMaxRate || format.blockAlign == 0)
        return std::nullopt;
    if (format.formatTag == kTagExtensible) {
        // valid bits (2), channel mask (4), then the sub-format GUID whose first two bytes are the tag.
        if (format.extra.size() < 22)
            return std::nullopt;
        format.formatTag = ReadLe16(&format.extra[6]);
        format.extra.clear();
    }
    return format;
}

std::vector<uint8_t> WaveFormatRecord::Serialize() const {
    std::vector<uint8_t> bytes;
    bytes.reserve(kFixedSize + extra.size());
    AppendLe16(bytes, formatTag);
    AppendLe16(bytes, channels);
    AppendLe32(bytes, samplesPerSec);
    AppendLe32(bytes, avgBytesPerSec);
    AppendLe16(bytes, blockAlign);
    AppendLe16(bytes, bitsPerSample);
    AppendLe16(bytes, static_cast<uint16_t>(extra.size()));
    bytes.insert(bytes.end(), extra.begin(), extra.end());
    return bytes;
}
