// Fuzzes the reading of server fields and the URL pieces built from them: any bytes are read without fault; an
// address read back from its own URL form is the same address; encoded path steps hold only URL-safe bytes.
#include "platform/internal/net/UrlParts.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto address = ParseServerAddress(text, 21, {"ftp", "smtp"})) {
        if (address->host.empty() || address->port == 0)
            std::abort();
        const auto again = ParseServerAddress(address->UrlAuthority(), 21, {"ftp"});
        if (!again || again->host != address->host || again->port != address->port || again->isIpv6 != address->isIpv6)
            std::abort();
    }
    for (const char c : PercentEncode(text))
        if (!std::isalnum(static_cast<unsigned char>(c)) && std::string_view("-._~%").find(c) == std::string_view::npos)
            std::abort();
    if (IsPlainRemoteName(text) && text.find_first_of(std::string_view("/\r\n\0", 4)) != std::string_view::npos)
        std::abort();
    return 0;
}
