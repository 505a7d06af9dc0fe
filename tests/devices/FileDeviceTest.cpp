#include "AudioBackend.h"
#include "DeviceTestSupport.h"
#include "TempFolder.h"

#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <numeric>

namespace {

using namespace std::chrono_literals;

constexpr PcmFormat kDictation{8000, 1};

std::vector<int16_t> Ramp(size_t count, int start = 1) {
    std::vector<int16_t> samples(count);
    std::iota(samples.begin(), samples.end(), static_cast<int16_t>(start));
    return samples;
}

class FileRecording : public ::testing::Test {
protected:
    // A fast file device reading `samples` from a file of `format`.
    std::unique_ptr<AudioBackend> Backend(const std::vector<int16_t>& samples, PcmFormat format = kDictation,
                                          FileInputEnd end = FileInputEnd::Continue) {
        WriteWave(m_folder / "in.wav", format, samples);
        FileAudioOptions options;
        options.inputPath = m_folder / "in.wav";
        options.pacing = FilePacing::Fast;
        options.inputEnd = end;
        return CreateFileBackend(options);
    }

    TempFolder m_folder;
    PumpPoster m_poster;
};

TEST_F(FileRecording, BlocksArriveInOrderWithTheFileFramesAndTheLastOnePaddedWithSilence) {
    auto backend = Backend(Ramp(2000));
    auto device = backend->CreateWaveIn();
    BlockCollector owner(*device, false);
    ASSERT_TRUE(
        device->Open({.device = -1, .format = kDictation, .framesPerBlock = 800, .blockCount = 4}, m_poster, owner));
    device->Start();
    for (int32_t i = 0; i < 4; ++i)
        ASSERT_TRUE(device->AddBuffer(i));
    m_poster.Pump();

    EXPECT_EQ(owner.indices, (std::vector<int32_t>{0, 1, 2}));
    EXPECT_EQ(owner.frames, (std::vector<int32_t>{800, 800, 800}));
    std::vector<int16_t> expected = Ramp(2000);
    expected.resize(2400, 0);
    EXPECT_EQ(owner.samples, expected);
    EXPECT_EQ(device->QueuedBlocks(), 1); // the fourth waits: in fast mode nothing follows the file
    EXPECT_EQ(owner.losses, 0);
}

TEST_F(FileRecording, BlocksFilledAtOnceReachTheOwnerThroughOneWake) {
    auto backend = Backend(Ramp(3200));
    auto device = backend->CreateWaveIn();
    BlockCollector owner(*device, false);
    ASSERT_TRUE(
        device->Open({.device = 0, .format = kDictation, .framesPerBlock = 800, .blockCount = 4}, m_poster, owner));
    for (int32_t i = 0; i < 4; ++i)
        ASSERT_TRUE(device->AddBuffer(i));
    device->Start();
    EXPECT_EQ(m_poster.Pump(), 1u);
    EXPECT_EQ(owner.indices.size(), 4u);
}

TEST_F(FileRecording, BlocksAreFilledInTheOrderTheOwnerHandsThemBack) {
    auto backend = Backend(Ramp(8000));
    auto device = backend->CreateWaveIn();
    BlockCollector owner(*device, false);
    ASSERT_TRUE(
        device->Open({.device = -1, .format = kDictation, .framesPerBlock = 100, .blockCount = 3}, m_poster, owner));
    device->Start();
    for (int32_t index : {2, 0, 1})
        ASSERT_TRUE(device->AddBuffer(index));
    m_poster.Pump();
    for (int32_t index : {1, 2})
        ASSERT_TRUE(device->AddBuffer(index));
    m_poster.Pump();

    EXPECT_EQ(owner.indices, (std::vector<int32_t>{2, 0, 1, 1, 2}));
    EXPECT_EQ(owner.samples, Ramp(500));
}

TEST_F(FileRecording, ABlockTheDeviceHoldsCannotBeQueuedTwice) {
    auto backend = Backend(Ramp(100));
    auto device = backend->CreateWaveIn();
    BlockCollector owner(*device, false);
    ASSERT_TRUE(
        device->Open({.device = -1, .format = kDictation, .framesPerBlock = 800, .blockCount = 2}, m_poster, owner));
    EXPECT_TRUE(device->AddBuffer(1));
    EXPECT_FALSE(device->AddBuffer(1));
    EXPECT_FALSE(device->AddBuffer(2));
    EXPECT_FALSE(device->AddBuffer(-1));
}

TEST_F(FileRecording, ResetReturnsEveryQueuedBlockAndTheyCanBeQueuedAgain) {
    auto backend = Backend(Ramp(20000));
    auto device = backend->CreateWaveIn();
    BlockCollector owner(*device, false);
    ASSERT_TRUE(
        device->Open({.device = -1, .format = kDictation, .framesPerBlock = 800, .blockCount = 40}, m_poster, owner));
    for (int32_t i = 0; i < 40; ++i)
        ASSERT_TRUE(device->AddBuffer(i));
    EXPECT_EQ(device->Reset(), 40);
    EXPECT_EQ(device->QueuedBlocks(), 0);
    m_poster.Pump();
    ASSERT_EQ(owner.indices.size(), 40u);
    for (int32_t i = 0; i < 40; ++i) {
        EXPECT_EQ(owner.indices[static_cast<size_t>(i)], i);
        EXPECT_EQ(owner.frames[static_cast<size_t>(i)], 0);
    }
    // Returned blocks are the owner's again: they can be queued and filled.
    owner.indices.clear();
    EXPECT_TRUE(device->AddBuffer(7));
    device->Start();
    m_poster.Pump();
    EXPECT_EQ(owner.indices, std::vector<int32_t>{7});
    EXPECT_EQ(device->Reset(), 0);
}

TEST_F(FileRecording, CloseDropsBlocksNotYetDeliveredAndNothingArrivesAfterwards) {
    auto backend = Backend(Ramp(1600));
    auto device = backend->CreateWaveIn();
    BlockCollector owner(*device, false);
    ASSERT_TRUE(
        device->Open({.device = -1, .format = kDictation, .framesPerBlock = 800, .blockCount = 2}, m_poster, owner));
    device->AddBuffer(0);
    device->AddBuffer(1);
    device->Start();
    device->Close();
    m_poster.Pump();
    EXPECT_TRUE(owner.indices.empty());
    EXPECT_FALSE(device->IsOpen());
}

TEST_F(FileRecording, TheOwnerMayDestroyTheDeviceFromInsideANotification) {
    auto backend = Backend(Ramp(3200));
    std::unique_ptr<WaveIn> device = backend->CreateWaveIn();
    struct Destroyer final : WaveInNotify {
        std::unique_ptr<WaveIn>* device = nullptr;
        int blocks = 0;
        void OnWaveInData(const WaveInBlock&) override {
            ++blocks;
            device->reset();
        }
    } owner;
    owner.device = &device;
    ASSERT_TRUE(
        device->Open({.device = -1, .format = kDictation, .framesPerBlock = 800, .blockCount = 4}, m_poster, owner));
    for (int32_t i = 0; i < 4; ++i)
        device->AddBuffer(i);
    device->Start();
    m_poster.Pump();
    EXPECT_EQ(owner.blocks, 1);
    EXPECT_EQ(device, nullptr);
}

TEST_F(FileRecording, TheEndOfTheFileCanStandForALostDeviceWithTheLastFramesDeliveredFirst) {
    auto backend = Backend(Ramp(1000), kDictation, FileInputEnd::DeviceLost);
    auto device = backend->CreateWaveIn();
    BlockCollector owner(*device);
    ASSERT_TRUE(
        device->Open({.device = -1, .format = kDictation, .framesPerBlock = 800, .blockCount = 4}, m_poster, owner));
    device->Start();
    for (int32_t i = 0; i < 4; ++i)
        device->AddBuffer(i);
    m_poster.Pump();

    EXPECT_EQ(owner.frames, (std::vector<int32_t>{800, 200}));
    EXPECT_EQ(owner.samples, Ramp(1000));
    EXPECT_EQ(owner.losses, 1);
    EXPECT_EQ(owner.blocksBeforeLoss, 2u);
    EXPECT_TRUE(device->IsLost());
    EXPECT_EQ(device->Reset(), 4);
}

TEST_F(FileRecording, AFileOfAnotherFormatIsDeliveredInTheOpenedOne) {
    // Stereo at 16000 frames per second: left 1000, right 3000; recorded as mono at 8000.
    std::vector<int16_t> stereo;
    for (int i = 0; i < 1600; ++i) {
        stereo.push_back(1000);
        stereo.push_back(3000);
    }
    auto backend = Backend(stereo, {16000, 2});
    auto device = backend->CreateWaveIn();
    BlockCollector owner(*device);
    ASSERT_TRUE(
        device->Open({.device = -1, .format = kDictation, .framesPerBlock = 100, .blockCount = 4}, m_poster, owner));
    device->Start();
    for (int32_t i = 0; i < 4; ++i)
        device->AddBuffer(i);
    m_poster.Pump();

    ASSERT_EQ(owner.samples.size(), 800u);
    EXPECT_EQ(owner.samples.front(), 2000);
    EXPECT_EQ(owner.samples.back(), 2000);
}

TEST_F(FileRecording, TheRecordLevelScalesWhatIsRecorded) {
    auto backend = Backend(std::vector<int16_t>(800, 10000));
    ASSERT_TRUE(backend->SetRecordLevel(-1, MixerLevelForDb(-6)));
    auto device = backend->CreateWaveIn();
    BlockCollector owner(*device);
    ASSERT_TRUE(
        device->Open({.device = -1, .format = kDictation, .framesPerBlock = 800, .blockCount = 2}, m_poster, owner));
    device->Start();
    device->AddBuffer(0);
    m_poster.Pump();
    ASSERT_EQ(owner.samples.size(), 800u);
    EXPECT_EQ(owner.samples[0], 5012); // 10000 x 10^(-6/20)
}

TEST_F(FileRecording, UnusableFilesDevicesAndOptionsDoNotOpen) {
    PumpPoster poster;
    {
        FileAudioOptions options;
        options.inputPath = m_folder / "missing.wav";
        auto device = CreateFileBackend(options)->CreateWaveIn();
        BlockCollector owner(*device);
        EXPECT_FALSE(device->Open({.device = -1, .format = kDictation}, poster, owner));
    }
    {
        m_folder.Write("text.wav", "RIFF....WAVEthis is not a wave file");
        FileAudioOptions options;
        options.inputPath = m_folder / "text.wav";
        auto device = CreateFileBackend(options)->CreateWaveIn();
        BlockCollector owner(*device);
        EXPECT_FALSE(device->Open({.device = -1, .format = kDictation}, poster, owner));
    }
    auto backend = Backend(Ramp(10));
    auto device = backend->CreateWaveIn();
    BlockCollector owner(*device);
    EXPECT_FALSE(device->Open({.device = 2, .format = kDictation}, poster, owner));
    EXPECT_FALSE(device->Open({.device = -2, .format = kDictation}, poster, owner));
    EXPECT_FALSE(device->Open({.device = 1, .format = {8000, 0}}, poster, owner));
    EXPECT_FALSE(device->Open({.device = 1, .format = kDictation, .framesPerBlock = 0}, poster, owner));
    EXPECT_FALSE(device->Open({.device = 1, .format = kDictation, .blockCount = 0}, poster, owner));
    EXPECT_TRUE(device->Open({.device = 1, .format = kDictation}, poster, owner));
}

TEST_F(FileRecording, RealTimePacingDeliversNoBlockBeforeItsTime) {
    WriteWave(m_folder / "in.wav", kDictation, Ramp(1200));
    FileAudioOptions options;
    options.inputPath = m_folder / "in.wav";
    auto backend = CreateFileBackend(options);
    auto device = backend->CreateWaveIn();
    BlockCollector owner(*device);
    ASSERT_TRUE(
        device->Open({.device = -1, .format = kDictation, .framesPerBlock = 400, .blockCount = 4}, m_poster, owner));
    for (int32_t i = 0; i < 4; ++i)
        device->AddBuffer(i);
    const auto start = std::chrono::steady_clock::now();
    device->Start();
    ASSERT_TRUE(PumpUntil(m_poster, [&] { return owner.indices.size() >= 4; }));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 200ms); // four blocks of 50 ms
    device->Close();
    owner.samples.resize(1200);
    EXPECT_EQ(owner.samples, Ramp(1200));
}

class FilePlayback : public ::testing::Test {
protected:
    std::unique_ptr<AudioBackend> Backend(FilePacing pacing = FilePacing::Fast) {
        FileAudioOptions options;
        options.outputPath = m_folder / "out.wav";
        options.pacing = pacing;
        return CreateFileBackend(options);
    }
    TempFolder m_folder;
};

TEST_F(FilePlayback, WrittenBlocksArePlayedIntoAWaveFileAndReportedDone) {
    auto backend = Backend();
    auto device = backend->CreateWaveOut();
    ASSERT_TRUE(device->Open({.device = -1, .format = {11025, 2}}));
    const std::vector<int16_t> first = Ramp(200), second = Ramp(100, 5000);
    EXPECT_EQ(device->Write(first), 0);
    EXPECT_EQ(device->Write(second), 1);
    EXPECT_EQ(device->DoneBlocks(), 2);

    PcmFormat format;
    std::vector<int16_t> expected = first;
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(ReadWave(m_folder / "out.wav", &format), expected); // readable before Close
    EXPECT_EQ(format, (PcmFormat{11025, 2}));
    device->Close();
    EXPECT_EQ(ReadWave(m_folder / "out.wav"), expected);
}

TEST_F(FilePlayback, PausedOutputIsHeldUntilRestartedAndResetDropsIt) {
    auto backend = Backend();
    auto device = backend->CreateWaveOut();
    ASSERT_TRUE(device->Open({.device = -1, .format = kDictation}));
    device->Pause();
    EXPECT_TRUE(device->IsPaused());
    device->Write(Ramp(100));
    device->Write(Ramp(100, 200));
    EXPECT_EQ(device->DoneBlocks(), 0);
    EXPECT_TRUE(ReadWave(m_folder / "out.wav").empty());
    device->Restart();
    EXPECT_EQ(device->DoneBlocks(), 2);

    device->Pause();
    device->Write(Ramp(100, 900));
    device->Reset(); // dropped at once, and done
    EXPECT_EQ(device->DoneBlocks(), 3);
    device->Restart();
    device->Write(Ramp(50, 2000));
    EXPECT_EQ(device->DoneBlocks(), 4);

    std::vector<int16_t> expected = Ramp(100);
    const std::vector<int16_t> second = Ramp(100, 200), fourth = Ramp(50, 2000);
    expected.insert(expected.end(), second.begin(), second.end());
    expected.insert(expected.end(), fourth.begin(), fourth.end());
    EXPECT_EQ(ReadWave(m_folder / "out.wav"), expected);
}

TEST_F(FilePlayback, ThePlaybackLevelScalesOurOutputAndFollowsTheBackend) {
    auto backend = Backend();
    backend->SetPlaybackLevel(MixerLevelForDb(-6));
    auto device = backend->CreateWaveOut();
    ASSERT_TRUE(device->Open({.device = -1, .format = kDictation}));
    device->Write(std::vector<int16_t>(4, 10000));
    backend->SetPlaybackLevel(MixerLevelForDb(0));
    device->Write(std::vector<int16_t>(4, 10000));
    device->SetLevel(0);
    device->Write(std::vector<int16_t>(4, 10000));
    EXPECT_EQ(ReadWave(m_folder / "out.wav"),
              (std::vector<int16_t>{5012, 5012, 5012, 5012, 10000, 10000, 10000, 10000, 0, 0, 0, 0}));
}

TEST_F(FilePlayback, BlocksOfPartialFramesOrNoFramesAreRefused) {
    auto backend = Backend();
    auto device = backend->CreateWaveOut();
    EXPECT_EQ(device->Write(Ramp(4)), -1); // not open
    ASSERT_TRUE(device->Open({.device = -1, .format = {8000, 2}}));
    EXPECT_EQ(device->Write(Ramp(3)), -1);
    EXPECT_EQ(device->Write({}), -1);
    EXPECT_EQ(device->Write(Ramp(4)), 0);
    EXPECT_FALSE(device->Open({.device = 2, .format = kDictation}));
    EXPECT_FALSE(device->IsOpen());
}

TEST_F(FilePlayback, AnUnwritableOutputFileDoesNotOpen) {
    FileAudioOptions options;
    options.outputPath = m_folder / "no/such/folder/out.wav";
    auto device = CreateFileBackend(options)->CreateWaveOut();
    EXPECT_FALSE(device->Open({.device = -1, .format = kDictation}));
}

TEST_F(FilePlayback, RealTimeBlocksAreDoneNoSoonerThanTheyWouldHavePlayed) {
    FileAudioOptions options; // no output file: played and discarded
    auto backend = CreateFileBackend(options);
    auto device = backend->CreateWaveOut();
    ASSERT_TRUE(device->Open({.device = -1, .format = kDictation}));
    const auto start = std::chrono::steady_clock::now();
    device->Write(Ramp(400));
    device->Write(Ramp(400));
    EXPECT_EQ(device->DoneBlocks(), 0);
    PumpPoster idle;
    ASSERT_TRUE(PumpUntil(idle, [&] { return device->DoneBlocks() == 2; }));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 100ms);
}

TEST(FileBackend, ListsItsFilesAfterTheDefaultDeviceAndKeepsItsInputLines) {
    FileAudioOptions options;
    options.inputPath = "/tmp/dictation in.wav";
    options.extraInputDevices = {{"usb-headset", "USB Headset"}};
    options.inputLines = {"Line In", "Microphone"};
    auto backend = CreateFileBackend(options);
    EXPECT_EQ(backend->Kind(), AudioBackendKind::File);
    const auto inputs = backend->Devices(AudioDirection::Recording);
    ASSERT_EQ(inputs.size(), 3u);
    EXPECT_EQ(inputs[0].description, "Default device");
    EXPECT_EQ(inputs[1].description, "dictation in.wav");
    EXPECT_EQ(inputs[2].description, "USB Headset");
    EXPECT_EQ(backend->Devices(AudioDirection::Playback)[1].description, "Discard");
    EXPECT_EQ(backend->DeviceNumberFor(AudioDirection::Recording, "usb-headset", 0), 2);
    EXPECT_EQ(backend->DeviceNumberFor(AudioDirection::Recording, "unplugged", 2), 0);
    EXPECT_EQ(backend->DeviceNumberFor(AudioDirection::Recording, "", 2), 2);
    EXPECT_EQ(backend->DeviceNumberFor(AudioDirection::Recording, "", 3), 0);
    EXPECT_EQ(backend->DeviceDescription(AudioDirection::Recording, -1), "Default device");
    EXPECT_EQ(backend->DeviceDescription(AudioDirection::Recording, 3), "");

    auto lines = backend->InputLines(2);
    ASSERT_TRUE(lines);
    ASSERT_EQ(lines->size(), 2u);
    EXPECT_EQ((*lines)[1].description, "Microphone");
    EXPECT_TRUE((*lines)[0].active);
    EXPECT_TRUE(backend->SelectInputLine(2, 1));
    EXPECT_TRUE((*backend->InputLines(-1))[1].active);
    EXPECT_FALSE(backend->SelectInputLine(2, 2));
    EXPECT_FALSE(backend->InputLines(3));
}

TEST(CreateAudioBackend, TheFileVariablesSelectTheFileBackend) {
    TempFolder folder;
    WriteWave(folder / "in.wav", kDictation, Ramp(10));
    ::setenv("TALLOWIN_AUDIO_FILE_IN", (folder / "in.wav").c_str(), 1);
    auto backend = CreateAudioBackend();
    ::unsetenv("TALLOWIN_AUDIO_FILE_IN");
    EXPECT_EQ(backend->Kind(), AudioBackendKind::File);
    EXPECT_EQ(backend->Devices(AudioDirection::Recording)[1].name, folder / "in.wav");

    ::setenv("TALLOWIN_AUDIO", "alsa", 1);
    EXPECT_EQ(CreateAudioBackend()->Kind(), AudioBackendKind::Alsa);
    ::unsetenv("TALLOWIN_AUDIO");
}

} // namespace
