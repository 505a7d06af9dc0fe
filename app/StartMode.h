// StartMode: what the program does, chosen from its executable's file name: a name containing "SETUP" installs,
// one containing "UNINST" uninstalls, any other runs the dictation system (case is ignored; SETUP wins).
#pragma once

#include <string_view>

enum class StartMode { Install, Uninstall, Normal };

StartMode ChooseStartMode(std::string_view executableFileName);
