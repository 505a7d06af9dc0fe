#include "ChildProcess.h"

#include "platform/FileOps.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sstream>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

ChildProcess::ChildProcess(const std::string& program, Options options) {
    const pid_t parent = ::getpid();
    m_pid = ::fork();
    if (m_pid != 0)
        return;
    // A child must not outlive the test process, however that ends.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent)
        ::_exit(126);
    if (options.processGroup >= 0 && ::setpgid(0, options.processGroup) != 0)
        ::_exit(126);
    for (const auto& [name, value] : options.environment)
        ::setenv(name.c_str(), value.c_str(), 1);
    if (!options.workingFolder.empty() && ::chdir(options.workingFolder.c_str()) != 0)
        ::_exit(126);
    if (!options.outputFile.empty()) {
        const int output = ::open(options.outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(output, 1);
        ::dup2(output, 2);
    }
    std::vector<char*> argv;
    for (std::string& argument : options.arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
}

ChildProcess::~ChildProcess() {
    if (!HasEnded()) {
        Kill(SIGKILL);
        Wait(std::chrono::seconds(10));
    }
}

bool ChildProcess::HasEnded() {
    if (m_exitCode || m_pid <= 0)
        return true;
    int status = 0;
    if (::waitpid(m_pid, &status, WNOHANG) != m_pid)
        return false;
    m_exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    return true;
}

std::optional<int> ChildProcess::Wait(std::chrono::milliseconds timeout) {
    return PollUntil([this] { return HasEnded(); }, timeout) ? m_exitCode : std::nullopt;
}

void ChildProcess::Kill(int signal) {
    if (m_pid > 0 && !m_exitCode)
        ::kill(m_pid, signal);
}

std::string FindProgram(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path ? path : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const std::string candidate = JoinPath(folder, program);
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
}

std::optional<int> RunProgram(std::vector<std::string> arguments, const std::string& outputFile,
                              std::chrono::milliseconds timeout) {
    const std::string program = arguments.at(0);
    return ChildProcess(program, {std::move(arguments), {}, {}, outputFile}).Wait(timeout);
}

bool PollUntil(const std::function<bool()>& ready, std::chrono::microseconds timeout,
               std::chrono::microseconds interval) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!ready()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(interval);
    }
    return true;
}
