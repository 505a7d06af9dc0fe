#include "audio/LSoundPlayer.h"

#include "audio/Levels.h"
#include "platform/AudioBackend.h"
#include "platform/Poster.h"
#include "sound/LSPPeakLimit.h"
#include "sound/SampleFormat.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <pthread.h>
#include <sched.h>
#include <unordered_map>

namespace {

// The players alive, by a number that is never reused: work the worker posts carries only the number (no
// allocation for the posted call), and finds nothing once its player is gone.
std::mutex g_playersMutex;
std::unordered_map<uint64_t, LSoundPlayer*> g_players;
uint64_t g_lastPlayerId = 0;

LSoundPlayer* FindPlayer(uint64_t id) {
    std::lock_guard lock(g_playersMutex);
    const auto found = g_players.find(id);
    return found == g_players.end() ? nullptr : found->second;
}

} // namespace

LSoundPlayer::LSoundPlayer(Poster& poster, AudioBackend& backend) : m_poster(poster), m_backend(backend) {
    std::lock_guard lock(g_playersMutex);
    m_id = ++g_lastPlayerId;
    g_players.emplace(m_id, this);
}

LSoundPlayer::~LSoundPlayer() {
    {
        std::lock_guard lock(g_playersMutex);
        g_players.erase(m_id);
    }
    *m_alive = false;
    notify = nullptr;
    Stop(PlayStopReason::Owner, false);
    Finish();
}

int32_t LSoundPlayer::FramesPerBufferFor(int32_t rate) {
    return std::clamp(rate / 10, 20, 8192);
}

uint16_t LSoundPlayer::PlayState() const {
    std::lock_guard lock(m_ringLock);
    return m_playState;
}

int32_t LSoundPlayer::SourceLength() {
    std::lock_guard lock(m_ringLock);
    return m_source ? m_source->GetLength() : 0;
}

template <class Call> bool LSoundPlayer::Tell(Call call) {
    if (!notify)
        return true;
    const std::shared_ptr<bool> alive = m_alive;
    const uint32_t generation = m_generation;
    call(*notify);
    return *alive && m_generation == generation;
}

bool LSoundPlayer::Play(LSoundSourceHandle& source) {
    StopPlaying();
    if (!source || source->IsInvalid())
        return false;
    LSoundSourceHandle chain = source;
    if (chain->FullScale() > kFullScale16) {
        LSPPeakLimit(kFullScale16).Apply(chain, chain);
        if (!chain || chain->IsInvalid())
            return false;
    }
    const int32_t rate = chain->Rate();
    const uint8_t channels = chain->Channels();
    if (rate < 1 || channels < 1)
        return false;
    if (!m_waveOut)
        m_waveOut = m_backend.CreateWaveOut();
    if (!m_waveOut || !m_waveOut->Open({.device = device, .format = {static_cast<uint32_t>(rate), channels}}))
        return false;

    // Every buffer the worker needs is made here, once per playback.
    const int32_t framesPerBuffer = FramesPerBufferFor(rate);
    const size_t samples = static_cast<size_t>(framesPerBuffer) * channels;
    m_work.assign(samples, 0);
    for (Buffer& buffer : m_buffers) {
        buffer.memory.assign(samples, 0);
        buffer.sequence = -1;
        buffer.position = kNoPosition;
        buffer.levels = LDBMC(channels);
    }
    m_levels = LDBMC(channels);
    m_waveOut->Pause(); // held until three blocks are queued

    {
        std::lock_guard lock(m_ringLock);
        m_source = chain;
        m_usesLimiter = chain.Get() != source.Get();
        m_framesPerBuffer = framesPerBuffer;
        m_channels = channels;
        m_rate = rate;
        m_playState = kActive | kStartPending | kFilling;
        m_events = 0;
        m_postPending = false;
        m_workerDone = false;
        m_stopWanted = false;
        m_wantedPriority = Priority::Keep;
        m_nextHeader = 0;
        m_idlePasses = 0;
        m_doneBlocks = 0;
        m_endReason = PlayStopReason::End;
        m_playedPosition.store(chain->GetPosition(), std::memory_order_release);
    }
    // The start position, taken before the worker can move it on.
    const int32_t time = TimeForFrames(PlayedPosition(), rate);
    ++m_generation;
    Start(ThreadPriority::Lowest);

    if (!Tell([&](LSoundPlayerNotify& owner) { owner.OnPlayStart(notifyCookie); }))
        return true;
    Tell([&](LSoundPlayerNotify& owner) { owner.OnPlayTime(time, notifyCookie); });
    return true;
}

void LSoundPlayer::StopPlaying() {
    Stop(PlayStopReason::Owner, true);
}

void LSoundPlayer::Stop(PlayStopReason reason, bool tellOwner) {
    if (PlayState() == 0)
        return;
    {
        std::lock_guard lock(m_ringLock);
        m_stopWanted = true;
    }
    m_wake.notify_all();
    Finish(); // the worker is gone before anything it uses is freed

    m_waveOut->Reset();
    m_waveOut->Close();
    for (Buffer& buffer : m_buffers) {
        buffer.memory = {};
        buffer.sequence = -1;
        buffer.position = kNoPosition;
    }
    m_work = {};
    {
        std::lock_guard lock(m_ringLock);
        m_source.Reset();
        m_playState = 0;
        m_events = 0;
    }
    m_playedPosition.store(0, std::memory_order_release);
    m_stopReason = reason;
    ++m_generation;
    if (!tellOwner)
        return;

    if (!Tell([&](LSoundPlayerNotify& owner) { owner.OnPlayStop(notifyCookie); }))
        return;
    if (!Tell([&](LSoundPlayerNotify& owner) { owner.OnPlayTime(0, notifyCookie); }))
        return;
    if (levelsEnabled)
        Tell([&](LSoundPlayerNotify& owner) { owner.OnPlayLevels(LDBMC(), notifyCookie); });
}

void LSoundPlayer::SeekPlaying(int32_t frame) {
    bool restartWorker = false;
    int32_t position = 0;
    {
        std::lock_guard lock(m_ringLock);
        if (m_playState == 0)
            return;
        m_waveOut->Reset(); // the queued audio is dropped; a running device goes on running
        for (Buffer& buffer : m_buffers)
            buffer.position = kNoPosition;
        m_source->Seek(frame);
        position = m_source->GetPosition();
        m_playedPosition.store(position, std::memory_order_release);
        m_nextHeader = 0;
        // A device still held for its first blocks stays held until three blocks of the new position are queued.
        m_playState |= kFilling;
        m_wantedPriority = Priority::Lowest;
        m_events = 0; // an end found before the seek no longer holds
        m_idlePasses = 0;
        m_endReason = PlayStopReason::End;
        restartWorker = m_workerDone;
        m_workerDone = false;
    }
    if (restartWorker) {
        Finish();
        Start(ThreadPriority::Lowest);
    }
    const int32_t time = TimeForFrames(position, m_rate);
    Tell([&](LSoundPlayerNotify& owner) { owner.OnPlayTime(time, notifyCookie); });
}

bool LSoundPlayer::IsFree(const Buffer& buffer) {
    if (buffer.sequence < m_doneBlocks)
        return true;
    m_doneBlocks = m_waveOut->DoneBlocks();
    return buffer.sequence < m_doneBlocks;
}

void LSoundPlayer::PostEvents(uint16_t events) {
    m_events |= events;
    if (m_postPending)
        return;
    m_postPending = true;
    m_poster.Post([id = m_id] {
        if (LSoundPlayer* player = FindPlayer(id))
            player->OnPlayEvents();
    });
}

void LSoundPlayer::ApplyPriority(Priority priority) {
    sched_param parameters{};
    // The ring is full once output runs: the worker then keeps up at normal priority; while it fills, it yields.
    ::pthread_setschedparam(::pthread_self(), priority == Priority::High ? SCHED_OTHER : SCHED_BATCH, &parameters);
}

void LSoundPlayer::Run() {
    using namespace std::chrono_literals;
    std::unique_lock lock(m_ringLock);
    while (ShouldRun() && !m_stopWanted) {
        if (m_wantedPriority != Priority::Keep) {
            ApplyPriority(m_wantedPriority);
            m_wantedPriority = Priority::Keep;
        }
        if (m_waveOut->IsLost()) {
            m_endReason = PlayStopReason::DeviceLost;
            break;
        }
        Buffer& buffer = m_buffers[m_nextHeader];
        if (!IsFree(buffer)) {
            if (m_playState & kFilling) {
                m_playState &= static_cast<uint16_t>(~kFilling);
                ApplyPriority(Priority::High);
            }
            if (++m_idlePasses == kIdlePassLimit + 1) {
                m_endReason = PlayStopReason::Stalled;
                PostEvents(kEndedEvent);
            }
            m_wake.wait_for(lock, 90ms, [this] { return m_stopWanted || !ShouldRun(); });
            continue;
        }

        m_idlePasses = 0;
        uint16_t events = 0;
        if (buffer.position != kNoPosition) {
            // This block has just finished playing.
            m_playedPosition.store(static_cast<int32_t>(buffer.position), std::memory_order_release);
            buffer.position = kNoPosition;
            events |= kPositionEvent;
            if (levelsEnabled.load(std::memory_order_relaxed)) {
                m_levels = buffer.levels;
                events |= kLevelsEvent;
            }
        }
        if (m_source->GetPosition() < m_source->GetLength()) {
            m_source->Read(m_work.data(), m_framesPerBuffer);
            std::transform(m_work.begin(), m_work.end(), buffer.memory.begin(),
                           [](int32_t sample) { return LSF16::FromPipeline(sample); });
            const int64_t sequence = m_waveOut->Write(buffer.memory);
            if (sequence < 0) {
                m_endReason = PlayStopReason::DeviceLost;
                break;
            }
            buffer.sequence = sequence;
            buffer.position = static_cast<uint32_t>(m_source->GetPosition());
            if (levelsEnabled.load(std::memory_order_relaxed))
                MeanSquareLevelDb(m_work.data(), m_framesPerBuffer, m_channels, buffer.levels);
        } else if (m_waveOut->DoneBlocks() >= m_waveOut->WrittenBlocks()) {
            // Nothing left to read and every block played.
            PostEvents(events | kEndedEvent);
            m_workerDone = true;
            return;
        }
        if (events != 0)
            PostEvents(events);
        m_nextHeader = static_cast<uint8_t>((m_nextHeader + 1) % kBufferCount);
        if (m_nextHeader == kStartThreshold && (m_playState & kStartPending)) {
            m_waveOut->Restart();
            m_playState &= static_cast<uint16_t>(~kStartPending);
        }
        // Let the owner in between blocks (a seek, a stop); the next free block is filled at once.
        lock.unlock();
        lock.lock();
    }
    if (m_endReason == PlayStopReason::DeviceLost) {
        PostEvents(kEndedEvent);
        m_workerDone = true;
    }
}

void LSoundPlayer::OnPlayEvents() {
    uint16_t events = 0;
    PlayStopReason endReason = PlayStopReason::End;
    {
        // Read and cleared under the ring lock: an end the worker sets meanwhile comes with the next post.
        std::lock_guard lock(m_ringLock);
        events = m_events;
        m_events = 0;
        m_postPending = false;
        if (m_playState == 0)
            return;
        if (events & kLevelsEvent)
            m_shownLevels = m_levels;
        endReason = m_endReason;
    }
    if (events & kEndedEvent) {
        Stop(endReason, true);
        return;
    }
    if (events & kPositionEvent) {
        const int32_t time = TimeForFrames(PlayedPosition(), m_rate);
        if (!Tell([&](LSoundPlayerNotify& owner) { owner.OnPlayTime(time, notifyCookie); }))
            return;
    }
    if ((events & kLevelsEvent) && levelsEnabled)
        Tell([&](LSoundPlayerNotify& owner) { owner.OnPlayLevels(m_shownLevels, notifyCookie); });
}
