// tallowin-audio: lists the sound devices, records from one into a wave file and plays a wave file, through the
// recorder and player engines. A second executable beside tallowin-sound, which knows no devices.
#include "audio/tool/AudioTool.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr const char* kUsage =
    "usage: tallowin-audio COMMAND [ARGUMENTS]\n"
    "\n"
    "commands:\n"
    "  devices                                   the recording and playback devices, by number\n"
    "  record OUT.wav [--device N] [--activate DB] [--seconds S] [--rate R]\n"
    "                                            records (voice activated) until Ctrl+C or S seconds\n"
    "  play FILE [--device N] [--speed X] [--from SECONDS]\n"
    "                                            plays a wave file, at X times its speed\n"
    "\n"
    "exit codes: 0 done, 1 the device or file could not be used (or the device went away), 2 wrong command line\n";

struct Command {
    const char* name;
    int (*run)(Arguments);
};

constexpr Command kCommands[] = {{"devices", RunDevices}, {"record", RunRecord}, {"play", RunPlay}};

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.empty()) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    const std::string& name = arguments.front();
    if (name == "--help" || name == "-h" || name == "help") {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }
    for (const Command& command : kCommands)
        if (name == command.name)
            return command.run(Arguments(arguments).subspan(1));
    PrintError("unknown command \"" + name + "\"");
    std::fputs(kUsage, stderr);
    return kExitUsage;
}
