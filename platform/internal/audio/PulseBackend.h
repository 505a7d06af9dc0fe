// PulseBackend: the backend over the desktop's sound server. Recording devices are the server's sources without
// the monitors of its sinks; playback devices are its sinks; the mixer is a source's ports and volume.
// PulseSession is what the backend and its devices share: the server's address and the live connection, made anew
// after the server went away.
#pragma once

#include "PulseConnection.h"
#include "platform/AudioBackend.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace audio_internal {

class PulseSession {
public:
    explicit PulseSession(std::string server) : m_server(std::move(server)) {}

    // The connection, or null when the server does not answer (a failed connection is replaced at most once per
    // call, waiting at most kPulseAnswerTime).
    std::shared_ptr<PulseConnection> Connection();

    // A connection of the caller's own to the server the shared one reached, or null. A recording stream has one:
    // PipeWire's PulseAudio service holds back a client's recorded data while a playback stream of the same client
    // runs dry.
    std::shared_ptr<PulseConnection> OwnConnection();

    // Keeps a connection made elsewhere (the first one).
    void Adopt(std::shared_ptr<PulseConnection> connection);

    // The server's device list of one direction (monitors left out of recording), or nothing.
    std::optional<std::vector<PulseDevice>> List(AudioDirection direction);

    // The server's name of device `device` (-1 and 0: empty, the default); nothing when there is no such device.
    std::optional<std::string> DeviceName(AudioDirection direction, int device);

private:
    const std::string m_server;
    std::mutex m_mutex;
    std::shared_ptr<PulseConnection> m_connection;
};

class PulseBackend final : public AudioBackend {
public:
    explicit PulseBackend(std::shared_ptr<PulseSession> session) : m_session(std::move(session)) {}

    AudioBackendKind Kind() const override { return AudioBackendKind::Pulse; }
    std::vector<AudioDeviceInfo> Devices(AudioDirection direction) override;
    std::unique_ptr<WaveIn> CreateWaveIn() override;
    std::unique_ptr<WaveOut> CreateWaveOut() override;
    std::optional<std::vector<AudioInputLine>> InputLines(int device) override;
    [[nodiscard]] bool SelectInputLine(int device, int line) override;
    [[nodiscard]] bool SetRecordLevel(int device, uint16_t mixerLevel) override;

private:
    // The source that recording device `device` stands for, as the server describes it now.
    std::optional<PulseDevice> SourceOf(int device, std::shared_ptr<PulseConnection>& connection);

    std::shared_ptr<PulseSession> m_session;
};

// The input lines of a source as the backend reports them.
std::vector<AudioInputLine> InputLinesOf(const PulseDevice& source);

} // namespace audio_internal
