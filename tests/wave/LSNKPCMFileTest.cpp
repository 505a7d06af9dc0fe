// The PCM writer: its header bytes, keeping frames of an earlier recording, header rewrites, truncation, finishing,
// and failures that put it in error at once.
#include "WaveBytes.h"

#include <FileOps.h>
#include <LSNKPCMFile.h>
#include <TempFolder.h>
#include <WaveFile.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>

using namespace wave_bytes;

namespace {

class PcmWriter : public testing::Test {
protected:
    std::string Path() const { return m_folder / "w.wav"; }
    std::string Bytes() const { return m_folder.Read("w.wav"); }

    TempFolder m_folder;
};

std::vector<int32_t> Pipeline16(const std::vector<int16_t>& samples) {
    std::vector<int32_t> pipeline;
    for (int16_t sample : samples)
        pipeline.push_back(sample * 16);
    return pipeline;
}

// Our header for `dataBytes` bytes of 16-bit samples.
std::string OurHeader(uint32_t dataBytes, uint16_t channels = 1, uint32_t rate = 8000, uint16_t bits = 16) {
    return "RIFF" + Le32(38 + dataBytes) + "WAVE" + "fmt " + Le32(18) + FormatBody(1, channels, rate, bits) + Le16(0) +
           "data" + Le32(dataBytes);
}

// The data chunk's size field as it is on disk now.
uint32_t DataSizeOnDisk(const std::string& path) {
    LFile file = LFile::Open(path, O_RDONLY);
    uint8_t field[4] = {};
    EXPECT_EQ(file.ReadAt(field, 4, 42), 4);
    return ReadLe32(field);
}

} // namespace

TEST_F(PcmWriter, WritesTheExactHeaderAndSamples) {
    {
        LSNKPCMFile<LSF16> sink(Path(), 11025, 2);
        const std::vector<int32_t> samples = Pipeline16({1, -1, 0x7fff, -0x8000});
        sink.Write(samples.data(), 2);
        EXPECT_EQ(sink.Length(), 2);
        EXPECT_TRUE(sink.Finish());
    }
    EXPECT_EQ(Bytes(), OurHeader(8, 2, 11025) + Samples16({1, -1, 0x7fff, -0x8000}));
}

TEST_F(PcmWriter, EightAndThirtyTwoBitFilesHaveTheirWidthInTheHeader) {
    {
        LSNKPCMFile<LSFU8> sink(Path(), 8000, 1);
        EXPECT_EQ(sink.FullScale(), 0x3f800);
        const std::vector<int32_t> samples{-128 * 2048, 0, 127 * 2048};
        sink.Write(samples.data(), 3);
    }
    EXPECT_EQ(Bytes(), OurHeader(3, 1, 8000, 8) + std::string("\x00\x80\xff", 3));
    {
        LSNKPCMFile<LSF32> sink(Path(), 8000, 1);
        const std::vector<int32_t> samples{1};
        sink.Write(samples.data(), 1);
    }
    EXPECT_EQ(Bytes(), OurHeader(4, 1, 8000, 32) + Le32(4096));
}

TEST_F(PcmWriter, SamplesSaturateInsteadOfWrapping) {
    {
        LSNKPCMFile<LSF16> sink(Path(), 8000, 1);
        const std::vector<int32_t> samples{0x7fff0 * 3, -0x7fff0 * 3};
        sink.Write(samples.data(), 2);
    }
    EXPECT_EQ(Bytes().substr(46), Samples16({0x7fff, -0x8000}));
}

TEST_F(PcmWriter, ANewSinkClosedWithoutWritesLeavesAnEmpty46ByteFile) {
    { LSNKPCMFile<LSF16> sink(Path(), 8000, 1); }
    const std::string bytes = Bytes();
    ASSERT_EQ(bytes.size(), 46u);
    EXPECT_EQ(ReadLe32At(bytes, 4), 38u);
    EXPECT_EQ(ReadLe32At(bytes, 42), 0u);
    LSoundSourceHandle source = OpenWaveFile(Path());
    ASSERT_TRUE(source);
    EXPECT_EQ(source->GetLength(), 0);
}

TEST_F(PcmWriter, KeepingFiveThousandFramesKeepsExactlyThemAndWritesFollow) {
    m_folder.Write("w.wav", OurHeader(20000) + Samples16(Ramp(10000)));
    {
        LSNKPCMFile<LSF16> sink(Path(), 8000, 1, 5000);
        ASSERT_FALSE(sink.IsInError());
        EXPECT_EQ(sink.Length(), 5000);
        EXPECT_EQ(sink.KeptFrames(), 5000);
        const std::vector<int32_t> samples = Pipeline16({-1, -2, -3});
        sink.Write(samples.data(), 3);
        EXPECT_EQ(sink.Length(), 5003);
    }
    std::vector<int16_t> expected = Ramp(5000);
    expected.insert(expected.end(), {-1, -2, -3});
    EXPECT_EQ(Bytes(), OurHeader(10006) + Samples16(expected));
}

TEST_F(PcmWriter, RecordingOverAfterACrashKeepsTheFramesReallyInTheFile) {
    // The header lags: it says 100 frames, 3000 are there.
    m_folder.Write("w.wav", OurHeader(200) + Samples16(Ramp(3000)));
    {
        LSNKPCMFile<LSF16> sink(Path(), 8000, 1, 2000);
        EXPECT_EQ(sink.KeptFrames(), 2000);
    }
    // Asking for more than there is keeps what there is.
    {
        LSNKPCMFile<LSF16> sink(Path(), 8000, 1, 1000000);
        EXPECT_EQ(sink.KeptFrames(), 3000);
        sink.Truncate(sink.Length());
    }
    EXPECT_EQ(Bytes(), OurHeader(6000) + Samples16(Ramp(3000)));
}

TEST_F(PcmWriter, KeepingFramesOfAFileNotOursPutsTheSinkInErrorAndLeavesTheFileAlone) {
    const std::string foreign = Pcm16File(Ramp(500)); // 44-byte header
    const std::string otherFormat = OurHeader(1000, 1, 11025) + Samples16(Ramp(500));
    const std::string notWave = std::string(1000, 'x');
    for (const std::string& bytes : {foreign, otherFormat, notWave}) {
        m_folder.Write("w.wav", bytes);
        {
            LSNKPCMFile<LSF16> sink(Path(), 8000, 1, 100);
            EXPECT_TRUE(sink.IsInError());
            const std::vector<int32_t> samples(10, 5);
            sink.Write(samples.data(), 10);
            EXPECT_EQ(sink.Length(), 10);
            EXPECT_FALSE(sink.Finish());
        }
        EXPECT_EQ(Bytes(), bytes);
    }
}

TEST_F(PcmWriter, ARecordingThatNeverStartsLeavesTheFileWhole) {
    const std::string bytes = OurHeader(2000) + Samples16(Ramp(1000));
    m_folder.Write("w.wav", bytes);
    { LSNKPCMFile<LSF16> sink(Path(), 8000, 1, 0); }
    { LSNKPCMFile<LSF16> sink(Path(), 8000, 1, 400); }
    EXPECT_EQ(Bytes(), bytes);
    // Finish commits: the file is cut after the kept frames.
    {
        LSNKPCMFile<LSF16> sink(Path(), 8000, 1, 400);
        EXPECT_TRUE(sink.Finish());
    }
    EXPECT_EQ(Bytes(), OurHeader(800) + Samples16(Ramp(400)));
}

TEST_F(PcmWriter, TheHeaderStates441001FramesBeforeTheSinkIsClosed) {
    LSNKPCMFile<LSF16> sink(Path(), 44100, 1);
    const std::vector<int32_t> block(8192, 16);
    int32_t written = 0;
    while (written < 441001) {
        const int32_t frames = std::min(8192, 441001 - written);
        sink.Write(block.data(), frames);
        written += frames;
        if (written <= 441000) {
            EXPECT_EQ(DataSizeOnDisk(Path()), 0u) << "after " << written;
        }
    }
    const std::string bytes = Bytes();
    EXPECT_EQ(ReadLe32At(bytes, 42), 441001u * 2);
    EXPECT_EQ(ReadLe32At(bytes, 4), 38u + 441001u * 2);
    LSoundSourceHandle reader = OpenWaveFile(Path());
    EXPECT_EQ(reader->GetLength(), 441001);
}

TEST_F(PcmWriter, TruncateCutsHeaderAndFileAndOnlyShrinks) {
    LSNKPCMFile<LSF16> sink(Path(), 8000, 1);
    const std::vector<int32_t> samples = Pipeline16(Ramp(1000));
    sink.Write(samples.data(), 1000);
    sink.Truncate(1200);
    EXPECT_EQ(sink.Length(), 1000);
    sink.Truncate(400);
    EXPECT_EQ(sink.Length(), 400);
    EXPECT_EQ(Bytes(), OurHeader(800) + Samples16(Ramp(400)));
    sink.Write(samples.data(), 2);
    sink.Truncate(-5);
    EXPECT_EQ(sink.Length(), 0);
    EXPECT_TRUE(sink.Finish());
    EXPECT_EQ(Bytes(), OurHeader(0));
}

TEST_F(PcmWriter, FinishLeavesTheDestructorNothingAndLaterWritesAreErrors) {
    auto sink = std::make_unique<LSNKPCMFile<LSF16>>(Path(), 8000, 1);
    const std::vector<int32_t> samples = Pipeline16({5, 6});
    sink->Write(samples.data(), 2);
    EXPECT_TRUE(sink->Finish());
    EXPECT_TRUE(sink->Finish());
    const std::string finished = Bytes();
    sink->Write(samples.data(), 2);
    EXPECT_TRUE(sink->IsInError());
    EXPECT_EQ(sink->Length(), 4);
    sink.reset();
    EXPECT_EQ(Bytes(), finished);
}

TEST_F(PcmWriter, AFileThatCannotBeOpenedPutsTheSinkInErrorButLengthCounts) {
    LSNKPCMFile<LSF16> sink(m_folder / "no/such/folder.wav", 8000, 1);
    EXPECT_TRUE(sink.IsInError());
    const std::vector<int32_t> samples(100);
    sink.Write(samples.data(), 100);
    EXPECT_EQ(sink.Length(), 100);
    EXPECT_FALSE(sink.Finish());
}

TEST_F(PcmWriter, ARateBelowOneIsAnErrorAndCreatesNoFile) {
    LSNKPCMFile<LSF16> sink(Path(), 0, 1);
    EXPECT_TRUE(sink.IsInError());
    EXPECT_EQ(Bytes(), "<missing>");
}

TEST_F(PcmWriter, AFullDiskPutsTheSinkInErrorAtOnceAndKeepsAConsistentFile) {
    const std::string disk = m_folder / "disk";
    ASSERT_TRUE(MakeFolders(disk));
    if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here: " << std::strerror(errno);
    struct Unmount {
        std::string path;
        ~Unmount() { ::umount2(path.c_str(), MNT_DETACH); }
    } unmount{disk};

    const std::string path = disk + "/full.wav";
    int32_t stored = 0;
    {
        LSNKPCMFile<LSF16> sink(path, 8000, 1);
        const std::vector<int32_t> block(8192, 160);
        for (int round = 0; round < 20 && !sink.IsInError(); ++round) {
            sink.Write(block.data(), 8192);
            if (!sink.IsInError())
                stored = sink.Length();
        }
        ASSERT_TRUE(sink.IsInError()) << "the 64k disk took 160k";
        EXPECT_EQ(sink.Length(), stored + 8192);
        EXPECT_FALSE(sink.Finish());
    }
    // What reached the disk is a whole file whose header says so.
    const std::string bytes = ReadFileBytes(path).value_or("");
    ASSERT_GE(bytes.size(), 46u);
    EXPECT_EQ(ReadLe32At(bytes, 42), bytes.size() - 46);
    EXPECT_EQ(bytes.size(), 46u + 2u * stored);
    LSoundSourceHandle reader = OpenWaveFile(path);
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->GetLength(), stored);
}
