// StartMode: what the program does, chosen from its executable's file name: a name containing "SETUP" installs,
// one containing "UNINST" uninstalls, any other runs the dictation system (case is ignored; SETUP wins); and
// what the dictation system's main window greets the user with.
#pragma once

#include "app/Settings.h"
#include "app/WelcomeChoice.h"

#include <span>
#include <string>
#include <string_view>

enum class StartMode { Install, Uninstall, Normal };

StartMode ChooseStartMode(std::string_view executableFileName);

// What the main window greets with: the welcome wizard when the program was started with "/install" (as the
// installer starts it) or when a system-wide program starts for the first time (no settings.ini yet: no installer
// started it); otherwise the splash. `arguments` as the process got them, argument 0 first.
Welcome ChooseWelcomeAtStart(std::span<const std::string> arguments, const Settings& settings);
