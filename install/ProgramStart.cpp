#include "install/ProgramStart.h"

#include <spawn.h>

extern char** environ;

bool StartProgram(const std::vector<std::string>& arguments) {
    if (arguments.empty())
        return false;
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    // The child gets a session of its own, so a terminal that started the installer can close without ending it.
    posix_spawnattr_t attributes;
    if (posix_spawnattr_init(&attributes) != 0)
        return false;
    const bool set = posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID) == 0;
    pid_t child = 0;
    const bool started = set && posix_spawn(&child, argv[0], nullptr, &attributes, argv.data(), environ) == 0;
    posix_spawnattr_destroy(&attributes);
    return started;
}
