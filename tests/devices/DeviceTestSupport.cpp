#include "DeviceTestSupport.h"

#include <algorithm>
#include <cmath>

void BlockCollector::OnWaveInData(const WaveInBlock& block) {
    indices.push_back(block.index);
    frames.push_back(block.frames);
    const size_t channels = m_device.Options().format.channels;
    samples.insert(samples.end(), block.samples, block.samples + static_cast<size_t>(block.frames) * channels);
    if (m_requeue)
        m_device.AddBuffer(block.index);
}

FileAudioOptions Files(const std::string& in, const std::string& out, FilePacing pacing, FileInputEnd end) {
    FileAudioOptions options;
    options.inputPath = in;
    options.outputPath = out;
    options.pacing = pacing;
    options.inputEnd = end;
    return options;
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

SignalMatch FindSignal(const std::vector<int16_t>& recording, const std::vector<int16_t>& signal) {
    SignalMatch best;
    for (size_t lag = 0; lag + signal.size() <= recording.size(); ++lag) {
        double dot = 0, energyA = 0, energyB = 0;
        for (size_t i = 0; i < signal.size(); ++i) {
            dot += double(recording[lag + i]) * signal[i];
            energyA += double(recording[lag + i]) * recording[lag + i];
            energyB += double(signal[i]) * signal[i];
        }
        if (energyA > 0 && energyB > 0 && dot / std::sqrt(energyA * energyB) > best.correlation)
            best = {lag, dot / std::sqrt(energyA * energyB)};
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
