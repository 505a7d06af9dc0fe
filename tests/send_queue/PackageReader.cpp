#include "PackageReader.h"

#include <algorithm>
#include <fstream>
#include <iterator>

std::optional<TypistPackage> ReadTypistPackage(const std::string& path, std::string& problem) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Byte runs, little-endian numbers and length-prefixed texts from the front; false once the file runs out.
    size_t at = 0;
    const auto run = [&](size_t size, std::string& value) {
        value = bytes.substr(at, size);
        at = std::min(at + size, bytes.size());
        return value.size() == size;
    };
    const auto number = [&](size_t size, uint32_t& value) {
        std::string field;
        const bool whole = run(size, field);
        value = 0;
        for (size_t i = field.size(); i-- > 0;)
            value = value << 8 | static_cast<uint8_t>(field[i]);
        return whole;
    };
    const auto text = [&](std::string& value) {
        uint32_t length = 0;
        return number(1, length) && run(length, value);
    };
    TypistPackage package;
    uint32_t leading = 1, zero = 1, priority = 0, notesLength = 0;
    // The fixed header (its reserved fields zero, its length the file's), the name and the ten details, the
    // priority and the notes, then a whole wave file.
    const bool fits = number(2, leading) && number(4, package.totalLength) && number(4, zero) &&
                      number(4, package.userId) && number(4, package.number) && number(4, package.date) &&
                      leading == 0 && zero == 0 && package.totalLength == bytes.size() && text(package.name) &&
                      std::all_of(package.details.begin(), package.details.end(),
                                  [&](std::string& detail) { return text(detail); }) &&
                      number(1, priority) && number(4, notesLength) && notesLength <= 32766 &&
                      run(notesLength, package.notes);
    package.audio = bytes.substr(at);
    if (!in || !fits || package.audio.size() < 12 || !package.audio.starts_with("RIFF") ||
        package.audio.compare(8, 4, "WAVE") != 0) {
        problem = path + " does not fit the package layout from byte " + std::to_string(at) + " on";
        return std::nullopt;
    }
    package.priority = static_cast<uint8_t>(priority);
    return package;
}

bool ExtractTypistAudio(const TypistPackage& package, const std::string& wavePath) {
    std::ofstream out(wavePath, std::ios::binary | std::ios::trunc);
    out.write(package.audio.data(), static_cast<std::streamsize>(package.audio.size()));
    return static_cast<bool>(out);
}
