// UrlParts: the pieces of the URLs the network layers hand to libcurl, built from what a user typed:
// a server field ("host", "host:port", "[v6 address]:port") and percent-encoded path segments.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

struct ServerAddress {
    std::string host; // a name or IPv4 address as typed, or an IPv6 address without its brackets
    uint16_t port = 0;
    bool isIpv6 = false;

    // The host as it goes into a URL (IPv6 addresses in brackets) followed by ":port".
    std::string UrlAuthority() const;
    // For messages: "host:port" ("[v6]:port").
    std::string Text() const { return UrlAuthority(); }
};

// Reads a server field: blanks around it are ignored, and so are one leading "<scheme>://" whose scheme is one of
// `schemes` (any case) and trailing '/'. The port defaults to `defaultPort`; an IPv6 address needs brackets to
// carry a port ("[::1]:2121"), a bare one ("::1") takes the default port. Nothing when the field is empty, the port
// is not a number from 1 to 65535, or the host holds characters no host name has (blanks, '@', '/', controls).
std::optional<ServerAddress> ParseServerAddress(std::string_view text, uint16_t defaultPort,
                                                std::initializer_list<std::string_view> schemes);

// Every byte except letters, digits and "-._~" as %XX, so the text stays one path segment whatever it holds.
std::string PercentEncode(std::string_view text);

// True when `name` can be used as one remote file name: not empty, not "." or "..", and without '/', NUL, CR or
// LF (which would reach the server as a second path step or a second command).
bool IsPlainRemoteName(std::string_view name);

// True when the text holds no NUL, CR or LF (those would end a protocol line early).
bool IsSingleLine(std::string_view text);
