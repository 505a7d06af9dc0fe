// AudioTool: what the commands of the tallowin-audio tool share: exit codes, option parsing, the stop request from
// Ctrl+C and the one-line level meter drawn on a terminal.
#pragma once

#include "audio/LDBMC.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

enum ExitCode : int {
    kExitOk = 0,
    kExitFailure = 1, // the device or the file could not be used, or the device went away
    kExitUsage = 2,   // the command line is wrong
};

using Arguments = std::span<const std::string>;

int RunDevices(Arguments arguments);
int RunRecord(Arguments arguments);
int RunPlay(Arguments arguments);

// "tallowin-audio: <text>" on stderr.
void PrintError(std::string_view text);

// Reads "--name VALUE" pairs and one plain argument (the file). False, with the reason printed, on anything else.
class ToolOptions {
public:
    ToolOptions(Arguments arguments, std::span<const std::string_view> names);
    bool IsValid() const { return m_valid; }
    const std::string& File() const { return m_file; }
    std::optional<std::string> Value(std::string_view name) const;
    // The option as a number within [low, high]; `fallback` when absent; nothing (reason printed) when invalid.
    std::optional<double> Number(std::string_view name, double low, double high, double fallback) const;

private:
    Arguments m_arguments;
    std::string m_file;
    bool m_valid = true;
};

// Ctrl+C (and SIGTERM) ask the running command to stop instead of ending the process.
void CatchStopSignals();
bool StopRequested();

// A meter line rewritten in place on stderr while it is a terminal: "[#######-----]  -12 dB   0:00:03.4".
class LevelMeter {
public:
    LevelMeter();
    void Show(const LDBMC& levels, int32_t time, std::string_view state);
    // Ends the line (on a terminal).
    void Finish();

private:
    bool m_terminal = false;
    bool m_shown = false;
};
