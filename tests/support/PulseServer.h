// PulseServer: a private sound server for the device tests: a null sink "test" whose monitor is remapped into a
// plain source "mic" (what is played into "test" comes back from "mic"), both the defaults. The process's
// XDG_RUNTIME_DIR and HOME point into a temporary folder (with an ~/.asoundrc that sends ALSA's "default" device to
// the shared server and "lossy" to the loss server). Each server is killed with its test process, whatever happens.
#pragma once

#include <memory>
#include <string>
#include <vector>

class ChildProcess;

class PulseServer {
public:
    // The server every test of this process shares, started on first use; null when it could not start.
    static PulseServer* Shared();
    // A second server in its own folder, for tests that kill it; its socket is the one ALSA's "lossy" device uses.
    static std::string LossServerFolder();

    // Starts a server whose runtime folder is `runtimeFolder`.
    explicit PulseServer(std::string runtimeFolder);
    ~PulseServer();
    PulseServer(const PulseServer&) = delete;
    PulseServer& operator=(const PulseServer&) = delete;

    bool IsRunning() const { return m_server != nullptr; }
    // The address libpulse takes.
    std::string Address() const { return "unix:" + m_runtimeFolder + "/pulse/native"; }
    // Runs pactl against this server; its standard output, or "<failed>".
    std::string Pactl(const std::vector<std::string>& arguments) const;
    // Ends the server at once, as a crash would.
    void Kill();

private:
    std::string m_runtimeFolder;
    std::unique_ptr<ChildProcess> m_server;
    std::unique_ptr<ChildProcess> m_listener; // keeps the null sink's latency low
};
