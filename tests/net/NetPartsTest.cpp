// The network layer's pieces that need no server: server addresses, FTP listings and secret files.
#include "TempFolder.h"
#include "platform/SecretFile.h"
#include "platform/internal/net/FtpListing.h"
#include "platform/internal/net/UrlParts.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

TEST(ServerAddress, AHostTakesTheDefaultPortOrItsOwnIpv6NeedsBracketsToCarryOneAndOtherFieldsAreRefused) {
    const std::pair<const char*, const char*> cases[] = {{"ftp.example.com", "ftp.example.com:21"},
                                                         {"  ftp.example.com:2121 ", "ftp.example.com:2121"},
                                                         {"FTP://files.example.com:990/", "files.example.com:990"},
                                                         {"fe80::2:1", "[fe80::2:1]:21"},
                                                         {"[::1]:2121", "[::1]:2121"}};
    for (const auto& [text, authority] : cases) {
        const auto address = ParseServerAddress(text, 21, {"ftp"});
        ASSERT_TRUE(address) << text;
        EXPECT_EQ(address->UrlAuthority(), authority);
    }
    for (const char* text :
         {"", "   ", "host:", "host:0", "host:65536", "host:21x", "user@host", "a host", "host/path", "ho\r\nst",
          "[]:21", "[nothex]:21", ":21", "[::1", "[::1]2121", "http://files.example.com"})
        EXPECT_FALSE(ParseServerAddress(text, 21, {"ftp"})) << text;
}

TEST(FtpListing, TheSizeOfAFileIsReadFromUnixAndMsDosListingsAndOtherLinesAreSkipped) {
    const std::string listing = "drwxr-xr-x   2 ftp      ftp          4096 Jan 01 12:00 archive\r\n"
                                "-rw-r--r--   1 ftp      ftp        123456 Feb 29 2024 dct00042-00017.dct.part\r\n"
                                "-rw-r--r--   1 owner         99 Mar  3 09:15 name with blanks.dct\r\n"
                                "01-31-24  10:00AM       <DIR>          incoming\n"
                                "02-01-24  03:15PM                 4711 s0000042.sta\n"
                                "total 12\nsome text\n\n-rw 1\n-rw-r--r-- 1 a b -5 Jan 01 12:00 x\n";
    const std::pair<const char*, std::optional<int64_t>> sizes[] = {{"dct00042-00017.dct.part", 123456},
                                                                    {"name with blanks.dct", 99},
                                                                    {"s0000042.sta", 4711},
                                                                    {"archive", std::nullopt},
                                                                    {"incoming", std::nullopt},
                                                                    {"dct00042-00017.dct", std::nullopt},
                                                                    {"text", std::nullopt},
                                                                    {"x", std::nullopt}};
    for (const auto& [name, size] : sizes)
        EXPECT_EQ(FindSizeInListing(listing, name), size) << name;
    EXPECT_FALSE(FindSizeInListing("", "x"));
}

TEST(SecretFile, ASecretFileIsForItsOwnerOnlyEvenWhereOthersCouldReadTheOldOne) {
    TempFolder folder;
    const std::string path = folder.Write("mail.secret", "old");
    ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
    ASSERT_TRUE(WriteSecretFile(path, "new\nword"));
    EXPECT_EQ(ModeOf(path), 0600u);
    EXPECT_EQ(ReadSecretFile(path), "new\nword");
    EXPECT_FALSE(WriteSecretFile(folder / "missing/none.secret", "x"));
}

} // namespace
