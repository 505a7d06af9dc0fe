// EngineTestSupport: signals made in code, wave files written and read back, and an owner that writes down every
// notification of a recorder or player (with its cookie) for the engine tests.
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
// The samples of a 16-bit wave file, or nothing when it cannot be read; `rate` and `channels` are filled in.
Samples ReadWave(const std::string& path, int32_t* rate = nullptr, uint8_t* channels = nullptr);

// Writes every notification as a line: "Waiting 7", "Time 1500 7", "Levels -3 7", "Levels [] 7" ...
class EventLog : public LSoundRecorderNotify, public LSoundPlayerNotify {
public:
    void OnRecordActive(uint32_t cookie) override { Add("Active", cookie); }
    void OnRecordWaiting(uint32_t cookie) override { Add("Waiting", cookie); }
    void OnRecordStop(uint32_t cookie) override { Add("Stop", cookie); }
    void OnRecordTime(int32_t time, uint32_t cookie) override { Add("Time " + std::to_string(time), cookie); }
    void OnRecordLevels(const LDBMC& levels, uint32_t cookie) override { Add("Levels " + Text(levels), cookie); }

    void OnPlayStart(uint32_t cookie) override { Add("Start", cookie); }
    void OnPlayStop(uint32_t cookie) override { Add("Stop", cookie); }
    void OnPlayTime(int32_t time, uint32_t cookie) override { Add("Time " + std::to_string(time), cookie); }
    void OnPlayLevels(const LDBMC& levels, uint32_t cookie) override { Add("Levels " + Text(levels), cookie); }

    static std::string Text(const LDBMC& levels);
    // The lines that begin with `word`.
    std::vector<std::string> Only(const std::string& word) const;
    // The times of the "Time" lines.
    std::vector<int32_t> Times() const;
    size_t Count(const std::string& line) const { return std::count(lines.begin(), lines.end(), line); }

    std::vector<std::string> lines;
    std::function<void(const std::string&)> onEvent; // runs after a line was added

private:
    void Add(const std::string& text, uint32_t cookie) {
        lines.push_back(text + " " + std::to_string(cookie));
        if (onEvent)
            onEvent(lines.back());
    }
};
