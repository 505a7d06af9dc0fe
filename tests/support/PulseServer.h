// PulseServer: a private sound server for the device tests, speaking the PulseAudio protocol: PulseAudio itself, or
// PipeWire with its PulseAudio service (pipewire, wireplumber and pipewire-pulse on a private D-Bus session bus). Each
// has a null sink "test" whose monitor is remapped into a plain source "mic" (what is played into "test" comes back
// from "mic"), both the defaults. The process's XDG_RUNTIME_DIR and HOME point into a temporary folder (with an
// ~/.asoundrc that sends ALSA's "default" device to the shared PulseAudio server, "pipewire" to the shared PipeWire
// server and "lossy" to the loss server). Each server is killed with its test process, whatever happens.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

class ChildProcess;

enum class SoundServerKind { PulseAudio, PipeWire };

class PulseServer {
public:
    // The server of `kind` every test of this process shares, started on first use; null when it could not start.
    static PulseServer* Shared(SoundServerKind kind = SoundServerKind::PulseAudio);
    // Why tests on a server of `kind` skip: empty, except on PipeWire where one of its programs is not installed
    // (PulseAudio is a must).
    static std::string SkipReason(SoundServerKind kind);
    // A second server in its own folder, for tests that kill it; its socket is the one ALSA's "lossy" device uses.
    static std::string LossServerFolder();

    // Starts a server of `kind` whose runtime folder is `runtimeFolder`.
    explicit PulseServer(std::string runtimeFolder, SoundServerKind kind = SoundServerKind::PulseAudio);
    ~PulseServer();
    PulseServer(const PulseServer&) = delete;
    PulseServer& operator=(const PulseServer&) = delete;

    bool IsRunning() const { return !m_processes.empty(); }
    // The address libpulse takes.
    std::string Address() const { return "unix:" + m_runtimeFolder + "/pulse/native"; }
    // Runs pactl against this server; its standard output, or "<failed>".
    std::string Pactl(const std::vector<std::string>& arguments) const;
    // Ends the server at once, as a crash would.
    void Kill();

private:
    bool StartPulseAudio();
    bool StartPipeWire();
    // True once the server answers on its socket.
    bool Answers() const;
    // Starts a recorder that keeps taking what the microphone gives.
    void Listen();
    // Starts `arguments` (program path first) in the server's folder and group, its output going to `log`.
    void Spawn(std::vector<std::string> arguments, const std::string& log);
    // Polls until `ready` holds; false when a process ended or ten seconds passed first.
    bool WaitUntil(const std::function<bool()>& ready);

    std::string m_runtimeFolder;
    std::vector<std::unique_ptr<ChildProcess>> m_processes; // the first leads the process group of all of them
};
