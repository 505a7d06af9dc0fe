#include "PackageReader.h"

#include <fstream>
#include <iterator>

namespace {

class ByteCursor {
public:
    explicit ByteCursor(const std::string& bytes) : m_bytes(bytes) {}

    bool Number(size_t size, uint32_t& value) {
        if (m_bytes.size() - m_at < size)
            return false;
        value = 0;
        for (size_t i = 0; i < size; ++i)
            value |= static_cast<uint32_t>(static_cast<uint8_t>(m_bytes[m_at + i])) << (8 * i);
        m_at += size;
        return true;
    }
    bool Bytes(size_t size, std::string& value) {
        if (m_bytes.size() - m_at < size)
            return false;
        value = m_bytes.substr(m_at, size);
        m_at += size;
        return true;
    }
    bool Text(std::string& value) {
        uint32_t length = 0;
        return Number(1, length) && Bytes(length, value);
    }
    std::string Rest() const { return m_bytes.substr(m_at); }

private:
    const std::string& m_bytes;
    size_t m_at = 0;
};

} // namespace

std::optional<TypistPackage> ReadTypistPackage(const std::string& path, std::string& problem) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        problem = "cannot open " + path;
        return std::nullopt;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ByteCursor cursor(bytes);
    TypistPackage package;
    uint32_t leading = 1, zero = 1, priority = 0, notesLength = 0;
    if (!cursor.Number(2, leading) || !cursor.Number(4, package.totalLength) || !cursor.Number(4, zero) ||
        !cursor.Number(4, package.userId) || !cursor.Number(4, package.number) || !cursor.Number(4, package.date)) {
        problem = "the fixed header is cut short";
        return std::nullopt;
    }
    if (leading != 0 || zero != 0) {
        problem = "the reserved header fields are not zero";
        return std::nullopt;
    }
    if (package.totalLength != bytes.size()) {
        problem = "the length field says " + std::to_string(package.totalLength) + " but the file holds " +
                  std::to_string(bytes.size()) + " bytes";
        return std::nullopt;
    }
    if (!cursor.Text(package.name)) {
        problem = "the name is cut short";
        return std::nullopt;
    }
    for (std::string& detail : package.details)
        if (!cursor.Text(detail)) {
            problem = "the user details are cut short";
            return std::nullopt;
        }
    if (!cursor.Number(1, priority) || !cursor.Number(4, notesLength) || notesLength > 32766 ||
        !cursor.Bytes(notesLength, package.notes)) {
        problem = "the priority or the notes are cut short";
        return std::nullopt;
    }
    package.priority = static_cast<uint8_t>(priority);
    package.audio = cursor.Rest();
    if (package.audio.size() < 12 || package.audio.compare(0, 4, "RIFF") != 0 ||
        package.audio.compare(8, 4, "WAVE") != 0) {
        problem = "the audio part is not a wave file";
        return std::nullopt;
    }
    return package;
}

bool ExtractTypistAudio(const TypistPackage& package, const std::string& wavePath) {
    std::ofstream out(wavePath, std::ios::binary | std::ios::trunc);
    out.write(package.audio.data(), static_cast<std::streamsize>(package.audio.size()));
    return static_cast<bool>(out);
}
