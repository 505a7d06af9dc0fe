#include "PcmWaveLayout.h"

#include "platform/WaveFormatRecord.h"

#include <cstring>
#include <vector>

namespace audio_internal {

namespace {

constexpr uint32_t kMaxFormatChunk = 65536;
constexpr int kMaxChunks = 4096;

bool ReadExactly(const ReadAtFunction& readAt, void* buffer, size_t bytes, int64_t offset) {
    return readAt(buffer, bytes, offset) == static_cast<int64_t>(bytes);
}

void PutLe16(uint8_t* at, uint16_t value) {
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

void PutLe32(uint8_t* at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<uint8_t>(value >> (8 * i));
}

} // namespace

std::optional<PcmWaveLayout> ReadPcmWaveLayout(const ReadAtFunction& readAt, int64_t fileSize) {
    uint8_t riff[12];
    if (fileSize < 12 || !ReadExactly(readAt, riff, sizeof riff, 0) || std::memcmp(riff, "RIFF", 4) != 0 ||
        std::memcmp(riff + 8, "WAVE", 4) != 0)
        return std::nullopt;

    std::optional<WaveFormatRecord> format;
    std::optional<int64_t> dataOffset;
    int64_t dataBytes = 0;
    int64_t offset = 12;
    for (int chunk = 0; chunk < kMaxChunks && offset + 8 <= fileSize && !(format && dataOffset); ++chunk) {
        uint8_t header[8];
        if (!ReadExactly(readAt, header, sizeof header, offset))
            return std::nullopt;
        const uint32_t size = ReadLe32(header + 4);
        const int64_t body = offset + 8;
        if (std::memcmp(header, "fmt ", 4) == 0 && !format) {
            if (size < 16 || size > kMaxFormatChunk || body + size > fileSize)
                return std::nullopt;
            std::vector<uint8_t> bytes(size);
            if (!ReadExactly(readAt, bytes.data(), bytes.size(), body))
                return std::nullopt;
            format = WaveFormatRecord::Parse(bytes);
            if (!format)
                return std::nullopt;
        } else if (std::memcmp(header, "data", 4) == 0 && !dataOffset) {
            dataOffset = body;
            dataBytes = std::min<int64_t>(size, fileSize - body);
        }
        offset = body + static_cast<int64_t>(size) + (size & 1);
    }
    if (!format || !dataOffset)
        return std::nullopt;

    PcmWaveLayout layout;
    layout.format.rate = format->samplesPerSec;
    layout.format.channels = format->channels;
    if (!format->IsPcm() || format->bitsPerSample != 16 || format->blockAlign != format->channels * 2 ||
        !layout.format.IsValid())
        return std::nullopt;
    layout.dataOffset = *dataOffset;
    layout.frames = dataBytes / format->blockAlign;
    return layout;
}

std::array<uint8_t, kPcmWaveHeaderSize> PcmWaveHeader(const PcmFormat& format, uint32_t dataBytes) {
    std::array<uint8_t, kPcmWaveHeaderSize> header{};
    uint8_t* at = header.data();
    std::memcpy(at, "RIFF", 4);
    PutLe32(at + 4, 36 + dataBytes);
    std::memcpy(at + 8, "WAVEfmt ", 8);
    PutLe32(at + 16, 16);
    PutLe16(at + 20, WaveFormatRecord::kTagPcm);
    PutLe16(at + 22, format.channels);
    PutLe32(at + 24, format.rate);
    PutLe32(at + 28, format.rate * format.BytesPerFrame());
    PutLe16(at + 32, static_cast<uint16_t>(format.BytesPerFrame()));
    PutLe16(at + 34, 16);
    std::memcpy(at + 36, "data", 4);
    PutLe32(at + 40, dataBytes);
    return header;
}

} // namespace audio_internal
