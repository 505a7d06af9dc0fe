// The status worker's pass over folder recipients.
#include "FileOps.h"
#include "SendNetFixtures.h"
#include "Status.h"
#include "StatusFile.h"
#include "TypistRecipient.h"

#include <algorithm>
#include <gtest/gtest.h>

class StatusWorkerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(MakeFolders(m_program.folder / "typist"));
        m_program.SetUserId(42);
        TypistRecipient lan;
        lan.SetMethod(SendMethod::Lan);
        lan.SetText(RecipientField::Folder, (m_program.folder / "typist") + "/ "); // trailing slash and blank
        AddRecipient(m_program, 0, lan);
        m_program.WriteSent("Letter", 17);
        m_program.WriteSent("Memo", 18);
    }

    std::vector<std::string> TypistFiles() const {
        std::vector<std::string> names = ListFolder(m_program.folder / "typist").value_or(std::vector<std::string>{});
        std::sort(names.begin(), names.end());
        return names;
    }

    ProgramFolder m_program;
};

TEST_F(StatusWorkerTest, AStatusFileInARecipientsFolderIsMergedAndThenDeleted) {
    m_program.folder.Write("typist/s0000042.sta", StatusBytes({{17, "Typing"}, {18, "Done"}, {17, "Checked"}}));
    m_program.folder.Write("typist/s0000043.sta", StatusBytes({{17, "Other user"}}));
    Status status(m_program.context);
    const StatusPassSummary pass = RunStatusPass(status);
    EXPECT_EQ(pass.recipientsVisited, 1u);
    EXPECT_EQ(pass.filesMerged, 1u);
    EXPECT_EQ(pass.recordsWritten, 2u);
    EXPECT_EQ(pass.failures, 0u);
    EXPECT_EQ(m_program.SentStatus("Letter"), "Checked");
    EXPECT_EQ(m_program.SentStatus("Memo"), "Done");
    EXPECT_EQ(TypistFiles(), std::vector<std::string>{"s0000043.sta"}); // another user's file stays
}

TEST_F(StatusWorkerTest, AFileThatIsNotAStatusFileOfOursStaysUnderItsName) {
    const std::string foreign = StatusBytes({{17, "Done"}}, 3);
    m_program.folder.Write("typist/s0000042.sta", foreign);
    Status status(m_program.context);
    const StatusPassSummary pass = RunStatusPass(status);
    EXPECT_EQ(pass.filesMerged, 0u);
    EXPECT_EQ(pass.failures, 1u);
    EXPECT_EQ(TypistFiles(), std::vector<std::string>{"s0000042.sta"});
    EXPECT_EQ(m_program.folder.Read("typist/s0000042.sta"), foreign);
    EXPECT_EQ(m_program.SentStatus("Letter"), "Sent");
}

TEST_F(StatusWorkerTest, AFileLeftByAnInterruptedPickUpIsMergedBeforeTheWaitingOne) {
    m_program.folder.Write("typist/s0000042.sta.0123456789abcdef.tmp", StatusBytes({{17, "Typing"}, {18, "Done"}}));
    m_program.folder.Write("typist/s0000042.sta", StatusBytes({{17, "Checked"}}));
    Status status(m_program.context);
    const StatusPassSummary pass = RunStatusPass(status);
    EXPECT_EQ(pass.filesMerged, 2u);
    EXPECT_EQ(m_program.SentStatus("Letter"), "Checked");
    EXPECT_EQ(m_program.SentStatus("Memo"), "Done");
    EXPECT_TRUE(TypistFiles().empty());
}

TEST_F(StatusWorkerTest, NoStatusFileIsTheQuietNormalCaseAndOtherMethodsAreSkipped) {
    TypistRecipient email; // the default record: e-mail
    email.SetText(RecipientField::Folder, m_program.folder / "typist");
    AddRecipient(m_program, 1, email);
    m_program.folder.Write("typist/s0000042.sta", StatusBytes({{17, "Done"}}));
    // Recipient 1 names the same folder, but by e-mail: only recipient 0 visits it, once.
    Status status(m_program.context);
    StatusPassSummary pass = RunStatusPass(status);
    EXPECT_EQ(pass.recipientsVisited, 1u);
    EXPECT_EQ(pass.filesMerged, 1u);

    // A second pass finds nothing and reports nothing.
    pass = RunStatusPass(status);
    EXPECT_EQ(pass.filesMerged, 0u);
    EXPECT_EQ(pass.failures, 0u);
}
