#include "internal/IniDocument.h"

#include <algorithm>

namespace {

std::string_view Trim(std::string_view text) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && (isBlank(text.back()) || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

bool HasControlCharacter(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

bool IsUsableName(std::string_view name) {
    return !name.empty() && name == Trim(name) && !HasControlCharacter(name) && name.front() != ';' &&
           name.front() != '[';
}

} // namespace

bool IniDocument::IsUsableSectionName(std::string_view name) {
    return IsUsableName(name) && name.find(']') == std::string_view::npos;
}

bool IniDocument::IsUsableKeyName(std::string_view name) {
    return IsUsableName(name) && name.find('=') == std::string_view::npos;
}

IniDocument::Line IniDocument::ParseLine(std::string_view text) {
    Line line;
    line.text = std::string(text);
    const std::string_view content = Trim(text);
    if (content.empty() || content.front() == ';')
        return line;
    if (content.front() == '[') {
        const size_t close = content.find(']');
        if (close != std::string_view::npos) {
            line.kind = Kind::Section;
            line.name = std::string(Trim(content.substr(1, close - 1)));
        }
        return line;
    }
    const size_t equals = content.find('=');
    if (equals == std::string_view::npos)
        return line;
    line.kind = Kind::Entry;
    line.name = std::string(Trim(content.substr(0, equals)));
    std::string_view value = Trim(content.substr(equals + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    line.value = std::string(value);
    return line;
}

IniDocument IniDocument::Parse(std::string_view text) {
    IniDocument document;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        document.m_lines.push_back(ParseLine(text.substr(0, end)));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return document;
}

size_t IniDocument::FindSection(std::string_view section) const {
    for (size_t i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].kind == Kind::Section && SameName(m_lines[i].name, section))
            return i;
    }
    return m_lines.size();
}

size_t IniDocument::SectionEnd(size_t header) const {
    size_t end = header + 1;
    while (end < m_lines.size() && m_lines[end].kind != Kind::Section)
        ++end;
    return end;
}

std::optional<std::string> IniDocument::Get(std::string_view section, std::string_view key) const {
    const size_t header = FindSection(Trim(section));
    if (header == m_lines.size())
        return std::nullopt;
    const size_t end = SectionEnd(header);
    for (size_t i = header + 1; i < end; ++i) {
        if (m_lines[i].kind == Kind::Entry && SameName(m_lines[i].name, Trim(key)))
            return m_lines[i].value;
    }
    return std::nullopt;
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
    std::string cleanValue(value);
    std::replace_if(cleanValue.begin(), cleanValue.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; },
                    ' ');
    Line entry;
    entry.kind = Kind::Entry;
    entry.name = std::string(key);
    entry.value = std::string(Trim(cleanValue));
    entry.text = entry.name + "=" + cleanValue;

    size_t header = FindSection(section);
    if (header == m_lines.size()) {
        Line sectionLine;
        sectionLine.kind = Kind::Section;
        sectionLine.name = std::string(section);
        sectionLine.text = "[" + sectionLine.name + "]";
        m_lines.push_back(std::move(sectionLine));
        m_lines.push_back(std::move(entry));
        return;
    }
    const size_t end = SectionEnd(header);
    size_t insertAt = header + 1;
    for (size_t i = header + 1; i < end; ++i) {
        if (m_lines[i].kind != Kind::Entry)
            continue;
        if (SameName(m_lines[i].name, key)) {
            m_lines[i] = std::move(entry);
            return;
        }
        insertAt = i + 1;
    }
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(entry));
}

std::string IniDocument::Serialize() const {
    std::string text;
    for (const Line& line : m_lines) {
        text += line.text;
        text += '\n';
    }
    return text;
}
