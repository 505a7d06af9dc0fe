// ChildProcess: runs a program as a child for tests (own arguments, environment additions, working folder) and
// waits for it with a time-out; a child still running when the object or the test process goes is killed.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

class ChildProcess {
public:
    struct Options {
        std::vector<std::string> arguments;                           // argument 0 first
        std::vector<std::pair<std::string, std::string>> environment; // set on top of this process's
        std::string workingFolder;                                    // empty: this process's
        std::string outputFile;                                       // stdout and stderr go here; empty: inherited
        pid_t processGroup = -1; // -1: the test process's; 0: a new one the child leads; else: that group
    };

    ChildProcess(const std::string& program, Options options);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return m_pid > 0; }
    pid_t Pid() const { return m_pid; }
    // The exit code, or nothing when it did not end in time (or ended by a signal: -signal).
    std::optional<int> Wait(std::chrono::milliseconds timeout);
    bool HasEnded();
    void Kill(int signal);

private:
    pid_t m_pid = -1;
    std::optional<int> m_exitCode;
};

// Path of `program` found on PATH, or empty.
std::string FindProgram(const std::string& program);

// Runs `arguments` (program path first) to its end, its output going to `outputFile`: its exit code, as Wait gives it.
std::optional<int> RunProgram(std::vector<std::string> arguments, const std::string& outputFile,
                              std::chrono::milliseconds timeout);

// Asks `ready` at each `interval` until it holds (true) or `timeout` passed (false).
bool PollUntil(const std::function<bool()>& ready, std::chrono::microseconds timeout,
               std::chrono::microseconds interval = std::chrono::milliseconds(10));
