// LDecibelTable: the process-wide amplitude and power tables that turn a decibel value (-128..127) into a Q24 gain.
// Built once on first use (thread-safe); read from any thread.
//
//   uint32_t half = LDecibelTable::Amplitude(-6);   // about 0x804dce, a little over half of 0x1000000
#pragma once

#include <cstdint>

class LDecibelTable {
public:
    // truncate(10^(d/20) x 2^24 + 0.5), 0x7fffffff from +43 dB up, 0 for -128 and -127 (silence).
    static uint32_t Amplitude(int8_t decibels);
    // truncate(10^(d/10) x 2^24 + 0.5), 0x7fffffff from +22 dB up, 0 for -128 and -127.
    static uint32_t Power(int8_t decibels);
};
