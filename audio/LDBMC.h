// LDBMC: a set of decibel values, one per channel (whole dB, -127 meaning silence or off), as the recorder
// and the player report levels and the level display shows them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

class LDBMC {
public:
    static constexpr int8_t kSilence = -127;

    LDBMC() = default;
    explicit LDBMC(uint8_t count) : m_values(count, kSilence) {}

    uint8_t Count() const { return static_cast<uint8_t>(m_values.size()); }
    // Resizing to another count discards the values (all channels read as silence).
    void Resize(uint8_t count) {
        if (count != Count())
            m_values.assign(count, kSilence);
    }
    int8_t operator[](uint8_t channel) const { return m_values[channel]; }
    int8_t& operator[](uint8_t channel) { return m_values[channel]; }

    // -127 for no channels, channel 0 for one, the higher of channels 0 and 1 otherwise.
    int8_t OverallLevel() const {
        if (m_values.empty())
            return kSilence;
        if (m_values.size() == 1)
            return m_values[0];
        return std::max(m_values[0], m_values[1]);
    }

    bool operator==(const LDBMC&) const = default;

private:
    std::vector<int8_t> m_values;
};
