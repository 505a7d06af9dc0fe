// FuzzInputFolder: one temporary folder per fuzz target for the files an input becomes, on tmpfs where there is
// one (inputs need not reach a disk), removed when the process ends.
#pragma once

#include "platform/FileOps.h"

#include <cstdlib>
#include <filesystem>
#include <string>

class FuzzInputFolder {
public:
    // The folder for the target `name`, ending with '/'; made at the first call.
    static const std::string& Path(const std::string& name) {
        static const FuzzInputFolder folder(name);
        return folder.m_path;
    }

private:
    explicit FuzzInputFolder(const std::string& name) {
        m_path = (IsFolder("/dev/shm") ? "/dev/shm/fuzz-" : "/tmp/fuzz-") + name + "-XXXXXX";
        if (!::mkdtemp(m_path.data()))
            std::abort();
        m_path += "/";
    }
    ~FuzzInputFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }

    std::string m_path;
};
