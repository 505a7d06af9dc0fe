// TypistRecipient: one typist recipient as kept in its file "Recipient <n>.dat": a 1896-byte little-endian record
// with the display name, the send method with every method's address fields, and the target audio format.
// Text is UTF-8 to callers and Windows-1252 in the record; fields not in use are kept as they are.
//
//   TypistRecipient recipient;                    // the default record
//   recipient.Load(RecipientPath(folder, 2));     // a missing file leaves the default
//   list.push_back(recipient.DisplayText(index == defaultIndex));
#pragma once

#include "platform/WaveFormatRecord.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

enum class SendMethod : uint32_t { Email = 0, Lan = 1, Ftp = 2 };

// The text fields of the record; each holds one character less than its size (the last byte is its terminator).
enum class RecipientField { Name, EmailAddress, Folder, FtpServer, FtpUser, FtpPassword, FtpDirectory };

// "Recipient <index>.dat" and its path in the program's folder.
std::string RecipientFileName(int index);
std::string RecipientPath(std::string_view programFolder, int index);

class TypistRecipient {
public:
    static constexpr size_t kRecordSize = 1896;
    static constexpr size_t kFlagsOffset = 0; // the first four bytes: option bits, zero in a plain record
    static constexpr size_t kMethodOffset = 36;
    static constexpr size_t kFormatOffset = 872;
    static constexpr size_t kFormatSize = 1024;

    // The default record: "Untitled", Email, empty addresses, PCM 8000 Hz 8-bit mono.
    TypistRecipient();

    // Reads up to kRecordSize bytes of the file over the record (a short file replaces only its length of it)
    // and terminates every text field at its last byte. False, with the record unchanged, when the file cannot
    // be read.
    bool Load(const std::string& path);

    // Replaces the file with the record in one step (mode 0600 for a new file: it holds a password).
    [[nodiscard]] bool Save(const std::string& path) const;

    std::string Text(RecipientField field) const;
    // Stores the text cut to the field's capacity (in Windows-1252 characters).
    void SetText(RecipientField field, std::string_view utf8);
    std::string Name() const { return Text(RecipientField::Name); }

    // The method as stored, which may be outside SendMethod's values in a damaged file.
    uint32_t MethodValue() const;
    void SetMethod(SendMethod method);

    // FTP over explicit TLS (bit 0 of the option bits); off in a zeroed record.
    bool FtpOverTls() const;
    void SetFtpOverTls(bool on);
    // Whether a TLS server's certificate must be trusted. Kept as a "do not verify" bit (bit 1), so a zeroed
    // record verifies.
    bool VerifyServerCertificate() const;
    void SetVerifyServerCertificate(bool on);

    // The line shown in recipient lists: "<name> (<destination>)", or "<name> DEFAULT (<destination>)".
    std::string DisplayText(bool isDefault) const;

    // The target format. An area that does not hold a usable format yields the default format and sets
    // `wasUnusable`, so the caller can tell the user.
    WaveFormatRecord FormatOrDefault(bool& wasUnusable) const;
    // Stores the format in the area (the rest of it zero); false when it does not fit in kFormatSize bytes.
    [[nodiscard]] bool SetFormat(const WaveFormatRecord& format);
    static WaveFormatRecord DefaultFormat();

    // The record as stored.
    std::span<const uint8_t, kRecordSize> Bytes() const { return m_bytes; }

private:
    std::span<uint8_t> FieldBytes(RecipientField field);
    std::span<const uint8_t> FieldBytes(RecipientField field) const;
    void TerminateFields();
    uint32_t Flags() const;
    void SetFlag(uint32_t bit, bool on);

    std::array<uint8_t, kRecordSize> m_bytes{};
};
