#include "PulseServer.h"

#include "ChildProcess.h"
#include "TempFolder.h"
#include "platform/FileOps.h"

#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <thread>

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
        const std::string loss = "unix:" + home + "/loss/pulse/native";
        folder.Write(".asoundrc", "pcm.!default { type pulse }\nctl.!default { type pulse }\n"
                                  "pcm.lossy { type pulse server \"" +
                                      loss + "\" }\nctl.lossy { type pulse server \"" + loss + "\" }\n");
        return home;
    }();
    return path;
}

std::unique_ptr<PulseServer> g_shared;
bool g_sharedTried = false;

// Sets the environment up before any test touches a sound library, and kills the shared server at the end.
class AudioEnvironment final : public ::testing::Environment {
public:
    void SetUp() override { Home(); }
    void TearDown() override { g_shared.reset(); }
};

[[maybe_unused]] ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new AudioEnvironment);

// Starts `arguments` (program path first) in the sound server folder `runtimeFolder`, its output going to `log`.
std::unique_ptr<ChildProcess> Spawn(std::vector<std::string> arguments, const std::string& runtimeFolder,
                                    const std::string& log) {
    const std::string program = arguments[0];
    return std::make_unique<ChildProcess>(
        program, ChildProcess::Options{std::move(arguments), {{"XDG_RUNTIME_DIR", runtimeFolder}}, {}, log});
}

} // namespace

PulseServer* PulseServer::Shared() {
    if (!g_sharedTried) {
        g_sharedTried = true;
        auto server = std::make_unique<PulseServer>(Home());
        if (server->IsRunning())
            g_shared = std::move(server);
    }
    return g_shared.get();
}

std::string PulseServer::LossServerFolder() {
    return Home() + "/loss";
}

PulseServer::PulseServer(std::string runtimeFolder) : m_runtimeFolder(std::move(runtimeFolder)) {
    Home();
    MakeFolders(m_runtimeFolder);
    ::chmod(m_runtimeFolder.c_str(), 0700);
    const std::string program = FindProgram("pulseaudio");
    if (program.empty())
        return;
    m_server = Spawn({program, "--daemonize=no", "--exit-idle-time=-1", "--system=false", "--use-pid-file=no", "-n",
                      "--load=module-null-sink sink_name=test", "--load=module-native-protocol-unix auth-anonymous=1",
                      "--load=module-remap-source master=test.monitor source_name=mic "
                      "source_properties=device.description=Microphone"},
                     m_runtimeFolder, m_runtimeFolder + "/server.log");
    // Ready once the server answers on its socket.
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!PathExists(m_runtimeFolder + "/pulse/native") || Pactl({"info"}) == "<failed>") {
        if (m_server->HasEnded() || std::chrono::steady_clock::now() > deadline) {
            Kill();
            return;
        }
        std::this_thread::sleep_for(10ms);
    }
    Pactl({"set-default-sink", "test"});
    Pactl({"set-default-source", "mic"});
    // A null sink renders in blocks as long as the lowest latency asked of it, two seconds when nobody asks: a
    // recorder that keeps asking for 20 ms, and a restart of the sink's clock, let every test start at once.
    const std::string recorder = FindProgram("parec");
    if (!recorder.empty())
        m_listener =
            Spawn({recorder, "-s", Address(), "-d", "mic", "--latency-msec=20", "--rate=8000", "--channels=1", "--raw"},
                  m_runtimeFolder, "/dev/null");
    Pactl({"suspend-sink", "test", "1"});
    Pactl({"suspend-sink", "test", "0"});
}

PulseServer::~PulseServer() {
    Kill();
}

void PulseServer::Kill() {
    m_listener.reset();
    m_server.reset();
}

std::string PulseServer::Pactl(const std::vector<std::string>& arguments) const {
    static const std::string program = FindProgram("pactl");
    if (program.empty())
        return "<failed>";
    const std::string output = m_runtimeFolder + "/pactl.out";
    ChildProcess::Options options;
    options.arguments = {program, "-s", Address()};
    options.arguments.insert(options.arguments.end(), arguments.begin(), arguments.end());
    options.outputFile = output;
    ChildProcess child(program, options);
    const std::optional<int> exitCode = child.Wait(10s);
    if (!exitCode || *exitCode != 0)
        return "<failed>";
    return ReadFileBytes(output).value_or("<failed>");
}
