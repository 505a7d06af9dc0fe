// TypistRecipient: the recipient record and its file.
#include "send/TypistRecipient.h"

#include "platform/FileOps.h"
#include "send/SingleByteText.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace {

struct FieldPlace {
    size_t offset;
    size_t size;
};

FieldPlace PlaceOf(RecipientField field) {
    switch (field) {
    case RecipientField::Name:
        return {4, 32};
    case RecipientField::EmailAddress:
        return {40, 128};
    case RecipientField::Folder:
        return {168, 256};
    case RecipientField::FtpServer:
        return {424, 128};
    case RecipientField::FtpUser:
        return {552, 32};
    case RecipientField::FtpPassword:
        return {584, 32};
    case RecipientField::FtpDirectory:
        return {616, 256};
    }
    return {4, 32};
}

constexpr RecipientField kAllFields[] = {
    RecipientField::Name,    RecipientField::EmailAddress, RecipientField::Folder,      RecipientField::FtpServer,
    RecipientField::FtpUser, RecipientField::FtpPassword,  RecipientField::FtpDirectory};

bool IsUsable(const WaveFormatRecord& format) {
    if (format.formatTag == 0)
        return false;
    if (format.IsPcm()) {
        const uint16_t bits = format.bitsPerSample;
        if (bits != 8 && bits != 16 && bits != 24 && bits != 32)
            return false;
        if (format.blockAlign != format.channels * (bits / 8))
            return false;
    }
    return WaveFormatRecord::kFixedSize + format.extra.size() <= TypistRecipient::kFormatSize;
}

constexpr uint32_t kFtpOverTlsBit = 1u << 0;
constexpr uint32_t kNoCertificateCheckBit = 1u << 1;

} // namespace

std::string RecipientFileName(int index) {
    return "Recipient " + std::to_string(index) + ".dat";
}

std::string RecipientPath(std::string_view programFolder, int index) {
    return JoinPath(programFolder, RecipientFileName(index));
}

TypistRecipient::TypistRecipient() {
    SetText(RecipientField::Name, "Untitled");
    SetMethod(SendMethod::Email);
    (void)SetFormat(DefaultFormat());
}

WaveFormatRecord TypistRecipient::DefaultFormat() {
    return WaveFormatRecord::Pcm(8000, 1, 8);
}

bool TypistRecipient::Load(const std::string& path) {
    const std::optional<std::string> bytes = ReadFileBytes(path, kRecordSize);
    if (!bytes)
        return false;
    std::memcpy(m_bytes.data(), bytes->data(), std::min(bytes->size(), kRecordSize));
    TerminateFields();
    return true;
}

bool TypistRecipient::Save(const std::string& path) const {
    return WriteFileAtomically(path, std::string_view(reinterpret_cast<const char*>(m_bytes.data()), kRecordSize),
                               0600);
}

void TypistRecipient::TerminateFields() {
    for (const RecipientField field : kAllFields)
        FieldBytes(field).back() = 0;
}

std::span<uint8_t> TypistRecipient::FieldBytes(RecipientField field) {
    const FieldPlace place = PlaceOf(field);
    return std::span<uint8_t>(m_bytes).subspan(place.offset, place.size);
}

std::span<const uint8_t> TypistRecipient::FieldBytes(RecipientField field) const {
    const FieldPlace place = PlaceOf(field);
    return std::span<const uint8_t>(m_bytes).subspan(place.offset, place.size);
}

std::string TypistRecipient::Text(RecipientField field) const {
    return ReadSingleByteField(FieldBytes(field));
}

void TypistRecipient::SetText(RecipientField field, std::string_view utf8) {
    WriteSingleByteField(FieldBytes(field), utf8);
}

uint32_t TypistRecipient::MethodValue() const {
    return ReadLe32(m_bytes.data() + kMethodOffset);
}

void TypistRecipient::SetMethod(SendMethod method) {
    const auto value = static_cast<uint32_t>(method);
    for (size_t i = 0; i < 4; ++i)
        m_bytes[kMethodOffset + i] = static_cast<uint8_t>(value >> (8 * i));
}

std::string TypistRecipient::DisplayText(bool isDefault) const {
    std::string destination;
    switch (MethodValue()) {
    case static_cast<uint32_t>(SendMethod::Email):
        destination = Text(RecipientField::EmailAddress);
        break;
    case static_cast<uint32_t>(SendMethod::Lan):
        destination = Text(RecipientField::Folder);
        break;
    case static_cast<uint32_t>(SendMethod::Ftp):
        destination = Text(RecipientField::FtpServer);
        break;
    default:
        destination = "undefined method";
        break;
    }
    return Name() + " " + (isDefault ? "DEFAULT " : "") + "(" + destination + ")";
}

WaveFormatRecord TypistRecipient::FormatOrDefault(bool& wasUnusable) const {
    const std::optional<WaveFormatRecord> format =
        WaveFormatRecord::Parse(std::span<const uint8_t>(m_bytes).subspan(kFormatOffset, kFormatSize));
    wasUnusable = !format || !IsUsable(*format);
    return wasUnusable ? DefaultFormat() : *format;
}

bool TypistRecipient::SetFormat(const WaveFormatRecord& format) {
    const std::vector<uint8_t> bytes = format.Serialize();
    if (bytes.size() > kFormatSize)
        return false;
    uint8_t* area = m_bytes.data() + kFormatOffset;
    std::fill(area, area + kFormatSize, uint8_t{0});
    std::memcpy(area, bytes.data(), bytes.size());
    return true;
}

uint32_t TypistRecipient::Flags() const {
    return ReadLe32(m_bytes.data() + kFlagsOffset);
}

void TypistRecipient::SetFlag(uint32_t bit, bool on) {
    const uint32_t value = on ? (Flags() | bit) : (Flags() & ~bit);
    for (size_t i = 0; i < 4; ++i)
        m_bytes[kFlagsOffset + i] = static_cast<uint8_t>(value >> (8 * i));
}

bool TypistRecipient::FtpOverTls() const {
    return (Flags() & kFtpOverTlsBit) != 0;
}

void TypistRecipient::SetFtpOverTls(bool on) {
    SetFlag(kFtpOverTlsBit, on);
}

bool TypistRecipient::VerifyServerCertificate() const {
    return (Flags() & kNoCertificateCheckBit) == 0;
}

void TypistRecipient::SetVerifyServerCertificate(bool on) {
    SetFlag(kNoCertificateCheckBit, !on);
}
