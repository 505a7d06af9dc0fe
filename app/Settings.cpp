#include "app/Settings.h"

#include "platform/FileOps.h"
#include "platform/Profile.h"

#include <cstdlib>
#include <unistd.h>

namespace {

std::string WithSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

} // namespace

std::string Settings::UserDataFolder() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    std::string base;
    if (dataHome && dataHome[0] == '/') {
        base = dataHome;
    } else {
        const char* home = std::getenv("HOME");
        base = JoinPath(home ? home : "/tmp", ".local/share");
    }
    return WithSlash(JoinPath(base, "Orrindale/Tallowin"));
}

Settings Settings::ForProgramFolder(const std::string& programFolder, const std::string& userDataFolder) {
    Settings settings;
    settings.programFolder = WithSlash(programFolder);
    const bool programFolderWritable = ::access(settings.programFolder.c_str(), W_OK) == 0;
    settings.dataFolder = programFolderWritable ? settings.programFolder : WithSlash(userDataFolder);
    settings.settingsFile = settings.dataFolder + "settings.ini";
    settings.currentFolder = settings.dataFolder + "Current Files/";
    settings.sentFolder = settings.dataFolder + "Sent Files/";
    return settings;
}

bool Settings::Flush() const {
    return ProfileFlushAll();
}

bool Settings::CreateFolders() const {
    return MakeFolders(dataFolder) && MakeFolders(currentFolder) && MakeFolders(sentFolder);
}
