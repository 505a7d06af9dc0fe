#include "DeviceTestSupport.h"

#include <algorithm>

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

bool StartRecording(WaveIn& device, const WaveInOptions& options, PumpPoster& poster, WaveInNotify& owner) {
    if (!device.Open(options, poster, owner))
        return false;
    device.Start();
    for (int32_t i = 0; i < options.blockCount; ++i)
        device.AddBuffer(i);
    return true;
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
