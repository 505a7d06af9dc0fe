// StoredSample: little-endian loads and stores of the stored sample formats, and the formats only the readers
// know: packed 24-bit PCM (LSF24) and IEEE float (LSFFloat32, LSFFloat64), scaled like 16-bit files.
#pragma once

#include "sound/SampleFormat.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <type_traits>

// Packed 24-bit signed samples, read only.
struct LSF24 {
    static constexpr int kBytes = 3;
    static constexpr int32_t kFullScale = kFullScale16;
    static int32_t Decode(const uint8_t* bytes) {
        const int32_t value =
            static_cast<int32_t>(static_cast<uint32_t>(bytes[0]) << 8 | static_cast<uint32_t>(bytes[1]) << 16 |
                                 static_cast<uint32_t>(bytes[2]) << 24) >>
            8;
        return (value + 8) >> 4;
    }
};

// IEEE float samples (1.0 is full scale), read only; values beyond full scale are clipped, NaN is silence.
template <class Float> struct LSFFloat {
    static constexpr int kBytes = sizeof(Float);
    static constexpr int32_t kFullScale = kFullScale16;
    static int32_t Decode(const uint8_t* bytes) {
        Float value;
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(&value, bytes, sizeof value);
        } else {
            uint8_t swapped[sizeof(Float)];
            for (size_t i = 0; i < sizeof(Float); ++i)
                swapped[i] = bytes[sizeof(Float) - 1 - i];
            std::memcpy(&value, swapped, sizeof value);
        }
        if (std::isnan(value))
            return 0;
        const Float clipped = value < Float(-1) ? Float(-1) : (value > Float(1) ? Float(1) : value);
        return static_cast<int32_t>(std::lround(clipped * kFullScale));
    }
};
using LSFFloat32 = LSFFloat<float>;
using LSFFloat64 = LSFFloat<double>;

// Bytes one stored sample of T takes in a file.
template <class T> constexpr int StoredBytes() {
    if constexpr (requires { T::kBytes; })
        return T::kBytes;
    else
        return static_cast<int>(sizeof(typename T::Stored));
}

// One stored sample of T at `bytes`, as a pipeline sample.
template <class T> int32_t LoadSample(const uint8_t* bytes) {
    if constexpr (requires { T::Decode(bytes); }) {
        return T::Decode(bytes);
    } else {
        using Stored = typename T::Stored;
        using Unsigned = std::make_unsigned_t<Stored>;
        Unsigned value;
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(&value, bytes, sizeof value);
        } else {
            uint64_t assembled = 0;
            for (size_t i = 0; i < sizeof(Stored); ++i)
                assembled |= static_cast<uint64_t>(bytes[i]) << (8 * i);
            value = static_cast<Unsigned>(assembled);
        }
        return T::ToPipeline(static_cast<Stored>(value));
    }
}

// T::FromPipeline, for 8- and 16-bit samples in 32-bit arithmetic (the writers' inner loop vectorises better):
// clamping first to the span that rounds into the stored range gives the same results.
template <class T> typename T::Stored FromPipelineFast(int32_t sample) {
    if constexpr (std::is_same_v<T, LSF16>) {
        const int32_t clamped = std::clamp<int32_t>(sample, INT16_MIN * 16 - 8, INT16_MAX * 16 + 7);
        return static_cast<int16_t>((clamped + 8) >> 4);
    } else if constexpr (std::is_same_v<T, LSFU8>) {
        const int32_t clamped = std::clamp<int32_t>(sample, -128 * 2048 - 1024, 127 * 2048 + 1023);
        return static_cast<uint8_t>(((clamped + 1024) >> 11) + 128);
    } else {
        return T::FromPipeline(sample);
    }
}

// Stores a pipeline sample as T at `bytes` (saturating, as T::FromPipeline does).
template <class T> void StoreSample(int32_t sample, uint8_t* bytes) {
    using Stored = typename T::Stored;
    using Unsigned = std::make_unsigned_t<Stored>;
    const Unsigned value = static_cast<Unsigned>(FromPipelineFast<T>(sample));
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(bytes, &value, sizeof value);
    } else {
        for (size_t i = 0; i < sizeof(Stored); ++i)
            bytes[i] = static_cast<uint8_t>(static_cast<uint64_t>(value) >> (8 * i));
    }
}
