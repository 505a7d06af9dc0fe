// tallowin-sound formats: the formats the codec layer can write here, with their short ids for `convert`.
#include "platform/CodecCatalog.h"
#include "sound/tool/Commands.h"

#include <cstdio>
#include <string>

namespace {

constexpr const char* kHelp = "usage: tallowin-sound formats\n"
                              "\n"
                              "Lists the formats `convert --format ID` can write, one a line: the ID, the name the\n"
                              "format chooser shows, and the rates and channel counts it encodes.\n";

template <class Values> std::string Joined(const Values& values) {
    std::string text;
    for (const auto& value : values) {
        if (!text.empty())
            text += ',';
        text += std::to_string(value);
    }
    return text;
}

} // namespace

int RunFormats(Arguments arguments) {
    if (AsksForHelp(arguments)) {
        std::fputs(kHelp, stdout);
        return kExitOk;
    }
    if (!arguments.empty()) {
        PrintError("formats takes no arguments");
        std::fputs(kHelp, stderr);
        return kExitUsage;
    }
    for (const CodecCatalogEntry& entry : CodecCatalog::Entries())
        std::printf("%-10s %-16s rates %s; channels %s\n", entry.id.c_str(), entry.name.c_str(),
                    Joined(entry.rates).c_str(), Joined(entry.channels).c_str());
    return kExitOk;
}
