#include "store/DictationName.h"

#include "platform/FileOps.h"

#include <algorithm>
#include <clocale>
#include <cstdint>
#include <cwctype>
#include <locale.h>

namespace {

// A character set that knows the case of every Unicode letter; null when the system has none.
locale_t UnicodeCharacters() {
    static const locale_t characters = [] {
        locale_t made = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(0));
        return made ? made : ::newlocale(LC_CTYPE_MASK, "C.utf8", locale_t(0));
    }();
    return characters;
}

// Decodes one UTF-8 character at `at`; returns its byte count, or 0 when the bytes there are not UTF-8.
size_t DecodeUtf8(std::string_view text, size_t at, char32_t& character) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) {
        character = lead;
        return 1;
    }
    size_t length = 0;
    char32_t value = 0;
    char32_t lowest = 0;
    if ((lead & 0xe0) == 0xc0) {
        length = 2, value = lead & 0x1f, lowest = 0x80;
    } else if ((lead & 0xf0) == 0xe0) {
        length = 3, value = lead & 0x0f, lowest = 0x800;
    } else if ((lead & 0xf8) == 0xf0) {
        length = 4, value = lead & 0x07, lowest = 0x10000;
    } else {
        return 0;
    }
    if (at + length > text.size())
        return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xc0) != 0x80)
            return 0;
        value = (value << 6) | (byte(at + i) & 0x3f);
    }
    if (value < lowest || value > 0x10ffff || (value >= 0xd800 && value <= 0xdfff))
        return 0;
    character = value;
    return length;
}

void EncodeUtf8(char32_t character, std::string& out) {
    if (character < 0x80) {
        out += static_cast<char>(character);
    } else if (character < 0x800) {
        out += static_cast<char>(0xc0 | (character >> 6));
        out += static_cast<char>(0x80 | (character & 0x3f));
    } else if (character < 0x10000) {
        out += static_cast<char>(0xe0 | (character >> 12));
        out += static_cast<char>(0x80 | ((character >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (character & 0x3f));
    } else {
        out += static_cast<char>(0xf0 | (character >> 18));
        out += static_cast<char>(0x80 | ((character >> 12) & 0x3f));
        out += static_cast<char>(0x80 | ((character >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (character & 0x3f));
    }
}

bool IsUtf8(std::string_view text) {
    char32_t ignored = 0;
    for (size_t at = 0; at < text.size();) {
        const size_t length = DecodeUtf8(text, at, ignored);
        if (length == 0)
            return false;
        at += length;
    }
    return true;
}

bool IsForbidden(unsigned char c) {
    switch (c) {
    case '<':
    case '>':
    case '"':
    case '*':
    case '.':
    case '/':
    case ':':
    case '\\':
    case '|':
        return true;
    default:
        return c < 0x20 || c == 0x7f;
    }
}

} // namespace

size_t NameLimit(std::string_view folder) {
    const size_t fileNameRoom = kFileNameLimit - kWaveExtension.size();
    const size_t pathBytes = JoinPath(folder, "").size() + kWaveExtension.size();
    const size_t pathRoom = pathBytes < kWavePathLimit ? kWavePathLimit - pathBytes : 0;
    return std::min(fileNameRoom, pathRoom);
}

CleanedName CleanDictationName(std::string_view typed, std::string_view folder) {
    CleanedName cleaned;
    cleaned.name.reserve(typed.size());
    for (const char c : typed)
        cleaned.name += IsForbidden(static_cast<unsigned char>(c)) ? ' ' : c;
    const size_t first = cleaned.name.find_first_not_of(' ');
    if (first == std::string::npos) {
        cleaned.name.clear();
        cleaned.check = NameCheck::Empty;
        return cleaned;
    }
    cleaned.name = cleaned.name.substr(first, cleaned.name.find_last_not_of(' ') + 1 - first);
    if (!IsUtf8(cleaned.name))
        cleaned.check = NameCheck::Invalid;
    else if (cleaned.name.size() > NameLimit(folder))
        cleaned.check = NameCheck::TooLong;
    else
        cleaned.check = NameCheck::Usable;
    return cleaned;
}

std::string FoldCase(std::string_view text) {
    std::string folded;
    folded.reserve(text.size());
    const locale_t characters = UnicodeCharacters();
    for (size_t at = 0; at < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[at]);
        if (c < 0x80) {
            folded += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : static_cast<char>(c);
            ++at;
            continue;
        }
        char32_t character = 0;
        const size_t length = DecodeUtf8(text, at, character);
        if (length == 0 || !characters) {
            folded += static_cast<char>(c);
            ++at;
            continue;
        }
        EncodeUtf8(static_cast<char32_t>(::towlower_l(static_cast<wint_t>(character), characters)), folded);
        at += length;
    }
    return folded;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    return a == b || FoldCase(a) == FoldCase(b);
}

bool LessNoCase(std::string_view a, std::string_view b) {
    const std::string foldedA = FoldCase(a);
    const std::string foldedB = FoldCase(b);
    return foldedA != foldedB ? foldedA < foldedB : a < b;
}
