// ProgramStart: starts a program as a new process with an argument vector (no shell reads it) and does not wait
// for it; it outlives the caller.
#pragma once

#include <functional>
#include <string>
#include <vector>

// The program's path first, then its arguments. True when the program was started.
using ProgramStarter = std::function<bool(const std::vector<std::string>& arguments)>;

bool StartProgram(const std::vector<std::string>& arguments);
