// SendContext: where a send finds what it needs besides the recipient: the program's folder (recipient records,
// "bgsend.dat", private temporary files), the settings file (user details) and the sent dictations.
#pragma once

#include <string>

struct SendContext {
    std::string programFolder; // ends in '/'
    std::string settingsFile;
    std::string sentFolder; // ends in '/'
};
