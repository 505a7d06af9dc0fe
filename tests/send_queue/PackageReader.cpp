#include "PackageReader.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace {

// Reads little-endian numbers, byte runs and length-prefixed texts from the front of the package.
class ByteCursor {
public:
    explicit ByteCursor(const std::string& bytes) : m_bytes(bytes) {}

    bool Number(size_t size, uint32_t& value) {
        value = 0;
        for (size_t i = 0; i < size && m_at + i < m_bytes.size(); ++i)
            value |= static_cast<uint32_t>(static_cast<uint8_t>(m_bytes[m_at + i])) << (8 * i);
        return Skip(size);
    }
    bool Bytes(size_t size, std::string& value) {
        value = m_bytes.substr(std::min(m_at, m_bytes.size()), size);
        return Skip(size);
    }
    bool Text(std::string& value) {
        uint32_t length = 0;
        return Number(1, length) && Bytes(length, value);
    }
    std::string Rest() const { return m_bytes.substr(m_at); }

private:
    bool Skip(size_t size) {
        const bool fits = m_bytes.size() - m_at >= size;
        m_at = fits ? m_at + size : m_bytes.size();
        return fits;
    }

    const std::string& m_bytes;
    size_t m_at = 0;
};

} // namespace

std::optional<TypistPackage> ReadTypistPackage(const std::string& path, std::string& problem) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ByteCursor cursor(bytes);
    TypistPackage package;
    uint32_t leading = 1, zero = 1, priority = 0, notesLength = 0;
    if (!in)
        problem = "cannot open " + path;
    else if (!cursor.Number(2, leading) || !cursor.Number(4, package.totalLength) || !cursor.Number(4, zero) ||
             !cursor.Number(4, package.userId) || !cursor.Number(4, package.number) || !cursor.Number(4, package.date))
        problem = "the fixed header is cut short";
    else if (leading != 0 || zero != 0)
        problem = "the reserved header fields are not zero";
    else if (package.totalLength != bytes.size())
        problem = "the length field says " + std::to_string(package.totalLength) + " but the file holds " +
                  std::to_string(bytes.size()) + " bytes";
    else if (!cursor.Text(package.name) || !std::all_of(package.details.begin(), package.details.end(),
                                                        [&](std::string& detail) { return cursor.Text(detail); }))
        problem = "the name or the user details are cut short";
    else if (!cursor.Number(1, priority) || !cursor.Number(4, notesLength) || notesLength > 32766 ||
             !cursor.Bytes(notesLength, package.notes))
        problem = "the priority or the notes are cut short";
    else if (package.audio = cursor.Rest(); package.audio.size() < 12 || !package.audio.starts_with("RIFF") ||
                                            package.audio.compare(8, 4, "WAVE") != 0)
        problem = "the audio part is not a wave file";
    else {
        package.priority = static_cast<uint8_t>(priority);
        return package;
    }
    return std::nullopt;
}

bool ExtractTypistAudio(const TypistPackage& package, const std::string& wavePath) {
    std::ofstream out(wavePath, std::ios::binary | std::ios::trunc);
    out.write(package.audio.data(), static_cast<std::streamsize>(package.audio.size()));
    return static_cast<bool>(out);
}
