#include "install/PayloadTrailer.h"

#include <numeric>

namespace {

uint32_t ReadLittleEndian(std::span<const uint8_t, kTrailerSize> bytes, size_t offset) {
    return static_cast<uint32_t>(bytes[offset]) | static_cast<uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<uint32_t>(bytes[offset + 2]) << 16 | static_cast<uint32_t>(bytes[offset + 3]) << 24;
}

void WriteLittleEndian(std::array<uint8_t, kTrailerSize>& bytes, size_t offset, uint32_t value) {
    for (size_t i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

} // namespace

uint64_t PayloadTrailer::PayloadBytes() const {
    return std::accumulate(sizes.begin(), sizes.end(), uint64_t{0});
}

PayloadTrailer DecodeTrailer(std::span<const uint8_t, kTrailerSize> bytes) {
    PayloadTrailer trailer;
    for (size_t part = 0; part < kPayloadParts; ++part)
        trailer.sizes[part] = ReadLittleEndian(bytes, 4 * part);
    trailer.checksum = ReadLittleEndian(bytes, 4 * kPayloadParts);
    return trailer;
}

std::array<uint8_t, kTrailerSize> EncodeTrailer(const PayloadTrailer& trailer) {
    std::array<uint8_t, kTrailerSize> bytes{};
    for (size_t part = 0; part < kPayloadParts; ++part)
        WriteLittleEndian(bytes, 4 * part, trailer.sizes[part]);
    WriteLittleEndian(bytes, 4 * kPayloadParts, trailer.checksum);
    return bytes;
}

TrailerCheck CheckTrailer(const PayloadTrailer& trailer, uint64_t fileLength) {
    if (fileLength < kTrailerSize)
        return TrailerCheck::ShorterThanTrailer;
    // Seven 32-bit sizes add up to less than 2^35: the 64-bit sum is exact.
    if (trailer.PayloadBytes() != fileLength - kTrailerSize)
        return TrailerCheck::SizesDoNotAddUp;
    if (trailer.sizes[0] == 0)
        return TrailerCheck::EmptyProgram;
    return TrailerCheck::Fits;
}

uint32_t AddToByteSum(uint32_t sum, std::span<const uint8_t> bytes) {
    for (const uint8_t byte : bytes)
        sum += byte;
    return sum;
}
