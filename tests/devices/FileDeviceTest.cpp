// What only the file device does: its pacing, the file's end, other formats in the file, how it is chosen; and the
// wave layout it reads.
#include "DeviceTestSupport.h"
#include "SoundTestKit.h"
#include "TempFolder.h"
#include "platform/AudioBackend.h"
#include "platform/internal/audio/PcmWaveLayout.h"

#include <cstring>
#include <gtest/gtest.h>

using namespace sound_test;

namespace {

class FileDevice : public ::testing::Test {
protected:
    // Starts recording a file of `format` holding `samples` in four queued blocks of `frames` (handed straight back
    // to the device unless `keep`); playback writes "out.wav".
    void Record(const std::vector<int16_t>& samples, int32_t frames, PcmFormat format = kDictation,
                FilePacing pacing = FilePacing::Fast, FileInputEnd end = FileInputEnd::Continue, bool keep = false) {
        m_input.reset(); // a second recording: the first device goes before its backend
        m_folder.Write("in.wav", Pcm16File(samples, format.channels, format.rate));
        m_backend = CreateFileBackend(Files(m_folder / "in.wav", m_folder / "out.wav", pacing, end));
        m_input = m_backend->CreateWaveIn();
        m_owner = std::make_unique<BlockCollector>(*m_input, !keep);
        ASSERT_TRUE(StartRecording(*m_input, {.format = kDictation, .framesPerBlock = frames, .blockCount = 4},
                                   m_poster, *m_owner));
    }

    TempFolder m_folder;
    PumpPoster m_poster;
    std::unique_ptr<AudioBackend> m_backend;
    std::unique_ptr<WaveIn> m_input;
    std::unique_ptr<BlockCollector> m_owner;
};

TEST_F(FileDevice, FastBlocksComeThroughOneWakeTheFilesEndPadsTheLastOrIsALostDeviceAndOtherFormatsAreConverted) {
    Record(Ramp(2000), 800, kDictation, FilePacing::Fast, FileInputEnd::Continue, true);
    EXPECT_EQ(m_poster.Pump(), 1u);
    std::vector<int16_t> expected = Ramp(2000);
    expected.resize(2400, 0);
    EXPECT_EQ(m_owner->samples, expected);
    EXPECT_EQ(m_input->QueuedBlocks(), 1) << "nothing follows the file";

    Record(Ramp(1000), 800, kDictation, FilePacing::Fast, FileInputEnd::DeviceLost);
    m_poster.Pump();
    EXPECT_EQ(m_owner->frames, (std::vector<int32_t>{800, 200}));
    EXPECT_EQ(m_owner->samples, Ramp(1000));
    EXPECT_EQ(m_owner->losses, 1);
    EXPECT_EQ(m_owner->blocksBeforeLoss, 2u);
    EXPECT_TRUE(m_input->IsLost());
    EXPECT_EQ(m_input->Reset(), 4);

    std::vector<int16_t> stereo; // 16000 frames per second, left 1000 and right 3000: mono 2000 at 8000
    for (int i = 0; i < 1600; ++i)
        stereo.insert(stereo.end(), {1000, 3000});
    Record(stereo, 100, {16000, 2});
    m_poster.Pump();
    EXPECT_EQ(m_owner->samples, std::vector<int16_t>(800, 2000));
}

TEST_F(FileDevice, RealTimeBlocksComeAndWrittenBlocksAreNotDoneAtOnce) {
    Record(Ramp(1200), 400, kDictation, FilePacing::RealTime);
    ASSERT_TRUE(PumpUntil(m_poster, [&] { return m_owner->indices.size() >= 4; }));
    m_input->Close();
    m_owner->samples.resize(1200);
    EXPECT_EQ(m_owner->samples, Ramp(1200)) << "then silence";

    auto output = CreateFileBackend({})->CreateWaveOut(); // no output file: played and discarded
    ASSERT_TRUE(output->Open({.device = -1, .format = kDictation}));
    output->Write(Ramp(400));
    output->Write(Ramp(400));
    EXPECT_EQ(output->DoneBlocks(), 0);
    ASSERT_TRUE(PumpUntil(m_poster, [&] { return output->DoneBlocks() == 2; }));
}

TEST_F(FileDevice, MissingOrDamagedInputFilesAndUnwritableOutputFilesDoNotOpen) {
    WaveInNotify owner;
    for (const std::string& path : {m_folder / "missing.wav", m_folder.Write("text.wav", "RIFF....WAVEnot a wave")})
        EXPECT_FALSE(CreateFileBackend(Files(path))->CreateWaveIn()->Open({.format = kDictation}, m_poster, owner));
    EXPECT_FALSE(CreateFileBackend(Files("", m_folder / "no/such/folder/out.wav"))->CreateWaveOut()->Open({}));
}

// The layout the file device reads from a wave file's bytes.
std::optional<audio_internal::PcmWaveLayout> PcmWaveLayoutOf(const std::string& bytes) {
    return audio_internal::ReadPcmWaveLayout(
        [&](void* buffer, size_t count, int64_t offset) -> int64_t {
            if (offset < 0 || static_cast<size_t>(offset) > bytes.size())
                return -1;
            const size_t take = std::min(count, bytes.size() - static_cast<size_t>(offset));
            std::memcpy(buffer, bytes.data() + offset, take);
            return static_cast<int64_t>(take);
        },
        static_cast<int64_t>(bytes.size()));
}

TEST(PcmWaveLayout, FindsTheFramesPastOddChunksAndInAFileCutShortAndRefusesAnythingButSixteenBitPcm) {
    const auto Format = [](uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
        return Chunk("fmt ", FormatBody(tag, channels, rate, bits));
    };
    const std::string wave = Riff(Chunk("LIST", "odd") + Format(1, 2, 22050, 16) + Chunk("data", std::string(40, 'x')));
    auto layout = PcmWaveLayoutOf(wave);
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->format, (PcmFormat{22050, 2}));
    EXPECT_EQ(layout->frames, 10);
    EXPECT_EQ(layout->dataOffset, static_cast<int64_t>(wave.size()) - 40);

    layout = PcmWaveLayoutOf(Riff(Format(1, 1, 8000, 16) + "data" + Le32(1000000) + std::string(101, 'x')));
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->frames, 50);
    for (const std::string& wave :
         {Riff(Format(1, 1, 8000, 8) + Chunk("data", "xx")), Riff(Format(7, 1, 8000, 8) + Chunk("data", "xx")),
          Riff(Format(1, 0, 8000, 16) + Chunk("data", "xx")), Riff(Chunk("data", "xx")),
          Riff(Chunk("fmt ", "") + Format(1, 1, 8000, 16) + Chunk("data", "xx")), Riff(Format(1, 1, 8000, 16)),
          "RIFX" + Le32(4) + "WAVE", std::string()})
        EXPECT_FALSE(PcmWaveLayoutOf(wave)) << ::testing::PrintToString(wave);
}

} // namespace

TEST(CreateAudioBackend, TheFileVariablesSelectTheFileBackendAndTheChoiceVariableAlsa) {
    TempFolder folder;
    folder.Write("in.wav", Pcm16File(Ramp(10), kDictation.channels, kDictation.rate));
    ::setenv("TALLOWIN_AUDIO_FILE_IN", (folder / "in.wav").c_str(), 1);
    auto backend = CreateAudioBackend();
    ::unsetenv("TALLOWIN_AUDIO_FILE_IN");
    EXPECT_EQ(backend->Kind(), AudioBackendKind::File);
    EXPECT_EQ(backend->Devices(AudioDirection::Recording)[1].name, folder / "in.wav");
    ::setenv("TALLOWIN_AUDIO", "alsa", 1);
    EXPECT_EQ(CreateAudioBackend()->Kind(), AudioBackendKind::Alsa);
    ::unsetenv("TALLOWIN_AUDIO");
}
