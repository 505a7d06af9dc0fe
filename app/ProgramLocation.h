// ProgramLocation: where the running executable is, read from the process itself (/proc/self/exe), so neither
// the current directory nor a relative argv[0] can mislead it.
#pragma once

#include <string>

// The executable's full path; empty when the system does not say.
std::string ExecutablePath();
