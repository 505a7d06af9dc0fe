// The chunk walk: which files open, which are refused and why, and how much of the data is taken as audio.
#include "WaveBytes.h"

#include <TempFolder.h>
#include <WaveFile.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace wave_bytes;
using Category = WaveFileError::Category;

namespace {

class WaveChunks : public testing::Test {
protected:
    WaveOpenResult Open(const std::string& bytes) { return OpenWaveFileWithReason(m_folder.Write("t.wav", bytes)); }

    TempFolder m_folder;
};

const std::string kFormat = Chunk("fmt ", FormatBody(1, 1, 8000, 16));

} // namespace

TEST_F(WaveChunks, AListChunkBetweenFormatAndDataIsSkipped) {
    const WaveOpenResult opened =
        Open(Riff(kFormat + Chunk("LIST", std::string(26, 'x')) + Chunk("data", Samples16(Ramp(100)))));
    ASSERT_TRUE(opened.source) << opened.error.text;
    EXPECT_EQ(opened.source->GetLength(), 100);
    EXPECT_EQ(opened.layout.dataOffset, 12 + 24 + 34 + 8);
}

TEST_F(WaveChunks, AnEmptyChunkBeforeTheDataIsRefused) {
    const WaveOpenResult opened = Open(Riff(kFormat + Chunk("junk", "") + Chunk("data", Samples16(Ramp(10)))));
    EXPECT_FALSE(opened.source);
    EXPECT_EQ(opened.error.category, Category::NotWave);
    EXPECT_EQ(opened.error.offset, 36);
}

TEST_F(WaveChunks, FormatChunksOf14To8192BytesAreAccepted) {
    const std::string body16 = FormatBody(1, 1, 8000, 16);
    // The 14-byte form has no bits per sample: the block align of 2 makes it 16-bit.
    const WaveOpenResult short14 = Open(Riff(Chunk("fmt ", body16.substr(0, 14)) + Chunk("data", Samples16({7}))));
    ASSERT_TRUE(short14.source) << short14.error.text;
    EXPECT_EQ(short14.layout.format.bitsPerSample, 16);
    EXPECT_EQ(short14.source->FullScale(), 0x7fff0);

    const WaveOpenResult long8192 =
        Open(Riff(Chunk("fmt ", body16 + Le16(0) + std::string(8192 - 18, '\0')) + Chunk("data", Samples16({7}))));
    ASSERT_TRUE(long8192.source) << long8192.error.text;
    EXPECT_EQ(long8192.source->GetLength(), 1);
}

TEST_F(WaveChunks, FormatChunksOf13Or8193BytesAreRefused) {
    const std::string body16 = FormatBody(1, 1, 8000, 16);
    const WaveOpenResult short13 = Open(Riff(Chunk("fmt ", body16.substr(0, 13)) + Chunk("data", Samples16({7}))));
    EXPECT_FALSE(short13.source);
    EXPECT_EQ(short13.error.category, Category::BadFormat);

    const WaveOpenResult long8193 =
        Open(Riff(Chunk("fmt ", body16 + Le16(0) + std::string(8193 - 18, '\0')) + Chunk("data", Samples16({7}))));
    EXPECT_FALSE(long8193.source);
    EXPECT_EQ(long8193.error.category, Category::BadFormat);
}

TEST_F(WaveChunks, DamagedHeadersFailWithAReason) {
    const std::string good = Pcm16File(Ramp(10));
    struct Case {
        const char* what;
        std::string bytes;
        Category category;
    };
    const Case cases[] = {
        {"empty file", "", Category::NotWave},
        {"cut inside the RIFF header", good.substr(0, 10), Category::NotWave},
        {"cut inside the format chunk", good.substr(0, 30), Category::NotWave},
        {"cut before the data chunk", good.substr(0, 36), Category::NotWave},
        {"cut inside the data chunk header", good.substr(0, 40), Category::NotWave},
        {"not RIFF at all", std::string(100, 'x'), Category::NotWave},
        {"a RIFF form of another type", "RIFF" + Le32(4) + "AVI ", Category::NotWave},
        {"no format chunk", Riff(Chunk("data", Samples16(Ramp(4)))), Category::NotWave},
        {"zero channels", Riff(Chunk("fmt ", FormatBody(1, 0, 8000, 16, 2)) + Chunk("data", "ab")),
         Category::BadFormat},
        {"zero block align",
         Riff(Chunk("fmt ", FormatBody(1, 1, 8000, 16, 0).replace(12, 2, Le16(0))) + Chunk("data", "ab")),
         Category::BadFormat},
        {"a rate of 0", Riff(Chunk("fmt ", FormatBody(1, 1, 0, 16)) + Chunk("data", "ab")), Category::BadFormat},
        {"a rate above 192000", Riff(Chunk("fmt ", FormatBody(1, 1, 192001, 16)) + Chunk("data", "ab")),
         Category::BadFormat},
        {"extra bytes past the chunk", Riff(Chunk("fmt ", FormatBody(1, 1, 8000, 16) + Le16(40)) + Chunk("data", "ab")),
         Category::BadFormat},
        {"a format chunk larger than the file", Riff(Chunk("fmt ", "", 400)), Category::NotWave},
        {"a chunk size near 2^32", Riff(kFormat + Chunk("junk", "abcd", 0xfffffffe) + Chunk("data", "ab")),
         Category::NotWave},
        {"a chunk size of 2^32 - 1", Riff(kFormat + Chunk("junk", "abcd", 0xffffffff) + Chunk("data", "ab")),
         Category::NotWave},
        {"an unknown codec", Riff(Chunk("fmt ", FormatBody(0x1234, 1, 8000, 4)) + Chunk("data", "abcd")),
         Category::Unsupported},
        {"64-bit integer samples", Riff(Chunk("fmt ", FormatBody(1, 1, 8000, 64)) + Chunk("data", "abcdefgh")),
         Category::Unsupported},
        {"17 channels", Riff(Chunk("fmt ", FormatBody(1, 17, 8000, 16)) + Chunk("data", "ab")), Category::Unsupported},
    };
    for (const Case& item : cases) {
        const WaveOpenResult opened = Open(item.bytes);
        EXPECT_FALSE(opened.source) << item.what;
        EXPECT_EQ(opened.error.category, item.category) << item.what << ": " << opened.error.text;
        EXPECT_FALSE(opened.error.text.empty()) << item.what;
    }
}

TEST_F(WaveChunks, OddChunksAreSkippedWithTheirPadByte) {
    const WaveOpenResult opened =
        Open(Riff(kFormat + Chunk("note", "abc") + Chunk("fact", Le32(3)) + Chunk("data", Samples16({1, 2, 3}))));
    ASSERT_TRUE(opened.source) << opened.error.text;
    EXPECT_EQ(opened.source->GetLength(), 3);
    EXPECT_EQ(opened.layout.factFrames, 3);
}

TEST_F(WaveChunks, TopLevelChunksBeforeTheWaveFormAreSkipped) {
    const WaveOpenResult opened = Open(Chunk("JUNK", std::string(10, 'j')) + Pcm16File(Ramp(5)));
    ASSERT_TRUE(opened.source) << opened.error.text;
    EXPECT_EQ(opened.source->GetLength(), 5);
}

TEST_F(WaveChunks, ADataSizeBeyondTheFileReadsTheFramesThatAreThere) {
    const WaveOpenResult opened = Open(Riff(kFormat + "data" + Le32(0x7ffffff0) + Samples16(Ramp(300))));
    ASSERT_TRUE(opened.source) << opened.error.text;
    EXPECT_EQ(opened.source->GetLength(), 300);
    EXPECT_TRUE(opened.layout.IsCutShort());
}

TEST_F(WaveChunks, AChunkAfterTheDataIsNeverAudio) {
    const std::string list = Chunk("LIST", "INFOISFT" + Le32(6) + "tool\0\0");
    const WaveOpenResult opened = Open(Riff(kFormat + Chunk("data", Samples16(Ramp(50))) + list));
    ASSERT_TRUE(opened.source) << opened.error.text;
    EXPECT_EQ(opened.source->GetLength(), 50);
    EXPECT_FALSE(opened.layout.HasRecoveredBytes());
}

TEST_F(WaveChunks, BytesPastTheDeclaredDataAreAudioWhenNoChunkFollows) {
    const WaveOpenResult opened = Open(Riff(kFormat + Chunk("data", Samples16(Ramp(50)), 20) + Samples16(Ramp(30))));
    ASSERT_TRUE(opened.source) << opened.error.text;
    EXPECT_EQ(opened.source->GetLength(), 80);
    EXPECT_TRUE(opened.layout.HasRecoveredBytes());
}

TEST_F(WaveChunks, ThePadByteAfterOddDataIsNotAFrame) {
    const WaveOpenResult opened =
        Open(Riff(Chunk("fmt ", FormatBody(1, 1, 8000, 8)) + Chunk("data", std::string(5, '\x80'))));
    ASSERT_TRUE(opened.source) << opened.error.text;
    EXPECT_EQ(opened.source->GetLength(), 5);
}

TEST_F(WaveChunks, OurOwnLayoutIsRecognisedOnlyAsOurWritersMakeIt) {
    const std::string ours =
        Riff(Chunk("fmt ", FormatBody(1, 1, 8000, 16) + Le16(0)) + Chunk("data", Samples16(Ramp(10))));
    EXPECT_TRUE(Open(ours).layout.ownLayout);
    EXPECT_FALSE(Open(Pcm16File(Ramp(10))).layout.ownLayout);
    // A tagger appended a chunk and grew the RIFF size: no longer ours, the chunk is not audio.
    const std::string tagged = Riff(ours.substr(12) + Chunk("id3 ", "tag!"));
    const WaveOpenResult opened = Open(tagged);
    EXPECT_FALSE(opened.layout.ownLayout);
    EXPECT_EQ(opened.source->GetLength(), 10);
}

TEST_F(WaveChunks, OurFileWithAStaleHeaderIsReadToItsRealEnd) {
    // A recording cut off by a crash: the header still says 0 frames.
    const std::string stale =
        Riff(Chunk("fmt ", FormatBody(1, 1, 8000, 16) + Le16(0)) + "data" + Le32(0), 38) + Samples16(Ramp(1000));
    const WaveOpenResult opened = Open(stale);
    ASSERT_TRUE(opened.source) << opened.error.text;
    EXPECT_TRUE(opened.layout.ownLayout);
    EXPECT_EQ(opened.source->GetLength(), 1000);
}

TEST_F(WaveChunks, PathsThatAreNoFilesFailWithoutWaiting) {
    EXPECT_EQ(OpenWaveFileWithReason(m_folder / "missing.wav").error.category, Category::Io);
    EXPECT_EQ(OpenWaveFileWithReason(m_folder.Path()).error.category, Category::Io);
    const std::string pipe = m_folder / "pipe.wav";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(OpenWaveFileWithReason(pipe).error.category, Category::Io);
}
