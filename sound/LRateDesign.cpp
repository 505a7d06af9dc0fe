#include "sound/LRateDesign.h"

#include <cmath>
#include <cstdlib>

namespace {

constexpr long double kPi = 3.141592653589793238462643383279502884L;

// Nearest integer, halves away from zero.
int32_t RoundAway(long double value) {
    return static_cast<int32_t>(value >= 0 ? value + 0.5L : value - 0.5L);
}

} // namespace

LRateDesign::LRateDesign(int32_t inputRate, int32_t targetRate) : m_inputRate(inputRate), m_targetRate(targetRate) {
    if (inputRate < 1 || inputRate > kMaxRate || targetRate < 1 || targetRate > kMaxRate) {
        m_verdict = Verdict::RateOutOfRange;
        return;
    }
    SearchPhases(inputRate, targetRate, m_phases, m_step);
    if (m_step < 1) {
        m_verdict = Verdict::ZeroStep;
        return;
    }
    const long double achieved = static_cast<long double>(inputRate) * m_phases / m_step;
    if (std::fabs(achieved - targetRate) > targetRate * 0.01L) {
        m_verdict = Verdict::RateMissed;
        return;
    }
    if (inputRate < targetRate) {
        m_cutoff = 0.975L;
        m_beta = 2.12L;
    } else {
        m_cutoff = static_cast<long double>(targetRate) / inputRate - 0.046875L;
        m_beta = 4.538L;
    }
    // Lowering the rate by about 21 or more leaves no band to keep (and a cutoff of exactly 0 has no sinc).
    if (m_cutoff <= 0) {
        m_verdict = Verdict::FilterTooNarrow;
        return;
    }
    BuildTable();

    // Every phase must pass DC within 1 dB; a cutoff too low for 63 taps (downsampling by more than about 12)
    // gives a filter that mostly blocks the band it should keep.
    const long double lowest = std::pow(10.0L, -1.0L / 20.0L) * 32768.0L;
    const long double highest = std::pow(10.0L, 1.0L / 20.0L) * 32768.0L;
    for (int phase = 0; phase < m_phases; ++phase) {
        int64_t sum = 0;
        for (int tap = 0; tap < kTaps; ++tap)
            sum += Coefficient(phase, tap);
        if (sum < lowest || sum > highest) {
            m_verdict = Verdict::FilterTooNarrow;
            return;
        }
    }
}

const char* LRateDesign::Problem() const {
    switch (m_verdict) {
    case Verdict::Served:
        return "";
    case Verdict::RateOutOfRange:
        return "the rate is out of range (1 to 1000000 frames per second)";
    case Verdict::ZeroStep:
        return "the target rate is more than 255 times the input rate";
    case Verdict::RateMissed:
        return "the rate converter cannot reach the target rate within 1 %";
    case Verdict::FilterTooNarrow:
        return "the rate converter cannot lower the rate by that much";
    }
    return "";
}

int32_t LRateDesign::Coefficient(int phase, int tap) const {
    const size_t index = static_cast<size_t>(phase) * kTaps + static_cast<size_t>(tap);
    return index < m_coefficients.size() ? m_coefficients[index] : 0;
}

void LRateDesign::SearchPhases(int32_t inputRate, int32_t targetRate, uint16_t& phases, int32_t& step) {
    phases = 1;
    step = 0;
    if (inputRate < 1 || targetRate < 1)
        return;
    const long double ratio = static_cast<long double>(inputRate) / targetRate;
    long double best = ratio;
    for (int candidate = 1; candidate <= kMaxPhases; ++candidate) {
        const long double m = std::trunc(candidate * ratio + 0.5L);
        const long double error = std::fabs(ratio - m / candidate);
        if (error < best) {
            best = error;
            phases = static_cast<uint16_t>(candidate);
            if (error < 0.001L)
                break;
        }
    }
    const long double m = std::trunc(phases * ratio + 0.5L);
    step = m > 2147483647.0L ? 0 : static_cast<int32_t>(m);
}

long double LRateDesign::BesselI0(long double y) {
    const long double z = y * y;
    long double term = z / 4;
    long double sum = 1 + term;
    for (int k = 2; k <= 6; ++k) {
        term = term * z / (k * k * 4);
        sum += term;
    }
    return sum;
}

void LRateDesign::BuildTable() {
    m_coefficients.assign(static_cast<size_t>(m_phases) * kTaps, 0);
    const long double fc = m_cutoff;
    const long double windowScale = 32768.0L * fc / BesselI0(m_beta);
    for (int phase = 0; phase < m_phases; ++phase) {
        for (int tap = 0; tap < kTaps; ++tap) {
            const long double x =
                static_cast<long double>(tap - kCentreTap) - static_cast<long double>(phase) / m_phases;
            int32_t coefficient;
            if (x == 0) {
                coefficient = static_cast<int32_t>(32768.0L * fc + 0.5L);
            } else {
                const long double angle = kPi * fc * x;
                const long double window = BesselI0(m_beta * std::sqrt(1.0L - x * x / 1024.0L));
                coefficient = RoundAway(windowScale * std::sin(angle) / angle * window);
            }
            m_coefficients[static_cast<size_t>(phase) * kTaps + tap] = coefficient;
        }
    }

    m_lanesFit = true;
    for (int phase = 0; phase < m_phases; ++phase) {
        int64_t lanes[4] = {};
        for (int tap = 0; tap < kTaps; ++tap)
            lanes[(tap % 8) / 2] += std::abs(Coefficient(phase, tap));
        for (int64_t lane : lanes)
            if (lane >= 65536)
                m_lanesFit = false;
    }
}
