#include "EngineTestSupport.h"

#include "sound/LSoundSink.h"
#include "sound/SampleFormat.h"
#include "sound/WaveFile.h"

#include <algorithm>
#include <cmath>
#include <numbers>

Samples Tone(int32_t frames, int16_t amplitude, double frequency, int32_t rate) {
    Samples samples(static_cast<size_t>(frames));
    for (int32_t i = 0; i < frames; ++i)
        samples[static_cast<size_t>(i)] =
            static_cast<int16_t>(std::lround(amplitude * std::sin(2.0 * std::numbers::pi * frequency * i / rate)));
    return samples;
}

bool WriteWave(const std::string& path, const Samples& samples, int32_t rate, uint8_t channels) {
    LSoundSinkHandle sink = CreatePCMFileSink(path, rate, channels, 16, 0);
    if (!sink || sink->IsInError())
        return false;
    std::vector<int32_t> pipeline(samples.size());
    std::transform(samples.begin(), samples.end(), pipeline.begin(), LSF16::ToPipeline);
    sink->Write(pipeline.data(), static_cast<int32_t>(samples.size() / channels));
    return FinishFileSink(*sink);
}

Samples ReadWave(const std::string& path, int32_t* rate) {
    LSoundSourceHandle source = OpenWaveFile(path);
    if (!source)
        return {};
    if (rate)
        *rate = source->Rate();
    const int32_t frames = source->GetLength();
    std::vector<int32_t> pipeline(static_cast<size_t>(frames) * source->Channels());
    for (int32_t done = 0, part = 0; done < frames; done += part) {
        part = std::min(frames - done, kMaxFramesPerCall);
        source->Read(pipeline.data() + static_cast<size_t>(done) * source->Channels(), part);
    }
    Samples samples(pipeline.size());
    std::transform(pipeline.begin(), pipeline.end(), samples.begin(), LSF16::FromPipeline);
    return samples;
}
