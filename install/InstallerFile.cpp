#include "install/InstallerFile.h"

#include <limits>

std::optional<std::string> InstallerFileBytes(const std::array<std::string, kPayloadParts>& parts) {
    PayloadTrailer trailer;
    std::string bytes;
    for (size_t part = 0; part < kPayloadParts; ++part) {
        if (parts[part].size() > std::numeric_limits<uint32_t>::max())
            return std::nullopt;
        trailer.sizes[part] = static_cast<uint32_t>(parts[part].size());
        trailer.checksum = AddToByteSum(
            trailer.checksum, std::span(reinterpret_cast<const uint8_t*>(parts[part].data()), parts[part].size()));
        bytes += parts[part];
    }
    const std::array<uint8_t, kTrailerSize> encoded = EncodeTrailer(trailer);
    bytes.append(reinterpret_cast<const char*>(encoded.data()), encoded.size());
    return bytes;
}
