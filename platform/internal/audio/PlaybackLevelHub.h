// PlaybackLevelHub: the playback level of one backend, and the open playback devices that follow it.
// Any thread; a device registers while open and must deregister before it goes.
#pragma once

#include "platform/MixerLevel.h"

#include <cstdint>
#include <mutex>
#include <vector>

namespace audio_internal {

// A playback device that takes the backend's level.
class PlaybackLevelTarget {
public:
    virtual ~PlaybackLevelTarget() = default;
    virtual void ApplyLevel(uint16_t mixerLevel) = 0;
};

class PlaybackLevelHub {
public:
    uint16_t Level() const {
        std::lock_guard lock(m_mutex);
        return m_level;
    }

    // Stores the level and applies it to every registered device (under the hub's lock: a device that
    // deregisters waits until this is over).
    void SetLevel(uint16_t mixerLevel) {
        std::lock_guard lock(m_mutex);
        m_level = mixerLevel;
        for (PlaybackLevelTarget* target : m_targets)
            target->ApplyLevel(mixerLevel);
    }

    void Add(PlaybackLevelTarget* target) {
        std::lock_guard lock(m_mutex);
        m_targets.push_back(target);
    }

    void Remove(PlaybackLevelTarget* target) {
        std::lock_guard lock(m_mutex);
        std::erase(m_targets, target);
    }

private:
    mutable std::mutex m_mutex;
    uint16_t m_level = kMixerLevelUnity;
    std::vector<PlaybackLevelTarget*> m_targets;
};

} // namespace audio_internal
