// The PCM reader: positions and lengths, silence outside the data, sample widths, and a file that grows.
#include "WaveBytes.h"

#include <LSNKPCMFile.h>
#include <LSRCPCMFile.h>
#include <TempFolder.h>
#include <WaveFile.h>
#include <fcntl.h>
#include <gtest/gtest.h>

using namespace wave_bytes;

namespace {

class PcmReader : public testing::Test {
protected:
    LSoundSourceHandle Open(const std::string& bytes) {
        LSoundSourceHandle source = OpenWaveFile(m_folder.Write("r.wav", bytes));
        EXPECT_TRUE(source);
        return source;
    }
    std::vector<int32_t> Read(LSoundSource& source, int32_t frames) {
        std::vector<int32_t> samples(static_cast<size_t>(frames) * source.Channels(), 0x55555555);
        source.Read(samples.data(), frames);
        return samples;
    }

    TempFolder m_folder;
};

std::vector<int32_t> Scaled16(int first, int count) {
    std::vector<int32_t> samples;
    for (int i = 0; i < count; ++i)
        samples.push_back((first + i) * 16);
    return samples;
}

} // namespace

TEST_F(PcmReader, ReadingFromMinusTenGivesTenSilentFramesThenTheFirstFrames) {
    LSoundSourceHandle source = Open(Pcm16File(Ramp(1000)));
    ASSERT_EQ(source->GetLength(), 1000);
    source->Seek(-10);
    std::vector<int32_t> expected(10, 0);
    const std::vector<int32_t> ramp = Scaled16(0, 10);
    expected.insert(expected.end(), ramp.begin(), ramp.end());
    EXPECT_EQ(Read(*source, 20), expected);
    EXPECT_EQ(source->GetPosition(), 10);
}

TEST_F(PcmReader, ReadingWhollyBeforeTheStartIsSilence) {
    LSoundSourceHandle source = Open(Pcm16File(Ramp(100)));
    source->Seek(-50);
    EXPECT_EQ(Read(*source, 20), std::vector<int32_t>(20, 0));
    EXPECT_EQ(source->GetPosition(), -30);
}

TEST_F(PcmReader, ReadingPastTheLengthGivesSilenceAndStillAdvances) {
    LSoundSourceHandle source = Open(Pcm16File(Ramp(100)));
    source->Seek(95);
    std::vector<int32_t> expected = Scaled16(95, 5);
    expected.resize(20, 0);
    EXPECT_EQ(Read(*source, 20), expected);
    EXPECT_EQ(source->GetPosition(), 115);
    EXPECT_EQ(Read(*source, 10), std::vector<int32_t>(10, 0));
    EXPECT_EQ(source->GetPosition(), 125);
    EXPECT_EQ(source->GetLength(), 100);
}

TEST_F(PcmReader, LargeReadsAreServedInSteps) {
    LSoundSourceHandle source = Open(Pcm16File(Ramp(20000)));
    std::vector<int32_t> expected;
    for (int i = 0; i < 20000; ++i)
        expected.push_back(static_cast<int16_t>(i) * 16);
    expected.resize(20005, 0);
    EXPECT_EQ(Read(*source, 20005), expected);
}

TEST_F(PcmReader, StereoFramesStayInterleaved) {
    LSoundSourceHandle source = Open(Pcm16File({1, -1, 2, -2, 3, -3}, 2));
    ASSERT_EQ(source->Channels(), 2);
    EXPECT_EQ(source->GetLength(), 3);
    source->Seek(1);
    EXPECT_EQ(Read(*source, 3), (std::vector<int32_t>{32, -32, 48, -48, 0, 0}));
}

TEST_F(PcmReader, EverySampleWidthIsScaledAsItsFormatSays) {
    const auto first = [&](const std::string& bytes) {
        LSoundSourceHandle source = Open(bytes);
        return std::make_pair(Read(*source, 2), source->FullScale());
    };
    const std::string u8 = Riff(Chunk("fmt ", FormatBody(1, 1, 8000, 8)) + Chunk("data", std::string("\xff\x00", 2)));
    EXPECT_EQ(first(u8), std::make_pair(std::vector<int32_t>{127 * 2048, -128 * 2048}, 0x3f800));
    const std::string s32 =
        Riff(Chunk("fmt ", FormatBody(1, 1, 8000, 32)) + Chunk("data", Le32(0x7fffffff) + Le32(0x80000000)));
    EXPECT_EQ(first(s32), std::make_pair(std::vector<int32_t>{0x80000, -0x80000}, 0x7fff0));
    // Packed 24-bit: 0x7fffff and -0x800000.
    const std::string s24 =
        Riff(Chunk("fmt ", FormatBody(1, 1, 8000, 24)) + Chunk("data", std::string("\xff\xff\x7f\x00\x00\x80", 6)));
    EXPECT_EQ(first(s24), std::make_pair(std::vector<int32_t>{0x80000, -0x80000}, 0x7fff0));
    // 24 bits in 4-byte containers read as 32-bit samples.
    const std::string s24in32 =
        Riff(Chunk("fmt ", FormatBody(1, 1, 8000, 24, 4)) + Chunk("data", Le32(0x7fffff00) + Le32(0x80000000)));
    EXPECT_EQ(first(s24in32).first, (std::vector<int32_t>{0x80000, -0x80000}));
    // Float: 0.5 and a value beyond full scale, clipped.
    const std::string f32 =
        Riff(Chunk("fmt ", FormatBody(3, 1, 8000, 32)) + Chunk("data", Le32(0x3f000000) + Le32(0xc0000000)));
    EXPECT_EQ(first(f32).first, (std::vector<int32_t>{262136, -524272}));
    const std::string f64 = Riff(Chunk("fmt ", FormatBody(3, 1, 8000, 64)) +
                                 Chunk("data", Le32(0) + Le32(0x3ff00000) + Le32(0) + Le32(0x7ff80000)));
    EXPECT_EQ(first(f64).first, (std::vector<int32_t>{524272, 0})); // 1.0, then NaN as silence
}

TEST_F(PcmReader, GetLengthReportsTheLengthOfAHeaderRewrittenSinceOpening) {
    const std::string path = m_folder.Write("grow.wav", Pcm16File(Ramp(100)));
    LSoundSourceHandle source = OpenWaveFile(path);
    ASSERT_EQ(source->GetLength(), 100);
    // A writer appends 100 frames and rewrites the data size.
    LFile writer = LFile::Open(path, O_WRONLY);
    ASSERT_TRUE(writer.WriteAt(Samples16(Ramp(100)).data(), 200, 44 + 200));
    ASSERT_TRUE(writer.WriteAt(Le32(400).data(), 4, 40));
    source->Seek(100);
    EXPECT_EQ(source->GetLength(), 200);
    EXPECT_EQ(Read(*source, 2), Scaled16(0, 2));
}

TEST_F(PcmReader, AFileShorterThanItsHeaderReadsSilencePastItsEnd) {
    const std::string bytes = Pcm16File(Ramp(1000));
    LSoundSourceHandle source = Open(bytes.substr(0, 44 + 2 * 500 + 1));
    EXPECT_EQ(source->GetLength(), 500);
    source->Seek(498);
    std::vector<int32_t> expected = Scaled16(498, 2);
    expected.resize(6, 0);
    EXPECT_EQ(Read(*source, 6), expected);
}

TEST_F(PcmReader, AnInvalidReaderFillsSilence) {
    LSRCPCMFile<LSF16> reader(LFile(), 8000, 1, 44, false);
    EXPECT_TRUE(reader.IsInvalid());
    std::vector<int32_t> samples(30, 7);
    reader.Read(samples.data(), 30);
    EXPECT_EQ(samples, std::vector<int32_t>(30, 0));
    EXPECT_EQ(reader.GetPosition(), 30);
    EXPECT_EQ(reader.GetLength(), 0);
}

TEST_F(PcmReader, AReaderFollowsARecordingAsItGrows) {
    const std::string path = m_folder / "recording.wav";
    LSNKPCMFile<LSF16> writer(path, 8000, 1);
    std::vector<int32_t> block(3000);
    int next = 0;
    const auto writeBlock = [&] {
        for (int32_t& sample : block)
            sample = static_cast<int16_t>(next++) * 16;
        writer.Write(block.data(), static_cast<int32_t>(block.size()));
    };
    writeBlock();
    LSoundSourceHandle reader = OpenWaveFile(path);
    ASSERT_TRUE(reader);
    int expectedNext = 0;
    for (int round = 0; round < 5; ++round) {
        // Everything written so far is readable, although the header still says 0 frames.
        EXPECT_EQ(reader->GetLength(), next);
        std::vector<int32_t> got(3000);
        reader->Read(got.data(), 3000);
        for (int i = 0; i < 3000; ++i)
            ASSERT_EQ(got[i], static_cast<int16_t>(expectedNext + i) * 16) << "round " << round << " frame " << i;
        expectedNext += 3000;
        writeBlock();
    }
    EXPECT_EQ(reader->GetPosition(), 15000);
    EXPECT_TRUE(writer.Finish());
    EXPECT_EQ(reader->GetLength(), 18000);
}
