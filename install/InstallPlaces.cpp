#include "install/InstallPlaces.h"

#include "platform/FileOps.h"

#include <cstdlib>

namespace {

// An XDG base directory: the variable when it holds an absolute path, otherwise `home` + `fallback`.
std::string BaseFolder(const char* variable, const std::string& home, std::string_view fallback) {
    const char* value = std::getenv(variable);
    const std::string base = value && value[0] == '/' ? std::string(value) : JoinPath(home, fallback);
    return JoinPath(base, ""); // with its trailing '/'
}

} // namespace

InstallPlaces InstallPlaces::ForUser() {
    const char* homeValue = std::getenv("HOME");
    const std::string home = homeValue && homeValue[0] == '/' ? homeValue : "/tmp";
    const std::string dataHome = BaseFolder("XDG_DATA_HOME", home, ".local/share");
    const std::string configHome = BaseFolder("XDG_CONFIG_HOME", home, ".config");

    InstallPlaces places;
    places.installFolder = dataHome + "Orrindale/Tallowin/";
    places.applicationsFolder = dataHome + "applications/";
    places.keyFile = configHome + "Tallowin/uninstall.ini";
    std::string desktop;
    if (const std::optional<std::string> userDirs = ReadFileBytes(configHome + "user-dirs.dirs", 65536))
        desktop = DesktopFolderFromUserDirs(*userDirs, home);
    places.desktopFolder = JoinPath(desktop.empty() ? JoinPath(home, "Desktop") : desktop, "");
    return places;
}

bool InstallPlaces::CreateInstallFolders() const {
    return MakeFolders(installFolder) && MakeFolders(installFolder + "Current Files") &&
           MakeFolders(installFolder + "Sent Files");
}

std::string DesktopFolderFromUserDirs(std::string_view userDirs, std::string_view home) {
    // The file is shell assignments, one a line; `xdg-user-dir` sources it, so the last assignment wins.
    constexpr std::string_view kKey = "XDG_DESKTOP_DIR=";
    std::string folder;
    while (!userDirs.empty()) {
        const size_t end = userDirs.find('\n');
        std::string_view line = userDirs.substr(0, end);
        userDirs.remove_prefix(end == std::string_view::npos ? userDirs.size() : end + 1);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
        if (!line.starts_with(kKey))
            continue;
        line.remove_prefix(kKey.size());
        // Only the documented form: a double-quoted "$HOME/relative" or "/absolute" path without escapes.
        if (line.size() < 2 || line.front() != '"' || line.find('"', 1) != line.size() - 1 ||
            line.find_first_of("\\`") != std::string_view::npos)
            continue;
        const std::string_view value = line.substr(1, line.size() - 2);
        if (value.starts_with("$HOME/") && value.find('$', 1) == std::string_view::npos)
            folder = JoinPath(home, value.substr(6));
        else if (value == "$HOME")
            folder = std::string(home);
        else if (value.starts_with('/') && value.find('$') == std::string_view::npos)
            folder = std::string(value);
    }
    return folder;
}
