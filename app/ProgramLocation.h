// ProgramLocation: where the running executable is, read from the process itself (/proc/self/exe), so neither
// the current directory nor a relative argv[0] can mislead it, and where a program in that folder keeps its data.
#pragma once

#include "app/Settings.h"

#include <string>
#include <string_view>

// The executable's full path; empty when the system does not say.
std::string ExecutablePath();

// True for a program installed system-wide (by the Debian package or an install into /usr/local or /opt): one
// whose folder lies under /usr/ or /opt/.
bool IsSystemWideProgramFolder(std::string_view programFolder);

// The data paths of the program in `programFolder`. A system-wide program keeps its data in the user's data
// folder always, even when it could write beside itself (run by root, or a writable /usr); any other keeps it
// beside itself when it may write there, as Settings::ForProgramFolder decides.
Settings SettingsForProgram(const std::string& programFolder);
