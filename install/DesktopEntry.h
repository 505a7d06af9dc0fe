// DesktopEntry: the text of a freedesktop.org desktop entry (a ".desktop" file) that starts a program: its
// name, comment, icon, menu categories and command. Each argument of the command is quoted and escaped by the
// entry's rules, so a path with blanks, quotes, '$', '%' or '\' reaches the program unchanged; no shell runs it.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct DesktopEntry {
    std::string name;
    std::string comment;
    std::vector<std::string> command; // the program first, then its arguments
    std::string icon;                 // an icon name or an absolute path; empty for none
    std::string categories;           // ';'-terminated list, e.g. "AudioVideo;Audio;Recorder;"
};

// The entry's text; nothing when a value holds a line break or another control character, which no key can carry.
std::optional<std::string> DesktopEntryText(const DesktopEntry& entry);
