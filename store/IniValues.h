// IniValues: typed reads and writes of single INI keys (integers, dates, booleans, decibel levels, strings) over
// the process-wide profile cache, with the text encodings every record and the settings file use.
// Each call is one self-contained read or write of one key, safe from any thread; none holds a lock across calls.
//
//   const int32_t number = ReadIntValue(settingsFile, SettingsKeys::kNumber);
//   if (!WriteIntValue(settingsFile, SettingsKeys::kNumber, number + 1) || !FlushProfile(settingsFile)) { ... }
#pragma once

#include "store/IniKey.h"

#include <cstdint>
#include <string>
#include <string_view>

// Integers: written as plain signed decimal text. Read: leading blanks skipped, an optional sign, the digits up
// to the first non-digit; no digits give 0; a number beyond the type's range saturates at its end.
int32_t ReadIntValue(const std::string& file, std::string_view section, std::string_view key, int32_t defaultValue);
[[nodiscard]] bool WriteIntValue(const std::string& file, std::string_view section, std::string_view key,
                                 int32_t value);
int64_t ReadInt64Value(const std::string& file, std::string_view section, std::string_view key, int64_t defaultValue);
[[nodiscard]] bool WriteInt64Value(const std::string& file, std::string_view section, std::string_view key,
                                   int64_t value);

// Booleans: written "true" or "false"; read true exactly when the text is "true" in any case. A missing key
// reads as the default.
bool ReadBoolValue(const std::string& file, std::string_view section, std::string_view key, bool defaultValue);
[[nodiscard]] bool WriteBoolValue(const std::string& file, std::string_view section, std::string_view key, bool value);

// Decibel levels: written "%ddB", values below -126 as "--dB"; read by ParseDbText.
int8_t ReadDbValue(const std::string& file, std::string_view section, std::string_view key, int8_t defaultValue);
[[nodiscard]] bool WriteDbValue(const std::string& file, std::string_view section, std::string_view key, int8_t value);

// Strings: the text itself (at most kProfileValueLimit bytes are seen; line breaks are stored as blanks).
std::string ReadStringValue(const std::string& file, std::string_view section, std::string_view key,
                            std::string_view defaultValue);
[[nodiscard]] bool WriteStringValue(const std::string& file, std::string_view section, std::string_view key,
                                    std::string_view value);

// Writes the file's cached changes to disk; false when that failed (the changes stay cached for a later try).
[[nodiscard]] bool FlushProfile(const std::string& file);

// The same, for a key of a key table.
inline int32_t ReadIntValue(const std::string& file, const IntKey& key) {
    return ReadIntValue(file, key.section, key.name, key.defaultValue);
}
[[nodiscard]] inline bool WriteIntValue(const std::string& file, const IntKey& key, int32_t value) {
    return WriteIntValue(file, key.section, key.name, value);
}
inline int64_t ReadDateValue(const std::string& file, const DateKey& key) {
    return ReadInt64Value(file, key.section, key.name, key.defaultValue);
}
[[nodiscard]] inline bool WriteDateValue(const std::string& file, const DateKey& key, int64_t value) {
    return WriteInt64Value(file, key.section, key.name, value);
}
inline bool ReadBoolValue(const std::string& file, const BoolKey& key) {
    return ReadBoolValue(file, key.section, key.name, key.defaultValue);
}
[[nodiscard]] inline bool WriteBoolValue(const std::string& file, const BoolKey& key, bool value) {
    return WriteBoolValue(file, key.section, key.name, value);
}
inline int8_t ReadDbValue(const std::string& file, const DbKey& key) {
    return ReadDbValue(file, key.section, key.name, key.defaultValue);
}
[[nodiscard]] inline bool WriteDbValue(const std::string& file, const DbKey& key, int8_t value) {
    return WriteDbValue(file, key.section, key.name, value);
}
inline std::string ReadStringValue(const std::string& file, const StringKey& key) {
    return ReadStringValue(file, key.section, key.name, key.defaultValue);
}
[[nodiscard]] inline bool WriteStringValue(const std::string& file, const StringKey& key, std::string_view value) {
    return WriteStringValue(file, key.section, key.name, value);
}

// The text encodings on their own.
int32_t ParseIntText(std::string_view text);
int64_t ParseInt64Text(std::string_view text);
bool ParseBoolText(std::string_view text);
// Walks the text: each digit is appended to a running decimal number, the first '-' marks the value negative and
// every further '-' sets the number to 127, anything else is ignored; the signed result is clamped to -127..127.
// So "--dB" is -127, "-15dB" -15, "dB" and "" 0.
int8_t ParseDbText(std::string_view text);
std::string DbText(int8_t value); // "-15dB"; "--dB" below -126
