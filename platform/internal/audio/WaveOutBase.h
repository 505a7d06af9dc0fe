// WaveOutBase: what every playback device shares: block sequence numbers, the frame position where each block ends,
// done blocks judged from the frames the device still has to play, loss reports, and the backend's playback level.
// A back end adds the stream. Public calls take m_mutex; the hooks run with it held.
#pragma once

#include "PlaybackLevelHub.h"
#include "platform/WaveOut.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

namespace audio_internal {

class WaveOutBase : public WaveOut, public PlaybackLevelTarget {
public:
    explicit WaveOutBase(std::shared_ptr<PlaybackLevelHub> hub);
    ~WaveOutBase() override;
    WaveOutBase(const WaveOutBase&) = delete;
    WaveOutBase& operator=(const WaveOutBase&) = delete;

    [[nodiscard]] bool Open(const WaveOutOptions& options, Poster* poster, WaveOutNotify* notify) final;
    int64_t Write(std::span<const int16_t> samples) final;
    int64_t DoneBlocks() final;
    int64_t WrittenBlocks() const final;
    void Pause() final;
    void Restart() final;
    void Reset() final;
    void Close() final;
    void SetLevel(uint16_t mixerLevel) final;
    bool IsOpen() const final;
    bool IsPaused() const final;
    bool IsLost() const final { return m_lost.load(); }

    void ApplyLevel(uint16_t mixerLevel) final { SetLevel(mixerLevel); }

protected:
    // The back end's stream, all called with m_mutex held. OpenStream starts with output held until frames are
    // queued; QueueFrames queues whole frames (false: the device refused them); UnplayedFrames counts the frames
    // queued since OpenStream that the device has not played yet; FlushStream drops them all at once.
    [[nodiscard]] virtual bool OpenStream(const WaveOutOptions& options, uint16_t mixerLevel) = 0;
    [[nodiscard]] virtual bool QueueFrames(std::span<const int16_t> samples) = 0;
    virtual int64_t UnplayedFrames() = 0;
    virtual void PauseStream() = 0;
    virtual void RestartStream() = 0;
    virtual void FlushStream() = 0;
    virtual void CloseStream() = 0;
    virtual void SetStreamLevel(uint16_t mixerLevel) = 0;

    // From any thread, without m_mutex: the device went away. Every block counts as done from now on.
    void ReportLost();

    const WaveOutOptions& OpenOptions() const { return m_options; }

    mutable std::mutex m_mutex;

private:
    const std::shared_ptr<PlaybackLevelHub> m_hub;
    WaveOutOptions m_options;
    bool m_open = false;
    bool m_paused = false;
    int64_t m_written = 0;           // blocks written since Open
    int64_t m_done = 0;              // blocks done since Open
    int64_t m_queuedFrames = 0;      // frames written since Open
    std::deque<int64_t> m_blockEnds; // frame position where each block not yet done ends
    std::atomic<bool> m_lost{false};
    Poster* m_poster = nullptr;
    WaveOutNotify* m_notify = nullptr;
    std::shared_ptr<int> m_openToken; // posted loss reports hold it weakly
};

} // namespace audio_internal
