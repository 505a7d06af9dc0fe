// DeviceTestSupport: what the device and engine tests share: an owner that collects delivered blocks, starting a
// recording, and pumping the owner's queue until something happened.
#pragma once

#include "platform/AudioBackend.h"
#include "platform/AudioTypes.h"
#include "platform/Poster.h"
#include "platform/WaveIn.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

inline constexpr PcmFormat kDictation{8000, 1};

// An owner of a recording device that keeps what it is given and, when asked, hands every block straight back.
class BlockCollector final : public WaveInNotify {
public:
    explicit BlockCollector(WaveIn& device, bool requeue = true) : m_device(device), m_requeue(requeue) {}
    void OnWaveInData(const WaveInBlock& block) override {
        indices.push_back(block.index);
        frames.push_back(block.frames);
        const size_t channels = m_device.Options().format.channels;
        samples.insert(samples.end(), block.samples, block.samples + static_cast<size_t>(block.frames) * channels);
        if (m_requeue)
            m_device.AddBuffer(block.index);
    }
    void OnWaveInLost() override {
        ++losses;
        blocksBeforeLoss = indices.size();
    }

    std::vector<int32_t> indices; // in delivery order
    std::vector<int32_t> frames;  // frames recorded of each delivered block
    std::vector<int16_t> samples; // the recorded frames of every block, one after the other
    int losses = 0;
    size_t blocksBeforeLoss = 0;

private:
    WaveIn& m_device;
    bool m_requeue;
};

// The file backend's options: blocks from `in` (empty: silence), playback into `out` (empty: discarded).
inline FileAudioOptions Files(const std::string& in, const std::string& out = {}, FilePacing pacing = FilePacing::Fast,
                              FileInputEnd end = FileInputEnd::Continue) {
    return {in, out, pacing, end, {}, {}, {}};
}

// Opens `device` for `owner`, starts it and queues every block; false when it does not open.
inline bool StartRecording(WaveIn& device, const WaveInOptions& options, PumpPoster& poster, WaveInNotify& owner) {
    if (!device.Open(options, poster, owner))
        return false;
    device.Start();
    for (int32_t i = 0; i < options.blockCount; ++i)
        device.AddBuffer(i);
    return true;
}

// Pumps `poster` until `done` holds or `limit` passes; true when it held.
inline bool PumpUntil(PumpPoster& poster, const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::milliseconds(10000)) {
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
