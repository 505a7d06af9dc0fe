#include "platform/LFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

LFile::~LFile() {
    Close();
}

LFile::LFile(LFile&& other) noexcept : m_descriptor(std::exchange(other.m_descriptor, -1)) {}

LFile& LFile::operator=(LFile&& other) noexcept {
    if (this != &other) {
        Close();
        m_descriptor = std::exchange(other.m_descriptor, -1);
    }
    return *this;
}

LFile LFile::Open(const std::string& path, int flags, mode_t mode) {
    int descriptor;
    do {
        descriptor = ::open(path.c_str(), flags | O_CLOEXEC, mode);
    } while (descriptor < 0 && errno == EINTR);
    return LFile(descriptor);
}

void LFile::Close() {
    if (m_descriptor >= 0) {
        ::close(m_descriptor);
        m_descriptor = -1;
    }
}

int64_t LFile::Read(void* buffer, size_t bytes) {
    auto* out = static_cast<char*>(buffer);
    size_t done = 0;
    while (done < bytes) {
        ssize_t got = ::read(m_descriptor, out + done, bytes - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        done += static_cast<size_t>(got);
    }
    return static_cast<int64_t>(done);
}

int64_t LFile::ReadAt(void* buffer, size_t bytes, int64_t offset) const {
    auto* out = static_cast<char*>(buffer);
    size_t done = 0;
    while (done < bytes) {
        ssize_t got = ::pread(m_descriptor, out + done, bytes - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        done += static_cast<size_t>(got);
    }
    return static_cast<int64_t>(done);
}

bool LFile::Write(const void* buffer, size_t bytes) {
    const auto* in = static_cast<const char*>(buffer);
    size_t done = 0;
    while (done < bytes) {
        ssize_t put = ::write(m_descriptor, in + done, bytes - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += static_cast<size_t>(put);
    }
    return true;
}

bool LFile::WriteAt(const void* buffer, size_t bytes, int64_t offset) {
    const auto* in = static_cast<const char*>(buffer);
    size_t done = 0;
    while (done < bytes) {
        ssize_t put = ::pwrite(m_descriptor, in + done, bytes - done, static_cast<off_t>(offset + done));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += static_cast<size_t>(put);
    }
    return true;
}

int64_t LFile::Seek(int64_t offset, int whence) {
    return ::lseek(m_descriptor, static_cast<off_t>(offset), whence);
}

int64_t LFile::Size() const {
    struct stat info {};
    if (::fstat(m_descriptor, &info) != 0)
        return -1;
    return info.st_size;
}

bool LFile::Truncate(int64_t bytes) {
    return ::ftruncate(m_descriptor, static_cast<off_t>(bytes)) == 0;
}

bool LFile::Sync() {
    return ::fsync(m_descriptor) == 0;
}

LReadFile::LReadFile(const std::string& path) : LFile(Open(path, O_RDONLY)) {}

LWriteFile::LWriteFile(const std::string& path, mode_t mode) : LFile(Open(path, O_WRONLY | O_CREAT | O_TRUNC, mode)) {}
