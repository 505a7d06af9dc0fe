#include "UrlParts.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view Trim(std::string_view text) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool IsHostNameByte(unsigned char c) {
    // Letters, digits, '-', '.', '_' and non-ASCII bytes (international names, converted by libcurl).
    return std::isalnum(c) || c == '-' || c == '.' || c == '_' || c >= 0x80;
}

bool IsIpv6Byte(unsigned char c) {
    return std::isxdigit(c) || c == ':' || c == '.';
}

std::optional<uint16_t> ParsePort(std::string_view text) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value == 0 || value > 65535)
        return std::nullopt;
    return static_cast<uint16_t>(value);
}

} // namespace

std::string ServerAddress::UrlAuthority() const {
    return (isIpv6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

std::optional<ServerAddress> ParseServerAddress(std::string_view text, uint16_t defaultPort,
                                                std::initializer_list<std::string_view> schemes) {
    text = Trim(text);
    if (const size_t separator = text.find("://"); separator != std::string_view::npos) {
        const std::string_view scheme = text.substr(0, separator);
        if (std::none_of(schemes.begin(), schemes.end(),
                         [&](std::string_view known) { return EqualsIgnoringCase(scheme, known); }))
            return std::nullopt;
        text.remove_prefix(separator + 3);
    }
    while (!text.empty() && text.back() == '/')
        text.remove_suffix(1);

    ServerAddress address;
    address.port = defaultPort;
    std::string_view host;
    if (!text.empty() && text.front() == '[') {
        const size_t close = text.find(']');
        if (close == std::string_view::npos)
            return std::nullopt;
        host = text.substr(1, close - 1);
        const std::string_view rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':')
                return std::nullopt;
            const auto port = ParsePort(rest.substr(1));
            if (!port)
                return std::nullopt;
            address.port = *port;
        }
        address.isIpv6 = true;
    } else if (std::count(text.begin(), text.end(), ':') > 1) {
        host = text; // a bare IPv6 address: every colon belongs to it
        address.isIpv6 = true;
    } else if (const size_t colon = text.find(':'); colon != std::string_view::npos) {
        host = text.substr(0, colon);
        const auto port = ParsePort(text.substr(colon + 1));
        if (!port)
            return std::nullopt;
        address.port = *port;
    } else {
        host = text;
    }

    if (host.empty() || address.port == 0)
        return std::nullopt;
    const auto valid = address.isIpv6 ? IsIpv6Byte : IsHostNameByte;
    if (!std::all_of(host.begin(), host.end(), [&](char c) { return valid(static_cast<unsigned char>(c)); }))
        return std::nullopt;
    if (address.isIpv6 && std::count(host.begin(), host.end(), ':') < 2)
        return std::nullopt;
    address.host = std::string(host);
    return address;
}

std::string PercentEncode(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '-' || c == '.' || c == '_' || c == '~') {
            encoded += c;
        } else {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 15];
        }
    }
    return encoded;
}

bool IsSingleLine(std::string_view text) {
    return text.find_first_of(std::string_view("\0\r\n", 3)) == text.npos;
}

bool IsPlainRemoteName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == name.npos && IsSingleLine(name);
}
