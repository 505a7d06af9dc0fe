// IniKey: one key of an INI file (its section and name) with its type and the default every reader passes,
// so a key and its default are spelled once, where the key table is declared.
#pragma once

#include <cstdint>
#include <string_view>

struct IntKey {
    std::string_view section;
    std::string_view name;
    int32_t defaultValue = 0;
};

// Seconds since 1 January 1970, kept in 64 bits (the text is the same decimal integer).
struct DateKey {
    std::string_view section;
    std::string_view name;
    int64_t defaultValue = 0;
};

struct BoolKey {
    std::string_view section;
    std::string_view name;
    bool defaultValue = false;
};

// A level in whole decibels, -127 meaning silence or "off".
struct DbKey {
    std::string_view section;
    std::string_view name;
    int8_t defaultValue = 0;
};

struct StringKey {
    std::string_view section;
    std::string_view name;
    std::string_view defaultValue;
};
