#include "sound/LSRCConvertRate.h"

#include "internal/ProcessorMaths.h"

#include <algorithm>
#include <cstdlib>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

using namespace processor_maths;

namespace {

constexpr int kKernelTaps = 64; // 63 taps and a zero, eight groups of eight
constexpr int32_t kLeadIn = LRateDesign::kCentreTap;
constexpr int32_t kFirstFill = LSRCConvertRate::kBufferFrames - kLeadIn; // 8161

// Sum of 64 products of 16-bit coefficients and samples. The caller guarantees that no 32-bit lane overflows
// (LRateDesign::LanesFitInt32); the lanes are added in 64 bits.
inline int64_t DotProduct64(const int16_t* coefficients, const int16_t* samples) {
#if defined(__SSE2__)
    __m128i sum = _mm_setzero_si128();
    for (int tap = 0; tap < kKernelTaps; tap += 8) {
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(coefficients + tap));
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(samples + tap));
        sum = _mm_add_epi32(sum, _mm_madd_epi16(c, x));
    }
    alignas(16) int32_t lanes[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), sum);
    return static_cast<int64_t>(lanes[0]) + lanes[1] + lanes[2] + lanes[3];
#else
    int64_t sum = 0;
    for (int tap = 0; tap < kKernelTaps; ++tap)
        sum += static_cast<int32_t>(coefficients[tap]) * static_cast<int32_t>(samples[tap]);
    return sum;
#endif
}

} // namespace

LSRCConvertRate::LSRCConvertRate(LSoundSourceHandle upstream, int32_t targetRate)
    : LSoundProcessBase(std::move(upstream)), m_design(m_upstream ? m_upstream->Rate() : kDefaultRate, targetRate) {
    m_rate = (targetRate >= 1 && targetRate <= LRateDesign::kMaxRate) ? targetRate : kDefaultRate;
    if (m_fullScale <= 0x100000)
        m_fullScale = ClampToInt32(static_cast<int64_t>(m_fullScale) * 2);
    if (!m_design.IsServed())
        MarkInvalid();
    if (IsInvalid())
        return;

    const int channels = m_channels;
    const uint16_t phases = m_design.Phases();
    m_buffer.assign(static_cast<size_t>(kBufferFrames) * channels, 0);
    m_planes.assign(static_cast<size_t>(kBufferFrames) * channels, 0);
    m_carry.assign(static_cast<size_t>(LRateDesign::kTaps) * channels, 0);
    m_kernelTable.assign(static_cast<size_t>(phases) * kKernelTaps, 0);
    for (int phase = 0; phase < phases; ++phase)
        for (int tap = 0; tap < LRateDesign::kTaps; ++tap)
            m_kernelTable[static_cast<size_t>(phase) * kKernelTaps + tap] =
                static_cast<int16_t>(m_design.Coefficient(phase, tap));
    m_wholeStep = m_design.Step() / phases;
    m_fractionStep = m_design.Step() % phases;

    // The first output frame is centred on the upstream's current frame: 31 silent frames lead in.
    ReadInSteps(m_upstream.Get(), m_buffer.data() + static_cast<size_t>(kLeadIn) * channels, kFirstFill, channels);
    ScaleBuffer(nullptr, 0);
}

void LSRCConvertRate::ScaleBuffer(const int64_t* restored, int32_t restoredSamples) {
    const int channels = m_channels;
    const int64_t total = static_cast<int64_t>(kBufferFrames) * channels;
    int64_t peak = 0;
    for (int32_t i = 0; i < restoredSamples; ++i)
        peak = std::max(peak, std::abs(restored[i]));
    peak = std::max(peak, PeakMagnitude(m_buffer.data() + restoredSamples, total - restoredSamples));
    int shift = 0;
    while ((peak >> shift) > 0x7fff)
        ++shift;
    m_shift = shift;
    const int64_t half = (int64_t{1} << shift) >> 1;

    for (int32_t i = 0; i < restoredSamples; ++i)
        m_buffer[i] = static_cast<int32_t>((restored[i] + half) >> shift);
    if (shift > 0) {
        int32_t* samples = m_buffer.data();
        for (int64_t i = restoredSamples; i < total; ++i)
            samples[i] = static_cast<int32_t>((static_cast<int64_t>(samples[i]) + half) >> shift);
    }

    // Only a positive peak rounded up can reach 0x8000, which the 16-bit planes cannot hold: the scalar path
    // then serves this buffer.
    bool usable = m_design.LanesFitInt32();
    const int32_t* samples = m_buffer.data();
    for (int channel = 0; channel < channels; ++channel) {
        int16_t* plane = m_planes.data() + static_cast<size_t>(channel) * kBufferFrames;
        int32_t highest = 0;
        for (int32_t frame = 0; frame < kBufferFrames; ++frame) {
            const int32_t value = samples[static_cast<size_t>(frame) * channels + channel];
            highest = std::max(highest, value);
            plane[frame] = static_cast<int16_t>(value);
        }
        if (highest > 0x7fff)
            usable = false;
    }
    m_planesUsable = usable;
}

void LSRCConvertRate::Refill() {
    const int channels = m_channels;
    const size_t carried = static_cast<size_t>(LRateDesign::kTaps) * channels;
    const int32_t* tail = m_buffer.data() + static_cast<size_t>(kRefillFrames) * channels;
    for (size_t i = 0; i < carried; ++i)
        m_carry[i] = static_cast<int64_t>(tail[i]) * (int64_t{1} << m_shift);
    ReadInSteps(m_upstream.Get(), m_buffer.data() + carried, kRefillFrames, channels);
    ScaleBuffer(m_carry.data(), static_cast<int32_t>(carried));
    m_index -= kRefillFrames;
}

int32_t LSRCConvertRate::Finish(int64_t sum) const {
    const int outputShift = 15 - m_shift;
    if (outputShift >= 0)
        return ClampToInt32((sum + ((int64_t{1} << outputShift) >> 1)) >> outputShift);
    return ClampToInt32(sum * (int64_t{1} << -outputShift));
}

int32_t LSRCConvertRate::ComputeFrame(int channel) const {
    if (m_planesUsable) {
        const int16_t* coefficients = m_kernelTable.data() + static_cast<size_t>(m_phase) * kKernelTaps;
        const int16_t* samples = m_planes.data() + static_cast<size_t>(channel) * kBufferFrames + m_index;
        return Finish(DotProduct64(coefficients, samples));
    }
    const int channels = m_channels;
    const int32_t* coefficients = m_design.Coefficients().data() + static_cast<size_t>(m_phase) * LRateDesign::kTaps;
    const int32_t* samples = m_buffer.data() + static_cast<size_t>(m_index) * channels + channel;
    int64_t sum = 0;
    for (int tap = 0; tap < LRateDesign::kTaps; ++tap)
        sum += static_cast<int64_t>(coefficients[tap]) * samples[static_cast<size_t>(tap) * channels];
    return Finish(sum);
}

void LSRCConvertRate::Read(int32_t* samples, int32_t frames) {
    if (frames <= 0)
        return;
    const int channels = m_channels;
    if (IsInvalid()) {
        std::fill_n(samples, static_cast<int64_t>(frames) * channels, 0);
        return;
    }
    const int32_t phases = m_design.Phases();
    for (int32_t frame = 0; frame < frames; ++frame) {
        while (m_index > kLastWindowStart)
            Refill();
        int32_t* out = samples + static_cast<int64_t>(frame) * channels;
        if (channels == 1) {
            out[0] = ComputeFrame(0);
        } else if (channels == 2) {
            out[0] = ComputeFrame(0);
            out[1] = ComputeFrame(1);
        } else {
            for (int channel = 0; channel < channels; ++channel)
                out[channel] = ComputeFrame(channel);
        }
        m_index += m_wholeStep;
        m_phase += m_fractionStep;
        if (m_phase >= phases) {
            m_phase -= phases;
            ++m_index;
        }
    }
}

void LSRCConvertRate::Seek(int32_t frame) {
    if (IsInvalid()) {
        LSoundProcessBase::Seek(frame);
        return;
    }
    const int64_t phases = m_design.Phases();
    const int64_t product = static_cast<int64_t>(frame) * m_design.Step();
    const int64_t centre = FloorDivide(product, phases);
    m_phase = static_cast<int32_t>(product - centre * phases);
    m_index = 0;
    m_upstream->Seek(ClampToInt32(centre - kLeadIn));
    ReadInSteps(m_upstream.Get(), m_buffer.data(), kBufferFrames, m_channels);
    ScaleBuffer(nullptr, 0);
}

int64_t LSRCConvertRate::ToOutputFrames(int64_t inputFrames) const {
    return FloorDivide(inputFrames * m_design.Phases(), m_design.Step());
}

int32_t LSRCConvertRate::GetPosition() {
    if (IsInvalid())
        return LSoundProcessBase::GetPosition();
    // p: the upstream frame on which the next output frame's window is centred, before its phase.
    const int64_t centre = static_cast<int64_t>(m_upstream->GetPosition()) - (kFirstFill - m_index);
    return ClampToInt32(FloorDivide(centre * m_design.Phases() + m_phase, m_design.Step()));
}

int32_t LSRCConvertRate::GetLength() {
    if (IsInvalid())
        return LSoundProcessBase::GetLength();
    return ClampToInt32(ToOutputFrames(m_upstream->GetLength()));
}
