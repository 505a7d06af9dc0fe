// WaveBytes: builds wave files byte by byte for the tests (chunks in any order, sizes that need not match their
// contents), and reads little-endian fields back.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wave_bytes {

std::string Le16(uint16_t value);
std::string Le32(uint32_t value);
uint32_t ReadLe32At(const std::string& bytes, size_t offset);
uint16_t ReadLe16At(const std::string& bytes, size_t offset);

// id, size (the body's unless given), body, and a pad byte after an odd body.
std::string Chunk(std::string_view id, std::string_view body, std::optional<uint32_t> size = std::nullopt);
// "RIFF", size (4 + the chunks' unless given), "WAVE", chunks.
std::string Riff(std::string_view chunks, std::optional<uint32_t> size = std::nullopt);
// A "fmt " body of 16 bytes (block align = channels × bytes per sample unless given).
std::string FormatBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, uint16_t blockAlign = 0);
// 16-bit samples.
std::string Samples16(const std::vector<int16_t>& samples);
// The samples 0, 1, 2, ... (frames × channels of them).
std::vector<int16_t> Ramp(size_t count);
// A plain 16-bit PCM file: 16-byte fmt chunk, then data.
std::string Pcm16File(const std::vector<int16_t>& samples, uint16_t channels = 1, uint32_t rate = 8000);

} // namespace wave_bytes
