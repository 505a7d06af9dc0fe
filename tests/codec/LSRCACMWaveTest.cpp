// The codec reader: its length, the silence before and after the data, seeks, and readers that cannot work.
#include "LSRCACMWave.h"

#include "CodecTestKit.h"
#include "TempFolder.h"

#include <CodecCatalog.h>
#include <fcntl.h>
#include <gtest/gtest.h>

using namespace codec_test;

namespace {

class CodecReader : public ::testing::Test {
protected:
    // A file of `frames` frames of the test tone written by our writer in `id`.
    std::string WriteTone(const char* id, uint32_t rate, uint16_t channels, size_t frames) {
        const std::string path = m_folder / (std::string(id) + ".wav");
        m_tone = Tone(rate, channels, frames);
        EXPECT_TRUE(WriteWithSink(path, CodecCatalog::MakeFormat(id, rate, channels).value(), m_tone));
        return path;
    }

    static LSoundSourceHandle Open(const std::string& path, std::optional<int64_t> fact) {
        const std::optional<WaveChunks> chunks = ReadChunks(path);
        return MakeHandle<LSRCACMWave>(LReadFile(path), chunks->format, chunks->dataOffset, chunks->dataBytes, fact);
    }

    static std::vector<int32_t> Read(LSoundSource& source, int32_t frames) {
        std::vector<int32_t> samples(static_cast<size_t>(frames) * source.Channels(), 0x5555);
        source.Read(samples.data(), frames);
        return samples;
    }

    TempFolder m_folder;
    std::vector<int16_t> m_tone;
};

bool AllSilent(const std::vector<int32_t>& samples, size_t from = 0, size_t to = SIZE_MAX) {
    to = std::min(to, samples.size());
    return std::all_of(samples.begin() + static_cast<std::ptrdiff_t>(from),
                       samples.begin() + static_cast<std::ptrdiff_t>(to), [](int32_t s) { return s == 0; });
}

} // namespace

TEST_F(CodecReader, ABlockFormatIsAsLongAsItsBlocksOrItsFactChunk) {
    const std::string path = WriteTone("ima-adpcm", 8000, 1, 20000);
    LSoundSourceHandle reader = Open(path, std::nullopt);
    EXPECT_EQ(reader->GetLength(), 40 * 505); // 40 blocks, the last padded
    EXPECT_EQ(reader->FullScale(), 0x7fff0);

    LSoundSourceHandle withFact = Open(path, 20000);
    EXPECT_EQ(withFact->GetLength(), 20000);
    withFact->Seek(19990);
    const std::vector<int32_t> tail = Read(*withFact, 100);
    EXPECT_FALSE(AllSilent(tail, 0, 10));
    EXPECT_TRUE(AllSilent(tail, 10)); // the padding of the last block is not delivered
    EXPECT_EQ(withFact->GetPosition(), 20090);

    EXPECT_EQ(Open(path, 999999)->GetLength(), 40 * 505); // a fact chunk beyond the data is not believed
}

TEST_F(CodecReader, ReadingFromBeforeTheStartGivesSilenceThenTheFirstFrames) {
    const std::string path = WriteTone("ms-adpcm", 8000, 1, 3000);
    LSoundSourceHandle reader = Open(path, std::nullopt);
    const std::vector<int32_t> head = Read(*reader, 10);
    reader->Seek(-10);
    const std::vector<int32_t> both = Read(*reader, 20);
    EXPECT_TRUE(AllSilent(both, 0, 10));
    EXPECT_EQ(std::vector<int32_t>(both.begin() + 10, both.end()), head);
    EXPECT_EQ(reader->GetPosition(), 10);
}

TEST_F(CodecReader, ReadingPastTheEndGivesSilenceAndStillAdvances) {
    const std::string path = WriteTone("alaw", 8000, 2, 1000);
    LSoundSourceHandle reader = Open(path, std::nullopt);
    EXPECT_EQ(reader->GetLength(), 1000);
    const std::vector<int32_t> all = Read(*reader, 1500);
    EXPECT_FALSE(AllSilent(all, 0, 2000));
    EXPECT_TRUE(AllSilent(all, 2000));
    EXPECT_EQ(reader->GetPosition(), 1500);
    EXPECT_TRUE(AllSilent(Read(*reader, 50)));
    EXPECT_EQ(reader->GetPosition(), 1550);
    EXPECT_EQ(reader->GetLength(), 1000);
}

TEST_F(CodecReader, SeekingIntoABlockGivesTheFramesReadingThroughGives) {
    for (const char* id : {"ima-adpcm", "ms-adpcm", "alaw", "mulaw", "pcm8"}) {
        SCOPED_TRACE(id);
        const std::string path = WriteTone(id, 22050, 2, 30000);
        LSoundSourceHandle reader = Open(path, std::nullopt);
        std::vector<int32_t> through = Read(*reader, 8192);
        for (int i = 0; i < 2; ++i) {
            const std::vector<int32_t> more = Read(*reader, 8192);
            through.insert(through.end(), more.begin(), more.end());
        }
        for (int32_t frame : {0, 1, 777, 1010, 12345, 20000}) {
            reader->Seek(frame);
            EXPECT_EQ(reader->GetPosition(), frame);
            const std::vector<int32_t> landed = Read(*reader, 300);
            EXPECT_EQ(landed, std::vector<int32_t>(through.begin() + frame * 2, through.begin() + (frame + 300) * 2))
                << "at " << frame;
        }
    }
}

TEST_F(CodecReader, SeekingALayer3FileLandsOnTheSameSound) {
    const std::string path = m_folder / "sweep.wav";
    ASSERT_TRUE(WriteWithSink(path, CodecCatalog::MakeFormat("mp3", 8000, 1).value(), Sweep(8000, 40000)));
    LSoundSourceHandle reader = Open(path, std::nullopt);
    std::vector<int16_t> through = ReadToEnd(*reader);
    ASSERT_GE(through.size(), 40000u);
    for (int32_t frame : {700, 6000, 24000, 24100}) {
        reader->Seek(frame);
        EXPECT_EQ(reader->GetPosition(), frame);
        std::vector<int16_t> landed;
        for (int32_t sample : Read(*reader, 3000))
            landed.push_back(LSF16::FromPipeline(sample));
        // Decoding started early enough to fill the bit reservoir and the overlap, so the sound is what reading
        // through gave, at the same place.
        const std::vector<int16_t> reference(through.begin() + frame, through.begin() + frame + 3000);
        int lag = -1;
        EXPECT_GT(BestCorrelation(landed, reference, 1, 8, &lag), 0.99) << "at " << frame;
        EXPECT_EQ(lag, 0) << "at " << frame;
    }
}

TEST_F(CodecReader, SeekingToOrPastTheLengthGivesSilenceUntilASeekBack) {
    const std::string path = WriteTone("gsm", 8000, 1, 5000);
    LSoundSourceHandle reader = Open(path, std::nullopt);
    const int32_t length = reader->GetLength();
    EXPECT_EQ(length, 16 * 320);
    reader->Seek(length);
    EXPECT_TRUE(AllSilent(Read(*reader, 500)));
    reader->Seek(length + 1000);
    EXPECT_TRUE(AllSilent(Read(*reader, 500)));
    EXPECT_EQ(reader->GetPosition(), length + 1500);
    reader->Seek(0);
    EXPECT_FALSE(AllSilent(Read(*reader, 500)));
    EXPECT_EQ(reader->GetLength(), length);
}

TEST_F(CodecReader, AGsmSeekDecodesFromTheBlockBeforeTheFrame) {
    const std::string path = WriteTone("gsm", 8000, 1, 8000);
    LSoundSourceHandle reader = Open(path, std::nullopt);
    std::vector<int16_t> through = ReadToEnd(*reader);
    reader->Seek(4100); // 260 frames into block 12
    std::vector<int16_t> landed;
    for (int32_t sample : Read(*reader, 1000))
        landed.push_back(LSF16::FromPipeline(sample));
    const std::vector<int16_t> reference(through.begin() + 4100, through.begin() + 5100);
    EXPECT_GT(BestCorrelation(landed, reference, 1, 0), 0.95);
}

TEST_F(CodecReader, FfmpegsImaFileIsAsLongAsItsBlocksWhateverItsByteRateClaims) {
    if (!HaveProgram("ffmpeg"))
        GTEST_SKIP() << "ffmpeg is needed";
    const std::string input = m_folder / "input.wav";
    WritePcmWave(input, Tone(8000, 1, 8000), 8000, 1);
    const std::string path = m_folder / "ffmpeg-ima.wav";
    int code = 0;
    RunCommand("ffmpeg -nostdin -loglevel error -y -i '" + input + "' -acodec adpcm_ima_wav '" + path + "'", &code);
    ASSERT_EQ(code, 0);
    const std::optional<WaveChunks> chunks = ReadChunks(path);
    ASSERT_TRUE(chunks);
    ASSERT_EQ(chunks->format.avgBytesPerSec, 16000u); // what it claims: twice the real rate
    const int64_t blocks = (chunks->dataBytes + chunks->format.blockAlign - 1) / chunks->format.blockAlign;
    const int64_t framesPerBlock = ReadLe16(chunks->format.extra.data());
    LSoundSourceHandle reader = Open(path, std::nullopt); // even without its fact chunk
    EXPECT_EQ(reader->GetLength(), blocks * framesPerBlock);
    EXPECT_GE(reader->GetLength(), 8000);
}

TEST_F(CodecReader, DataBeyondTheEndOfTheFileIsNotCounted) {
    const std::string path = WriteTone("ima-adpcm", 8000, 1, 5050); // 10 blocks
    const std::optional<WaveChunks> chunks = ReadChunks(path);
    LSoundSourceHandle reader =
        MakeHandle<LSRCACMWave>(LReadFile(path), chunks->format, chunks->dataOffset, int64_t{1} << 40, std::nullopt);
    EXPECT_EQ(reader->GetLength(), 5050);
    EXPECT_EQ(ReadToEnd(*reader).size(), 5050u);
}

TEST_F(CodecReader, AReaderThatCannotSetUpIsInvalidAndFillsSilence) {
    const std::string path = WriteTone("alaw", 8000, 1, 1000);
    const std::optional<WaveChunks> chunks = ReadChunks(path);
    WaveFormatRecord unknown = chunks->format;
    unknown.formatTag = 0x1234;
    std::vector<LSoundSourceHandle> readers;
    readers.push_back(
        MakeHandle<LSRCACMWave>(LReadFile(path), unknown, chunks->dataOffset, chunks->dataBytes, std::nullopt));
    readers.push_back(
        MakeHandle<LSRCACMWave>(LFile(), chunks->format, chunks->dataOffset, chunks->dataBytes, std::nullopt));
    WaveFormatRecord noChannels = chunks->format;
    noChannels.channels = 0;
    readers.push_back(
        MakeHandle<LSRCACMWave>(LReadFile(path), noChannels, chunks->dataOffset, chunks->dataBytes, std::nullopt));
    for (LSoundSourceHandle& reader : readers) {
        EXPECT_TRUE(reader->IsInvalid());
        EXPECT_EQ(reader->GetLength(), 0);
        EXPECT_TRUE(AllSilent(Read(*reader, 100)));
        EXPECT_EQ(reader->GetPosition(), 100);
        reader->Seek(7);
        EXPECT_EQ(reader->GetPosition(), 7);
    }
}
