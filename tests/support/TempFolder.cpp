#include "TempFolder.h"

#include "platform/FileOps.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <sys/stat.h>

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tallowin-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a temporary folder");
    m_path = pattern + "/";
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string TempFolder::Write(std::string_view name, std::string_view bytes) const {
    const std::string path = *this / name;
    MakeFolders(std::string(FolderOf(path)));
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::string TempFolder::Read(std::string_view name) const {
    return ReadFileBytes(*this / name).value_or("<missing>");
}

mode_t ModeOf(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? status.st_mode & 07777 : 0;
}
