// Status files read defensively and merged, the status worker over folder recipients, and the work-progress list.
#include "SendNetFixtures.h"
#include "send/SentWorkList.h"
#include "send/StatusFile.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

// A file's inode and modification time, which stay as they are while nothing rewrites the file.
std::pair<ino_t, long> Stamp(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? std::pair(info.st_ino, info.st_mtim.tv_nsec) : std::pair(ino_t{}, 0L);
}

TEST(StatusFile, WholeRecordsAreReadInFileOrderCleanedAndFilesOfAnotherVersionOrAHugeSizeOrNoFilesAreNot) {
    SendFixture f;
    std::vector<std::pair<uint32_t, std::string>> many;
    for (uint32_t i = 0; i < 1000; ++i)
        many.emplace_back(i * 7 + 1, "Done " + std::to_string(i));
    const std::vector<StatusRecord> records = ReadStatusFile(f.temp.Write("many.sta", StatusBytes(many)));
    ASSERT_EQ(records.size(), 1000u);
    EXPECT_EQ(records[999], (StatusRecord{999 * 7 + 1, "Done 999"}));
    EXPECT_TRUE(ReadStatusFile(f.temp.Write("none.sta", StatusBytes({}))).empty());
    // Single-byte texts of at most 15 characters, control characters as blanks, trimmed as a record gives them.
    const auto parsed =
        ParseStatusBytes(StatusBytes({{5, "Tap\xE9 1"}, {6, "a\r\nb\tc"}, {7, "  \"x\"  "}, {8, "ABCDEFGHIJKLMNOP"}}) +
                         std::string(19, 'x')); // not a whole record
    EXPECT_EQ(parsed, (std::vector<StatusRecord>{{5, "Tapé 1"}, {6, "a  b c"}, {7, "x"}, {8, "ABCDEFGHIJKLMNO"}}));
    EXPECT_FALSE(ParseStatusBytes(std::string("\0\0\0", 3))); // shorter than its header
    EXPECT_FALSE(ParseStatusBytes(StatusBytes({{17, "Done"}}, 1)));

    f.WriteSent("Letter", 17);
    const std::string other = f.temp.Write("other.sta", StatusBytes({{17, "Done"}}, 1));
    const std::string sparse = f.temp.Write("sparse.sta", StatusBytes({{17, "Done"}}));
    ASSERT_EQ(::truncate(sparse.c_str(), static_cast<off_t>(kStatusFileLimit) + 1), 0);
    const std::string pipe = f.temp / "pipe.sta";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0); // read at once: nobody writes into the pipe
    for (const std::string& path : {other, sparse, pipe, f.temp.Path(), f.temp / "missing.sta"}) {
        EXPECT_TRUE(ReadStatusFile(path).empty()) << path;
        EXPECT_FALSE(ApplyStatusFile(path, f.sent).fileRead) << path;
    }
    EXPECT_EQ(f.Values({"Letter"}, RecordKeys::kSendStatus), Names{"Sent"});
}

TEST(StatusMerge, TheLastMatchingRecordWinsAndOnlyRecordFilesWhoseStatusChangesAreRewrittenOnce) {
    SendFixture f;
    for (const auto& [name, number, status] : {std::tuple{"Letter", 17, "Sent"},
                                               {"Letter copy", 17, "Sent"},
                                               {"Same", 18, "Done"},
                                               {"Untouched", 19, "Sent"},
                                               {"No number", -1, "Sent"}})
        f.WriteSent(name, number, status);
    const std::string hidden = f.temp.Write("Sent Files/.hidden.dat", "[file]\nnumber=17\nsendstatus=Sent\n");
    const std::string notes = f.temp.Write("Sent Files/Letter.txt", "[file]\nnumber=17\n");
    const std::string untouched = f.temp.Read("Sent Files/Untouched.dat");
    const auto same = Stamp(f.RecordPath("Same"));
    const std::string file = f.temp.Write(
        "in.sta", StatusBytes({{17, "Typing"}, {18, "Done"}, {17, "Proofing"}, {17, "Done"}, {99, "x"}, {0, "Zero"}}));
    const StatusMergeResult merged = ApplyStatusFile(file, f.sent);
    EXPECT_EQ(std::tie(merged.fileRead, merged.records, merged.matched, merged.recordsWritten, merged.allWritten),
              std::tuple(true, 6u, 3u, 2u, true));
    EXPECT_EQ(f.Values({"Letter", "Letter copy", "No number"}, RecordKeys::kSendStatus),
              (Names{"Done", "Done", "Sent"}));
    EXPECT_EQ(Stamp(f.RecordPath("Same")), same);
    EXPECT_EQ(f.temp.Read("Sent Files/Untouched.dat"), untouched);
    EXPECT_EQ(ReadFileBytes(hidden), "[file]\nnumber=17\nsendstatus=Sent\n");
    EXPECT_EQ(ReadFileBytes(notes), "[file]\nnumber=17\n");
    EXPECT_EQ(ApplyStatusFile(file, f.sent).recordsWritten, 0u); // again: nothing to write
}

TEST(StatusWorker, OurStatusFileInARecipientsFolderIsMergedAndDeletedAfterOneLeftByAnInterruptedPickUp) {
    // A folder recipient (its folder with a trailing slash and blank) and an e-mail one naming the same folder,
    // which the worker passes by; two sent dictations.
    SendFixture f;
    f.AddRecipient(0, SendFixture::FolderRecipient(f.typist + "/ "));
    TypistRecipient email;
    email.SetText(RecipientField::Folder, f.typist);
    f.AddRecipient(1, email);
    f.WriteSent("Letter", 17);
    f.WriteSent("Memo", 18);
    Status status(f.context);
    f.temp.Write("typist/s0000042.sta.0123456789abcdef.tmp", StatusBytes({{17, "Typing"}, {18, "Done"}}));
    f.temp.Write("typist/s0000042.sta", StatusBytes({{17, "Checked"}}));
    f.temp.Write("typist/s0000043.sta", StatusBytes({{17, "Other user"}}));
    EXPECT_EQ(RunStatusPass(status), std::tuple(1u, 2u, 3u, 0u));
    EXPECT_EQ(f.Values({"Letter", "Memo"}, RecordKeys::kSendStatus), (Names{"Checked", "Done"}));
    EXPECT_EQ(SendFixture::List(f.typist, true), Names{"s0000043.sta"}); // another user's file stays
    EXPECT_EQ(RunStatusPass(status), std::tuple(1u, 0u, 0u, 0u));        // no status file: the quiet normal case

    // A file under our name that is not a status file of ours stays under its name.
    const std::string foreign = StatusBytes({{17, "Done"}}, 3);
    f.temp.Write("typist/s0000042.sta", foreign);
    EXPECT_EQ(RunStatusPass(status), std::tuple(1u, 0u, 0u, 1u));
    EXPECT_EQ(f.temp.Read("typist/s0000042.sta"), foreign);
    EXPECT_EQ(f.Values({"Letter"}, RecordKeys::kSendStatus), Names{"Checked"});
}

TEST(SentWorkList, EachSentRecordGivesOneLineInListOrderWithDefaultsForMissingKeys) {
    // Noon UTC: the same date in every time zone within twelve hours of UTC.
    constexpr int64_t kDecember6Noon = 1733486400, kMarch1Noon = 1709294400; // 2024-12-06, 2024-03-01
    SendFixture f;
    const std::string longName(200, 'n'), longRecipient(250, 'r'); // not cut by a fixed buffer
    f.WriteSent("letter to bank", 1, "Typing", kDecember6Noon, "Jane (/typing)");
    f.WriteSent("Memo", 2, "Sent", kMarch1Noon, "Lee (ftp.example.com:2121)");
    f.WriteSent(longName, 3, "Done", kDecember6Noon, longRecipient);
    f.temp.Write("Sent Files/Bare.dat", "[file]\nnumber=4\n");
    f.temp.Write("Sent Files/Failed.dat", "[file]\nsenddate=-5\nsendstatus=Sent\ndelivery=Not sent\n");
    f.temp.Write("Sent Files/Memo.wav", "RIFF");
    f.temp.Write("Sent Files/.Memo.dat.tmp", "[file]\n");
    const auto before = Stamp(f.RecordPath("Memo"));
    ASSERT_NE(before.first, 0u);
    const std::vector<SentWorkLine> lines = ListSentWork(f.sent, kMarch1Noon);
    Names texts;
    for (const SentWorkLine& line : lines)
        texts.push_back(line.text);
    EXPECT_EQ(texts, (Names{"2024-03-01 Bare: Sent to [Unknown Recipient] status [Unknown Status]",
                            "2024-03-01 Failed: Sent to [Unknown Recipient] status [Sent]",
                            "2024-03-01 Memo: Sent to [Lee (ftp.example.com:2121)] status [Sent]",
                            "2024-12-06 letter to bank: Sent to [Jane (/typing)] status [Typing]",
                            "2024-12-06 " + longName + ": Sent to [" + longRecipient + "] status [Done]"}));
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(std::tie(lines[3].name, lines[3].dateText, lines[3].recipient, lines[3].status, lines[3].delivery),
              std::tie("letter to bank", "2024-12-06", "Jane (/typing)", "Typing", ""));
    EXPECT_EQ(lines[1].delivery, "Not sent"); // the queue's delivery state is a column of its own
    EXPECT_EQ(SentWorkName(lines[4].text), longName);
    EXPECT_EQ(SentWorkName("2024-12-06 Letter: Sent to [a: b] status [Sent]"), "Letter");
    EXPECT_EQ(SentWorkName("garbage"), "");
    EXPECT_EQ(SentWorkName(""), "");
    EXPECT_TRUE(ListSentWork("/nonexistent/Sent Files/").empty());
    EXPECT_EQ(Stamp(f.RecordPath("Memo")), before) << "reading the list writes no record";
}

} // namespace
