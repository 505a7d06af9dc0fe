// The FTPS choices of a recipient, kept in the record's first four bytes.
#include "SendNetFixtures.h"
#include "TypistRecipient.h"

#include <gtest/gtest.h>

TEST(RecipientFlags, AZeroedRecordMeansPlainFtpWithVerification) {
    const TypistRecipient recipient;
    EXPECT_FALSE(recipient.FtpOverTls());
    EXPECT_TRUE(recipient.VerifyServerCertificate());
    EXPECT_EQ(recipient.Bytes()[0], 0);
}

TEST(RecipientFlags, TheChoicesAreBitsOfTheFirstWordAndSurviveAFile) {
    TempFolder folder;
    TypistRecipient recipient;
    recipient.SetFtpOverTls(true);
    EXPECT_EQ(recipient.Bytes()[0], 0x01);
    recipient.SetVerifyServerCertificate(false);
    EXPECT_EQ(recipient.Bytes()[0], 0x03);
    for (size_t i = 1; i < 4; ++i)
        EXPECT_EQ(recipient.Bytes()[i], 0) << i;
    ASSERT_TRUE(recipient.Save(folder / "Recipient 0.dat"));
    EXPECT_EQ(folder.Read("Recipient 0.dat").size(), TypistRecipient::kRecordSize);

    TypistRecipient loaded;
    ASSERT_TRUE(loaded.Load(folder / "Recipient 0.dat"));
    EXPECT_TRUE(loaded.FtpOverTls());
    EXPECT_FALSE(loaded.VerifyServerCertificate());

    loaded.SetFtpOverTls(false);
    loaded.SetVerifyServerCertificate(true);
    EXPECT_EQ(loaded.Bytes()[0], 0);
    EXPECT_EQ(loaded.Name(), "Untitled"); // the other fields are untouched
}
