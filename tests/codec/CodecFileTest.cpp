// The codec layer's streams, the codec reader and writer, and every written format's round trip through other programs.
#include "SoundTestKit.h"
#include "TempFolder.h"
#include "platform/CodecCatalog.h"
#include "platform/CodecStream.h"
#include "sound/LSNKACMFile.h"
#include "sound/LSRCPCMFile.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace sound_test;

namespace {

// Everything `stream` makes of `source` with `flags`, calling again while it produces or consumes.
std::vector<uint8_t> ConvertAll(CodecStream& stream, const std::vector<uint8_t>& source, uint32_t flags) {
    std::vector<uint8_t> output, destination(stream.DestinationSizeFor(source.size()));
    for (size_t offset = 0;; flags &= ~CodecStream::kStart) {
        const CodecStream::Result result = stream.Convert(std::span(source).subspan(offset), destination, flags);
        offset += result.consumed;
        output.insert(output.end(), destination.begin(), destination.begin() + result.produced);
        if (result.consumed == 0 && result.produced < destination.size())
            return output;
    }
}

class CodecFile : public testing::Test {
protected:
    // `samples` written by our codec writer in format `id`; the file's path.
    std::string Write(const char* id, uint32_t rate, uint16_t channels, const std::vector<int32_t>& samples) {
        const std::string path = m_folder / (std::string(id) + ".wav");
        LSNKACMFile sink(path, CodecCatalog::MakeFormat(id, rate, channels).value());
        EXPECT_TRUE(WriteThrough(sink, samples));
        return path;
    }
    static WaveFileLayout Layout(const std::string& path) { return OpenWaveFileWithReason(path).layout; }

    TempFolder m_folder;
};

} // namespace

TEST(CodecStream, RecordsThatDoNotSayWhatTheEncoderMakesAreRefused) {
    EXPECT_FALSE(CodecCatalog::MakeFormat("gsm", 11025, 1));
    EXPECT_FALSE(CodecCatalog::MakeFormat("gsm", 8000, 2));
    EXPECT_FALSE(CodecCatalog::MakeFormat("opus", 8000, 1));
    EXPECT_FALSE(CodecCatalog::Find("gsm")->Offers(11025, 1));
    WaveFormatRecord ima = Format("ima-adpcm"), ms = Format("ms-adpcm"), mp3 = Format("mp3"), unknown = Format("alaw");
    ima.extra = {0x00, 0x01};  // 256 frames a block, not the 505 of a 256-byte block
    ms.extra[4] = 0x01;        // a predictor table of its own
    mp3.avgBytesPerSec = 1234; // no layer-3 bit rate
    unknown.formatTag = 0x1234;
    for (const WaveFormatRecord& record : {Format("gsm", 11025, 1), ima, ms, mp3, unknown})
        EXPECT_FALSE(CodecStream::CanEncode(record)) << record.formatTag;
    EXPECT_EQ(CodecStream::Open(unknown, CodecStream::Direction::Decode), nullptr);
}

TEST(CodecStream, TheStartFlagRestartsTheEncoderOutputThatCannotBeTakenWaitsAndARejectedBlockDecodesAsSilence) {
    std::unique_ptr<CodecStream> encoder = CodecStream::Open(Format("ima-adpcm"), CodecStream::Direction::Encode);
    std::unique_ptr<CodecStream> decoder = CodecStream::Open(Format("ima-adpcm"), CodecStream::Direction::Decode);
    ASSERT_TRUE(encoder && decoder);
    std::vector<uint8_t> pcm;
    for (int32_t sample : Tone(8000, 1, 2020))
        AppendLe16(pcm, static_cast<uint16_t>(sample / 16));
    const std::vector<uint8_t> first = ConvertAll(*encoder, pcm, CodecStream::kBlockAlign);
    EXPECT_EQ(first.size(), 4u * 256);
    EXPECT_NE(ConvertAll(*encoder, pcm, CodecStream::kBlockAlign), first); // the step index carried over
    EXPECT_EQ(ConvertAll(*encoder, pcm, CodecStream::kBlockAlign | CodecStream::kStart), first);

    std::vector<uint8_t> small(100);
    CodecStream::Result result = decoder->Convert(std::span(first).first(256), small, CodecStream::kBlockAlign);
    EXPECT_EQ(result.consumed, 256u);
    size_t total = result.produced;
    while ((result = decoder->Convert({}, small, CodecStream::kBlockAlign)).produced > 0)
        total += result.produced;
    EXPECT_EQ(total, 505u * 2);

    std::unique_ptr<CodecStream> ms = CodecStream::Open(Format("ms-adpcm"), CodecStream::Direction::Decode);
    ASSERT_TRUE(ms);
    std::vector<uint8_t> block(256, 0x5a);
    block[0] = 9; // a predictor index beyond the seven of the table
    const std::vector<uint8_t> decoded = ConvertAll(*ms, block, CodecStream::kBlockAlign);
    EXPECT_EQ(decoded, std::vector<uint8_t>(500 * 2, 0));
}

TEST_F(CodecFile, ABlockFormatIsAsLongAsItsBlocksOrAPlausibleFactChunkWhateverItsByteRateOrDataSizeClaim) {
    const std::string path = Write("ima-adpcm", 8000, 1, Tone(8000, 1, 20000));
    WaveFileLayout layout = Layout(path);
    EXPECT_EQ(CodecReader(path, layout)->GetLength(), 40 * 505); // 40 blocks, the last padded
    layout.factFrames = 999999;                                  // beyond the data: not believed
    EXPECT_EQ(CodecReader(path, layout)->GetLength(), 40 * 505);
    layout.factFrames = 20000;
    LSoundSourceHandle withFact = CodecReader(path, layout);
    EXPECT_EQ(withFact->GetLength(), 20000);
    withFact->Seek(19990);
    const std::vector<int32_t> tail = ReadInBlocks(*withFact, 100);
    EXPECT_TRUE(!AllZero(tail, 0, 10) && AllZero(tail, 10)); // the padding of the last block is not delivered
    layout.factFrames.reset();
    layout.presentBytes = int64_t{1} << 40; // data said to run far past the end of the file
    LSoundSourceHandle beyond = CodecReader(path, layout);
    EXPECT_EQ(ReadToEnd(*beyond).size(), 40u * 505);
    // Cut 100 bytes into the last block: what the decoder makes of the 152 data bytes left is 305 frames.
    const std::string bytes = m_folder.Read("ima-adpcm.wav");
    LSoundSourceHandle cut = OpenWaveFile(m_folder.Write("cut.wav", bytes.substr(0, bytes.size() - 100)));
    EXPECT_EQ(ReadToEnd(*cut).size(), 39u * 505 + 305);

    // ffmpeg's IMA ADPCM states twice the real byte rate; even without its fact chunk the length is its blocks'.
    if (!Shell("command -v ffmpeg"))
        GTEST_SKIP() << "ffmpeg is needed";
    const std::string theirs = m_folder / "ffmpeg-ima.wav";
    ASSERT_TRUE(Shell("ffmpeg -nostdin -loglevel error -y -i '" + path + "' -acodec adpcm_ima_wav '" + theirs + "'"));
    layout = Layout(theirs);
    ASSERT_EQ(layout.format.avgBytesPerSec, 16000u);
    layout.factFrames.reset();
    const int64_t blocks = (layout.presentBytes + layout.format.blockAlign - 1) / layout.format.blockAlign;
    EXPECT_EQ(CodecReader(theirs, layout)->GetLength(), blocks * ReadLe16(layout.format.extra.data()));
}

TEST_F(CodecFile, AReaderThatCannotSetUpIsInvalidAndFillsSilenceAsDoesAPcmReaderWithoutAFile) {
    const std::string path = Write("alaw", 8000, 1, Tone(8000, 1, 1000));
    const WaveFileLayout layout = Layout(path);
    WaveFileLayout unknown = layout, noChannels = layout;
    unknown.format.formatTag = 0x1234;
    noChannels.format.channels = 0;
    const LSoundSourceHandle readers[] = {
        CodecReader(path, unknown), CodecReader(path, noChannels),
        MakeHandle<LSRCACMWave>(LFile(), layout.format, layout.dataOffset, layout.presentBytes, std::nullopt),
        MakeHandle<LSRCPCMFile<LSF16>>(LFile(), 8000, 1, 44, false)};
    for (const LSoundSourceHandle& reader : readers) {
        EXPECT_TRUE(reader->IsInvalid());
        EXPECT_EQ(reader->GetLength(), 0);
        EXPECT_TRUE(AllZero(ReadInBlocks(*reader, 100)));
        EXPECT_EQ(reader->GetPosition(), 100);
        reader->Seek(7);
        EXPECT_EQ(reader->GetPosition(), 7);
    }
}

TEST_F(CodecFile, TheWriterFinishesAnEmptyOrOddRecordButAFormatItCannotProduceOrAFileItCannotCreateIsAnError) {
    const std::pair<std::string, WaveFormatRecord> rows[] = {{"gsm11025.wav", Format("gsm", 11025, 1)},
                                                             {"missing/folder.wav", Format("alaw")}};
    for (const auto& [name, format] : rows) {
        LSNKACMFile sink(m_folder / name, format);
        EXPECT_TRUE(sink.IsInError()) << name;
        std::vector<int32_t> block(100, 0);
        sink.Write(block.data(), 100);
        EXPECT_EQ(sink.Length(), 100);
        EXPECT_FALSE(sink.Finish());
        EXPECT_EQ(m_folder.Read(name), "<missing>");
    }
    LSNKACMFile empty(m_folder / "empty.wav", Format("gsm")); // nothing came: an empty data chunk
    EXPECT_TRUE(empty.Finish());
    EXPECT_TRUE(empty.Finish());
    EXPECT_EQ(Layout(m_folder / "empty.wav").presentBytes, 0);
    WaveFormatRecord odd = Format("alaw"); // an odd count of extra bytes gets a pad byte: the data chunk is found
    odd.extra = {1, 2, 3};
    LSNKACMFile padded(m_folder / "odd.wav", odd);
    ASSERT_TRUE(WriteThrough(padded, Tone(8000, 1, 800)));
    EXPECT_EQ(Layout(m_folder / "odd.wav").presentBytes, 800);
}

TEST_F(CodecFile, AFailedWritePutsTheWriterInErrorAtOnceAndTheHeaderStatesWhatReachedTheFile) {
    // A child process with a file size limit of 4096 bytes: the header fits, the audio does not.
    const std::string path = m_folder / "limited.wav";
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        LSNKACMFile sink(path, Format("alaw"));
        std::vector<int32_t> block(8192, 1000);
        if (sink.IsInError())
            ::_exit(10);
        sink.Write(block.data(), 2000);
        if (sink.IsInError())
            ::_exit(11);
        sink.Write(block.data(), 8192);
        ::_exit(!sink.IsInError() ? 12 : sink.Finish() ? 13 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_EQ(status, 0) << "the child's exit code " << WEXITSTATUS(status) << " names the step that failed";
    const WaveFileLayout layout = Layout(path);
    EXPECT_EQ(layout.dataOffset + layout.presentBytes, static_cast<int64_t>(m_folder.Read("limited.wav").size()));
    EXPECT_FALSE(layout.IsCutShort());
}

TEST(RoundTrip, EveryFormatsFileReadsBackEverywhereSeeksLandOnItsSoundAndOtherProgramsFilesReadInOurReader) {
    struct FormatRow {
        const char* id; // the catalog's id; the PCM writer's rows "pcm8", "pcm16", "pcm32" with pcmBits
        uint32_t rate;
        uint16_t channels;
        uint16_t pcmBits;        // 0: the codec layer writes and reads the format
        int64_t blockFrames;     // frames a codec block holds; 0 for layer-3, whose frames a decoder may add or drop
        double bytesPerSecond;   // the data rate the record states, to a byte
        const char* ffmpegCodec; // ffmpeg's encoder
        const char* soxOptions;  // sox's options for writing it, or null where sox neither reads nor writes it
        double minCorrelation;   // what the format keeps of the test tone
    };
    const FormatRow rows[] = {{"pcm8", 11025, 2, 8, 1, 22050, "pcm_u8", "-e unsigned-integer -b 8", 0.99},
                              {"pcm16", 8000, 1, 16, 1, 16000, "pcm_s16le", "-e signed-integer -b 16", 0.999},
                              {"pcm32", 44100, 2, 32, 1, 352800, "pcm_s32le", "-e signed-integer -b 32", 0.999},
                              {"pcm8", 11025, 1, 0, 1, 11025, "pcm_u8", "-e unsigned-integer -b 8", 0.99},
                              {"pcm16", 22050, 2, 0, 1, 88200, "pcm_s16le", "-e signed-integer", 0.999},
                              {"alaw", 8000, 1, 0, 1, 8000, "pcm_alaw", "-e a-law", 0.99},
                              {"mulaw", 44100, 2, 0, 1, 88200, "pcm_mulaw", "-e u-law", 0.99},
                              {"ima-adpcm", 8000, 1, 0, 505, 4055.4, "adpcm_ima_wav", "-e ima-adpcm", 0.97},
                              {"ima-adpcm", 22050, 2, 0, 1017, 22201.8, "adpcm_ima_wav", "-e ima-adpcm", 0.97},
                              {"ms-adpcm", 8000, 1, 0, 500, 4096, "adpcm_ms", "-e ms-adpcm", 0.97},
                              {"ms-adpcm", 44100, 2, 0, 2036, 44359.9, "adpcm_ms", "-e ms-adpcm", 0.97},
                              {"gsm", 8000, 1, 0, 320, 1625, "libgsm_ms", "-e gsm-full-rate", 0.8},
                              {"mp3", 8000, 1, 0, 0, 2000, "libmp3lame", nullptr, 0.8},
                              {"mp3", 44100, 2, 0, 0, 16000, "libmp3lame", nullptr, 0.8}};
    std::string encoders, skipped;
    const bool others = Shell("command -v sox && ffmpeg -hide_banner -encoders 2>/dev/null", &encoders);
    for (const FormatRow& format : rows) {
        SCOPED_TRACE(std::string(format.id) + " at " + std::to_string(format.rate) + " Hz, " +
                     std::to_string(format.channels) + " channel(s)" + (format.pcmBits ? ", the PCM writer" : ""));
        // `decoded` holds the tone written, padded to whole blocks at most (our blocks, or the 2048 frames other
        // programs may put in one; a layer-3 encoder's and decoder's delays), and sounds like it.
        const auto tone = Tone(format.rate, format.channels, format.rate * 6 / 10 + 7); // never whole codec blocks
        const auto expectTheTone = [&](const std::vector<int32_t>& decoded, const std::string& who) {
            const int64_t frames = static_cast<int64_t>(decoded.size() / format.channels);
            const int64_t written = static_cast<int64_t>(tone.size() / format.channels);
            const int64_t slack = format.blockFrames == 0   ? 1105 + 2 * 1152
                                  : format.blockFrames == 1 ? 0
                                  : who == "our reader"     ? format.blockFrames - 1
                                                            : 2048;
            EXPECT_GE(frames, written) << who;
            EXPECT_LE(frames, written + slack) << who;
            EXPECT_GT(BestCorrelation(tone, decoded, format.channels, format.blockFrames ? 8 : 1105 + 1152),
                      format.minCorrelation)
                << who;
        };
        const std::optional<WaveFormatRecord> record =
            format.pcmBits ? WaveFormatRecord::Pcm(format.rate, format.channels, format.pcmBits)
                           : CodecCatalog::MakeFormat(format.id, format.rate, format.channels);
        if (!record) {
            skipped += std::string(format.id) + " cannot be encoded here. ";
            continue;
        }
        TempFolder folder;
        EXPECT_NEAR(record->avgBytesPerSec, format.bytesPerSecond, 1);
        const std::string path = folder / "ours.wav";
        {
            LSoundSinkHandle sink = format.pcmBits ? CreateFileSinkForFormat(path, *record)
                                                   : LSoundSinkHandle(MakeHandle<LSNKACMFile>(path, *record));
            ASSERT_TRUE(WriteThrough(*sink, tone, 1000));
        }
        // The RIFF and data sizes state the whole file, the data running to its end.
        const WaveOpenResult opened = OpenWaveFileWithReason(path);
        ASSERT_TRUE(opened.source) << opened.error.text;
        EXPECT_EQ(opened.layout.format, *record);
        const std::string bytes = folder.Read("ours.wav");
        EXPECT_EQ(ReadLe32At(bytes, 4), bytes.size() - 8);
        EXPECT_EQ(opened.layout.dataOffset + opened.layout.presentBytes, static_cast<int64_t>(bytes.size()));
        EXPECT_FALSE(opened.layout.IsCutShort());
        LSoundSource& ours = *opened.source;
        const std::vector<int32_t> through = ReadToEnd(ours); // a layer-3 length is exact once the end is reached
        expectTheTone(through, "our reader");

        // Seeks land on the sound of reading through, silence outside the data. A decoder that starts again at a block
        // (GSM 6.10's long-term predictor, layer-3's reservoir) comes back to the very samples only after a while;
        // layer-3's length is an estimate, so its seeks stay off the end.
        const int32_t length = ours.GetLength(), channels = format.channels;
        const double match = format.blockFrames == 0 ? 0.99 : std::string_view(format.id) == "gsm" ? 0.9 : 1;
        for (int32_t frame : {length, length + 1000, -5000, -10, 0, 1, 777, 1010, 12345, 24100, length - 3000}) {
            if (format.blockFrames == 0 && frame < length && frame + 3000 >= length)
                continue;
            ours.Seek(frame);
            EXPECT_EQ(ours.GetPosition(), frame);
            const std::vector<int32_t> landed = ReadInBlocks(ours, 3000);
            EXPECT_EQ(ours.GetPosition(), frame + 3000);
            const size_t begin = static_cast<size_t>(std::clamp(-frame, 0, 3000) * channels);
            const size_t end = static_cast<size_t>(std::clamp(length - frame, 0, 3000) * channels);
            EXPECT_TRUE(AllZero(landed, 0, begin) && AllZero(landed, end)) << "at " << frame;
            if (begin >= end)
                continue;
            const std::vector<int32_t> part(landed.begin() + begin, landed.begin() + end);
            const std::vector<int32_t> reference(through.begin() + frame * channels + begin,
                                                 through.begin() + frame * channels + end);
            EXPECT_TRUE(match == 1 ? part == reference : BestCorrelation(part, reference, 1, 0) > match)
                << "at " << frame;
        }

        // ffmpeg and sox read our file; the files ffmpeg and sox write in the format read in our reader.
        if (!others)
            continue;
        const std::string input = folder / "input.wav";
        LSoundSinkHandle pcm = CreatePCMFileSink(input, static_cast<int32_t>(format.rate), format.channels, 16, 0);
        ASSERT_TRUE(WriteThrough(*pcm, tone));
        std::vector<std::pair<std::string, std::string>> writers;
        if (encoders.find(std::string(" ") + format.ffmpegCodec + " ") != std::string::npos)
            writers.emplace_back("ffmpeg",
                                 "ffmpeg -nostdin -loglevel error -y -i '" + path + "' -acodec " + format.ffmpegCodec);
        if (format.soxOptions)
            writers.emplace_back("sox", "sox -V1 '" + input + "' " + format.soxOptions);
        expectTheTone(DecodeWith("ffmpeg", path, format.channels), "ffmpeg");
        for (const auto& [who, command] : writers) {
            if (who == "sox")
                expectTheTone(DecodeWith("sox", path, format.channels), "sox");
            const std::string theirs = folder / (who + ".wav");
            ASSERT_TRUE(Shell(command + " '" + theirs + "' 2>&1")) << who;
            LSoundSourceHandle reader =
                format.pcmBits ? OpenWaveFile(theirs) : CodecReader(theirs, OpenWaveFileWithReason(theirs).layout);
            ASSERT_TRUE(reader && !reader->IsInvalid()) << who;
            EXPECT_EQ(reader->Rate(), static_cast<int32_t>(format.rate)) << who;
            EXPECT_EQ(reader->Channels(), format.channels) << who;
            expectTheTone(ReadToEnd(*reader), who + " writing, our reader");
        }
    }
    if (!others || !skipped.empty())
        GTEST_SKIP() << skipped << (others ? "" : "ffmpeg and sox are needed");
}
