// Commands: the commands of the tallowin-sound tool, each taking the arguments after its name and returning the
// process's exit code; and the helpers they share (messages, exit codes).
#pragma once

#include <span>
#include <string>
#include <string_view>

// Exit codes of every command.
enum ExitCode : int {
    kExitOk = 0,
    kExitFailure = 1, // the input cannot be read, or the output cannot be written
    kExitUsage = 2,   // the command line is wrong
    kExitDamaged = 3, // the input is damaged; what it holds was read (and written) as far as it goes
};

using Arguments = std::span<const std::string>;

int RunInfo(Arguments arguments);
int RunFormats(Arguments arguments);
int RunConvert(Arguments arguments);
int RunTone(Arguments arguments);

// A new empty file beside `path` (same folder, so a rename can replace `path`), or "" on failure.
std::string MakeTemporaryBeside(const std::string& path);
// "tallowin-sound: <text>" on stderr.
void PrintError(std::string_view text);
// True when the arguments ask for help ("--help" or "-h" anywhere).
bool AsksForHelp(Arguments arguments);
