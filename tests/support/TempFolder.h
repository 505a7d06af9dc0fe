// TempFolder: a fresh folder under the system's temporary folder, removed with everything in it when destroyed.
#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder's path, ending with '/'.
    const std::string& Path() const { return m_path; }
    // Path() + name.
    std::string operator/(std::string_view name) const { return m_path + std::string(name); }

    // Writes a file below the folder (creating sub-folders); returns its path.
    std::string Write(std::string_view name, std::string_view bytes) const;
    // The bytes of a file below the folder, or "<missing>".
    std::string Read(std::string_view name) const;

private:
    std::string m_path;
};

// The permission bits of a file (07777), or 0 when there is none.
mode_t ModeOf(const std::string& path);
