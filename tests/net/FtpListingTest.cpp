#include "internal/net/FtpListing.h"

#include <gtest/gtest.h>

TEST(FtpListing, TheSizeOfAFileIsReadFromAUnixListing) {
    const std::string listing = "drwxr-xr-x   2 ftp      ftp          4096 Jan 01 12:00 archive\r\n"
                                "-rw-r--r--   1 ftp      ftp        123456 Feb 29 2024 dct00042-00017.dct.part\r\n"
                                "-rw-r--r--   1 owner         99 Mar  3 09:15 name with blanks.dct\r\n";
    EXPECT_EQ(FindSizeInListing(listing, "dct00042-00017.dct.part"), 123456);
    EXPECT_EQ(FindSizeInListing(listing, "name with blanks.dct"), 99);
    EXPECT_FALSE(FindSizeInListing(listing, "archive")); // a folder has no file size
    EXPECT_FALSE(FindSizeInListing(listing, "dct00042-00017.dct"));
}

TEST(FtpListing, TheSizeOfAFileIsReadFromAnMsDosListing) {
    const std::string listing = "01-31-24  10:00AM       <DIR>          incoming\n"
                                "02-01-24  03:15PM                 4711 s0000042.sta\n";
    EXPECT_EQ(FindSizeInListing(listing, "s0000042.sta"), 4711);
    EXPECT_FALSE(FindSizeInListing(listing, "incoming"));
}

TEST(FtpListing, LinesOfUnknownFormsAreSkipped) {
    EXPECT_FALSE(FindSizeInListing("total 12\nsome text\n\n-rw 1\n", "text"));
    EXPECT_FALSE(FindSizeInListing("-rw-r--r-- 1 a b -5 Jan 01 12:00 x\n", "x"));
    EXPECT_FALSE(FindSizeInListing("", "x"));
}
