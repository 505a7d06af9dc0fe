// OpenErrorText: the sentence the user reads when an input device cannot be opened: it names the device and, for a
// permission refused, says what to do.
#pragma once

#include <string>

std::string OpenErrorText(const std::string& name, const std::string& path, int error);
