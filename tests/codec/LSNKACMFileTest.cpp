// The codec writer: its header, the padded last block, finishing, and failures.
#include "LSNKACMFile.h"

#include "CodecTestKit.h"
#include "TempFolder.h"

#include <CodecCatalog.h>
#include <FileOps.h>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace codec_test;

namespace {

std::string FileBytes(const std::string& path) {
    return ReadFileBytes(path).value_or("");
}

uint32_t Le32At(const std::string& bytes, size_t offset) {
    return ReadLe32(reinterpret_cast<const uint8_t*>(bytes.data() + offset));
}

WaveFormatRecord Format(const char* id, uint32_t rate = 8000, uint16_t channels = 1) {
    return CodecCatalog::MakeFormat(id, rate, channels).value();
}

} // namespace

TEST(LSNKACMFile, TheHeaderIs46BytesPlusTheExtraBytesWithoutAFactChunk) {
    TempFolder folder;
    const WaveFormatRecord format = Format("ms-adpcm", 11025, 2);
    const std::string path = folder / "ms.wav";
    ASSERT_TRUE(WriteWithSink(path, format, Tone(11025, 2, 4000)));
    const std::string bytes = FileBytes(path);
    const size_t extra = format.extra.size();
    ASSERT_EQ(extra, 32u);
    EXPECT_EQ(bytes.substr(0, 4), "RIFF");
    EXPECT_EQ(bytes.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(Le32At(bytes, 16), 18 + extra);
    const std::vector<uint8_t> record = format.Serialize();
    EXPECT_EQ(bytes.substr(20, record.size()), std::string(record.begin(), record.end()));
    EXPECT_EQ(bytes.substr(38 + extra, 4), "data");
    const uint32_t dataBytes = Le32At(bytes, 42 + extra);
    EXPECT_EQ(dataBytes, bytes.size() - 46 - extra);
    EXPECT_EQ(Le32At(bytes, 4), 38 + extra + dataBytes);
    EXPECT_EQ(ReadChunks(path)->chunkIds, (std::vector<std::string>{"fmt ", "data"}));
}

TEST(LSNKACMFile, TheLastBlockIsPaddedToAWholeBlock) {
    TempFolder folder;
    struct Case {
        const char* id;
        uint32_t dataBytes;
    };
    for (const Case& test :
         {Case{"gsm", 4 * 65}, Case{"ima-adpcm", 2 * 256}, Case{"ms-adpcm", 2 * 256}, Case{"alaw", 1000}}) {
        SCOPED_TRACE(test.id);
        const std::string path = folder / (std::string(test.id) + ".wav");
        ASSERT_TRUE(WriteWithSink(path, Format(test.id), Tone(8000, 1, 1000), 333));
        EXPECT_EQ(ReadChunks(path)->dataBytes, test.dataBytes);
    }
}

TEST(LSNKACMFile, ASinkFinishedWithoutWritesLeavesAnEmptyDataChunk) {
    TempFolder folder;
    const std::string path = folder / "empty.wav";
    LSNKACMFile sink(path, Format("gsm"));
    EXPECT_FALSE(sink.IsInError());
    EXPECT_TRUE(sink.Finish());
    EXPECT_TRUE(sink.Finish());
    const std::string bytes = FileBytes(path);
    ASSERT_EQ(bytes.size(), 48u);
    EXPECT_EQ(Le32At(bytes, 4), 40u);
    EXPECT_EQ(Le32At(bytes, 44), 0u);
}

TEST(LSNKACMFile, TheLengthCountsFramesAndTruncateChangesNothing) {
    TempFolder folder;
    const std::string path = folder / "count.wav";
    LSNKACMFile sink(path, Format("ima-adpcm", 8000, 2));
    std::vector<int32_t> block(2 * 3000, 0);
    sink.Write(block.data(), 3000);
    sink.Write(block.data(), 1234);
    sink.Truncate(10);
    EXPECT_EQ(sink.Length(), 4234);
    EXPECT_EQ(sink.Channels(), 2);
    EXPECT_EQ(sink.FullScale(), 0x7fff0);
    ASSERT_TRUE(sink.Finish());
    EXPECT_EQ(ReadChunks(path)->dataBytes, 9u * 512); // 4234 frames in blocks of 505
}

TEST(LSNKACMFile, AFormatTheCodecCannotProduceIsAnErrorAndLeavesNoFile) {
    TempFolder folder;
    const std::string path = folder / "gsm11025.wav";
    const WaveFormatRecord format = CodecCatalog::BuildFormat(*CodecCatalog::Find("gsm"), 11025, 1);
    LSNKACMFile sink(path, format);
    EXPECT_TRUE(sink.IsInError());
    std::vector<int32_t> block(100, 0);
    sink.Write(block.data(), 100);
    EXPECT_EQ(sink.Length(), 100);
    EXPECT_FALSE(sink.Finish());
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(LSNKACMFile, AFileThatCannotBeCreatedIsAnError) {
    TempFolder folder;
    LSNKACMFile sink(folder / "missing/folder.wav", Format("alaw"));
    EXPECT_TRUE(sink.IsInError());
    EXPECT_FALSE(sink.Finish());
}

TEST(LSNKACMFile, AFailedWritePutsTheSinkInErrorAtOnce) {
    // A child process with a file size limit of 4096 bytes: the header fits, the audio does not.
    TempFolder folder;
    const std::string path = folder / "limited.wav";
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        LSNKACMFile sink(path, Format("alaw"));
        if (sink.IsInError())
            ::_exit(10);
        std::vector<int32_t> block(8192, 1000);
        sink.Write(block.data(), 2000);
        if (sink.IsInError())
            ::_exit(11);
        sink.Write(block.data(), 8192);
        if (!sink.IsInError())
            ::_exit(12);
        ::_exit(sink.Finish() ? 13 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    // The header states the audio that did reach the file.
    const std::optional<WaveChunks> chunks = ReadChunks(path);
    ASSERT_TRUE(chunks);
    EXPECT_EQ(chunks->dataOffset + chunks->dataBytes, static_cast<int64_t>(FileBytes(path).size()));
}

TEST(LSNKACMFile, ARecordWithAnOddExtraCountGetsAPadByteSoTheDataChunkIsFound) {
    TempFolder folder;
    WaveFormatRecord format = Format("alaw");
    format.extra = {1, 2, 3};
    const std::string path = folder / "odd.wav";
    ASSERT_TRUE(WriteWithSink(path, format, Tone(8000, 1, 800)));
    const std::optional<WaveChunks> chunks = ReadChunks(path);
    ASSERT_TRUE(chunks);
    EXPECT_EQ(chunks->dataOffset, 20 + 21 + 1 + 8);
    EXPECT_EQ(chunks->dataBytes, 800);
    EXPECT_EQ(Le32At(FileBytes(path), 4), FileBytes(path).size() - 8);
}
