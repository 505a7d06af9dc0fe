// DictationPackage: writes the package file ("dct<userid>-<number>.dct") that carries a sent dictation to its
// typist: a little-endian header with the user id, dictation number and date, the dictation's name, the user's
// ten contact details, its priority and notes, followed by the whole converted audio file.
// Strings are written as one length byte and up to 255 Windows-1252 bytes without terminator.
//
//   DictationPackage package(settingsFile);
//   const PackageResult result = package.Write(sentWavePath, convertedAudioPath);
//   if (result.status == PackageStatus::Written) { /* hand result.path to the transport */ }
#pragma once

#include <cstdint>
#include <functional>
#include <string>

enum class PackageStatus {
    Written,
    AudioUnreadable, // the converted audio file cannot be read
    NotesUnreadable, // the notes file exists but cannot be read
    WriteFailed,     // the package could not be written in full (a full disk); no package is left behind
    TooLarge         // the package would not fit the 32-bit length field
};

struct PackageResult {
    PackageStatus status = PackageStatus::WriteFailed;
    std::string path; // the package's path when Written
};

class DictationPackage {
public:
    static constexpr size_t kStringLimit = 255;
    static constexpr uint8_t kPriorityHigh = 100;
    static constexpr uint8_t kPriorityNormal = 50;
    static constexpr uint8_t kPriorityLow = 10;

    // `now`: seconds since 1970 for a record without a date; empty: the system clock.
    explicit DictationPackage(std::string settingsFile, std::function<int64_t()> now = {});

    // "dct00042-00017.dct" for user 42, dictation 17.
    static std::string FileName(int32_t userId, int32_t number);

    // Writes the package of the dictation whose wave file in "Sent Files" is `sentWavePath` (its record and notes
    // lie beside it) in that folder, with `audioPath` as its audio. The package is written under a temporary
    // name and renamed into place only when complete, replacing an earlier package of the same name.
    PackageResult Write(const std::string& sentWavePath, const std::string& audioPath) const;

    // The priority byte for a record's priority text.
    static uint8_t PriorityByte(std::string_view priority);

private:
    std::string m_settingsFile;
    std::function<int64_t()> m_now;
};
