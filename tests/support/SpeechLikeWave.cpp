#include "SpeechLikeWave.h"

#include "sound/LSoundSink.h"
#include "sound/WaveFile.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

bool WriteSpeechLikeWave(const std::string& path, double seconds, int32_t rate, uint32_t seed) {
    constexpr int32_t kBlockFrames = 8192;
    LSoundSinkHandle sink = CreatePCMFileSink(path, rate, 1, 16, 0);
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, 1.0);
    const int64_t frames = static_cast<int64_t>(seconds * rate);
    std::vector<int32_t> block(kBlockFrames);
    double low = 0;
    for (int64_t done = 0; done < frames;) {
        const int32_t count = static_cast<int32_t>(std::min<int64_t>(kBlockFrames, frames - done));
        for (int32_t i = 0; i < count; ++i) {
            const double t = static_cast<double>(done + i) / rate;
            const double envelope = std::max(0.0, std::sin(2 * M_PI * 2.5 * t)) * (0.6 + 0.4 * std::sin(t));
            low += 0.3 * (noise(random) - low);
            block[static_cast<size_t>(i)] =
                static_cast<int32_t>(std::clamp(low * envelope * 0x30000, -524272.0, 524272.0));
        }
        sink->Write(block.data(), count);
        done += count;
    }
    return FinishFileSink(*sink);
}
