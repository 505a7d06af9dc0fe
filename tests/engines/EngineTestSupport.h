// EngineTestSupport: signals made in code and wave files written and read back, for the engine tests and the tests
// of what is built on the engines.
#pragma once

#include "audio/LSoundPlayerNotify.h"
#include "audio/LSoundRecorderNotify.h"
#include "platform/Poster.h" // the engines' owners pump one; tests/transport takes it from here

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

using Samples = std::vector<int16_t>;

// `frames` frames of a sine at `frequency` Hz with peak `amplitude` (16-bit units), mono.
Samples Tone(int32_t frames, int16_t amplitude, double frequency = 440.0, int32_t rate = 8000);
inline Samples Silence(int32_t frames) {
    return Samples(static_cast<size_t>(frames), 0);
}
template <typename T> std::vector<T> Joined(std::initializer_list<std::vector<T>> parts) {
    std::vector<T> joined;
    for (const std::vector<T>& part : parts)
        joined.insert(joined.end(), part.begin(), part.end());
    return joined;
}

// Writes a 16-bit PCM wave file; false on failure.
bool WriteWave(const std::string& path, const Samples& samples, int32_t rate, uint8_t channels);
// The samples of a 16-bit wave file, or nothing when it cannot be read; `rate` is filled in.
Samples ReadWave(const std::string& path, int32_t* rate = nullptr);
