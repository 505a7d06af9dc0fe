// SetupModes: the entries of install mode (a program file name with "SETUP") and uninstall mode ("UNINST").
// Each first asks a Tallowin that serves the install folder to close and waits for it (at most kCloseWait), then
// runs its window. They need the QApplication; the result is the process's exit code: 0 done, 1 not done.
//
//   case StartMode::Install: return RunInstallMode(ExecutablePath());
#pragma once

#include <chrono>
#include <string>

// How long installing or uninstalling waits for a running program to finish its work and close.
inline constexpr std::chrono::seconds kCloseWait{30};

// Installs from `installerPath` (the running program with its payload) into the user's install folder.
int RunInstallMode(const std::string& installerPath);

// Removes the entries of the installation whose uninstaller is `uninstallerPath`.
int RunUninstallMode(const std::string& uninstallerPath);
