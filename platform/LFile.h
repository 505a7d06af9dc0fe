// LFile: owns one open file descriptor and closes it when destroyed; LReadFile and LWriteFile open one.
// Reads and writes loop over short transfers and retry on EINTR; positional forms leave the offset alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>

class LFile {
public:
    LFile() = default;
    explicit LFile(int descriptor) : m_descriptor(descriptor) {}
    ~LFile();
    LFile(LFile&& other) noexcept;
    LFile& operator=(LFile&& other) noexcept;
    LFile(const LFile&) = delete;
    LFile& operator=(const LFile&) = delete;

    // Opens `path` with open(2) flags; the result is not open when that failed (errno tells why).
    static LFile Open(const std::string& path, int flags, mode_t mode = 0666);

    bool IsOpen() const { return m_descriptor >= 0; }
    int Descriptor() const { return m_descriptor; }
    void Close();

    // Bytes read (fewer only at the end of the file), or -1.
    int64_t Read(void* buffer, size_t bytes);
    int64_t ReadAt(void* buffer, size_t bytes, int64_t offset) const;
    // True when every byte was written.
    [[nodiscard]] bool Write(const void* buffer, size_t bytes);
    [[nodiscard]] bool WriteAt(const void* buffer, size_t bytes, int64_t offset);

    int64_t Seek(int64_t offset, int whence);
    int64_t Size() const; // -1 when unknown
    [[nodiscard]] bool Truncate(int64_t bytes);
    [[nodiscard]] bool Sync();

private:
    int m_descriptor = -1;
};

// Opens an existing file for reading.
class LReadFile : public LFile {
public:
    explicit LReadFile(const std::string& path);
};

// Creates or truncates a file for writing.
class LWriteFile : public LFile {
public:
    explicit LWriteFile(const std::string& path, mode_t mode = 0666);
};
