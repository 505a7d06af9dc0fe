// WriteSpeechLikeWave: a 16-bit PCM mono wave file of noise shaped like speech (syllables of about 200 ms with
// pauses, low-passed noise under a slow envelope), so that codecs and senders meet something like a dictation.
#pragma once

#include <cstdint>
#include <string>

bool WriteSpeechLikeWave(const std::string& path, double seconds, int32_t rate = 8000, uint32_t seed = 1);
