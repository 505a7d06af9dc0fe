// SingleByteText: UTF-8 <-> Windows-1252.
#include "send/SingleByteText.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// Code points of the bytes 0x80..0x9F; 0 where the byte is undefined. The other bytes are their own code points.
constexpr std::array<char32_t, 32> kHighControls = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                                    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char ByteFor(char32_t codePoint) {
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF))
        return static_cast<char>(codePoint);
    for (size_t i = 0; i < kHighControls.size(); ++i)
        if (kHighControls[i] == codePoint)
            return static_cast<char>(0x80 + i);
    return '?';
}

void AppendUtf8(std::string& out, char32_t codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

// Length of the well-formed UTF-8 sequence at text[at] and its code point; 0 when it is malformed or cut.
size_t DecodeUtf8(std::string_view text, size_t at, char32_t& codePoint) {
    const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
    const uint8_t lead = byte(at);
    size_t length = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, minimum = 0x80, codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, minimum = 0x800, codePoint = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, minimum = 0x10000, codePoint = lead & 0x07;
    } else {
        return 0;
    }
    if (at + length > text.size())
        return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (byte(at + i) & 0x3F);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

std::string Utf8ToSingleByte(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t at = 0; at < utf8.size();) {
        char32_t codePoint = 0;
        const size_t length = DecodeUtf8(utf8, at, codePoint);
        if (length == 0) {
            out += '?';
            ++at;
        } else {
            out += ByteFor(codePoint);
            at += length;
        }
    }
    return out;
}

std::string SingleByteToUtf8(std::string_view singleByte) {
    std::string out;
    out.reserve(singleByte.size() * 2);
    for (const char c : singleByte) {
        const auto byte = static_cast<uint8_t>(c);
        if (byte >= 0x80 && byte < 0xA0) {
            const char32_t codePoint = kHighControls[byte - 0x80];
            AppendUtf8(out, codePoint != 0 ? codePoint : U'?');
        } else {
            AppendUtf8(out, byte);
        }
    }
    return out;
}

std::string_view Utf8Prefix(std::string_view utf8, size_t maxBytes) {
    if (utf8.size() <= maxBytes)
        return utf8;
    // The byte at the limit starts the first character left out, unless it continues a character begun
    // before it: then that whole character is left out (a malformed run is cut anywhere, at most 3 back).
    size_t end = maxBytes;
    for (int steps = 0; steps < 3 && end > 0 && (static_cast<uint8_t>(utf8[end]) & 0xC0) == 0x80; ++steps)
        --end;
    if ((static_cast<uint8_t>(utf8[end]) & 0xC0) == 0x80)
        end = maxBytes;
    return utf8.substr(0, end);
}

std::string SingleByteFitted(std::string_view utf8, size_t maxBytes) {
    std::string text = Utf8ToSingleByte(utf8);
    if (text.size() > maxBytes)
        text.resize(maxBytes);
    return text;
}

void WriteSingleByteField(std::span<uint8_t> field, std::string_view utf8) {
    std::fill(field.begin(), field.end(), uint8_t{0});
    if (field.empty())
        return;
    const std::string text = SingleByteFitted(utf8, field.size() - 1);
    std::memcpy(field.data(), text.data(), text.size());
}

std::string ReadSingleByteField(std::span<const uint8_t> field) {
    const auto end = std::find(field.begin(), field.end(), uint8_t{0});
    return SingleByteToUtf8(std::string_view(reinterpret_cast<const char*>(field.data()), end - field.begin()));
}
