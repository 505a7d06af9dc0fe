// Files we write open in ffmpeg, ffprobe and sox with the right codec, rate, channels, length and sound; files
// ffmpeg and sox write open in our reader the same way.
#include "CodecTestKit.h"
#include "TempFolder.h"

#include <CodecCatalog.h>
#include <gtest/gtest.h>

using namespace codec_test;

namespace {

struct InteropCase {
    const char* id;
    uint32_t rate;
    uint16_t channels;
    const char* probeName;   // ffprobe's codec_name
    const char* ffmpegCodec; // ffmpeg's encoder for the other direction
    const char* soxEncoding; // sox's -e for the other direction, or null where sox has none
    double minCorrelation;   // what the codec keeps of the test tone
};

void PrintTo(const InteropCase& test, std::ostream* out) {
    *out << test.id << "@" << test.rate << "x" << test.channels;
}

// Frames a decoder may add or drop: a block (the last one is padded) and, for layer-3, the encoder's and the
// decoder's delay.
int64_t Slack(const InteropCase& test) {
    if (std::string(test.id) == "mp3")
        return 1105 + 2 * 1152;
    if (std::string(test.id) == "ima-adpcm" || std::string(test.id) == "ms-adpcm")
        return 2048;
    if (std::string(test.id) == "gsm")
        return 320;
    return 0;
}

int MaxLag(const InteropCase& test) {
    return std::string(test.id) == "mp3" ? 1105 + 1152 : 8;
}

class CodecInterop : public ::testing::TestWithParam<InteropCase> {
protected:
    void SetUp() override {
        if (!HaveProgram("ffmpeg") || !HaveProgram("ffprobe") || !HaveProgram("sox"))
            GTEST_SKIP() << "ffmpeg, ffprobe and sox are needed";
        if (!CodecCatalog::Find(GetParam().id))
            GTEST_SKIP() << GetParam().id << " cannot be encoded here";
    }

    TempFolder m_folder;
};

} // namespace

TEST_P(CodecInterop, AFileWeWriteOpensInFfmpegAndSoxWithItsCodecRateLengthAndSound) {
    const InteropCase& test = GetParam();
    const size_t frames = test.rate * 6 / 10;
    const std::vector<int16_t> tone = Tone(test.rate, test.channels, frames);
    const std::optional<WaveFormatRecord> format = CodecCatalog::MakeFormat(test.id, test.rate, test.channels);
    ASSERT_TRUE(format);
    const std::string path = m_folder / "ours.wav";
    ASSERT_TRUE(WriteWithSink(path, *format, tone, 1000));

    EXPECT_EQ(Probe(path, "codec_name"), test.probeName);
    EXPECT_EQ(Probe(path, "sample_rate"), std::to_string(test.rate));
    EXPECT_EQ(Probe(path, "channels"), std::to_string(test.channels));

    const std::vector<int16_t> byFfmpeg = DecodeWithFfmpeg(path, test.channels);
    const int64_t ffmpegFrames = static_cast<int64_t>(byFfmpeg.size() / test.channels);
    EXPECT_GE(ffmpegFrames, static_cast<int64_t>(frames));
    EXPECT_LE(ffmpegFrames, static_cast<int64_t>(frames) + Slack(test));
    EXPECT_GT(BestCorrelation(tone, byFfmpeg, test.channels, MaxLag(test)), test.minCorrelation);

    if (std::string(test.id) == "mp3")
        return; // sox reads no layer-3 data inside wave files
    const std::optional<std::vector<int16_t>> bySox = DecodeWithSox(path);
    ASSERT_TRUE(bySox) << "sox cannot read " << test.id;
    const int64_t soxFrames = static_cast<int64_t>(bySox->size() / test.channels);
    EXPECT_GE(soxFrames, static_cast<int64_t>(frames));
    EXPECT_LE(soxFrames, static_cast<int64_t>(frames) + Slack(test));
    EXPECT_GT(BestCorrelation(tone, *bySox, test.channels, MaxLag(test)), test.minCorrelation);
}

TEST_P(CodecInterop, AFileFfmpegWritesOpensInOurReaderWithItsLengthAndSound) {
    const InteropCase& test = GetParam();
    if (std::string(test.id) == "mp3" &&
        RunCommand("ffmpeg -hide_banner -encoders 2>/dev/null").find("libmp3lame") == std::string::npos)
        GTEST_SKIP() << "this ffmpeg has no layer-3 encoder";
    const size_t frames = test.rate * 6 / 10;
    const std::vector<int16_t> tone = Tone(test.rate, test.channels, frames);
    const std::string input = m_folder / "input.wav";
    WritePcmWave(input, tone, test.rate, test.channels);
    const std::string path = m_folder / "theirs.wav";
    int code = 0;
    RunCommand(std::string("ffmpeg -nostdin -hide_banner -loglevel error -y -i '") + input + "' -acodec " +
                   test.ffmpegCodec + " '" + path + "' 2>&1",
               &code);
    ASSERT_EQ(code, 0);

    LSoundSourceHandle reader = OpenReader(path);
    ASSERT_TRUE(reader);
    ASSERT_FALSE(reader->IsInvalid());
    EXPECT_EQ(reader->Rate(), static_cast<int32_t>(test.rate));
    EXPECT_EQ(reader->Channels(), test.channels);
    EXPECT_GE(reader->GetLength(), static_cast<int32_t>(frames));
    EXPECT_LE(reader->GetLength(), static_cast<int32_t>(frames + Slack(test)));
    const std::vector<int16_t> decoded = ReadToEnd(*reader);
    EXPECT_GE(decoded.size() / test.channels, frames);
    EXPECT_GT(BestCorrelation(tone, decoded, test.channels, MaxLag(test)), test.minCorrelation);
}

TEST_P(CodecInterop, AFileSoxWritesOpensInOurReaderWithItsLengthAndSound) {
    const InteropCase& test = GetParam();
    if (!test.soxEncoding)
        GTEST_SKIP() << "sox writes no " << test.id << " wave files";
    const size_t frames = test.rate * 6 / 10;
    const std::vector<int16_t> tone = Tone(test.rate, test.channels, frames);
    const std::string input = m_folder / "input.wav";
    WritePcmWave(input, tone, test.rate, test.channels);
    const std::string path = m_folder / "theirs.wav";
    int code = 0;
    RunCommand("sox -V1 '" + input + "' -e " + test.soxEncoding + " '" + path + "' 2>&1", &code);
    ASSERT_EQ(code, 0);

    LSoundSourceHandle reader = OpenReader(path);
    ASSERT_TRUE(reader);
    ASSERT_FALSE(reader->IsInvalid());
    EXPECT_GE(reader->GetLength(), static_cast<int32_t>(frames));
    EXPECT_LE(reader->GetLength(), static_cast<int32_t>(frames + Slack(test)));
    const std::vector<int16_t> decoded = ReadToEnd(*reader);
    EXPECT_GT(BestCorrelation(tone, decoded, test.channels, MaxLag(test)), test.minCorrelation);
}

INSTANTIATE_TEST_SUITE_P(
    EveryFormat, CodecInterop,
    ::testing::Values(InteropCase{"pcm8", 11025, 1, "pcm_u8", "pcm_u8", "unsigned-integer", 0.99},
                      InteropCase{"pcm16", 22050, 2, "pcm_s16le", "pcm_s16le", "signed-integer", 0.999},
                      InteropCase{"alaw", 8000, 1, "pcm_alaw", "pcm_alaw", "a-law", 0.99},
                      InteropCase{"mulaw", 44100, 2, "pcm_mulaw", "pcm_mulaw", "u-law", 0.99},
                      InteropCase{"ima-adpcm", 8000, 1, "adpcm_ima_wav", "adpcm_ima_wav", "ima-adpcm", 0.97},
                      InteropCase{"ima-adpcm", 22050, 2, "adpcm_ima_wav", "adpcm_ima_wav", "ima-adpcm", 0.97},
                      InteropCase{"ms-adpcm", 11025, 1, "adpcm_ms", "adpcm_ms", "ms-adpcm", 0.97},
                      InteropCase{"ms-adpcm", 44100, 2, "adpcm_ms", "adpcm_ms", "ms-adpcm", 0.97},
                      InteropCase{"gsm", 8000, 1, "gsm_ms", "libgsm_ms", "gsm-full-rate", 0.8},
                      InteropCase{"mp3", 8000, 1, "mp3", "libmp3lame", nullptr, 0.8},
                      InteropCase{"mp3", 44100, 2, "mp3", "libmp3lame", nullptr, 0.8}),
    [](const ::testing::TestParamInfo<InteropCase>& info) {
        std::string name = std::string(info.param.id) + "_" + std::to_string(info.param.rate) + "Hz_" +
                           (info.param.channels == 1 ? "mono" : "stereo");
        for (char& c : name)
            if (c == '-')
                c = '_';
        return name;
    });
