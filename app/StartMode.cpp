#include "StartMode.h"

#include <algorithm>
#include <string>

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
