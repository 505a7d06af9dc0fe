#include "app/ProgramLocation.h"

#include "platform/FileOps.h"

#include <climits>
#include <unistd.h>

std::string ExecutablePath() {
    std::string path(PATH_MAX, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0 || static_cast<size_t>(length) >= path.size())
        return {};
    path.resize(static_cast<size_t>(length));
    return path;
}

bool IsSystemWideProgramFolder(std::string_view programFolder) {
    return programFolder.starts_with("/usr/") || programFolder.starts_with("/opt/");
}

Settings SettingsForProgram(const std::string& programFolder) {
    if (!IsSystemWideProgramFolder(programFolder))
        return Settings::ForProgramFolder(programFolder, Settings::UserDataFolder());
    // The user's folder stands for both: the data goes there whether or not it can be written yet.
    const std::string userDataFolder = Settings::UserDataFolder();
    Settings settings = Settings::ForProgramFolder(userDataFolder, userDataFolder);
    settings.programFolder = JoinPath(programFolder, ""); // with its trailing '/'
    return settings;
}
