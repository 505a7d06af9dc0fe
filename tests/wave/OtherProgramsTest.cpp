// Wave files of other programs read right, and ours read right in other programs (sox, ffprobe, ffmpeg).
#include "WaveBytes.h"

#include <FileOps.h>
#include <LSNKPCMFile.h>
#include <TempFolder.h>
#include <WaveFile.h>
#include <cstdio>
#include <gtest/gtest.h>
#include <internal/StoredSample.h>

using namespace wave_bytes;

namespace {

// The standard output of a shell command, and whether it exited with 0.
std::pair<bool, std::string> Shell(const std::string& command) {
    std::string output;
    FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe)
        return {false, output};
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, got);
    return {::pclose(pipe) == 0, output};
}

bool HasProgram(const std::string& name) {
    return Shell("command -v " + name).first;
}

// All frames of a source.
std::vector<int32_t> ReadAll(LSoundSource& source) {
    std::vector<int32_t> samples(static_cast<size_t>(source.GetLength()) * source.Channels());
    source.Read(samples.data(), source.GetLength());
    return samples;
}

template <class T> std::vector<int32_t> Decoded(const std::string& raw) {
    std::vector<int32_t> samples;
    for (size_t i = 0; i + StoredBytes<T>() <= raw.size(); i += StoredBytes<T>())
        samples.push_back(LoadSample<T>(reinterpret_cast<const uint8_t*>(raw.data() + i)));
    return samples;
}

class OtherPrograms : public testing::Test {
protected:
    void SetUp() override {
        if (!HasProgram("sox") || !HasProgram("ffprobe") || !HasProgram("ffmpeg"))
            GTEST_SKIP() << "sox, ffprobe and ffmpeg are needed";
    }
    // Makes `name` with sox from a sine sweep, and its samples as raw bytes in the same encoding.
    std::string Sox(const std::string& name, const std::string& options) {
        const std::string path = m_folder / name;
        EXPECT_TRUE(Shell("sox -n " + options + " " + path + " synth 0.3 sine 300-3000 vol 0.9").first);
        EXPECT_TRUE(Shell("sox " + path + " -t raw " + path + ".raw").first);
        return path;
    }

    TempFolder m_folder;
};

} // namespace

TEST_F(OtherPrograms, SoxFilesOfEveryWidthReadAsTheirSamples) {
    struct Case {
        std::string name, options;
        int bits;
        uint8_t channels;
    };
    for (const Case& item :
         {Case{"u8.wav", "-r 8000 -c 1 -b 8", 8, 1}, Case{"s16.wav", "-r 8000 -c 1 -b 16", 16, 1},
          Case{"s32.wav", "-r 22050 -c 1 -b 32", 32, 1}, Case{"stereo.wav", "-r 44100 -c 2 -b 16", 16, 2},
          Case{"s24.wav", "-r 8000 -c 1 -b 24", 24, 1}}) {
        const std::string path = Sox(item.name, item.options);
        const std::string raw = ReadFileBytes(path + ".raw").value_or("");
        LSoundSourceHandle source = OpenWaveFile(path);
        ASSERT_TRUE(source) << item.name;
        EXPECT_EQ(source->Channels(), item.channels) << item.name;
        const std::vector<int32_t> expected = item.bits == 8    ? Decoded<LSFU8>(raw)
                                              : item.bits == 16 ? Decoded<LSF16>(raw)
                                              : item.bits == 24 ? Decoded<LSF24>(raw)
                                                                : Decoded<LSF32>(raw);
        EXPECT_EQ(source->GetLength() * static_cast<int>(item.channels), static_cast<int>(expected.size()))
            << item.name;
        EXPECT_EQ(ReadAll(*source), expected) << item.name;
    }
}

TEST_F(OtherPrograms, AListChunkBeforeOrAfterTheDataIsNotAudio) {
    // ffmpeg writes a LIST chunk between "fmt " and "data".
    const std::string before = m_folder / "before.wav";
    ASSERT_TRUE(
        Shell("ffmpeg -v quiet -f lavfi -i sine=frequency=440:duration=0.25:sample_rate=8000 -c:a pcm_s16le " + before)
            .first);
    ASSERT_NE(ReadFileBytes(before).value_or("").find("LIST"), std::string::npos);
    LSoundSourceHandle source = OpenWaveFile(before);
    ASSERT_TRUE(source);
    EXPECT_EQ(source->GetLength(), 2000);

    // A sox file with a LIST chunk appended after its data, the RIFF size grown to match.
    const std::string path = Sox("after.wav", "-r 8000 -c 1 -b 16");
    std::string bytes = ReadFileBytes(path).value_or("");
    bytes += Chunk("LIST", "INFOICMT" + Le32(8) + "a note!");
    bytes.replace(4, 4, Le32(static_cast<uint32_t>(bytes.size() - 8)));
    m_folder.Write("after.wav", bytes);
    source = OpenWaveFile(path);
    ASSERT_TRUE(source);
    EXPECT_EQ(ReadAll(*source), Decoded<LSF16>(ReadFileBytes(path + ".raw").value_or("")));
}

TEST_F(OtherPrograms, OurFilesReadRightInSoxAndFfprobe) {
    struct Case {
        int bits, rate;
        uint8_t channels;
        int32_t frames;
    };
    for (const Case& item : {Case{16, 8000, 1, 12345}, Case{8, 11025, 2, 5000}, Case{32, 44100, 2, 8193}}) {
        const std::string path = m_folder / ("ours" + std::to_string(item.bits) + ".wav");
        {
            LSoundSinkHandle sink = CreatePCMFileSink(path, item.rate, item.channels, item.bits, 0);
            std::vector<int32_t> block(static_cast<size_t>(item.frames) * item.channels);
            for (size_t i = 0; i < block.size(); ++i)
                block[i] = static_cast<int32_t>((i % 200) * 1000) - 100000;
            sink->Write(block.data(), item.frames);
            ASSERT_TRUE(FinishFileSink(*sink));
        }
        const auto [soxOk, soxi] = Shell("for f in -r -c -s -b; do soxi $f " + path + "; done | tr '\\n' ' '");
        EXPECT_TRUE(soxOk);
        EXPECT_EQ(soxi, std::to_string(item.rate) + " " + std::to_string(item.channels) + " " +
                            std::to_string(item.frames) + " " + std::to_string(item.bits) + " ");
        const auto [probeOk, probe] = Shell("ffprobe -v error -show_entries stream=sample_rate,channels,duration_ts "
                                            "-of default=noprint_wrappers=1 " +
                                            path + " | sort | tr '\\n' ' '");
        EXPECT_TRUE(probeOk);
        EXPECT_EQ(probe, "channels=" + std::to_string(item.channels) + " duration_ts=" + std::to_string(item.frames) +
                             " sample_rate=" + std::to_string(item.rate) + " ");
    }
}
