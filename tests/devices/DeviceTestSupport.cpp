#include "DeviceTestSupport.h"

#include "platform/FileOps.h"

#include <algorithm>
#include <cmath>
#include <cstring>

void BlockCollector::OnWaveInData(const WaveInBlock& block) {
    indices.push_back(block.index);
    frames.push_back(block.frames);
    const size_t channels = m_device.Options().format.channels;
    samples.insert(samples.end(), block.samples, block.samples + static_cast<size_t>(block.frames) * channels);
    if (m_requeue)
        m_device.AddBuffer(block.index);
}

bool PumpUntil(PumpPoster& poster, const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    poster.Pump();
    while (!done()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        poster.WaitAndPump(std::min(left, std::chrono::milliseconds(20)));
    }
    return true;
}

std::vector<int16_t> TestSignal(size_t frames, uint32_t seed, int amplitude) {
    std::vector<int16_t> signal(frames);
    uint32_t state = seed * 2654435761u + 1;
    double smooth[2] = {0, 0};
    for (int16_t& sample : signal) {
        state = state * 1664525u + 1013904223u;
        const double noise = (static_cast<double>(state >> 8) / double(1u << 24)) * 2.0 - 1.0;
        smooth[0] += 0.35 * (noise - smooth[0]);
        smooth[1] += 0.35 * (smooth[0] - smooth[1]);
        sample = static_cast<int16_t>(std::lround(std::clamp(smooth[1] * 3.0, -1.0, 1.0) * amplitude));
    }
    return signal;
}

namespace {

double Correlation(const int16_t* a, const int16_t* b, size_t count) {
    double dot = 0, energyA = 0, energyB = 0;
    for (size_t i = 0; i < count; ++i) {
        dot += double(a[i]) * b[i];
        energyA += double(a[i]) * a[i];
        energyB += double(b[i]) * b[i];
    }
    return energyA > 0 && energyB > 0 ? dot / std::sqrt(energyA * energyB) : 0.0;
}

} // namespace

SignalMatch FindSignal(const std::vector<int16_t>& recording, const std::vector<int16_t>& signal) {
    SignalMatch best;
    for (size_t lag = 0; lag + signal.size() <= recording.size(); ++lag) {
        const double value = Correlation(recording.data() + lag, signal.data(), signal.size());
        if (value > best.correlation)
            best = {lag, value};
    }
    return best;
}

std::pair<size_t, size_t> SoundingSpan(const std::vector<int16_t>& recording, int threshold) {
    constexpr size_t kWindow = 16;
    std::pair<size_t, size_t> span{0, 0};
    bool found = false;
    double level = 0;
    for (size_t i = 0; i < recording.size(); ++i) {
        level += (std::abs(double(recording[i])) - level) / kWindow;
        if (level > threshold) {
            span = {found ? span.first : i, i};
            found = true;
        }
    }
    return span;
}

void WritePcmWave(const std::string& path, const PcmFormat& format, const std::vector<int16_t>& samples) {
    const auto header = audio_internal::PcmWaveHeader(format, static_cast<uint32_t>(samples.size() * 2));
    std::string bytes(reinterpret_cast<const char*>(header.data()), header.size());
    bytes.append(reinterpret_cast<const char*>(samples.data()), samples.size() * 2);
    (void)WriteFileAtomically(path, bytes);
}

std::optional<audio_internal::PcmWaveLayout> PcmWaveLayoutOf(const std::string& bytes) {
    return audio_internal::ReadPcmWaveLayout(
        [&](void* buffer, size_t count, int64_t offset) -> int64_t {
            if (offset < 0 || static_cast<size_t>(offset) > bytes.size())
                return -1;
            const size_t take = std::min(count, bytes.size() - static_cast<size_t>(offset));
            std::memcpy(buffer, bytes.data() + offset, take);
            return static_cast<int64_t>(take);
        },
        static_cast<int64_t>(bytes.size()));
}

std::vector<int16_t> ReadPcmWave(const std::string& path, PcmFormat* format) {
    const std::string bytes = ReadFileBytes(path).value_or("");
    const auto layout = PcmWaveLayoutOf(bytes);
    if (!layout)
        return {};
    if (format)
        *format = layout->format;
    std::vector<int16_t> samples(static_cast<size_t>(layout->frames) * layout->format.channels);
    std::memcpy(samples.data(), bytes.data() + layout->dataOffset, samples.size() * 2);
    return samples;
}
