// InstallerFile: lays out the installer file from its seven parts: the parts in order (the program image first),
// then the trailer with their sizes and byte sum (see PayloadTrailer.h).
#pragma once

#include "install/PayloadTrailer.h"

#include <array>
#include <optional>
#include <string>

// The whole installer file; nothing when a part is 4 GiB or larger, which a size field cannot hold.
std::optional<std::string> InstallerFileBytes(const std::array<std::string, kPayloadParts>& parts);
