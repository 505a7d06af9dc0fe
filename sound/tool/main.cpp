// tallowin-sound: looks into, lists and converts the wave files Tallowin reads and writes.
#include "sound/tool/Commands.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr const char* kUsage = "usage: tallowin-sound COMMAND [ARGUMENTS]\n"
                               "\n"
                               "commands:\n"
                               "  info FILE                      what a wave file holds\n"
                               "  formats                        the formats `convert` can write\n"
                               "  convert IN OUT [--format ID]   writes IN to OUT in another format (rate, channels,\n"
                               "                                 gain, speed, limit, loop, high-pass: see --help)\n"
                               "  tone OUT [--freq F] ...        writes a test tone\n"
                               "\n"
                               "`tallowin-sound COMMAND --help` tells more about a command.\n"
                               "exit codes: 0 done, 1 cannot read or write, 2 wrong command line,\n"
                               "            3 the input is damaged (read as far as it goes)\n";

struct Command {
    const char* name;
    int (*run)(Arguments);
};

constexpr Command kCommands[] = {
    {"info", RunInfo},
    {"formats", RunFormats},
    {"convert", RunConvert},
    {"tone", RunTone},
};

} // namespace

void PrintError(std::string_view text) {
    std::fprintf(stderr, "tallowin-sound: %.*s\n", static_cast<int>(text.size()), text.data());
}

bool AsksForHelp(Arguments arguments) {
    for (const std::string& argument : arguments)
        if (argument == "--help" || argument == "-h")
            return true;
    return false;
}

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
