// Levels: the decibel level of a block of interleaved internal samples, per channel: the recorder's peak level
// (131072 is 0 dB) and the player's mean-square level (8388626 after the shift by 5 is 0 dB).
#pragma once

#include "audio/LDBMC.h"

#include <cstdint>

// Fills `levels` (resized to `channels`) with each channel's peak level over `frames` frames.
void PeakLevelDb(const int32_t* samples, int32_t frames, uint8_t channels, LDBMC& levels);

// Fills `levels` (resized to `channels`) with each channel's mean-square level over `frames` frames.
void MeanSquareLevelDb(const int32_t* samples, int32_t frames, uint8_t channels, LDBMC& levels);
