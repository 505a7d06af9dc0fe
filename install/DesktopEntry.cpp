#include "install/DesktopEntry.h"

#include <algorithm>
#include <string_view>

namespace {

bool HasControlCharacter(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

// A string value: '\' is the escape character of every value.
std::string EscapeValue(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        if (c == '\\')
            escaped += '\\';
        escaped += c;
    }
    return escaped;
}

// One argument of Exec: always in double quotes, with '"', '`', '$' and '\' escaped inside them, and '%' doubled
// (a single '%' starts a field code).
std::string QuoteArgument(std::string_view argument) {
    std::string quoted = "\"";
    for (const char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        quoted += c;
        if (c == '%')
            quoted += '%';
    }
    return quoted + '"';
}

} // namespace

std::optional<std::string> DesktopEntryText(const DesktopEntry& entry) {
    std::string exec;
    for (const std::string& argument : entry.command) {
        if (HasControlCharacter(argument))
            return std::nullopt;
        exec += (exec.empty() ? "" : " ") + QuoteArgument(argument);
    }
    for (const std::string* value : {&entry.name, &entry.comment, &entry.icon, &entry.categories})
        if (HasControlCharacter(*value))
            return std::nullopt;

    std::string text = "[Desktop Entry]\nType=Application\nVersion=1.4\n";
    text += "Name=" + EscapeValue(entry.name) + "\n";
    if (!entry.comment.empty())
        text += "Comment=" + EscapeValue(entry.comment) + "\n";
    text += "Exec=" + EscapeValue(exec) + "\n";
    if (!entry.icon.empty())
        text += "Icon=" + EscapeValue(entry.icon) + "\n";
    text += "Terminal=false\n";
    if (!entry.categories.empty())
        text += "Categories=" + entry.categories + "\n";
    return text;
}
