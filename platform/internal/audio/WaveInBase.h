// WaveInBase: the block bookkeeping every recording device shares: the owner's blocks, the queue of blocks to fill,
// re-blocking of whatever the capture side delivers, the ring of filled blocks and the one wake per batch that
// brings them to the owner's thread. A back end adds the stream: it opens, starts, stops and closes it and feeds
// frames from its capture thread.
#pragma once

#include "platform/WaveIn.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace audio_internal {

class WaveInBase : public WaveIn {
public:
    WaveInBase() = default;
    ~WaveInBase() override;
    WaveInBase(const WaveInBase&) = delete;
    WaveInBase& operator=(const WaveInBase&) = delete;

    [[nodiscard]] bool Open(const WaveInOptions& options, Poster& poster, WaveInNotify& notify) final;
    void Start() final;
    bool AddBuffer(int32_t index) final;
    int32_t Reset() final;
    void Close() final;

    bool IsOpen() const final { return m_core != nullptr; }
    bool IsLost() const final;
    int32_t QueuedBlocks() const final;
    WaveInStats Stats() const final;
    const WaveInOptions& Options() const final { return m_options; }

protected:
    // The back end's stream. OpenStream and CloseStream come with no stream running; after StopStream and
    // CloseStream return, no Feed, FeedSilence or ReportLost call runs until the next StartStream.
    [[nodiscard]] virtual bool OpenStream(const WaveInOptions& options) = 0;
    virtual void StartStream() = 0;
    virtual void StopStream() = 0;
    virtual void CloseStream() = 0;
    // Called on the owner's thread after a block was queued and after Start (a device that fills blocks on
    // demand fills them here).
    virtual void OnBlocksQueued() {}

    // From the capture thread while the stream runs (or from OnBlocksQueued): frames in the open format.
    void Feed(const int16_t* samples, int64_t frames);
    // Frames of a hole in the stream, filled in as silence.
    void FeedSilence(int64_t frames);
    // A recovered overrun of the device.
    void CountOverrun();
    // The device went away: the partly filled block is handed over with what it has, then the loss is reported.
    void ReportLost();
    // A gain applied to fed frames (software record level); 1 leaves them untouched.
    void SetFeedGain(double gain);
    // True when a block is queued to take frames (devices that fill on demand ask before reading).
    bool HasQueuedBlock() const;

private:
    struct Core;
    enum class Place : uint8_t { Owner, Queued, Filled };

    void Put(const int16_t* samples, int64_t frames, bool silence);
    void Wake(const std::shared_ptr<Core>& core);
    void Deliver(const std::shared_ptr<Core>& core);

    WaveInOptions m_options;
    Poster* m_poster = nullptr;
    WaveInNotify* m_notify = nullptr;
    std::shared_ptr<Core> m_core; // while open; posted wakes hold it weakly
    bool m_streaming = false;
    std::atomic<double> m_gain{1.0};
    std::shared_ptr<std::atomic<bool>> m_lifetime = std::make_shared<std::atomic<bool>>(true);
};

} // namespace audio_internal
