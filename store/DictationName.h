// DictationName: the rules for dictation names: the characters a typed name may not keep, the limits that keep
// a dictation's files and paths usable, and comparing and sorting names without regard to case.
//
//   CleanDictationName("a:b*c.d", currentFolder).name == "a b c d"
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

inline constexpr std::string_view kWaveExtension = ".wav";
inline constexpr std::string_view kRecordExtension = ".dat";
inline constexpr std::string_view kNotesExtension = ".txt";

// Bytes in one file name on Linux file systems.
inline constexpr size_t kFileNameLimit = 255;
// Bytes of a full wave path that the send queue can keep (an INI value).
inline constexpr size_t kWavePathLimit = 258;

enum class NameCheck {
    Usable,
    Empty,   // nothing but blanks once the forbidden characters were replaced
    TooLong, // its files' names or its wave path in that folder would be too long
    Invalid, // not UTF-8 text
};

struct CleanedName {
    NameCheck check = NameCheck::Empty;
    std::string name; // the name as it would be stored (set also when it is not usable)
};

// Replaces each of < > " * . / : \ | and every control character with a blank, drops blanks at both ends and
// checks the result against the limits for dictations kept in `folder`.
CleanedName CleanDictationName(std::string_view typed, std::string_view folder);

// The longest name (in bytes) whose files fit in `folder`: file name and full wave path within their limits.
size_t NameLimit(std::string_view folder);

// The text with its letters in lower case (Unicode letters where the system has a UTF-8 character set, ASCII
// otherwise); bytes that are not UTF-8 stay as they are.
std::string FoldCase(std::string_view text);

bool EqualNoCase(std::string_view a, std::string_view b);

// Order of the dictation list: alphabetical without regard to case ("Dictation 10" before "Dictation 2");
// names that differ only by case are ordered by their bytes, so the order never depends on the folder's.
bool LessNoCase(std::string_view a, std::string_view b);
