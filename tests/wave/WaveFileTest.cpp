// The factory functions: which sink each format gets, and codec files opened through the same door as PCM.
#include "WaveBytes.h"

#include <CodecCatalog.h>
#include <LSNKACMFile.h>
#include <LSNKPCMFile.h>
#include <LSRCACMWave.h>
#include <TempFolder.h>
#include <WaveFile.h>
#include <cmath>
#include <gtest/gtest.h>

using namespace wave_bytes;

namespace {

class WaveFile : public testing::Test {
protected:
    TempFolder m_folder;
};

} // namespace

TEST_F(WaveFile, PcmSinksTakeTheirWidthFromTheBitsPerSample) {
    struct Case {
        int bits;
        uint16_t storedBits;
        int32_t fullScale;
    };
    for (const Case& item : {Case{4, 8, 0x3f800}, Case{8, 8, 0x3f800}, Case{12, 16, 0x7fff0}, Case{16, 16, 0x7fff0},
                             Case{24, 32, 0x7fff0}}) {
        const std::string name = "b" + std::to_string(item.bits) + ".wav";
        const std::string path = m_folder / name;
        {
            LSoundSinkHandle sink = CreatePCMFileSink(path, 8000, 1, item.bits, 0);
            EXPECT_EQ(sink->FullScale(), item.fullScale) << item.bits;
            EXPECT_TRUE(FinishFileSink(*sink));
        }
        EXPECT_EQ(ReadLe16At(m_folder.Read(name), 34), item.storedBits) << item.bits;
    }
}

TEST_F(WaveFile, APcmFormatRecordMakesAPcmSinkThatKeepsNothing) {
    const std::string path = m_folder.Write(
        "f.wav", Riff(Chunk("fmt ", FormatBody(1, 1, 8000, 16) + Le16(0)) + Chunk("data", Samples16(Ramp(100)))));
    {
        LSoundSinkHandle sink = CreateFileSinkForFormat(path, WaveFormatRecord::Pcm(22050, 2, 16));
        ASSERT_TRUE(dynamic_cast<LSNKPCMFile<LSF16>*>(sink.Get()));
        EXPECT_EQ(sink->Length(), 0);
        EXPECT_TRUE(FinishFileSink(*sink));
    }
    LSoundSourceHandle source = OpenWaveFile(path);
    ASSERT_TRUE(source);
    EXPECT_EQ(source->Rate(), 22050);
    EXPECT_EQ(source->Channels(), 2);
    EXPECT_EQ(source->GetLength(), 0);
}

TEST_F(WaveFile, AFormatRecordNoFileCanHoldGivesASinkInError) {
    WaveFormatRecord format = WaveFormatRecord::Pcm(8000, 1, 16);
    format.channels = 300;
    LSoundSinkHandle sink = CreateFileSinkForFormat(m_folder / "x.wav", format);
    EXPECT_TRUE(sink->IsInError());
    EXPECT_EQ(m_folder.Read("x.wav"), "<missing>");
}

TEST_F(WaveFile, CodecFilesAreWrittenAndReadThroughTheCodecLayer) {
    const CodecCatalogEntry* entry = nullptr;
    for (const CodecCatalogEntry& candidate : CodecCatalog::Entries())
        if (candidate.formatTag != WaveFormatRecord::kTagPcm && candidate.Offers(8000, 1) && !entry)
            entry = &candidate;
    if (!entry)
        GTEST_SKIP() << "no codec encodes 8000 frames per second mono here";
    const WaveFormatRecord format = CodecCatalog::BuildFormat(*entry, 8000, 1);
    const std::string path = m_folder / "codec.wav";
    {
        LSoundSinkHandle sink = CreateFileSinkForFormat(path, format);
        ASSERT_TRUE(dynamic_cast<LSNKACMFile*>(sink.Get())) << entry->name;
        ASSERT_FALSE(sink->IsInError()) << entry->name;
        std::vector<int32_t> tone(8000);
        for (size_t i = 0; i < tone.size(); ++i)
            tone[i] = static_cast<int32_t>(std::lround(200000 * std::sin(i * 0.1)));
        sink->Write(tone.data(), 8000);
        EXPECT_TRUE(FinishFileSink(*sink)) << entry->name;
    }
    const WaveOpenResult opened = OpenWaveFileWithReason(path);
    ASSERT_TRUE(opened.source) << entry->name << ": " << opened.error.text;
    EXPECT_TRUE(dynamic_cast<LSRCACMWave*>(opened.source.Get())) << entry->name;
    EXPECT_EQ(opened.layout.format.formatTag, entry->formatTag);
    EXPECT_EQ(opened.source->Rate(), 8000);
    // Block codecs pad the last block; the length is close to what was written.
    EXPECT_NEAR(opened.source->GetLength(), 8000, 1200) << entry->name;
}
