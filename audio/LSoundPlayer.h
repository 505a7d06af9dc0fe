// LSoundPlayer: plays a source through a playback device from a worker thread of its own that keeps a ring of 70
// output blocks (a tenth of a second each) queued; position, levels and the end reach the owner on the owner's
// thread, through its Poster. Public operations come from the owner's thread only.
//
//   LSoundPlayer player(poster, backend);
//   player.notify = this; player.levelsEnabled = true;
//   if (!player.Play(source)) ShowCannotPlay();   // OnPlayTime ... OnPlayStop arrive through the poster
#pragma once

#include "audio/LDBMC.h"
#include "audio/LSoundPlayerNotify.h"
#include "platform/LThread.h"
#include "platform/WaveOut.h"
#include "sound/LSoundSource.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <vector>

class AudioBackend;
class Poster;

// Why the last playback ended.
enum class PlayStopReason {
    None,       // no playback has ended yet
    Owner,      // StopPlaying, Play or destruction
    End,        // the source was played to its end
    DeviceLost, // the device went away
    Stalled     // the device finished no block for about 25 seconds
};

class LSoundPlayer final : public LThread {
public:
    static constexpr int32_t kBufferCount = 70;
    static constexpr int32_t kStartThreshold = 3;  // output starts once this many blocks are queued
    static constexpr int32_t kIdlePassLimit = 280; // idle passes of 90 ms before the device is given up
    static constexpr uint32_t kNoPosition = 0x80000000u;

    // playState bits.
    static constexpr uint16_t kActive = 0x01;
    static constexpr uint16_t kStartPending = 0x08;
    static constexpr uint16_t kFilling = 0x10;

    // `poster` runs work on the owner's thread; both must outlive the player.
    LSoundPlayer(Poster& poster, AudioBackend& backend);
    // Stops without notifying the owner, who is going away or already knows.
    ~LSoundPlayer() override;

    // Plays `source` from its current position (a busy player is stopped first). A source whose full scale exceeds
    // the 16-bit range plays through a peak limiter. False, with nothing notified, when the source is empty or
    // invalid or the device cannot be opened.
    [[nodiscard]] bool Play(LSoundSourceHandle& source);
    // Stops and tells the owner (OnPlayStop, OnPlayTime 0, and an empty level set when levels are enabled).
    void StopPlaying();
    // Drops the queued audio and plays on from `frame` of the source; the new position is reported at once.
    void SeekPlaying(int32_t frame);

    // Frames per block for a source rate: a tenth of a second, 20 to 8192.
    static int32_t FramesPerBufferFor(int32_t rate);

    // Set by the owner.
    int8_t device = 0; // playback device number; -1 the default device
    LSoundPlayerNotify* notify = nullptr;
    uint32_t notifyCookie = 0;
    std::atomic<bool> levelsEnabled{false};

    // playState flags; 0 when stopped.
    uint16_t PlayState() const;
    bool IsBusy() const { return PlayState() != 0; }
    // The source position at the end of the last block that finished playing (frames).
    int32_t PlayedPosition() const { return m_playedPosition.load(std::memory_order_acquire); }
    // The chain being played (the limiter when one was put in); empty while stopped. Its rate, channels and full
    // scale may be read; its length and position only through SourceLength and PlayedPosition while playing.
    const LSoundSourceHandle& Source() const { return m_source; }
    // The chain's length in frames (read under the ring lock); 0 while stopped.
    int32_t SourceLength();
    bool UsesLimiter() const { return m_usesLimiter; }
    int32_t FramesPerBuffer() const { return m_framesPerBuffer; }
    PlayStopReason LastStopReason() const { return m_stopReason; }

protected:
    void Run() override;

private:
    struct Buffer {
        std::vector<int16_t> memory;
        int64_t sequence = -1;           // the device's number of the block; -1 while free
        uint32_t position = kNoPosition; // source position after this block's data
        LDBMC levels;
    };

    enum Event : uint16_t { kPositionEvent = 1, kLevelsEvent = 2, kEndedEvent = 4 };
    enum class Priority : uint8_t { Keep, Lowest, High };

    bool IsFree(const Buffer& buffer);
    void PostEvents(uint16_t events); // under m_ringLock
    void OnPlayEvents();
    void Stop(PlayStopReason reason, bool tellOwner);
    void ApplyPriority(Priority priority);
    template <class Call> bool Tell(Call call);

    Poster& m_poster;
    AudioBackend& m_backend;
    uint64_t m_id = 0; // finds the player from posted work while it lives
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    uint32_t m_generation = 0;

    mutable LLockObject m_ringLock; // guards the source while the worker runs, the ring and the fields below it
    std::condition_variable_any m_wake;
    bool m_stopWanted = false;
    LSoundSourceHandle m_source;
    std::unique_ptr<WaveOut> m_waveOut;
    std::array<Buffer, kBufferCount> m_buffers;
    std::vector<int32_t> m_work;
    uint16_t m_playState = 0;
    uint16_t m_events = 0;
    bool m_postPending = false;
    bool m_workerDone = false; // the body returned after posting the end
    Priority m_wantedPriority = Priority::Keep;
    uint8_t m_nextHeader = 0;
    int32_t m_idlePasses = 0;
    int64_t m_doneBlocks = 0;
    LDBMC m_levels; // of the last block that finished playing
    LDBMC m_shownLevels;
    PlayStopReason m_endReason = PlayStopReason::End;

    std::atomic<int32_t> m_playedPosition{0};
    int32_t m_framesPerBuffer = 0;
    uint8_t m_channels = 1;
    int32_t m_rate = 8000;
    bool m_usesLimiter = false;
    PlayStopReason m_stopReason = PlayStopReason::None;
};
