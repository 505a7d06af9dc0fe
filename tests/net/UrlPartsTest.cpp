#include "internal/net/UrlParts.h"

#include <gtest/gtest.h>

TEST(ServerAddress, AHostAloneTakesTheDefaultPortAndAColonGivesAnother) {
    auto address = ParseServerAddress("ftp.example.com", 21, {"ftp"});
    ASSERT_TRUE(address);
    EXPECT_EQ(address->UrlAuthority(), "ftp.example.com:21");
    address = ParseServerAddress("  ftp.example.com:2121 ", 21, {"ftp"});
    ASSERT_TRUE(address);
    EXPECT_EQ(address->host, "ftp.example.com");
    EXPECT_EQ(address->port, 2121);
}

TEST(ServerAddress, IPv6AddressesNeedBracketsToCarryAPort) {
    auto address = ParseServerAddress("[::1]:2121", 21, {"ftp"});
    ASSERT_TRUE(address);
    EXPECT_TRUE(address->isIpv6);
    EXPECT_EQ(address->host, "::1");
    EXPECT_EQ(address->UrlAuthority(), "[::1]:2121");
    address = ParseServerAddress("fe80::2:1", 21, {"ftp"});
    ASSERT_TRUE(address);
    EXPECT_EQ(address->UrlAuthority(), "[fe80::2:1]:21");
    EXPECT_FALSE(ParseServerAddress("[::1", 21, {"ftp"}));
    EXPECT_FALSE(ParseServerAddress("[::1]2121", 21, {"ftp"}));
}

TEST(ServerAddress, ALeadingSchemeOfTheProtocolAndTrailingSlashesAreIgnored) {
    auto address = ParseServerAddress("FTP://files.example.com:990/", 21, {"ftp"});
    ASSERT_TRUE(address);
    EXPECT_EQ(address->UrlAuthority(), "files.example.com:990");
    EXPECT_FALSE(ParseServerAddress("http://files.example.com", 21, {"ftp"}));
}

TEST(ServerAddress, FieldsThatCannotNameAServerAreRefused) {
    for (const char* text : {"", "   ", "host:", "host:0", "host:65536", "host:21x", "user@host", "a host", "host/path",
                             "ho\r\nst", "[]:21", "[nothex]:21", ":21"})
        EXPECT_FALSE(ParseServerAddress(text, 21, {"ftp"})) << text;
}

TEST(UrlText, PercentEncodingKeepsOnlyUnreservedCharacters) {
    EXPECT_EQ(PercentEncode("dct00042-00017.dct"), "dct00042-00017.dct");
    EXPECT_EQ(PercentEncode("a b/c%d?#"), "a%20b%2Fc%25d%3F%23");
    EXPECT_EQ(PercentEncode("\xC3\xA4"), "%C3%A4");
}

TEST(UrlText, RemoteNamesThatWouldChangeDirectoryOrAddACommandAreNotPlain) {
    EXPECT_TRUE(IsPlainRemoteName("s0000042.sta"));
    EXPECT_TRUE(IsPlainRemoteName("name with blanks.dct"));
    for (const std::string& name : {std::string(), std::string("."), std::string(".."), std::string("a/b"),
                                    std::string("a\r\nDELE b"), std::string("a\nb"), std::string("a\0b", 3)})
        EXPECT_FALSE(IsPlainRemoteName(name));
}
