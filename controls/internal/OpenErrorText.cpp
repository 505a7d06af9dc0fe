#include "controls/internal/OpenErrorText.h"

#include <cerrno>
#include <cstring>

std::string OpenErrorText(const std::string& name, const std::string& path, int error) {
    const std::string device =
        (name.empty() ? std::string("The input device") : "\"" + name + "\"") + " (" + path + ")";
    if (error == EACCES || error == EPERM)
        return device + " cannot be opened: permission denied. Join the \"input\" group and log in again, or install "
                        "the program's package, whose udev rule gives the logged-in user known dictation pedals and "
                        "microphones.";
    if (error == EBUSY)
        return device + " is held by another program, which keeps its buttons to itself; close that program.";
    return device + " cannot be opened: " + std::strerror(error) + ".";
}
