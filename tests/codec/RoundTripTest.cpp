// Every format we write, one row each (the PCM writer's widths, and each format of the codec layer through the codec
// writer and reader): our file reads back in our reader and in ffprobe, ffmpeg and sox with its format, length and
// sound, and the files ffmpeg and sox make of it in that format read in our reader the same way.
#include "SoundTestKit.h"
#include "TempFolder.h"
#include "platform/CodecCatalog.h"
#include "sound/LSNKACMFile.h"

#include <gtest/gtest.h>

using namespace sound_test;

namespace {

struct Format {
    const char* id; // the catalog's id; the PCM writer's rows "pcm8", "pcm16", "pcm32" with pcmBits
    uint32_t rate;
    uint16_t channels;
    uint16_t pcmBits;        // 0: the codec layer writes and reads the format
    int64_t blockFrames;     // frames a codec block holds; 0 for layer-3, whose frames a decoder may add or drop
    double bytesPerSecond;   // the data rate the record states, to a byte
    const char* probedCodec; // ffprobe's codec_name
    const char* ffmpegCodec; // ffmpeg's encoder
    const char* soxOptions;  // sox's options for writing it, or null where sox neither reads nor writes it
    double minCorrelation;   // what the format keeps of the test tone
};

void PrintTo(const Format& format, std::ostream* out) {
    *out << format.id << "@" << format.rate << "x" << format.channels;
}

// Frames of the test tone: never a whole number of codec blocks.
size_t Frames(const Format& format) {
    return format.rate * 6 / 10 + 7;
}

class RoundTrip : public testing::TestWithParam<Format> {
protected:
    // `decoded` holds the tone written, padded to whole blocks at most (our blocks, or the 2048 frames other
    // programs may put in one; a layer-3 encoder's and decoder's delays), and sounds like it.
    void ExpectTheTone(const std::vector<int32_t>& decoded, const std::vector<int32_t>& tone, const std::string& who) {
        const Format& format = GetParam();
        const int64_t frames = static_cast<int64_t>(decoded.size() / format.channels);
        const int64_t written = static_cast<int64_t>(Frames(format));
        const int64_t slack = format.blockFrames == 0   ? 1105 + 2 * 1152
                              : format.blockFrames == 1 ? 0
                              : who == "our reader"     ? format.blockFrames - 1
                                                        : 2048;
        EXPECT_GE(frames, written) << who;
        EXPECT_LE(frames, written + slack) << who;
        EXPECT_GT(BestCorrelation(tone, decoded, format.channels, format.blockFrames ? 8 : 1105 + 1152),
                  format.minCorrelation)
            << who;
    }

    TempFolder m_folder;
};

} // namespace

TEST_P(RoundTrip, OurFileReadsBackEverywhereAndOtherProgramsFilesReadInOurReader) {
    const Format& format = GetParam();
    const std::vector<int32_t> tone = Tone(format.rate, format.channels, Frames(format));
    const std::optional<WaveFormatRecord> record =
        format.pcmBits ? WaveFormatRecord::Pcm(format.rate, format.channels, format.pcmBits)
                       : CodecCatalog::MakeFormat(format.id, format.rate, format.channels);
    if (!record)
        GTEST_SKIP() << format.id << " cannot be encoded here";
    EXPECT_TRUE(format.pcmBits || CodecCatalog::Find(format.id)->Offers(format.rate, format.channels));
    EXPECT_NEAR(record->avgBytesPerSec, format.bytesPerSecond, 1);
    const std::string path = m_folder / "ours.wav";
    {
        LSoundSinkHandle sink = format.pcmBits ? CreateFileSinkForFormat(path, *record)
                                               : LSoundSinkHandle(MakeHandle<LSNKACMFile>(path, *record));
        ASSERT_TRUE(WriteThrough(*sink, tone, 1000));
    }
    // The RIFF and data sizes state the whole file, the data running to its end.
    const WaveOpenResult opened = OpenWaveFileWithReason(path);
    ASSERT_TRUE(opened.source) << opened.error.text;
    EXPECT_EQ(opened.layout.format, *record);
    const std::string bytes = m_folder.Read("ours.wav");
    EXPECT_EQ(ReadLe32At(bytes, 4), bytes.size() - 8);
    EXPECT_EQ(opened.layout.dataOffset + opened.layout.presentBytes, static_cast<int64_t>(bytes.size()));
    EXPECT_FALSE(opened.layout.IsCutShort());
    ExpectTheTone(ReadToEnd(*opened.source), tone, "our reader");

    // ffprobe, ffmpeg and sox read our file; the files ffmpeg and sox write in the format read in our reader.
    std::string encoders;
    if (!HaveOtherPrograms() || !Shell("ffmpeg -hide_banner -encoders 2>/dev/null", &encoders))
        GTEST_SKIP() << "ffmpeg, ffprobe and sox are needed";
    std::string probed;
    EXPECT_TRUE(Shell("ffprobe -v error -select_streams a:0 -show_entries stream=codec_name,sample_rate,channels "
                      "-of csv=p=0 '" +
                          path + "'",
                      &probed));
    EXPECT_EQ(probed, std::string(format.probedCodec) + "," + std::to_string(format.rate) + "," +
                          std::to_string(format.channels) + "\n");
    const std::string input = m_folder / "input.wav";
    LSoundSinkHandle pcm = CreatePCMFileSink(input, static_cast<int32_t>(format.rate), format.channels, 16, 0);
    ASSERT_TRUE(WriteThrough(*pcm, tone));
    std::vector<std::pair<std::string, std::string>> writers;
    if (encoders.find(std::string(" ") + format.ffmpegCodec + " ") != std::string::npos)
        writers.emplace_back("ffmpeg",
                             "ffmpeg -nostdin -loglevel error -y -i '" + path + "' -acodec " + format.ffmpegCodec);
    if (format.soxOptions)
        writers.emplace_back("sox", "sox -V1 '" + input + "' " + format.soxOptions);
    ExpectTheTone(DecodeWith("ffmpeg", path, format.channels), tone, "ffmpeg");
    for (const auto& [who, command] : writers) {
        if (who == "sox")
            ExpectTheTone(DecodeWith("sox", path, format.channels), tone, "sox");
        const std::string theirs = m_folder / (who + ".wav");
        ASSERT_TRUE(Shell(command + " '" + theirs + "' 2>&1")) << who;
        LSoundSourceHandle reader =
            format.pcmBits ? OpenWaveFile(theirs) : CodecReader(theirs, OpenWaveFileWithReason(theirs).layout);
        ASSERT_TRUE(reader && !reader->IsInvalid()) << who;
        EXPECT_EQ(reader->Rate(), static_cast<int32_t>(format.rate)) << who;
        EXPECT_EQ(reader->Channels(), format.channels) << who;
        ExpectTheTone(ReadToEnd(*reader), tone, who + " writing, our reader");
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryFormat, RoundTrip,
    testing::Values(
        Format{"pcm8", 11025, 2, 8, 1, 22050, "pcm_u8", "pcm_u8", "-e unsigned-integer -b 8", 0.99},
        Format{"pcm16", 8000, 1, 16, 1, 16000, "pcm_s16le", "pcm_s16le", "-e signed-integer -b 16", 0.999},
        Format{"pcm32", 44100, 2, 32, 1, 352800, "pcm_s32le", "pcm_s32le", "-e signed-integer -b 32", 0.999},
        Format{"pcm8", 11025, 1, 0, 1, 11025, "pcm_u8", "pcm_u8", "-e unsigned-integer -b 8", 0.99},
        Format{"pcm16", 22050, 2, 0, 1, 88200, "pcm_s16le", "pcm_s16le", "-e signed-integer", 0.999},
        Format{"alaw", 8000, 1, 0, 1, 8000, "pcm_alaw", "pcm_alaw", "-e a-law", 0.99},
        Format{"mulaw", 44100, 2, 0, 1, 88200, "pcm_mulaw", "pcm_mulaw", "-e u-law", 0.99},
        Format{"ima-adpcm", 8000, 1, 0, 505, 4055.4, "adpcm_ima_wav", "adpcm_ima_wav", "-e ima-adpcm", 0.97},
        Format{"ima-adpcm", 22050, 2, 0, 1017, 22201.8, "adpcm_ima_wav", "adpcm_ima_wav", "-e ima-adpcm", 0.97},
        Format{"ms-adpcm", 8000, 1, 0, 500, 4096, "adpcm_ms", "adpcm_ms", "-e ms-adpcm", 0.97},
        Format{"ms-adpcm", 44100, 2, 0, 2036, 44359.9, "adpcm_ms", "adpcm_ms", "-e ms-adpcm", 0.97},
        Format{"gsm", 8000, 1, 0, 320, 1625, "gsm_ms", "libgsm_ms", "-e gsm-full-rate", 0.8},
        Format{"mp3", 8000, 1, 0, 0, 2000, "mp3", "libmp3lame", nullptr, 0.8},
        Format{"mp3", 44100, 2, 0, 0, 16000, "mp3", "libmp3lame", nullptr, 0.8}),
    [](const testing::TestParamInfo<Format>& info) {
        std::string name = std::string(info.param.id) + "_" + std::to_string(info.param.rate) + "Hz_" +
                           (info.param.channels == 1 ? "mono" : "stereo") + (info.param.pcmBits ? "_pcm_writer" : "");
        std::replace(name.begin(), name.end(), '-', '_');
        return name;
    });
