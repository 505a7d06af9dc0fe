// SetupTexts: the fixed texts and captions of the installer and the uninstaller.
#pragma once

#include <QString>

namespace SetupTexts {

inline constexpr const char* kInstallTitle = "Install Tallowin";
inline constexpr const char* kUninstallTitle = "Uninstall Software";
inline constexpr const char* kWorking = "Installing Tallowin.\nPlease wait...";
// The uninstaller's form says what it does, not that it installs.
inline constexpr const char* kRemoving = "Removing Tallowin.\nPlease wait...";

inline constexpr const char* kInstallErrorCaption = "Install Error";
inline constexpr const char* kCorrupt = "Installation file corrupt.\n\nA checksum error was detected in your install "
                                        "file, please redownload file and install again.";
// %1: the install folder.
inline constexpr const char* kCannotWrite = "Tallowin could not be installed: its files could not be written in\n%1\n\n"
                                            "An earlier installation was left as it was.";
inline constexpr const char* kStillRunning = "Tallowin is still running and did not close; nothing was changed.";

inline constexpr const char* kUninstallCaption = "Uninstall Tallowin";
inline constexpr const char* kUninstallQuestion = "Are you sure you want to remove the Tallowin software?";
inline constexpr const char* kUninstalledCaption = "Uninstall Complete";
// %1: the install folder.
inline constexpr const char* kUninstalled =
    "The Tallowin software has been uninstalled on this system but the recordings have not been deleted.\n\n"
    "You can delete the files and folders in the %1 folder if the files are no longer required.";

} // namespace SetupTexts
