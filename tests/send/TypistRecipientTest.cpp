#include "TypistRecipient.h"

#include "TempFolder.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>

namespace {

// A record laid out by hand, field by field, from the documented offsets.
class HandRecord {
public:
    HandRecord() : m_bytes(1896, '\0') {}
    HandRecord& Text(size_t offset, std::string_view text) {
        std::memcpy(m_bytes.data() + offset, text.data(), text.size());
        return *this;
    }
    HandRecord& U16(size_t offset, uint16_t value) {
        m_bytes[offset] = static_cast<char>(value);
        m_bytes[offset + 1] = static_cast<char>(value >> 8);
        return *this;
    }
    HandRecord& U32(size_t offset, uint32_t value) {
        U16(offset, static_cast<uint16_t>(value));
        return U16(offset + 2, static_cast<uint16_t>(value >> 16));
    }
    // PCM 8000 Hz, 8-bit mono.
    HandRecord& DefaultFormat() {
        return U16(872, 1).U16(874, 1).U32(876, 8000).U32(880, 8000).U16(884, 1).U16(886, 8).U16(888, 0);
    }
    const std::string& Bytes() const { return m_bytes; }

private:
    std::string m_bytes;
};

std::string BytesOf(const TypistRecipient& recipient) {
    return std::string(reinterpret_cast<const char*>(recipient.Bytes().data()), recipient.Bytes().size());
}

} // namespace

TEST(TypistRecipient, TheDefaultRecordIsUntitledEmailWithPcm8kMono) {
    const TypistRecipient recipient;
    EXPECT_EQ(BytesOf(recipient), HandRecord().Text(4, "Untitled").DefaultFormat().Bytes());
    bool unusable = true;
    EXPECT_EQ(recipient.FormatOrDefault(unusable), WaveFormatRecord::Pcm(8000, 1, 8));
    EXPECT_FALSE(unusable);
}

TEST(TypistRecipient, EveryFieldIsWrittenAtItsOffsetInSingleByteText) {
    TempFolder folder;
    TypistRecipient recipient;
    recipient.SetText(RecipientField::Name, "Zoë");
    recipient.SetMethod(SendMethod::Ftp);
    recipient.SetText(RecipientField::EmailAddress, "zoe@example.org");
    recipient.SetText(RecipientField::Folder, "/srv/typing");
    recipient.SetText(RecipientField::FtpServer, "ftp.example.org:2121");
    recipient.SetText(RecipientField::FtpUser, "zoe");
    recipient.SetText(RecipientField::FtpPassword, "sécret");
    recipient.SetText(RecipientField::FtpDirectory, "in/box");
    WaveFormatRecord gsm;
    gsm.formatTag = WaveFormatRecord::kTagGsm610;
    gsm.samplesPerSec = 8000;
    gsm.avgBytesPerSec = 1625;
    gsm.blockAlign = 65;
    gsm.bitsPerSample = 0;
    gsm.extra = {0x40, 0x01};
    ASSERT_TRUE(recipient.SetFormat(gsm));
    ASSERT_TRUE(recipient.Save(folder / "Recipient 0.dat"));

    const std::string expected = HandRecord()
                                     .Text(4, "Zo\xEB")
                                     .U32(36, 2)
                                     .Text(40, "zoe@example.org")
                                     .Text(168, "/srv/typing")
                                     .Text(424, "ftp.example.org:2121")
                                     .Text(552, "zoe")
                                     .Text(584, "s\xE9"
                                                "cret")
                                     .Text(616, "in/box")
                                     .U16(872, 0x31)
                                     .U16(874, 1)
                                     .U32(876, 8000)
                                     .U32(880, 1625)
                                     .U16(884, 65)
                                     .U16(886, 0)
                                     .U16(888, 2)
                                     .Text(890, "\x40\x01")
                                     .Bytes();
    EXPECT_EQ(folder.Read("Recipient 0.dat"), expected);

    struct stat info {};
    ASSERT_EQ(::stat((folder / "Recipient 0.dat").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "the file holds a password";

    TypistRecipient loaded;
    ASSERT_TRUE(loaded.Load(folder / "Recipient 0.dat"));
    EXPECT_EQ(loaded.Name(), "Zoë");
    EXPECT_EQ(loaded.MethodValue(), 2u);
    EXPECT_EQ(loaded.Text(RecipientField::FtpPassword), "sécret");
    bool unusable = true;
    EXPECT_EQ(loaded.FormatOrDefault(unusable), gsm);
    EXPECT_FALSE(unusable);
}

TEST(TypistRecipient, TextIsCutToTheFieldWithoutHalfACharacter) {
    TypistRecipient recipient;
    // 30 letters then characters of two UTF-8 bytes: the name keeps 31 characters, the last one whole.
    recipient.SetText(RecipientField::Name, std::string(30, 'a') + "éüö");
    EXPECT_EQ(recipient.Name(), std::string(30, 'a') + "é");
    EXPECT_EQ(recipient.Bytes()[4 + 30], 0xE9);
    EXPECT_EQ(recipient.Bytes()[4 + 31], 0);
    recipient.SetText(RecipientField::Name, "日本語 Team");
    EXPECT_EQ(recipient.Name(), "??? Team");
}

TEST(TypistRecipient, AMissingFileLeavesTheRecordAsItWas) {
    TempFolder folder;
    TypistRecipient recipient;
    recipient.SetText(RecipientField::Name, "Kept");
    EXPECT_FALSE(recipient.Load(folder / "Recipient 9.dat"));
    EXPECT_EQ(recipient.Name(), "Kept");
}

TEST(TypistRecipient, AShortFileReplacesOnlyItsLengthOfTheDefault) {
    TempFolder folder;
    // Reserved, then a name cut off by the end of the file.
    folder.Write("Recipient 0.dat", std::string("\0\0\0\0Jan", 7));
    TypistRecipient recipient;
    ASSERT_TRUE(recipient.Load(folder / "Recipient 0.dat"));
    EXPECT_EQ(recipient.Name(), "Janitled");
    EXPECT_EQ(recipient.MethodValue(), 0u);
    bool unusable = true;
    EXPECT_EQ(recipient.FormatOrDefault(unusable), TypistRecipient::DefaultFormat());
    EXPECT_FALSE(unusable);
}

TEST(TypistRecipient, ALongFileGivesOnlyItsFirst1896Bytes) {
    TempFolder folder;
    const std::string record = HandRecord().Text(4, "Lee").U32(36, 1).Text(168, "/typing").DefaultFormat().Bytes();
    folder.Write("Recipient 0.dat", record + std::string(5000, 'x'));
    TypistRecipient recipient;
    ASSERT_TRUE(recipient.Load(folder / "Recipient 0.dat"));
    EXPECT_EQ(BytesOf(recipient), record);
}

TEST(TypistRecipient, GarbageIsTerminatedInEveryFieldAndItsFormatFallsBack) {
    TempFolder folder;
    folder.Write("Recipient 0.dat", std::string(1896, '\xFF'));
    TypistRecipient recipient;
    ASSERT_TRUE(recipient.Load(folder / "Recipient 0.dat"));
    for (const size_t end : {35, 167, 423, 551, 583, 615, 871})
        EXPECT_EQ(recipient.Bytes()[end], 0) << end;
    EXPECT_EQ(recipient.Name().size(), 31u * 2) << "31 characters of ÿ, two UTF-8 bytes each";
    EXPECT_EQ(recipient.Text(RecipientField::Folder).size(), 255u * 2);
    EXPECT_EQ(recipient.DisplayText(false), recipient.Name() + " (undefined method)");
    bool unusable = false;
    EXPECT_EQ(recipient.FormatOrDefault(unusable), TypistRecipient::DefaultFormat());
    EXPECT_TRUE(unusable);
}

TEST(TypistRecipient, FormatsThatCannotBeUsedFallBackToTheDefault) {
    const auto check = [](HandRecord record) {
        TempFolder folder;
        folder.Write("Recipient 0.dat", record.Bytes());
        TypistRecipient recipient;
        EXPECT_TRUE(recipient.Load(folder / "Recipient 0.dat"));
        bool unusable = false;
        const WaveFormatRecord format = recipient.FormatOrDefault(unusable);
        if (unusable) {
            EXPECT_EQ(format, TypistRecipient::DefaultFormat());
        }
        return unusable;
    };
    EXPECT_TRUE(check(HandRecord().DefaultFormat().U16(872, 0))) << "no format tag";
    EXPECT_TRUE(check(HandRecord().DefaultFormat().U16(874, 0))) << "no channels";
    EXPECT_TRUE(check(HandRecord().DefaultFormat().U32(876, 5))) << "rate out of range";
    EXPECT_TRUE(check(HandRecord().DefaultFormat().U16(884, 0))) << "block align 0";
    EXPECT_TRUE(check(HandRecord().DefaultFormat().U16(884, 3))) << "PCM block align not channels x bytes";
    EXPECT_TRUE(check(HandRecord().DefaultFormat().U16(888, 1024 - 18 + 1))) << "extra bytes past the area";
    EXPECT_FALSE(check(HandRecord().DefaultFormat().U16(888, 1024 - 18))) << "extra bytes filling the area";
}

TEST(TypistRecipient, AFormatTooLargeForTheAreaIsRefused) {
    TypistRecipient recipient;
    WaveFormatRecord format = WaveFormatRecord::Pcm(8000, 1, 16);
    format.extra.assign(1024 - 18 + 1, 0);
    EXPECT_FALSE(recipient.SetFormat(format));
    bool unusable = true;
    EXPECT_EQ(recipient.FormatOrDefault(unusable), TypistRecipient::DefaultFormat());
    EXPECT_FALSE(unusable) << "the area keeps the format it had";
}

TEST(TypistRecipient, DisplayTextShowsTheMethodsDestination) {
    TypistRecipient recipient;
    recipient.SetText(RecipientField::Name, "Jane");
    recipient.SetText(RecipientField::EmailAddress, "jane@example.org");
    recipient.SetText(RecipientField::Folder, "/mnt/typing");
    recipient.SetText(RecipientField::FtpServer, "ftp.example.org");
    EXPECT_EQ(recipient.DisplayText(false), "Jane (jane@example.org)");
    recipient.SetMethod(SendMethod::Lan);
    EXPECT_EQ(recipient.DisplayText(true), "Jane DEFAULT (/mnt/typing)");
    recipient.SetMethod(SendMethod::Ftp);
    EXPECT_EQ(recipient.DisplayText(false), "Jane (ftp.example.org)");
}

TEST(TypistRecipient, FileNamesCountFromZero) {
    EXPECT_EQ(RecipientFileName(0), "Recipient 0.dat");
    EXPECT_EQ(RecipientPath("/opt/t/", 12), "/opt/t/Recipient 12.dat");
}
