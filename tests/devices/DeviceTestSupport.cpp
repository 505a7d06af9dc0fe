#include "DeviceTestSupport.h"

#include "FileOps.h"
#include "internal/audio/PcmWaveLayout.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>

using namespace audio_internal;

void BlockCollector::OnWaveInData(const WaveInBlock& block) {
    indices.push_back(block.index);
    frames.push_back(block.frames);
    const size_t channels = m_device.Options().format.channels;
    samples.insert(samples.end(), block.samples, block.samples + static_cast<size_t>(block.frames) * channels);
    if (m_requeue)
        m_device.AddBuffer(block.index);
}

void BlockCollector::OnWaveInLost() {
    ++losses;
    blocksBeforeLoss = indices.size();
}

bool PumpUntil(PumpPoster& poster, const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    poster.Pump();
    while (!done()) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            return false;
        poster.WaitAndPump(std::min(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now),
                                    std::chrono::milliseconds(20)));
    }
    return true;
}

std::vector<int16_t> TestSignal(size_t frames, uint32_t seed, int amplitude) {
    std::vector<int16_t> signal(frames);
    uint32_t state = seed * 2654435761u + 1;
    double smooth[2] = {0, 0};
    for (size_t i = 0; i < frames; ++i) {
        state = state * 1664525u + 1013904223u;
        const double noise = (static_cast<double>(state >> 8) / double(1u << 24)) * 2.0 - 1.0;
        smooth[0] += 0.35 * (noise - smooth[0]);
        smooth[1] += 0.35 * (smooth[0] - smooth[1]);
        signal[i] = static_cast<int16_t>(std::lround(std::clamp(smooth[1] * 3.0, -1.0, 1.0) * amplitude));
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
    if (recording.size() < signal.size())
        return best;
    const size_t lags = recording.size() - signal.size() + 1;
    // Coarse steps first, then every lag around the best one.
    constexpr size_t kStep = 3;
    for (size_t lag = 0; lag < lags; lag += kStep) {
        const double value = Correlation(recording.data() + lag, signal.data(), signal.size());
        if (value > best.correlation)
            best = {lag, value};
    }
    const size_t from = best.lag > kStep ? best.lag - kStep : 0;
    const size_t to = std::min(lags, best.lag + kStep + 1);
    for (size_t lag = from; lag < to; ++lag) {
        const double value = Correlation(recording.data() + lag, signal.data(), signal.size());
        if (value > best.correlation)
            best = {lag, value};
    }
    return best;
}

std::pair<size_t, size_t> SoundingSpan(const std::vector<int16_t>& recording, int threshold) {
    constexpr size_t kWindow = 16;
    size_t first = 0, last = 0;
    bool found = false;
    double level = 0;
    for (size_t i = 0; i < recording.size(); ++i) {
        level += (std::abs(double(recording[i])) - level) / kWindow;
        if (level > threshold) {
            if (!found)
                first = i;
            found = true;
            last = i;
        }
    }
    return found ? std::pair{first, last} : std::pair<size_t, size_t>{0, 0};
}

bool PlayTwiceWithAGap(WaveOut& output, WaveIn& input, BlockCollector& owner, PumpPoster& poster) {
    input.Start();
    for (int32_t i = 0; i < input.Options().blockCount; ++i)
        input.AddBuffer(i);
    const auto recordMore = [&](size_t blocks) {
        const size_t recorded = owner.indices.size();
        return PumpUntil(poster, [&] { return owner.indices.size() >= recorded + blocks; });
    };
    const std::vector<int16_t> first = TestSignal(1600, 3), second = TestSignal(1600, 4);
    bool ok = recordMore(2) && output.Write(first) == 0 &&
              PumpUntil(poster, [&] { return output.DoneBlocks() == 1; }) && recordMore(4) &&
              output.Write(second) == 1 && PumpUntil(poster, [&] { return output.DoneBlocks() == 2; }) && recordMore(4);
    input.Close();
    output.Close();
    const SignalMatch one = FindSignal(owner.samples, first);
    const SignalMatch two = FindSignal(owner.samples, second);
    const SignalMatch head = FindSignal(owner.samples, std::vector<int16_t>(second.begin(), second.begin() + 320));
    EXPECT_GT(one.correlation, 0.8);
    EXPECT_GT(two.correlation, 0.8);
    EXPECT_GT(head.correlation, 0.8);
    EXPECT_NEAR(static_cast<double>(head.lag), static_cast<double>(two.lag), 2.0);
    EXPECT_GT(two.lag, one.lag + 1600 + 800); // the device ran dry in between
    return ok && one.correlation > 0.8 && two.correlation > 0.8 && head.correlation > 0.8;
}

void WriteWave(const std::string& path, const PcmFormat& format, const std::vector<int16_t>& samples) {
    const auto header = PcmWaveHeader(format, static_cast<uint32_t>(samples.size() * 2));
    std::string bytes(reinterpret_cast<const char*>(header.data()), header.size());
    bytes.append(reinterpret_cast<const char*>(samples.data()), samples.size() * 2);
    (void)WriteFileAtomically(path, bytes);
}

std::vector<int16_t> ReadWave(const std::string& path, PcmFormat* format) {
    const std::optional<std::string> bytes = ReadFileBytes(path);
    if (!bytes)
        return {};
    const std::optional<PcmWaveLayout> layout = ReadPcmWaveLayout(
        [&](void* buffer, size_t count, int64_t offset) -> int64_t {
            if (offset < 0 || static_cast<size_t>(offset) > bytes->size())
                return -1;
            const size_t take = std::min(count, bytes->size() - static_cast<size_t>(offset));
            if (take > 0)
                std::memcpy(buffer, bytes->data() + offset, take);
            return static_cast<int64_t>(take);
        },
        static_cast<int64_t>(bytes->size()));
    if (!layout)
        return {};
    if (format)
        *format = layout->format;
    std::vector<int16_t> samples(static_cast<size_t>(layout->frames) * layout->format.channels);
    if (!samples.empty())
        std::memcpy(samples.data(), bytes->data() + layout->dataOffset, samples.size() * 2);
    return samples;
}
