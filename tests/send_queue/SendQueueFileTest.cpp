// The send queue file: which paths may be queued, entries replaced, damaged counts and a file that cannot be written.
#include "send/SendQueueFile.h"

#include "TempFolder.h"
#include "platform/Profile.h"

#include <gtest/gtest.h>

namespace {

TEST(SendQueueFile, OnlyAWaveFileDirectlyInsideTheSentFolderMayBeQueued) {
    const std::string sent = "/home/u/Sent Files/";
    for (const char* name : {"Dictation 7.wav", "Tape 2.WAV", "Zo\xC3\xAB 1.wav"})
        EXPECT_TRUE(IsSentWavePath(sent + name, sent)) << name;
    for (const std::string& path :
         {sent + ".wav", sent + ".hidden.wav", sent + "Dictation 7.dat", sent + "sub/Dictation 7.wav",
          sent + "../Dictation 7.wav", std::string("/home/u/Current Files/Dictation 7.wav"), std::string("/etc/passwd"),
          std::string(), sent + std::string("a\0b.wav", 7),
          sent + "a\vb.wav", // the queue file would keep it as a blank
          sent + "a\rb.wav"})
        EXPECT_FALSE(IsSentWavePath(path, sent)) << path;
    EXPECT_FALSE(IsSentWavePath(sent + "a.wav", "/home/u/Sent Files")); // a folder must end in '/'
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
    SendQueueFile file = queue("count=2\nfile0=/s/a.wav\nsendto0=x\nfile1=/s/b.wav\nsendto1=3\n");
    EXPECT_EQ(file.Entries(), (std::vector<QueueEntry>{{"/s/a.wav", 0}, {"/s/b.wav", 3}}));
    ASSERT_TRUE(file.Replace({{"/s/b.wav", 3}}));
    EXPECT_EQ(file.Entry(1), (QueueEntry{"", 0})); // a former entry does not linger past the count
    SendQueueFile gone(temp / "gone/bgsend.dat");  // its folder does not exist
    EXPECT_FALSE(gone.Append({"/s/a.wav", 0}));
    EXPECT_FALSE(gone.WriteCount(3));
    EXPECT_EQ(gone.Count(), 0);
}

} // namespace
