#include "FtpListing.h"

#include <array>
#include <cctype>
#include <charconv>
#include <vector>

namespace {

struct Token {
    std::string_view text;
    size_t end = 0; // offset in the line just past the token
};

bool IsSpace(char c) {
    return c == ' ' || c == '\t';
}

std::vector<Token> Split(std::string_view line, size_t maxTokens) {
    std::vector<Token> tokens;
    size_t at = 0;
    while (tokens.size() < maxTokens) {
        while (at < line.size() && IsSpace(line[at]))
            ++at;
        if (at == line.size())
            break;
        const size_t start = at;
        while (at < line.size() && !IsSpace(line[at]))
            ++at;
        tokens.push_back({line.substr(start, at - start), at});
    }
    return tokens;
}

std::string_view RestAfter(std::string_view line, size_t offset) {
    while (offset < line.size() && IsSpace(line[offset]))
        ++offset;
    return line.substr(offset);
}

std::optional<int64_t> ParseCount(std::string_view text) {
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0)
        return std::nullopt;
    return value;
}

bool IsMonth(std::string_view text) {
    static constexpr std::array<std::string_view, 12> kMonths = {"jan", "feb", "mar", "apr", "may", "jun",
                                                                 "jul", "aug", "sep", "oct", "nov", "dec"};
    if (text.size() != 3)
        return false;
    for (const std::string_view month : kMonths) {
        bool same = true;
        for (size_t i = 0; i < 3; ++i)
            same = same && std::tolower(static_cast<unsigned char>(text[i])) == month[i];
        if (same)
            return true;
    }
    return false;
}

// "-rw-r--r--  1 owner group  1234 Jan  1 12:00 name" (the group may be missing).
std::optional<int64_t> UnixLineSize(std::string_view line, std::string_view name) {
    if (line.empty() || line.front() != '-')
        return std::nullopt;
    const std::vector<Token> tokens = Split(line, 9);
    for (size_t month = 3; month + 2 < tokens.size(); ++month) {
        if (!IsMonth(tokens[month].text))
            continue;
        const auto size = ParseCount(tokens[month - 1].text);
        if (size && RestAfter(line, tokens[month + 2].end) == name)
            return size;
        return std::nullopt;
    }
    return std::nullopt;
}

// "01-31-24  10:00AM        1234 name" (or "<DIR>" in place of the size).
std::optional<int64_t> DosLineSize(std::string_view line, std::string_view name) {
    const std::vector<Token> tokens = Split(line, 3);
    if (tokens.size() < 3 || tokens[0].text.size() < 8 || tokens[0].text[2] != '-' ||
        !std::isdigit(static_cast<unsigned char>(tokens[0].text[0])) ||
        tokens[1].text.find(':') == std::string_view::npos)
        return std::nullopt;
    const auto size = ParseCount(tokens[2].text);
    if (size && RestAfter(line, tokens[2].end) == name)
        return size;
    return std::nullopt;
}

} // namespace

std::optional<int64_t> FindSizeInListing(std::string_view listing, std::string_view name) {
    if (name.empty())
        return std::nullopt;
    while (!listing.empty()) {
        const size_t newline = listing.find('\n');
        std::string_view line = listing.substr(0, newline);
        listing = newline == std::string_view::npos ? std::string_view() : listing.substr(newline + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (auto size = UnixLineSize(line, name))
            return size;
        if (auto size = DosLineSize(line, name))
            return size;
    }
    return std::nullopt;
}
