// Settings: the process-wide data paths, decided once at start. The program folder holds the program and its
// read-only resources (help page, introduction recordings); the data folder holds "settings.ini", the recipient
// records, the send queue and the two dictation folders. They are the same folder unless the program folder is
// not writable (a system-wide install), when the data folder is the per-user one under the XDG data folder.
// Destroying it flushes every profile file with pending writes.
#pragma once

#include <string>

class Settings {
public:
    // The per-user data folder: $XDG_DATA_HOME (or ~/.local/share) + "/Orrindale/Tallowin/".
    static std::string UserDataFolder();

    // Fills the paths for a program in `programFolder`; `userDataFolder` serves when that is not writable.
    static Settings ForProgramFolder(const std::string& programFolder, const std::string& userDataFolder);

    Settings() = default;
    Settings(Settings&&) = default;
    Settings& operator=(Settings&&) = default;
    ~Settings();

    // Creates the data folder and the two dictation folders where missing; false when one cannot be made.
    [[nodiscard]] bool CreateFolders() const;

    // Every path ends with '/', except settingsFile.
    std::string programFolder;
    std::string dataFolder;
    std::string settingsFile;  // dataFolder + "settings.ini"
    std::string currentFolder; // dataFolder + "Current Files/"
    std::string sentFolder;    // dataFolder + "Sent Files/"
};
