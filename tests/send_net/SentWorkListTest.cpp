// The lines of the work-progress and recovery list.
#include "SentWorkList.h"

#include "SendNetFixtures.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// Noon UTC: the same date in every time zone within twelve hours of UTC.
constexpr int64_t kDecember6Noon = 1733486400; // 2024-12-06 12:00 UTC
constexpr int64_t kMarch1Noon = 1709294400;    // 2024-03-01 12:00 UTC

std::vector<std::string> Texts(const std::vector<SentWorkLine>& lines) {
    std::vector<std::string> texts;
    for (const SentWorkLine& line : lines)
        texts.push_back(line.text);
    return texts;
}

} // namespace

TEST(SentWorkList, EachSentRecordGivesOneLineInListOrder) {
    ProgramFolder program;
    program.WriteSent("letter to bank", 1, "Typing", kDecember6Noon, "Jane (/typing)");
    program.WriteSent("Memo", 2, "Sent", kMarch1Noon, "Lee (ftp.example.com:2121)");
    program.WriteSent("Agenda", 3, "Done", kDecember6Noon, "Jane (/typing)");
    program.folder.Write("Sent Files/Memo.wav", "RIFF");
    program.folder.Write("Sent Files/.Memo.dat.tmp", "[file]\n");

    const std::vector<SentWorkLine> lines = ListSentWork(program.context.sentFolder);
    EXPECT_EQ(Texts(lines), (std::vector<std::string>{
                                "2024-03-01 Memo: Sent to [Lee (ftp.example.com:2121)] status [Sent]",
                                "2024-12-06 Agenda: Sent to [Jane (/typing)] status [Done]",
                                "2024-12-06 letter to bank: Sent to [Jane (/typing)] status [Typing]",
                            }));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2].name, "letter to bank");
    EXPECT_EQ(lines[2].dateText, "2024-12-06");
    EXPECT_EQ(lines[2].recipient, "Jane (/typing)");
    EXPECT_EQ(lines[2].status, "Typing");
}

TEST(SentWorkList, MissingKeysShowTheirDefaultsAndAMissingDateIsToday) {
    ProgramFolder program;
    program.folder.Write("Sent Files/Bare.dat", "[file]\nnumber=4\n");
    program.folder.Write("Sent Files/Old.dat", "[file]\nsenddate=-5\n");
    const std::vector<SentWorkLine> lines = ListSentWork(program.context.sentFolder, kMarch1Noon);
    EXPECT_EQ(Texts(lines), (std::vector<std::string>{
                                "2024-03-01 Bare: Sent to [Unknown Recipient] status [Unknown Status]",
                                "2024-03-01 Old: Sent to [Unknown Recipient] status [Unknown Status]",
                            }));
}

TEST(SentWorkList, LongValuesAreNotCutByAFixedBuffer) {
    ProgramFolder program;
    const std::string name(200, 'n');
    const std::string recipient = std::string(250, 'r');
    program.WriteSent(name, 1, "Sent", kDecember6Noon, recipient);
    const std::vector<SentWorkLine> lines = ListSentWork(program.context.sentFolder);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].text, "2024-12-06 " + name + ": Sent to [" + recipient + "] status [Sent]");
    EXPECT_EQ(SentWorkName(lines[0].text), name);
}

TEST(SentWorkList, ReadingTheListWritesNoRecord) {
    ProgramFolder program;
    const std::string path = program.WriteSent("Letter", 1);
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    const std::string bytes = program.folder.Read("Sent Files/Letter.dat");
    (void)ListSentWork(program.context.sentFolder);
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    EXPECT_EQ(program.folder.Read("Sent Files/Letter.dat"), bytes);
}

TEST(SentWorkList, AMissingFolderGivesNoLinesAndTheNameOfALineIsFound) {
    EXPECT_TRUE(ListSentWork("/nonexistent/Sent Files/").empty());
    EXPECT_EQ(SentWorkName("2024-12-06 Letter: Sent to [a: b] status [Sent]"), "Letter");
    EXPECT_EQ(SentWorkName("garbage"), "");
    EXPECT_EQ(SentWorkName(""), "");
}

TEST(SentWorkList, TheQueuesDeliveryStateIsItsOwnColumn) {
    ProgramFolder program;
    program.folder.Write("Sent Files/Failed.dat", "[file]\nsenddate=1733486400\nsendstatus=Sent\ndelivery=Not sent\n");
    program.folder.Write("Sent Files/Old.dat", "[file]\nsenddate=1733486400\nsendstatus=Done\n");
    const std::vector<SentWorkLine> lines = ListSentWork(program.context.sentFolder);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].name, "Failed");
    EXPECT_EQ(lines[0].delivery, "Not sent");
    EXPECT_EQ(lines[0].text, "2024-12-06 Failed: Sent to [Unknown Recipient] status [Sent]");
    EXPECT_EQ(lines[1].delivery, "");
}
