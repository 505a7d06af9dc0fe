#include "app/StartMode.h"

#include "app/ProgramLocation.h"
#include "platform/FileOps.h"

#include <algorithm>

StartMode ChooseStartMode(std::string_view executableFileName) {
    std::string upper(executableFileName);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; });
    if (upper.find("SETUP") != std::string::npos)
        return StartMode::Install;
    if (upper.find("UNINST") != std::string::npos)
        return StartMode::Uninstall;
    return StartMode::Normal;
}

Welcome ChooseWelcomeAtStart(std::span<const std::string> arguments, const Settings& settings) {
    if (ChooseWelcome(arguments) == Welcome::Wizard)
        return Welcome::Wizard;
    const bool firstStart = !PathExists(settings.settingsFile);
    return firstStart && IsSystemWideProgramFolder(settings.programFolder) ? Welcome::Wizard : Welcome::Splash;
}
