#include "WaveBytes.h"

namespace wave_bytes {

std::string Le16(uint16_t value) {
    return {static_cast<char>(value & 0xff), static_cast<char>(value >> 8)};
}

std::string Le32(uint32_t value) {
    return Le16(static_cast<uint16_t>(value)) + Le16(static_cast<uint16_t>(value >> 16));
}

uint16_t ReadLe16At(const std::string& bytes, size_t offset) {
    return static_cast<uint16_t>(static_cast<uint8_t>(bytes.at(offset)) | static_cast<uint8_t>(bytes.at(offset + 1))
                                                                              << 8);
}

uint32_t ReadLe32At(const std::string& bytes, size_t offset) {
    return ReadLe16At(bytes, offset) | static_cast<uint32_t>(ReadLe16At(bytes, offset + 2)) << 16;
}

std::string Chunk(std::string_view id, std::string_view body, std::optional<uint32_t> size) {
    std::string chunk(id);
    chunk += Le32(size.value_or(static_cast<uint32_t>(body.size())));
    chunk += body;
    if (body.size() % 2)
        chunk += '\0';
    return chunk;
}

std::string Riff(std::string_view chunks, std::optional<uint32_t> size) {
    return "RIFF" + Le32(size.value_or(static_cast<uint32_t>(chunks.size() + 4))) + "WAVE" + std::string(chunks);
}

std::string FormatBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, uint16_t blockAlign) {
    if (blockAlign == 0)
        blockAlign = static_cast<uint16_t>(channels * ((bits + 7) / 8));
    return Le16(tag) + Le16(channels) + Le32(rate) + Le32(rate * blockAlign) + Le16(blockAlign) + Le16(bits);
}

std::string Samples16(const std::vector<int16_t>& samples) {
    std::string bytes;
    for (int16_t sample : samples)
        bytes += Le16(static_cast<uint16_t>(sample));
    return bytes;
}

std::vector<int16_t> Ramp(size_t count) {
    std::vector<int16_t> samples(count);
    for (size_t i = 0; i < count; ++i)
        samples[i] = static_cast<int16_t>(i);
    return samples;
}

std::string Pcm16File(const std::vector<int16_t>& samples, uint16_t channels, uint32_t rate) {
    return Riff(Chunk("fmt ", FormatBody(1, channels, rate, 16)) + Chunk("data", Samples16(samples)));
}

} // namespace wave_bytes
