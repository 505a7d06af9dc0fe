// PayloadTrailer: the last 32 bytes of the installer file. The file is the program image followed by the help page
// and the five introduction recordings; the trailer gives the seven sizes in that order and the byte sum of all
// seven parts (each byte unsigned, modulo 2^32), every number a little-endian unsigned 32-bit value:
//
//   [program][help page][Intro1.wav]...[Intro5.wav][size 0]...[size 6][checksum]
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

inline constexpr size_t kPayloadParts = 7;
inline constexpr size_t kTrailerSize = 4 * kPayloadParts + 4;

// The installed name of each part, in the order of the file.
inline constexpr std::array<std::string_view, kPayloadParts> kPayloadNames = {
    "tallowin", "tallowin.html", "Intro1.wav", "Intro2.wav", "Intro3.wav", "Intro4.wav", "Intro5.wav"};

struct PayloadTrailer {
    std::array<uint32_t, kPayloadParts> sizes{};
    uint32_t checksum = 0;

    // The seven sizes added up in 64 bits, so that no sum can wrap.
    uint64_t PayloadBytes() const;
};

// What a trailer says about the file it ends.
enum class TrailerCheck {
    Fits, // the sizes and the trailer make up the file exactly
    ShorterThanTrailer,
    SizesDoNotAddUp, // the parts with the trailer are longer or shorter than the file
    EmptyProgram,    // part 0, the program itself, has no bytes
};

PayloadTrailer DecodeTrailer(std::span<const uint8_t, kTrailerSize> bytes);
std::array<uint8_t, kTrailerSize> EncodeTrailer(const PayloadTrailer& trailer);

// Checks `trailer`, read from the end of a file of `fileLength` bytes, against that length.
TrailerCheck CheckTrailer(const PayloadTrailer& trailer, uint64_t fileLength);

// `sum` with every byte of `bytes` added as an unsigned value, modulo 2^32.
uint32_t AddToByteSum(uint32_t sum, std::span<const uint8_t> bytes);
