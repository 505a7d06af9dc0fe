#include "SendQueueFile.h"

#include "Profile.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

namespace {

TEST(SentWavePath, OnlyAWaveFileDirectlyInsideTheSentFolderPasses) {
    const std::string sent = "/home/u/Sent Files/";
    EXPECT_TRUE(IsSentWavePath(sent + "Dictation 7.wav", sent));
    EXPECT_TRUE(IsSentWavePath(sent + "Tape 2.WAV", sent));
    EXPECT_FALSE(IsSentWavePath(sent + ".wav", sent));
    EXPECT_FALSE(IsSentWavePath(sent + ".hidden.wav", sent));
    EXPECT_FALSE(IsSentWavePath(sent + "Dictation 7.dat", sent));
    EXPECT_FALSE(IsSentWavePath(sent + "sub/Dictation 7.wav", sent));
    EXPECT_FALSE(IsSentWavePath(sent + "../Dictation 7.wav", sent));
    EXPECT_FALSE(IsSentWavePath("/home/u/Current Files/Dictation 7.wav", sent));
    EXPECT_FALSE(IsSentWavePath("/etc/passwd", sent));
    EXPECT_FALSE(IsSentWavePath("", sent));
    EXPECT_FALSE(IsSentWavePath(sent + "a.wav", "/home/u/Sent Files")); // a folder must end in '/'
    EXPECT_FALSE(IsSentWavePath(sent + std::string("a\0b.wav", 7), sent));
    EXPECT_FALSE(IsSentWavePath(sent + "a\vb.wav", sent)); // the queue file would keep it as a blank
    EXPECT_FALSE(IsSentWavePath(sent + "a\rb.wav", sent));
    EXPECT_TRUE(IsSentWavePath(sent + "Zo\xC3\xAB 1.wav", sent));
}

class QueueFileTest : public ::testing::Test {
protected:
    std::string WriteQueue(std::string_view text) {
        const std::string path = temp.Write("bgsend.dat", text);
        ProfileForget(path);
        return path;
    }
    TempFolder temp;
};

TEST_F(QueueFileTest, AppendedEntriesReadBackInOrderAndReplaceEmptiesFormerOnes) {
    SendQueueFile file(temp / "bgsend.dat");
    EXPECT_EQ(file.Count(), 0);
    ASSERT_TRUE(file.Append({"/s/a.wav", 0}));
    ASSERT_TRUE(file.Append({"/s/b.wav", 3}));
    ASSERT_TRUE(file.Append({"/s/c.wav", 1}));
    EXPECT_EQ(file.Entries(), (std::vector<QueueEntry>{{"/s/a.wav", 0}, {"/s/b.wav", 3}, {"/s/c.wav", 1}}));
    ASSERT_TRUE(file.Replace({{"/s/b.wav", 3}}));
    EXPECT_EQ(file.Count(), 1);
    EXPECT_EQ(file.Entry(1), (QueueEntry{"", 0}));
    // What is on disk, read afresh.
    ProfileForget(file.Path());
    EXPECT_EQ(SendQueueFile(file.Path()).Entries(), (std::vector<QueueEntry>{{"/s/b.wav", 3}}));
}

TEST_F(QueueFileTest, ADamagedCountIsReadAsFarAsItMakesSense) {
    EXPECT_EQ(SendQueueFile(WriteQueue("[bgsend]\ncount=-4\n")).Count(), 0);
    EXPECT_EQ(SendQueueFile(WriteQueue("[bgsend]\ncount=two\n")).Count(), 0);
    EXPECT_EQ(SendQueueFile(WriteQueue("[bgsend]\ncount=2x\n")).Count(), 2);
    EXPECT_EQ(SendQueueFile(WriteQueue("[bgsend]\ncount=99999999999999999999\n")).Count(), SendQueueFile::kMaxCount);
    const SendQueueFile file(WriteQueue("[bgsend]\ncount=2\nfile0=/s/a.wav\nsendto0=x\n"));
    EXPECT_EQ(file.Entries(), (std::vector<QueueEntry>{{"/s/a.wav", 0}, {"", 0}}));
}

TEST_F(QueueFileTest, AQueueFileThatCannotBeWrittenTakesNothingAndKeepsNothingCached) {
    const std::string folder = temp / "gone/";
    SendQueueFile file(folder + "bgsend.dat"); // its folder does not exist
    EXPECT_FALSE(file.Append({"/s/a.wav", 0}));
    EXPECT_EQ(file.Count(), 0);
    EXPECT_FALSE(file.WriteCount(3));
    EXPECT_EQ(file.Count(), 0);
}

} // namespace
