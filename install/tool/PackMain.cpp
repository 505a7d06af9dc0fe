// tallowin-pack: the build step that makes the installer: writes OUTPUT as PROGRAM followed by the help page, the
// five introduction recordings and the trailer, executable.
//   tallowin-pack OUTPUT PROGRAM HELP INTRO1 INTRO2 INTRO3 INTRO4 INTRO5
#include "install/InstallerFile.h"
#include "platform/FileOps.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2 + static_cast<int>(kPayloadParts)) {
        std::fputs("usage: tallowin-pack OUTPUT PROGRAM HELP INTRO1 INTRO2 INTRO3 INTRO4 INTRO5\n", stderr);
        return 2;
    }
    std::array<std::string, kPayloadParts> parts;
    for (size_t part = 0; part < kPayloadParts; ++part) {
        std::optional<std::string> bytes = ReadFileBytes(argv[2 + part]);
        if (!bytes) {
            std::fprintf(stderr, "tallowin-pack: cannot read %s\n", argv[2 + part]);
            return 1;
        }
        parts[part] = std::move(*bytes);
    }
    const std::optional<std::string> installer = InstallerFileBytes(parts);
    if (!installer || !WriteFileAtomically(argv[1], *installer, 0755)) {
        std::fprintf(stderr, "tallowin-pack: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
