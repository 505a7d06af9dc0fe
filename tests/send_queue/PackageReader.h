// PackageReader: the typist's side of a ".dct" file, from the documented layout alone (no code of the writer).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

struct TypistPackage {
    uint32_t totalLength = 0;
    uint32_t userId = 0;
    uint32_t number = 0;
    uint32_t date = 0;
    std::string name;
    std::array<std::string, 10> details; // user, useremail, company, phone, cell, fax, address1..4
    uint8_t priority = 0;
    std::string notes;
    std::string audio; // the whole wave file
};

// The package, or nothing with `problem` saying what does not fit the layout.
std::optional<TypistPackage> ReadTypistPackage(const std::string& path, std::string& problem);

// Writes the package's audio to `wavePath`; false when it is not a RIFF/WAVE file or cannot be written.
bool ExtractTypistAudio(const TypistPackage& package, const std::string& wavePath);
