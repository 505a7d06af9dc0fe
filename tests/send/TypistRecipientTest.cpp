// The recipient record, laid out by hand from the documented offsets, and the single-byte text it keeps.
#include "send/TypistRecipient.h"

#include "TempFolder.h"
#include "send/SingleByteText.h"

#include <cstring>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using enum RecipientField;

TEST(SingleByteText, TextKeepsItsSingleByteCharactersAndNeverCutsOne) {
    EXPECT_EQ(Utf8ToSingleByte("Zoë Müller €5 – ok"), "Zo\xEB M\xFCller \x80"
                                                      "5 \x96 ok");
    EXPECT_EQ(Utf8ToSingleByte("日本 ok 😀"), "?? ok ?"); // one per character without a single-byte form
    EXPECT_EQ(Utf8ToSingleByte("a\xC3|\xFF\xFE|\xED\xA0\x80"), "a?|??|???"); // one per malformed byte
    EXPECT_EQ(SingleByteToUtf8("\x81\x8D\x8F\x90\x9D"), "?????");            // undefined bytes
    for (int byte = 1; byte < 256; ++byte) {
        const std::string one(1, static_cast<char>(byte));
        if (const std::string utf8 = SingleByteToUtf8(one); utf8 != "?") {
            EXPECT_EQ(Utf8ToSingleByte(utf8), one) << byte;
        }
    }
    EXPECT_EQ(std::tuple(Utf8Prefix("abé", 3), Utf8Prefix("abé", 4), Utf8Prefix("a😀", 4)),
              std::tuple("ab", "abé", "a"));
    std::array<uint8_t, 6> field;
    field.fill(0xAA);
    WriteSingleByteField(field, "éèêëab"); // one character less than its size, zero filled
    EXPECT_EQ(field, (std::array<uint8_t, 6>{0xE9, 0xE8, 0xEA, 0xEB, 'a', 0}));
    WriteSingleByteField(field, "x");
    EXPECT_EQ(field, (std::array<uint8_t, 6>{'x', 0, 0, 0, 0, 0}));
    const std::array<uint8_t, 8> bytes{'a', 0xE9, 0, 'z', 'q', 'r', 's', 't'}; // read up to the nul or the end
    EXPECT_EQ(std::tuple(ReadSingleByteField(std::span(bytes)), ReadSingleByteField(std::span(bytes).subspan(3, 3))),
              std::tuple("aé", "zqr"));
}

// A record laid out by hand, field by field.
class HandRecord {
public:
    HandRecord& Text(size_t offset, std::string_view text) {
        std::memcpy(m_bytes.data() + offset, text.data(), text.size());
        return *this;
    }
    HandRecord& U16(size_t offset, uint16_t value) {
        return Text(offset, std::string{static_cast<char>(value), static_cast<char>(value >> 8)});
    }
    HandRecord& U32(size_t offset, uint32_t value) { return U16(offset, value & 0xFFFF).U16(offset + 2, value >> 16); }
    // PCM 8000 Hz, 8-bit mono.
    HandRecord& DefaultFormat() {
        return U16(872, 1).U16(874, 1).U32(876, 8000).U32(880, 8000).U16(884, 1).U16(886, 8).U16(888, 0);
    }
    const std::string& Bytes() const { return m_bytes; }

private:
    std::string m_bytes = std::string(1896, '\0');
};

// Loads `bytes` as a recipient file over the default record.
TypistRecipient Loaded(const std::string& bytes) {
    TempFolder folder;
    TypistRecipient recipient;
    EXPECT_TRUE(recipient.Load(folder.Write("Recipient 0.dat", bytes)));
    return recipient;
}

WaveFormatRecord FormatOf(const TypistRecipient& recipient, bool expectUnusable = false) {
    bool unusable = !expectUnusable;
    const WaveFormatRecord format = recipient.FormatOrDefault(unusable);
    EXPECT_EQ(unusable, expectUnusable);
    return format;
}

TEST(TypistRecipient, EveryFieldIsWrittenAtItsOffsetInSingleByteTextToAnOwnerOnlyFile) {
    // The name is cut to 31 characters, the last one whole.
    const std::tuple<RecipientField, std::string, size_t, std::string> fields[] = {
        {Name, std::string(30, 'Z') + "ëüö", 4, std::string(30, 'Z') + "\xEB"},
        {EmailAddress, "zoe@example.org", 40, "zoe@example.org"},
        {Folder, "/srv/typing", 168, "/srv/typing"},
        {FtpServer, "ftp.example.org:2121", 424, "ftp.example.org:2121"},
        {FtpUser, "zoe", 552, "zoe"},
        {FtpPassword, "sécret", 584,
         "s\xE9"
         "cret"},
        {FtpDirectory, "in/box", 616, "in/box"}};
    TypistRecipient recipient;
    HandRecord expected;
    for (const auto& [field, text, offset, bytes] : fields) {
        recipient.SetText(field, text);
        expected.Text(offset, bytes);
    }
    recipient.SetMethod(SendMethod::Ftp);
    recipient.SetFtpOverTls(true);
    recipient.SetVerifyServerCertificate(false);
    const WaveFormatRecord gsm{WaveFormatRecord::kTagGsm610, 1, 8000, 1625, 65, 0, {0x40, 0x01}};
    ASSERT_TRUE(recipient.SetFormat(gsm));
    expected.U32(0, 3).U32(36, 2).U16(872, 0x31).U16(874, 1).U32(876, 8000).U32(880, 1625).U16(884, 65).U16(888, 2);
    TempFolder folder;
    ASSERT_TRUE(recipient.Save(folder / "Recipient 0.dat"));
    EXPECT_EQ(folder.Read("Recipient 0.dat"), expected.Text(890, "\x40\x01").Bytes());
    struct stat info {};
    ASSERT_EQ(::stat((folder / "Recipient 0.dat").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "the file holds a password";

    TypistRecipient loaded = Loaded(folder.Read("Recipient 0.dat"));
    for (const auto& [field, text, offset, bytes] : fields)
        EXPECT_EQ(loaded.Text(field), SingleByteToUtf8(bytes));
    EXPECT_EQ(loaded.DisplayText(true), loaded.Name() + " DEFAULT (ftp.example.org:2121)");
    EXPECT_EQ(std::tuple(loaded.MethodValue(), loaded.FtpOverTls(), loaded.VerifyServerCertificate()),
              std::tuple(2u, true, false));
    EXPECT_EQ(FormatOf(loaded), gsm);
    loaded.SetFtpOverTls(false);
    loaded.SetVerifyServerCertificate(true);
    EXPECT_EQ(loaded.Bytes()[0], 0);
}

TEST(TypistRecipient, MissingShortLongAndGarbageFilesLoadAsFarAsTheyMakeSense) {
    TypistRecipient kept;
    kept.SetText(Name, "Kept");
    kept.SetText(EmailAddress, "jane@example.org");
    EXPECT_FALSE(kept.Load("/nonexistent/Recipient 0.dat"));
    EXPECT_EQ(kept.DisplayText(false), "Kept (jane@example.org)"); // a missing file leaves the record as it was
    const TypistRecipient shortFile = Loaded(std::string("\0\0\0\0Jan", 7)); // a name cut off by the end
    EXPECT_EQ(std::tuple(shortFile.Name(), shortFile.MethodValue()), std::tuple("Janitled", 0u));
    const std::string record = HandRecord().Text(4, "Lee").U32(36, 1).Text(168, "/typing").DefaultFormat().Bytes();
    const TypistRecipient longFile = Loaded(record + std::string(5000, 'x')); // only the first 1896 bytes
    EXPECT_EQ(std::string(longFile.Bytes().begin(), longFile.Bytes().end()), record);

    const TypistRecipient garbage = Loaded(std::string(1896, '\xFF'));
    for (const size_t end : {35, 167, 423, 551, 583, 615, 871})
        EXPECT_EQ(garbage.Bytes()[end], 0) << end;
    EXPECT_EQ(garbage.Name().size(), 31u * 2) << "31 characters of ÿ, two UTF-8 bytes each";
    EXPECT_EQ(garbage.DisplayText(false), garbage.Name() + " (undefined method)");
    EXPECT_EQ(FormatOf(garbage, true), TypistRecipient::DefaultFormat());
}

TEST(TypistRecipient, FormatsThatCannotBeUsedFallBackToTheDefaultAndOnesTooLargeAreRefused) {
    const std::pair<HandRecord, bool> cases[] = {
        {HandRecord().DefaultFormat().U16(872, 0), true},             // no format tag
        {HandRecord().DefaultFormat().U16(874, 0), true},             // no channels
        {HandRecord().DefaultFormat().U32(876, 5), true},             // a rate out of range
        {HandRecord().DefaultFormat().U16(884, 0), true},             // a block align of 0
        {HandRecord().DefaultFormat().U16(884, 3), true},             // PCM block align not channels x bytes
        {HandRecord().DefaultFormat().U16(888, 1024 - 18 + 1), true}, // extra bytes past the area
        {HandRecord().DefaultFormat().U16(888, 1024 - 18), false}};   // extra bytes filling the area
    for (const auto& [record, unusable] : cases)
        EXPECT_EQ(FormatOf(Loaded(record.Bytes()), unusable) == TypistRecipient::DefaultFormat(), unusable);
    TypistRecipient recipient;
    WaveFormatRecord large = WaveFormatRecord::Pcm(8000, 1, 16);
    large.extra.assign(1024 - 18 + 1, 0);
    EXPECT_FALSE(recipient.SetFormat(large));
    EXPECT_EQ(FormatOf(recipient), TypistRecipient::DefaultFormat()); // the area keeps the format it had
}

} // namespace
