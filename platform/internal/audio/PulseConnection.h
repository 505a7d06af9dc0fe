// PulseConnection: one connection to the sound server: a threaded main loop of libpulse and its context, with waits
// that never outlast their time limit, and the server queries the backend needs. Its streams' callbacks run on the
// main loop's thread. Callers hold the loop's lock (PulseLock) around every libpulse call on its objects.
#pragma once

#include "platform/AudioTypes.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <pulse/pulseaudio.h>
#include <string>
#include <vector>

namespace audio_internal {

// One source or sink as the server describes it.
struct PulseDevice {
    uint32_t index = 0;
    std::string name;
    std::string description;
    bool isMonitor = false;
    uint8_t channels = 0;
    struct Port {
        std::string name;
        std::string description;
        LineAvailability availability = LineAvailability::Unknown;
    };
    std::vector<Port> ports;
    std::string activePort;
};

class PulseConnection {
public:
    // Connects to `server` (empty: the usual one) without ever starting a server; null when none answers in time.
    static std::shared_ptr<PulseConnection> Connect(const std::string& server, std::chrono::milliseconds timeout);

    ~PulseConnection();
    PulseConnection(const PulseConnection&) = delete;
    PulseConnection& operator=(const PulseConnection&) = delete;

    pa_threaded_mainloop* Mainloop() const { return m_mainloop; }
    pa_context* Context() const { return m_context; }

    // True while the server answers (takes the lock itself).
    bool IsReady() const;
    // The address of the server it reached (takes the lock itself).
    std::string ServerAddress() const;

    // With the lock held: waits until `done` holds, the context fails, or `timeout` passes. True when `done` held.
    // Callbacks that change what `done` looks at must call Signal.
    bool WaitLocked(const std::function<bool()>& done, std::chrono::milliseconds timeout);
    // With the lock held: waits for `operation` to finish (cancelling it at the time limit) and releases it.
    // True when it finished.
    bool FinishLocked(pa_operation* operation, std::chrono::milliseconds timeout);
    // Wakes every WaitLocked; callable from the main loop's thread.
    void Signal() { pa_threaded_mainloop_signal(m_mainloop, 0); }
    // A success callback for operations whose answer only has to end a wait; `userdata` is the connection.
    static void SignalAnswer(pa_context*, int, void* userdata) { static_cast<PulseConnection*>(userdata)->Signal(); }

    // Server queries (each takes the lock): nothing when the server does not answer in time.
    std::optional<std::vector<PulseDevice>> Sources();
    std::optional<std::vector<PulseDevice>> Sinks();
    std::optional<PulseDevice> Source(const std::string& name); // "@DEFAULT_SOURCE@" names the default
    // Settings (each takes the lock and waits for the server's answer): true when the server accepted them.
    bool SetSourcePort(const std::string& source, const std::string& port);
    bool SetSourceVolume(const std::string& source, uint8_t channels, pa_volume_t volume);

private:
    PulseConnection() = default;
    bool Start(const std::string& server, std::chrono::milliseconds timeout);

    pa_threaded_mainloop* m_mainloop = nullptr;
    pa_context* m_context = nullptr;
};

// Holds a connection's main loop lock for a scope.
class PulseLock {
public:
    explicit PulseLock(const PulseConnection& connection) : m_mainloop(connection.Mainloop()) {
        pa_threaded_mainloop_lock(m_mainloop);
    }
    ~PulseLock() { pa_threaded_mainloop_unlock(m_mainloop); }
    PulseLock(const PulseLock&) = delete;
    PulseLock& operator=(const PulseLock&) = delete;

private:
    pa_threaded_mainloop* m_mainloop;
};

// The server's volume for a mixer level: the same decibels (0 dB = 100 %), muted for level 0.
pa_volume_t PulseVolumeForMixerLevel(uint16_t mixerLevel);

// The time limit of every wait for the server's answer.
inline constexpr std::chrono::milliseconds kPulseAnswerTime{3000};

} // namespace audio_internal
