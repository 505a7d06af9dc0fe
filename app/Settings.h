// Settings: the process-wide data paths, decided once at start. The program folder holds the program and its
// read-only resources (help page, introduction recordings); the data folder holds "settings.ini", the recipient
// records, the send queue and the two dictation folders. They are the same folder unless the program folder is
// not writable (a system-wide install), when the data folder is the per-user one under the XDG data folder.
// Settings are written through the profile cache; Flush puts them on disk where data must be safe.
#pragma once

#include <string>

class Settings {
public:
    // The per-user data folder: $XDG_DATA_HOME (or ~/.local/share) + "/Orrindale/Tallowin/".
    static std::string UserDataFolder();

    // Fills the paths for a program in `programFolder`; `userDataFolder` serves when that is not writable.
    static Settings ForProgramFolder(const std::string& programFolder, const std::string& userDataFolder);

    // Creates the data folder and the two dictation folders where missing; false when one cannot be made.
    [[nodiscard]] bool CreateFolders() const;

    // Writes every settings and record file of the data folder with pending changes to disk (each as one atomic
    // rewrite); false when one could not be written (its changes stay pending for the next Flush).
    [[nodiscard]] bool Flush() const;

    // Every path ends with '/', except settingsFile.
    std::string programFolder;
    std::string dataFolder;
    std::string settingsFile;  // dataFolder + "settings.ini"
    std::string currentFolder; // dataFolder + "Current Files/"
    std::string sentFolder;    // dataFolder + "Sent Files/"
};
