// The send queue file: which paths may be queued, entries in order, damaged counts and a file that cannot be written.
#include "send/SendQueueFile.h"

#include "TempFolder.h"
#include "platform/Profile.h"

#include <gtest/gtest.h>

namespace {

TEST(SendQueueFile, OnlyAWaveFileDirectlyInsideTheSentFolderMayBeQueued) {
    const std::string sent = "/home/u/Sent Files/";
    EXPECT_TRUE(IsSentWavePath(sent + "Dictation 7.wav", sent));
    EXPECT_TRUE(IsSentWavePath(sent + "Tape 2.WAV", sent));
    EXPECT_TRUE(IsSentWavePath(sent + "Zo\xC3\xAB 1.wav", sent));
    for (const std::string& path :
         {sent + ".wav", sent + ".hidden.wav", sent + "Dictation 7.dat", sent + "sub/Dictation 7.wav",
          sent + "../Dictation 7.wav", std::string("/home/u/Current Files/Dictation 7.wav"), std::string("/etc/passwd"),
          std::string(), sent + std::string("a\0b.wav", 7),
          sent + "a\vb.wav", // the queue file would keep it as a blank
          sent + "a\rb.wav"})
        EXPECT_FALSE(IsSentWavePath(path, sent)) << path;
    EXPECT_FALSE(IsSentWavePath(sent + "a.wav", "/home/u/Sent Files")); // a folder must end in '/'
}

TEST(SendQueueFile, AppendedEntriesReadBackInOrderAndReplaceEmptiesFormerOnes) {
    TempFolder temp;
    SendQueueFile file(temp / "bgsend.dat");
    ASSERT_TRUE(file.Append({"/s/a.wav", 0}));
    ASSERT_TRUE(file.Append({"/s/b.wav", 3}));
    EXPECT_EQ(file.Entries(), (std::vector<QueueEntry>{{"/s/a.wav", 0}, {"/s/b.wav", 3}}));
    ASSERT_TRUE(file.Replace({{"/s/b.wav", 3}}));
    EXPECT_EQ(file.Entry(1), (QueueEntry{"", 0}));
    ProfileForget(file.Path()); // what is on disk, read afresh
    EXPECT_EQ(SendQueueFile(file.Path()).Entries(), (std::vector<QueueEntry>{{"/s/b.wav", 3}}));
}

TEST(SendQueueFile, ADamagedCountIsReadAsFarAsItMakesSenseAndAnUnwritableFileTakesNothing) {
    TempFolder temp;
    const auto queue = [&](const std::string& text) {
        const std::string path = temp.Write("bgsend.dat", "[bgsend]\n" + text);
        ProfileForget(path);
        return SendQueueFile(path);
    };
    EXPECT_EQ(queue("count=-4").Count(), 0);
    EXPECT_EQ(queue("count=two").Count(), 0);
    EXPECT_EQ(queue("count=2x").Count(), 2);
    EXPECT_EQ(queue("count=99999999999999999999").Count(), SendQueueFile::kMaxCount);
    EXPECT_EQ(queue("count=2\nfile0=/s/a.wav\nsendto0=x\n").Entries(),
              (std::vector<QueueEntry>{{"/s/a.wav", 0}, {"", 0}}));
    SendQueueFile file(temp / "gone/bgsend.dat"); // its folder does not exist
    EXPECT_FALSE(file.Append({"/s/a.wav", 0}));
    EXPECT_FALSE(file.WriteCount(3));
    EXPECT_EQ(file.Count(), 0);
}

} // namespace
