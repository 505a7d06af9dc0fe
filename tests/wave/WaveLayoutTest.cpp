// Wave files as other programs, crashes and damaged disks leave them: each row a byte layout and what opening it
// gives, the reason it is refused or the frames the reader delivers (and silence after them).
#include "SoundTestKit.h"
#include "sound/WaveFile.h"

#include <TempFolder.h>
#include <algorithm>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace sound_test;

using Category = WaveFileError::Category;

namespace {

// A file of a format chunk with `body` and a data chunk with `data`.
std::string Wave(const std::string& body, const std::string& data) {
    return Riff(Chunk("fmt ", body) + Chunk("data", data));
}

const std::string kFormat16 = Chunk("fmt ", FormatBody(1, 1, 8000, 16));
const std::string kOurFormat = FormatBody(1, 1, 8000, 16) + Le16(0);

template <typename... Sample> std::vector<int32_t> First(Sample... samples) {
    return {samples...};
}

} // namespace

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
