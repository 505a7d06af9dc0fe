// WizardTestSupport: wave files made and read back in the wizard tests, and waiting on the Qt event loop.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Writes a mono 16-bit 8000 Hz wave file of `frames` frames all holding `value`; false on failure.
bool WriteConstantWave(const std::string& path, int32_t frames, int16_t value);
// The 16-bit samples of a wave file; empty when it cannot be read.
std::vector<int16_t> ReadSamples(const std::string& path);
// Runs the Qt event loop until `done` holds or `timeout` passes; true when it holds.
bool ProcessEventsUntil(const std::function<bool()>& done,
                        std::chrono::milliseconds timeout = std::chrono::milliseconds(10000));
