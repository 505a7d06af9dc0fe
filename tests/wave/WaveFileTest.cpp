// The PCM reader and writer, and opening wave files as other programs, crashes and damaged disks leave them.
#include "sound/WaveFile.h"

#include "SoundTestKit.h"
#include "platform/FileOps.h"
#include "sound/LSNKPCMFile.h"

#include <TempFolder.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>

using namespace sound_test;

namespace {

class PcmFile : public testing::Test {
protected:
    std::string Path() const { return m_folder / "w.wav"; }
    std::string Bytes() const { return m_folder.Read("w.wav"); }

    TempFolder m_folder;
};

using Category = WaveFileError::Category;

const std::string kFormat16 = Chunk("fmt ", FormatBody(1, 1, 8000, 16));
const std::string kOurFormat = FormatBody(1, 1, 8000, 16) + Le16(0);

template <typename... Sample> std::vector<int32_t> First(Sample... samples) {
    return {samples...};
}

} // namespace

// Seeks and reads before, across and after the data: the PCM rows of the codec tests' round trips.
TEST_F(PcmFile, AnOpenReaderFollowsAFileThatAnotherProgramOrOurWriterMakesLonger) {
    LSoundSourceHandle source = OpenWaveFile(m_folder.Write("r.wav", Pcm16File(Ramp(20000))));
    ASSERT_TRUE(source);
    ASSERT_EQ(source->GetLength(), 20000);
    // Another program appends 100 frames and rewrites the data size: the open reader sees them.
    LFile writer = LFile::Open(m_folder / "r.wav", O_WRONLY);
    ASSERT_TRUE(writer.WriteAt(Samples16(Ramp(100)).data(), 200, 44 + 40000));
    ASSERT_TRUE(writer.WriteAt(Le32(40200).data(), 4, 40));
    source->Seek(20000);
    EXPECT_EQ(source->GetLength(), 20100);
    EXPECT_EQ(ReadInBlocks(*source, 2), Pipeline16({0, 1}));
    // Our writer's recording: everything written so far is readable although its header still says 0 frames.
    LSNKPCMFile<LSF16> recorder(Path(), 8000, 1);
    const std::vector<int32_t> recording = Pipeline16(Ramp(18000));
    recorder.Write(recording.data(), 3000);
    LSoundSourceHandle reader = OpenWaveFile(Path());
    ASSERT_TRUE(reader);
    for (int32_t written = 3000; written < 18000; written += 3000) {
        EXPECT_EQ(reader->GetLength(), written);
        EXPECT_EQ(ReadInBlocks(*reader, 3000),
                  std::vector<int32_t>(recording.begin() + written - 3000, recording.begin() + written));
        recorder.Write(recording.data() + written, 3000);
    }
    EXPECT_TRUE(recorder.Finish());
    EXPECT_EQ(reader->GetLength(), 18000);
}

TEST_F(PcmFile, TheWriterStoresEveryWidthBehindOurHeaderSaturatingAndReplacingWhatWasThere) {
    struct Case {
        WaveFormatRecord format;
        std::vector<int32_t> samples;
        std::string file; // "<missing>": the sink is in error and makes no file
        int32_t fullScale = kFullScale16;
        std::string name = "w.wav";
    };
    const Case cases[] = {
        {WaveFormatRecord::Pcm(11025, 2, 16), Pipeline16({1, -1, 0x7fff, -0x8000}),
         OurHeader(8, 2, 11025) + Samples16({1, -1, 0x7fff, -0x8000})},
        {WaveFormatRecord::Pcm(8000, 1, 16), {0x7fff0 * 3, -0x7fff0 * 3}, OurHeader(4) + Samples16({0x7fff, -0x8000})},
        {WaveFormatRecord::Pcm(8000, 1, 8), std::vector<int32_t>{-128 * 2048, 0, 127 * 2048, 400000},
         OurHeader(4, 1, 8000, 8) + std::string("\x00\x80\xff\xff", 4), kFullScale8},
        {WaveFormatRecord::Pcm(8000, 1, 32), {1, INT32_MAX}, OurHeader(8, 1, 8000, 32) + Le32(4096) + Le32(INT32_MAX)},
        {WaveFormatRecord::Pcm(8000, 300, 16), {0}, "<missing>", kFullScale16, "channels.wav"},
        {WaveFormatRecord::Pcm(0, 1, 16), {0}, "<missing>", kFullScale16, "rate.wav"},
        {WaveFormatRecord::Pcm(8000, 1, 16), {0}, "<missing>", kFullScale16, "no/such/folder.wav"},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(item.name + " " + std::to_string(item.format.bitsPerSample));
        const bool made = item.file != "<missing>";
        if (made)
            m_folder.Write(item.name, OurHeader(200) + Samples16(Ramp(100)));
        {
            LSoundSinkHandle sink = CreateFileSinkForFormat(m_folder / item.name, item.format);
            EXPECT_EQ(sink->FullScale(), item.fullScale);
            EXPECT_EQ(sink->IsInError(), !made);
            const int32_t frames = static_cast<int32_t>(item.samples.size() / sink->Channels());
            sink->Write(item.samples.data(), frames);
            EXPECT_EQ(sink->Length(), frames); // counted even in error
            EXPECT_EQ(FinishFileSink(*sink), made);
        }
        EXPECT_EQ(m_folder.Read(item.name), item.file);
    }
}

TEST_F(PcmFile, KeepingFramesKeepsOnlyFramesReallyInAFileOfOursAndARecordingThatNeverStartsChangesNothing) {
    const std::string lagging = OurHeader(200) + Samples16(Ramp(3000)); // a crash left the header 2900 frames behind
    const std::string ours = OurHeader(2000) + Samples16(Ramp(1000));
    using Samples = std::vector<int16_t>;
    Samples kept5000 = Ramp(5000);
    kept5000.insert(kept5000.end(), {-1, -2, -3});
    // What, the file before, frames to keep, samples written, finished, frames kept (-1: in error), the file after.
    const std::tuple<const char*, std::string, int32_t, Samples, bool, int32_t, std::string> cases[] = {
        {"keeping 5000 of 10000", OurHeader(20000) + Samples16(Ramp(10000)), 5000, Samples{-1, -2, -3}, false, 5000,
         OurHeader(10006) + Samples16(kept5000)},
        {"a lagging header, never started", lagging, 2000, {}, false, 2000, lagging},
        {"more than the file holds", lagging, 1000000, {}, true, 3000, OurHeader(6000) + Samples16(Ramp(3000))},
        {"keeping 400, finished", ours, 400, {}, true, 400, OurHeader(800) + Samples16(Ramp(400))},
        {"another program's header", Pcm16File(Ramp(500)), 100, Samples{5, 5}, true, -1, Pcm16File(Ramp(500))},
        {"another format", OurHeader(1000, 1, 11025) + Samples16(Ramp(500)), 100, Samples{5, 5}, true, -1,
         OurHeader(1000, 1, 11025) + Samples16(Ramp(500))},
        {"not a wave file", std::string(1000, 'x'), 100, Samples{5, 5}, true, -1, std::string(1000, 'x')},
    };
    for (const auto& [what, before, keep, written, finish, kept, after] : cases) {
        SCOPED_TRACE(what);
        m_folder.Write("w.wav", before);
        {
            LSNKPCMFile<LSF16> sink(Path(), 8000, 1, keep);
            EXPECT_EQ(sink.IsInError(), kept < 0);
            const int32_t frames = static_cast<int32_t>(written.size());
            sink.Write(Pipeline16(written).data(), frames);
            EXPECT_EQ(sink.Length(), std::max(kept, 0) + frames); // the frames kept, then those written
            if (finish) {
                EXPECT_EQ(sink.Finish(), kept >= 0);
            }
        }
        EXPECT_EQ(Bytes(), after);
    }
}

TEST_F(PcmFile, TheHeaderStates441001FramesBeforeTheWriterIsClosed) {
    LSNKPCMFile<LSF16> sink(Path(), 44100, 1);
    const std::vector<int32_t> block(8192, 16);
    for (int32_t written = 0; written < 441001;) {
        const int32_t frames = std::min(8192, 441001 - written);
        sink.Write(block.data(), frames);
        written += frames;
        EXPECT_EQ(ReadLe32At(Bytes(), 42), written <= 441000 ? 0u : 441001u * 2) << "after " << written;
    }
    EXPECT_EQ(ReadLe32At(Bytes(), 4), 38u + 441001u * 2);
    EXPECT_EQ(OpenWaveFile(Path())->GetLength(), 441001);
}

TEST_F(PcmFile, TruncateOnlyShrinksFinishLeavesTheDestructorNothingAndLaterWritesAreErrors) {
    auto sink = std::make_unique<LSNKPCMFile<LSF16>>(Path(), 8000, 1);
    const std::vector<int32_t> samples = Pipeline16(Ramp(1000));
    sink->Write(samples.data(), 1000);
    sink->Truncate(1200);
    EXPECT_EQ(sink->Length(), 1000);
    sink->Truncate(400);
    EXPECT_EQ(Bytes(), OurHeader(800) + Samples16(Ramp(400)));
    sink->Write(samples.data(), 2);
    sink->Truncate(-5);
    sink->Write(samples.data(), 2);
    EXPECT_TRUE(sink->Finish());
    EXPECT_TRUE(sink->Finish());
    EXPECT_EQ(Bytes(), OurHeader(4) + Samples16({0, 1}));
    sink->Write(samples.data(), 2);
    EXPECT_TRUE(sink->IsInError());
    sink.reset();
    EXPECT_EQ(Bytes(), OurHeader(4) + Samples16({0, 1}));
    // A sink closed without writes leaves an empty file of ours.
    { LSNKPCMFile<LSF16> empty(m_folder / "empty.wav", 8000, 1); }
    EXPECT_EQ(m_folder.Read("empty.wav"), OurHeader(0));
}

TEST_F(PcmFile, AFullDiskPutsTheWriterInErrorAtOnceAndKeepsAConsistentFile) {
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
        EXPECT_FALSE(sink.Finish());
    }
    // What reached the disk is a whole file whose header says so.
    const std::string bytes = ReadFileBytes(path).value_or("");
    ASSERT_EQ(bytes.size(), 46u + 2u * stored);
    EXPECT_EQ(ReadLe32At(bytes, 42), bytes.size() - 46);
}

TEST(WaveLayouts, DamagedOrUnreadableLayoutsAreRefusedWithTheirReason) {
    const std::string good = Pcm16File(Ramp(10));
    const std::tuple<const char*, std::string, Category> rows[] = {
        {"an empty file", "", Category::NotWave},
        {"cut inside the format chunk", good.substr(0, 30), Category::NotWave},
        {"cut inside the data chunk header", good.substr(0, 40), Category::NotWave},
        {"not RIFF at all", std::string(100, 'x'), Category::NotWave},
        {"a RIFF form of another type", "RIFF" + Le32(4) + "AVI ", Category::NotWave},
        {"no format chunk", Riff(Chunk("data", Samples16(Ramp(4)))), Category::NotWave},
        {"a format chunk larger than the file", Riff(Chunk("fmt ", "", 400)), Category::NotWave},
        {"a chunk size of 2^32 - 1", Riff(kFormat16 + Chunk("junk", "ab", 0xffffffff) + Chunk("data", "ab")),
         Category::NotWave},
        {"an empty chunk", Riff(kFormat16 + Chunk("junk", "") + Chunk("data", "ab")), Category::NotWave},
        {"zero channels", Wave(FormatBody(1, 0, 8000, 16, 2), "ab"), Category::BadFormat},
        {"block align 0", Wave(FormatBody(1, 1, 8000, 16).replace(12, 2, Le16(0)), "ab"), Category::BadFormat},
        {"a rate above 192000", Wave(FormatBody(1, 1, 192001, 16), "ab"), Category::BadFormat},
        {"extra bytes past the chunk", Wave(FormatBody(1, 1, 8000, 16) + Le16(40), "ab"), Category::BadFormat},
        {"a 13-byte format chunk", Wave(FormatBody(1, 1, 8000, 16).substr(0, 13), "ab"), Category::BadFormat},
        {"an 8193-byte format chunk", Wave(FormatBody(1, 1, 8000, 16) + std::string(8177, '\0'), "ab"),
         Category::BadFormat},
        {"an unknown codec", Wave(FormatBody(0x1234, 1, 8000, 4), "abcd"), Category::Unsupported},
        {"17 channels", Wave(FormatBody(1, 17, 8000, 16), "ab"), Category::Unsupported},
        {"a big-endian RIFX form", "RIFX" + Pcm16File(Ramp(4)).substr(4), Category::Unsupported},
        {"a chunk before the form running past the file", Chunk("JUNK", "", 1000) + good, Category::NotWave},
        {"a block align that is not a frame", Wave(FormatBody(1, 1, 8000, 16, 4), "abcd"), Category::BadFormat},
    };
    TempFolder folder;
    for (const auto& [what, bytes, category] : rows) {
        const WaveOpenResult opened = OpenWaveFileWithReason(folder.Write("t.wav", bytes));
        EXPECT_FALSE(opened.source) << what;
        EXPECT_EQ(opened.error.category, category) << what << ": " << opened.error.text;
        EXPECT_FALSE(opened.error.text.empty()) << what;
    }
    EXPECT_EQ(OpenWaveFileWithReason(folder.Write("t.wav", std::get<1>(rows[8]))).error.offset, 36); // the chunk
    const std::string pipe = folder / "pipe.wav";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string& path : {folder / "missing.wav", folder.Path(), pipe}) // paths that are no files: at once
        EXPECT_EQ(OpenWaveFileWithReason(path).error.category, Category::Io) << path;
}

TEST(WaveLayouts, OddButReadableLayoutsGiveTheirFramesAndSilenceAfterThem) {
    const std::string ours = Wave(kOurFormat, Samples16(Ramp(10))), ramp50 = Chunk("data", Samples16(Ramp(50)));
    struct Readable {
        const char* what;
        std::string bytes;
        int32_t frames;
        std::vector<int32_t> first; // the first samples, then silence after the frames
        int32_t fullScale = kFullScale16;
    };
    const Readable rows[] = {
        {"a 14-byte format chunk, 16-bit by its block align",
         Wave(FormatBody(1, 1, 8000, 16).substr(0, 14), Samples16({7})), 1, First(7 * 16)},
        {"a LIST chunk between format and data", Riff(kFormat16 + Chunk("LIST", std::string(26, 'x')) + ramp50), 50,
         First(0, 16, 32)},
        {"odd chunks with their pad bytes", Riff(kFormat16 + Chunk("note", "abc") + Chunk("fact", Le32(3)) + ramp50),
         50, First(0, 16, 32)},
        {"a chunk before the RIFF form", Chunk("JUNK", std::string(10, 'j')) + Pcm16File(Ramp(5)), 5, First(0, 16)},
        {"a data size beyond the file", Riff(kFormat16 + "data" + Le32(0x7ffffff0) + Samples16(Ramp(300))), 300,
         First(0, 16)},
        {"cut inside the data", Pcm16File(Ramp(1000)).substr(0, 44 + 2 * 500 + 1), 500, First(0, 16)},
        {"bytes past the declared data, no chunk after",
         Riff(kFormat16 + Chunk("data", Samples16(Ramp(50)), 20) + Samples16(Ramp(30))), 80, First(0, 16)},
        {"our layout, its header stale since a crash",
         Riff(Chunk("fmt ", kOurFormat) + "data" + Le32(0), 38) + Samples16(Ramp(1000)), 1000, First(0, 16)},
        {"our layout after a tagger appended a chunk", Riff(ours.substr(12) + Chunk("id3 ", "tag!")), 10, First(0, 16)},
        {"stereo", Pcm16File({1, -1, 2, -2, 3, -3}, 2), 3, First(16, -16, 32, -32, 48, -48)},
        {"odd 8-bit data and its pad byte", Wave(FormatBody(1, 1, 8000, 8), std::string("\xff\x00\x80", 3)), 3,
         First(127 * 2048, -128 * 2048, 0), kFullScale8},
        {"32-bit", Wave(FormatBody(1, 1, 8000, 32), Le32(0x7fffffff) + Le32(0x80000000)), 2, First(0x80000, -0x80000)},
        {"packed 24-bit", Wave(FormatBody(1, 1, 8000, 24), std::string("\xff\xff\x7f\x00\x00\x80", 6)), 2,
         First(0x80000, -0x80000)},
        {"24 bits in 4-byte containers", Wave(FormatBody(1, 1, 8000, 24, 4), Le32(0x7fffff00) + Le32(0x80000000)), 2,
         First(0x80000, -0x80000)},
        {"32-bit float, beyond full scale", Wave(FormatBody(3, 1, 8000, 32), Le32(0x3f000000) + Le32(0xc0000000)), 2,
         First(262136, -524272)},
        {"64-bit float, 1.0 and NaN",
         Wave(FormatBody(3, 1, 8000, 64), Le32(0) + Le32(0x3ff00000) + Le32(0) + Le32(0x7ff80000)), 2,
         First(524272, 0)},
    };
    TempFolder folder;
    for (const Readable& row : rows) {
        SCOPED_TRACE(row.what);
        const WaveOpenResult opened = OpenWaveFileWithReason(folder.Write("t.wav", row.bytes));
        ASSERT_TRUE(opened.source) << opened.error.text;
        LSoundSource& source = *opened.source;
        EXPECT_EQ(source.GetLength(), row.frames);
        EXPECT_EQ(source.FullScale(), row.fullScale);
        const std::vector<int32_t> samples = ReadInBlocks(source, row.frames + 2);
        EXPECT_TRUE(std::equal(row.first.begin(), row.first.end(), samples.begin()));
        EXPECT_TRUE(AllZero(samples, static_cast<size_t>(row.frames) * source.Channels()));
    }
}
