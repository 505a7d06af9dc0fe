#include "PulseServer.h"

#include "ChildProcess.h"
#include "TempFolder.h"
#include "platform/FileOps.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <sys/stat.h>

namespace {

using namespace std::chrono_literals;

// The temporary home of this test process (no trailing '/'): sound server folders and the ALSA configuration.
const std::string& Home() {
    static const TempFolder folder;
    static const std::string path = [] {
        const std::string home = folder.Path().substr(0, folder.Path().size() - 1);
        ::chmod(home.c_str(), 0700);
        ::setenv("XDG_RUNTIME_DIR", home.c_str(), 1);
        ::setenv("HOME", home.c_str(), 1);
        ::unsetenv("PULSE_SERVER");
        ::unsetenv("PULSE_RUNTIME_PATH");
        ::unsetenv("DISPLAY");
        const auto device = [](const std::string& name, const std::string& server) {
            return "pcm." + name + " { type pulse server \"" + server + "\" }\nctl." + name +
                   " { type pulse server \"" + server + "\" }\n";
        };
        folder.Write(".asoundrc", "pcm.!default { type pulse }\nctl.!default { type pulse }\n" +
                                      device("lossy", "unix:" + home + "/loss/pulse/native") +
                                      device("pipewire", "unix:" + home + "/pipewire/pulse/native"));
        return home;
    }();
    return path;
}

std::optional<std::unique_ptr<PulseServer>> g_shared[2]; // once tried: null when it did not start

// Sets the environment up before any test touches a sound library, and kills the shared servers at the end.
class AudioEnvironment final : public ::testing::Environment {
public:
    void SetUp() override { Home(); }
    void TearDown() override {
        for (std::optional<std::unique_ptr<PulseServer>>& server : g_shared)
            server.reset();
    }
};

[[maybe_unused]] ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new AudioEnvironment);

// The first program a server of `kind` runs that is not installed, or empty.
std::string MissingProgram(SoundServerKind kind) {
    const std::vector<std::string> pulseAudio{"pulseaudio", "pactl", "parec"},
        pipeWire{"dbus-daemon", "pipewire", "wireplumber", "pipewire-pulse", "pactl", "parec"};
    for (const std::string& program : kind == SoundServerKind::PulseAudio ? pulseAudio : pipeWire)
        if (FindProgram(program).empty())
            return program;
    return {};
}

} // namespace

PulseServer* PulseServer::Shared(SoundServerKind kind) {
    std::optional<std::unique_ptr<PulseServer>>& shared = g_shared[static_cast<size_t>(kind)];
    if (!shared) {
        shared =
            std::make_unique<PulseServer>(kind == SoundServerKind::PulseAudio ? Home() : Home() + "/pipewire", kind);
        if (!(*shared)->IsRunning())
            shared->reset();
    }
    return shared->get();
}

std::string PulseServer::SkipReason(SoundServerKind kind) {
    const std::string missing = MissingProgram(kind);
    return kind == SoundServerKind::PipeWire && !missing.empty() ? "PipeWire: " + missing + " is not installed" : "";
}

std::string PulseServer::LossServerFolder() {
    return Home() + "/loss";
}

PulseServer::PulseServer(std::string runtimeFolder, SoundServerKind kind) : m_runtimeFolder(std::move(runtimeFolder)) {
    Home();
    MakeFolders(m_runtimeFolder);
    ::chmod(m_runtimeFolder.c_str(), 0700);
    if (!MissingProgram(kind).empty())
        return;
    const bool started = kind == SoundServerKind::PulseAudio ? StartPulseAudio() : StartPipeWire();
    // The sink and the microphone are the defaults; a server missing either is of no use.
    if (!started || Pactl({"set-default-sink", "test"}) == "<failed>" ||
        Pactl({"set-default-source", "mic"}) == "<failed>")
        Kill();
}

bool PulseServer::StartPulseAudio() {
    Spawn({FindProgram("pulseaudio"), "--daemonize=no", "--exit-idle-time=-1", "--system=false", "--use-pid-file=no",
           "-n", "--load=module-null-sink sink_name=test", "--load=module-native-protocol-unix auth-anonymous=1",
           "--load=module-remap-source master=test.monitor source_name=mic "
           "source_properties=device.description=Microphone"},
          m_runtimeFolder + "/server.log");
    // Ready once the server answers on its socket.
    if (!WaitUntil([this] { return Answers(); }))
        return false;
    // A null sink renders in blocks as long as the lowest latency asked of it, two seconds when nobody asks: the
    // listener asks for 20 ms, and a restart of the sink's clock lets every test start at once.
    Listen();
    Pactl({"suspend-sink", "test", "1"});
    Pactl({"suspend-sink", "test", "0"});
    return true;
}

bool PulseServer::StartPipeWire() {
    // Each program needs the one before it: the session bus (wireplumber's), the PipeWire daemon, then its session
    // manager and PulseAudio service. PipeWire's null sink runs on its own clock at the graph's quantum.
    const std::string bus = m_runtimeFolder + "/bus";
    Spawn({FindProgram("dbus-daemon"), "--session", "--nofork", "--nopidfile", "--address=unix:path=" + bus},
          m_runtimeFolder + "/dbus.log");
    if (!WaitUntil([&] { return PathExists(bus); }))
        return false;
    Spawn({FindProgram("pipewire")}, m_runtimeFolder + "/pipewire.log");
    if (!WaitUntil([this] { return PathExists(m_runtimeFolder + "/pipewire-0"); }))
        return false;
    Spawn({FindProgram("wireplumber")}, m_runtimeFolder + "/wireplumber.log");
    Spawn({FindProgram("pipewire-pulse")}, m_runtimeFolder + "/pipewire-pulse.log");
    if (!WaitUntil([this] { return Answers(); }))
        return false;
    // The sink and the microphone are made through the PulseAudio service; the microphone appears a moment later.
    if (Pactl({"load-module", "module-null-sink", "sink_name=test"}) == "<failed>" ||
        Pactl({"load-module", "module-remap-source", "master=test.monitor", "source_name=mic",
               "source_properties=device.description=Microphone"}) == "<failed>")
        return false;
    if (!WaitUntil([this] { return Pactl({"list", "short", "sources"}).find("\tmic\t") != std::string::npos; }))
        return false;
    // The remapped microphone buffers what the sink played while nobody recorded, and would hand it to the next
    // recording: the listener keeps taking it.
    Listen();
    return true;
}

void PulseServer::Listen() {
    Spawn({FindProgram("parec"), "-s", Address(), "-d", "mic", "--latency-msec=20", "--rate=8000", "--channels=1",
           "--raw"},
          "/dev/null");
}

void PulseServer::Spawn(std::vector<std::string> arguments, const std::string& log) {
    const std::string program = arguments[0];
    ChildProcess::Options options{
        std::move(arguments),
        {{"XDG_RUNTIME_DIR", m_runtimeFolder}, {"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + m_runtimeFolder + "/bus"}},
        {},
        log,
        m_processes.empty() ? 0 : m_processes.front()->Pid()}; // the first leads the group
    m_processes.push_back(std::make_unique<ChildProcess>(program, std::move(options)));
}

bool PulseServer::WaitUntil(const std::function<bool()>& ready) {
    const auto ended = [this] {
        return std::ranges::any_of(m_processes, [](const auto& process) { return process->HasEnded(); });
    };
    return PollUntil([&] { return ready() || ended(); }, 10s) && !ended();
}

PulseServer::~PulseServer() {
    Kill();
}

void PulseServer::Kill() {
    // The whole group, with anything its programs started; then each is reaped.
    if (!m_processes.empty() && m_processes.front()->Pid() > 0)
        ::kill(-m_processes.front()->Pid(), SIGKILL);
    m_processes.clear();
}

bool PulseServer::Answers() const {
    return PathExists(m_runtimeFolder + "/pulse/native") && Pactl({"info"}) != "<failed>";
}

std::string PulseServer::Pactl(const std::vector<std::string>& arguments) const {
    static const std::string program = FindProgram("pactl");
    std::vector<std::string> command{program, "-s", Address()};
    command.insert(command.end(), arguments.begin(), arguments.end());
    const std::string output = m_runtimeFolder + "/pactl.out";
    if (program.empty() || RunProgram(std::move(command), output, 10s) != 0)
        return "<failed>";
    return ReadFileBytes(output).value_or("<failed>");
}
