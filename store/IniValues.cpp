#include "store/IniValues.h"

#include "platform/Profile.h"

#include <algorithm>
#include <limits>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Leading blanks, an optional sign, digits; saturates at the type's ends instead of overflowing.
template <typename Integer> Integer ParseDecimal(std::string_view text) {
    size_t at = 0;
    while (at < text.size() && IsBlank(text[at]))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+'))
        negative = text[at++] == '-';
    // Accumulated as a negative number, whose range reaches the type's lowest value.
    constexpr Integer lowest = std::numeric_limits<Integer>::min();
    Integer value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        const Integer digit = text[at] - '0';
        if (value < (lowest + digit) / 10) {
            value = lowest;
            continue;
        }
        value = value * 10 - digit;
    }
    if (negative)
        return value;
    return value == lowest ? std::numeric_limits<Integer>::max() : static_cast<Integer>(-value);
}

bool EqualsNoCase(std::string_view text, std::string_view lowerWord) {
    if (text.size() != lowerWord.size())
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] - 'A' + 'a') : text[i];
        if (c != lowerWord[i])
            return false;
    }
    return true;
}

} // namespace

int32_t ParseIntText(std::string_view text) {
    return ParseDecimal<int32_t>(text);
}

int64_t ParseInt64Text(std::string_view text) {
    return ParseDecimal<int64_t>(text);
}

bool ParseBoolText(std::string_view text) {
    return EqualsNoCase(text, "true");
}

int8_t ParseDbText(std::string_view text) {
    int32_t number = 0;
    bool negative = false;
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            // Anything beyond 127 ends up clamped, so the number need not grow past a few digits.
            number = std::min(number * 10 + (c - '0'), 100000);
        } else if (c == '-') {
            if (negative)
                number = 127;
            negative = true;
        }
    }
    return static_cast<int8_t>(std::clamp(negative ? -number : number, -127, 127));
}

std::string DbText(int8_t value) {
    return value < -126 ? std::string("--dB") : std::to_string(value) + "dB";
}

int32_t ReadIntValue(const std::string& file, std::string_view section, std::string_view key, int32_t defaultValue) {
    return ParseIntText(ProfileRead(file, section, key, std::to_string(defaultValue)));
}

bool WriteIntValue(const std::string& file, std::string_view section, std::string_view key, int32_t value) {
    return ProfileWrite(file, section, key, std::to_string(value));
}

int64_t ReadInt64Value(const std::string& file, std::string_view section, std::string_view key, int64_t defaultValue) {
    return ParseInt64Text(ProfileRead(file, section, key, std::to_string(defaultValue)));
}

bool WriteInt64Value(const std::string& file, std::string_view section, std::string_view key, int64_t value) {
    return ProfileWrite(file, section, key, std::to_string(value));
}

bool ReadBoolValue(const std::string& file, std::string_view section, std::string_view key, bool defaultValue) {
    return ParseBoolText(ProfileRead(file, section, key, defaultValue ? "true" : ""));
}

bool WriteBoolValue(const std::string& file, std::string_view section, std::string_view key, bool value) {
    return ProfileWrite(file, section, key, value ? "true" : "false");
}

int8_t ReadDbValue(const std::string& file, std::string_view section, std::string_view key, int8_t defaultValue) {
    return ParseDbText(ProfileRead(file, section, key, DbText(defaultValue)));
}

bool WriteDbValue(const std::string& file, std::string_view section, std::string_view key, int8_t value) {
    return ProfileWrite(file, section, key, DbText(value));
}

std::string ReadStringValue(const std::string& file, std::string_view section, std::string_view key,
                            std::string_view defaultValue) {
    return ProfileRead(file, section, key, defaultValue);
}

bool WriteStringValue(const std::string& file, std::string_view section, std::string_view key, std::string_view value) {
    return ProfileWrite(file, section, key, value);
}

bool FlushProfile(const std::string& file) {
    return ProfileFlush(file);
}
