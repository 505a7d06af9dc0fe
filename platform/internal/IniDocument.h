// IniDocument: the lines of one INI file, kept as written, with case-insensitive look-up of sections and keys.
// Rules: "[name]" opens a section; "key=value" lines belong to the last section opened; lines starting with ';'
// and lines without '=' are kept but never match; blanks around names and values are not part of them; a value
// wrapped in one pair of double quotes is read without them; the first matching section and key win.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class IniDocument {
public:
    static IniDocument Parse(std::string_view text);

    std::optional<std::string> Get(std::string_view section, std::string_view key) const;

    // Replaces the key's value, adding the section and the key as needed. Names must be usable (see
    // IsUsableName); control characters in the value (line breaks among them) become blanks, so a value
    // can never start a new key or section.
    void Set(std::string_view section, std::string_view key, std::string_view value);

    std::string Serialize() const;

    // A name that reads back as written: not empty, no line break or control character, no ']' in a
    // section name, no '=' in a key name, no leading ';' or '[', no blanks at either end.
    static bool IsUsableSectionName(std::string_view name);
    static bool IsUsableKeyName(std::string_view name);

private:
    enum class Kind { Other, Section, Entry };
    struct Line {
        Kind kind = Kind::Other;
        std::string text; // the line as it stands in the file, without its line break
        std::string name; // section or key name, trimmed
        std::string value;
    };

    static Line ParseLine(std::string_view text);
    // Index of the section's header line, or size() when there is none.
    size_t FindSection(std::string_view section) const;
    // One past the last line of the section that starts at `header`.
    size_t SectionEnd(size_t header) const;

    std::vector<Line> m_lines;
};
