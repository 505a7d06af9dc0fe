// Fuzzes the FTP listing reader: any bytes are read without fault; a size found is never negative and belongs to
// a line that names the file. The first line of the input is the file name looked for, the rest the listing.
#include "platform/internal/net/FtpListing.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t newline = input.find('\n');
    if (newline == std::string_view::npos)
        return 0;
    const std::string_view name = input.substr(0, newline);
    const std::string_view listing = input.substr(newline + 1);
    const auto found = FindSizeInListing(listing, name);
    if (found && (*found < 0 || name.empty() || listing.find(name) == std::string_view::npos))
        std::abort();
    return 0;
}
