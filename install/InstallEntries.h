// InstallEntries: what an installation adds to the user's desktop besides its folder, and what the uninstaller
// takes away again:
//   - the program group's two items as menu entries: "Open Tallowin" and "View Tallowin Manual";
//   - the uninstall entry: the key file with "Tallowin Uninstall" and the uninstaller's path, and, since nothing
//     on the desktop reads that file, a third menu entry "Tallowin Uninstall" that starts that uninstaller;
//   - the desktop shortcut "Tallowin.desktop".
// Failures are the user's to see only as a missing entry; the results serve the tests.
#pragma once

#include "install/InstallPlaces.h"

#include <array>
#include <string_view>

// The menu entries' file names in InstallPlaces::applicationsFolder.
inline constexpr std::string_view kOpenEntryFile = "tallowin-open.desktop";
inline constexpr std::string_view kManualEntryFile = "tallowin-manual.desktop";
inline constexpr std::string_view kUninstallEntryFile = "tallowin-uninstall.desktop";
inline constexpr std::string_view kDesktopShortcutFile = "Tallowin.desktop";
// The key file's section and values.
inline constexpr std::string_view kUninstallSection = "TALLOWIN";
inline constexpr std::string_view kDisplayNameKey = "DisplayName";
inline constexpr std::string_view kUninstallStringKey = "UninstallString";

// "Open Tallowin" (the program) and "View Tallowin Manual" (the help page, through xdg-open).
[[nodiscard]] bool AddProgramMenuEntries(const InstallPlaces& places);

// Writes the key file's uninstall entry when there is none yet (an existing one is left as it is), then the
// menu entry that starts the uninstaller the key file names.
[[nodiscard]] bool AddUninstallEntry(const InstallPlaces& places);

// The shortcut on the desktop, executable so that file managers start it; skipped (false) when the user has no
// desktop folder.
[[nodiscard]] bool AddDesktopShortcut(const InstallPlaces& places);

// Removes the shortcut, the three menu entries and the uninstall entry; what is missing is skipped.
void RemoveInstallEntries(const InstallPlaces& places);
