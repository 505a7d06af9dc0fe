// LRateDesign: the rate converter's filter for one input and target rate: phases L and step M (output rate =
// input rate x L / M), cutoff and Kaiser window, the Q15 coefficient table of L rows x 63 taps, and whether the
// design can serve the pair at all. Pure computation; built once per converter, in extended precision.
//
//   LRateDesign design(44100, 8000);   // design.Phases() == 39, design.Step() == 215
//   if (design.GetVerdict() != LRateDesign::Verdict::Served) { /* leave the stream as it is */ }
#pragma once

#include <cstdint>
#include <vector>

class LRateDesign {
public:
    static constexpr int kTaps = 63;
    static constexpr int kCentreTap = 31;
    static constexpr uint16_t kMaxPhases = 255;
    static constexpr int32_t kMaxRate = 1000000;

    enum class Verdict {
        Served,
        RateOutOfRange,  // a rate below 1 or above kMaxRate
        ZeroStep,        // the target is so far above the input that no L up to 255 gives a step M of 1 or more
        RateMissed,      // the best L/M found misses the target rate by more than 1 %
        FilterTooNarrow, // the cutoff leaves the 63-tap filter unable to pass the band (DC off by more than 1 dB)
    };

    LRateDesign(int32_t inputRate, int32_t targetRate);

    Verdict GetVerdict() const { return m_verdict; }
    bool IsServed() const { return m_verdict == Verdict::Served; }
    // A short English reason for a verdict other than Served ("" when served).
    const char* Problem() const;

    int32_t InputRate() const { return m_inputRate; }
    int32_t TargetRate() const { return m_targetRate; }
    uint16_t Phases() const { return m_phases; } // L
    int32_t Step() const { return m_step; }      // M
    long double Cutoff() const { return m_cutoff; }
    long double Beta() const { return m_beta; }
    // The Q15 coefficient of `tap` (0..62) in `phase` (0..L-1); 0 when the table was not built.
    int32_t Coefficient(int phase, int tap) const;
    const std::vector<int32_t>& Coefficients() const { return m_coefficients; }
    // True when every group of taps that one 32-bit lane of the vector kernel sums (taps t with (t mod 8) / 2
    // equal) has |coefficients| adding up to less than 65536, so its partial sum over 16-bit samples fits.
    bool LanesFitInt32() const { return m_lanesFit; }

    // The L/M search alone: for L = 1..255 keep the first L that beats the best error so far (starting at the
    // ratio itself), stopping at an error below 0.001; M = truncate(L x ratio + 0.5).
    static void SearchPhases(int32_t inputRate, int32_t targetRate, uint16_t& phases, int32_t& step);
    // The window's Bessel function I0 by the series 1 + t1 + ... + t6 (z = y^2, t1 = z/4, tk = tk-1 z / (4 k^2)).
    static long double BesselI0(long double y);

private:
    void BuildTable();

    int32_t m_inputRate;
    int32_t m_targetRate;
    uint16_t m_phases = 1;
    int32_t m_step = 0;
    long double m_cutoff = 0;
    long double m_beta = 0;
    std::vector<int32_t> m_coefficients;
    bool m_lanesFit = false;
    Verdict m_verdict = Verdict::Served;
};
