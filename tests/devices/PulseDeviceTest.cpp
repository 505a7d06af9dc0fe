#include "AudioBackend.h"
#include "DeviceTestSupport.h"
#include "PulseServer.h"
#include "internal/audio/PulseBackend.h"

#include <chrono>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

constexpr PcmFormat kDictation{8000, 1};

class PulseDevices : public ::testing::Test {
protected:
    void SetUp() override {
        m_server = PulseServer::Shared();
        ASSERT_NE(m_server, nullptr) << "no private sound server";
        m_backend = CreatePulseBackend(m_server->Address());
        ASSERT_NE(m_backend, nullptr);
    }

    PulseServer* m_server = nullptr;
    std::unique_ptr<AudioBackend> m_backend;
    PumpPoster m_poster;
};

TEST_F(PulseDevices, RecordingDevicesAreTheSourcesWithoutMonitorsAfterTheDefaultDevice) {
    EXPECT_EQ(m_backend->Kind(), AudioBackendKind::Pulse);
    const auto inputs = m_backend->Devices(AudioDirection::Recording);
    ASSERT_EQ(inputs.size(), 2u);
    EXPECT_EQ(inputs[0].description, "Default device");
    EXPECT_EQ(inputs[0].name, "");
    EXPECT_EQ(inputs[1].description, "Microphone");
    EXPECT_EQ(inputs[1].name, "mic");

    const auto outputs = m_backend->Devices(AudioDirection::Playback);
    ASSERT_EQ(outputs.size(), 2u);
    EXPECT_EQ(outputs[0].description, "Default device");
    EXPECT_EQ(outputs[1].name, "test");
    EXPECT_EQ(m_backend->DeviceDescription(AudioDirection::Playback, 1), "Null Output");
}

TEST_F(PulseDevices, APluggedDeviceIsListedAfterTheOthersAndARememberedNameFindsItsNumber) {
    const std::string module = m_server->Pactl(
        {"load-module", "module-null-sink", "sink_name=headset", "sink_properties=device.description=Headset"});
    ASSERT_NE(module, "<failed>");
    const auto outputs = m_backend->Devices(AudioDirection::Playback);
    const auto inputs = m_backend->Devices(AudioDirection::Recording);
    const int headset = m_backend->DeviceNumberFor(AudioDirection::Playback, "headset", 1);
    m_server->Pactl({"unload-module", module.substr(0, module.find('\n'))});

    ASSERT_EQ(outputs.size(), 3u);
    EXPECT_EQ(outputs[1].name, "test");
    EXPECT_EQ(outputs[2].description, "Headset");
    EXPECT_EQ(inputs.size(), 2u); // its monitor is not a recording device
    EXPECT_EQ(headset, 2);
    EXPECT_EQ(m_backend->DeviceNumberFor(AudioDirection::Playback, "headset", 2), 0); // unplugged: the default
    EXPECT_EQ(m_backend->DeviceNumberFor(AudioDirection::Recording, "mic", 0), 1);
}

TEST_F(PulseDevices, TheRecordLevelSetsTheSourceVolumeInDecibels) {
    ASSERT_TRUE(m_backend->SetRecordLevel(1, MixerLevelForDb(-12)));
    EXPECT_NE(m_server->Pactl({"get-source-volume", "mic"}).find("41350 /  63% / -12.00 dB"), std::string::npos)
        << m_server->Pactl({"get-source-volume", "mic"});
    ASSERT_TRUE(m_backend->SetRecordLevel(-1, MixerLevelForDb(0))); // the default source is "mic"
    EXPECT_NE(m_server->Pactl({"get-source-volume", "mic"}).find("65536 / 100% / 0.00 dB"), std::string::npos);
    ASSERT_TRUE(m_backend->SetRecordLevel(1, MixerLevelForDb(-40)));
    EXPECT_NE(m_server->Pactl({"get-source-volume", "mic"}).find(" 0 /   0%"), std::string::npos);
    ASSERT_TRUE(m_backend->SetRecordLevel(1, MixerLevelForDb(0)));
    EXPECT_FALSE(m_backend->SetRecordLevel(2, MixerLevelForDb(0)));
}

TEST_F(PulseDevices, ASourceWithoutPortsHasNoInputLinesToChoose) {
    const auto lines = m_backend->InputLines(1);
    ASSERT_TRUE(lines);
    EXPECT_TRUE(lines->empty());
    EXPECT_FALSE(m_backend->SelectInputLine(1, 0));
    EXPECT_FALSE(m_backend->InputLines(5));
}

TEST(PulseInputLines, PortsBecomeInputLinesInTheServersOrderWithTheActiveOneMarked) {
    audio_internal::PulseDevice source;
    source.name = "alsa_input.usb";
    source.ports = {{"analog-input-mic", "Microphone", true},
                    {"analog-input-linein", "Line In", false},
                    {"analog-input-headset-mic", "Headset Microphone", true}};
    source.activePort = "analog-input-headset-mic";
    const std::vector<AudioInputLine> lines = audio_internal::InputLinesOf(source);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].description, "Microphone");
    EXPECT_EQ(lines[1].name, "analog-input-linein");
    EXPECT_FALSE(lines[1].available);
    EXPECT_FALSE(lines[0].active);
    EXPECT_TRUE(lines[2].active);
}

TEST_F(PulseDevices, ThePlaybackLevelSetsOurOwnStreamAndNeverTheSink) {
    m_backend->SetPlaybackLevel(MixerLevelForDb(-12));
    auto device = m_backend->CreateWaveOut();
    ASSERT_TRUE(device->Open({.device = -1, .format = kDictation}));
    std::string inputs = m_server->Pactl({"list", "sink-inputs"});
    EXPECT_NE(inputs.find("Dictation playback"), std::string::npos) << inputs;
    EXPECT_NE(inputs.find("-12.00 dB"), std::string::npos) << inputs;

    m_backend->SetPlaybackLevel(MixerLevelForDb(-6));
    inputs = m_server->Pactl({"list", "sink-inputs"});
    EXPECT_NE(inputs.find("-6.00 dB"), std::string::npos) << inputs;
    EXPECT_NE(m_server->Pactl({"get-sink-volume", "test"}).find("100%"), std::string::npos);
    device->Close();
    m_backend->SetPlaybackLevel(kMixerLevelUnity);
}

TEST_F(PulseDevices, DevicesThatAreNotListedDoNotOpen) {
    auto input = m_backend->CreateWaveIn();
    BlockCollector owner(*input);
    EXPECT_FALSE(input->Open({.device = 2, .format = kDictation}, m_poster, owner));
    auto output = m_backend->CreateWaveOut();
    EXPECT_FALSE(output->Open({.device = 2, .format = kDictation}));
    EXPECT_TRUE(output->Open({.device = 1, .format = kDictation}));
}

// Plays `signal` through `output` while `input` records, the way the player starts: held until three blocks wait.
// Returns the recording.
std::vector<int16_t> PlayWhileRecording(WaveOut& output, WaveIn& input, BlockCollector& owner, PumpPoster& poster,
                                        const std::vector<int16_t>& signal, std::chrono::nanoseconds* playTime) {
    constexpr size_t kBlock = 800;
    input.Start();
    for (int32_t i = 0; i < input.Options().blockCount; ++i)
        input.AddBuffer(i);
    // Let the recording run a little before the sound begins.
    EXPECT_TRUE(PumpUntil(poster, [&] { return owner.indices.size() >= 2; }));
    output.Pause();
    std::chrono::steady_clock::time_point started;
    for (size_t offset = 0; offset < signal.size(); offset += kBlock) {
        const size_t count = std::min(kBlock, signal.size() - offset);
        EXPECT_GE(output.Write({signal.data() + offset, count}), 0);
        if (offset / kBlock == 2) {
            EXPECT_EQ(output.DoneBlocks(), 0);
            output.Restart();
            started = std::chrono::steady_clock::now();
        }
    }
    const int64_t written = output.WrittenBlocks();
    EXPECT_TRUE(PumpUntil(poster, [&] { return output.DoneBlocks() == written; }));
    *playTime = std::chrono::steady_clock::now() - started;
    // What was played is still on its way through the server: record a little longer.
    const size_t recorded = owner.indices.size();
    EXPECT_TRUE(PumpUntil(poster, [&] { return owner.indices.size() >= recorded + 4; }));
    input.Close();
    output.Close();
    return owner.samples;
}

TEST_F(PulseDevices, WhatWePlayIntoTheSinkIsWhatWeRecordFromTheMicrophone) {
    auto output = m_backend->CreateWaveOut();
    ASSERT_TRUE(output->Open({.device = 1, .format = kDictation}));
    auto input = m_backend->CreateWaveIn();
    BlockCollector owner(*input);
    ASSERT_TRUE(
        input->Open({.device = 1, .format = kDictation, .framesPerBlock = 800, .blockCount = 40}, m_poster, owner));
    std::vector<int16_t> played(1600, 0); // 0.2 s of silence, 0.4 s of sound, 0.2 s of silence
    const std::vector<int16_t> sound = TestSignal(3200, 7);
    played.insert(played.end(), sound.begin(), sound.end());
    played.resize(played.size() + 1600, 0);

    std::chrono::nanoseconds playTime{};
    const std::vector<int16_t> recording = PlayWhileRecording(*output, *input, owner, m_poster, played, &playTime);

    // Blocks came whole and in the order they were queued again.
    for (size_t i = 0; i < owner.indices.size(); ++i) {
        EXPECT_EQ(owner.indices[i], static_cast<int32_t>(i % 40));
        EXPECT_EQ(owner.frames[i], 800);
    }
    // Done by the played time: the 0.8 s were not reported played much sooner.
    EXPECT_GE(playTime, 650ms);
    const SignalMatch match = FindSignal(recording, sound);
    EXPECT_GT(match.correlation, 0.8);
    const auto [first, last] = SoundingSpan(recording, 500);
    EXPECT_NEAR(static_cast<double>(last - first), 3200.0, 800.0);
    EXPECT_NEAR(static_cast<double>(first), static_cast<double>(match.lag), 800.0);
    const WaveInStats stats = input->Stats();
    EXPECT_EQ(stats.framesDropped, 0);
}

TEST_F(PulseDevices, AfterTheSinkRanDryTheNextBlockIsPlayedFromItsFirstFrame) {
    auto output = m_backend->CreateWaveOut();
    ASSERT_TRUE(output->Open({.device = 1, .format = kDictation}));
    auto input = m_backend->CreateWaveIn();
    BlockCollector owner(*input);
    ASSERT_TRUE(
        input->Open({.device = 1, .format = kDictation, .framesPerBlock = 800, .blockCount = 40}, m_poster, owner));
    EXPECT_TRUE(PlayTwiceWithAGap(*output, *input, owner, m_poster));
}

TEST_F(PulseDevices, ResetStopsCaptureAndReturnsEveryQueuedBlock) {
    auto input = m_backend->CreateWaveIn();
    BlockCollector owner(*input, false);
    ASSERT_TRUE(
        input->Open({.device = -1, .format = kDictation, .framesPerBlock = 160, .blockCount = 40}, m_poster, owner));
    input->Start();
    for (int32_t i = 0; i < 40; ++i)
        input->AddBuffer(i);
    ASSERT_TRUE(PumpUntil(m_poster, [&] { return owner.indices.size() >= 2; }));
    const size_t before = owner.indices.size();
    const int32_t returned = input->Reset();
    m_poster.Pump();
    EXPECT_EQ(static_cast<size_t>(returned) + before, 40u);
    EXPECT_EQ(owner.indices.size(), 40u);
    EXPECT_EQ(input->QueuedBlocks(), 0);
    for (size_t i = 0; i < owner.indices.size(); ++i)
        EXPECT_EQ(owner.indices[i], static_cast<int32_t>(i));
    // Started again, it records into blocks handed back.
    input->AddBuffer(5);
    input->Start();
    ASSERT_TRUE(PumpUntil(m_poster, [&] { return owner.indices.size() == 41; }));
    EXPECT_EQ(owner.indices.back(), 5);
}

TEST_F(PulseDevices, ResetDropsQueuedPlaybackAtOnceAndTheNextBlockPlaysWhole) {
    auto output = m_backend->CreateWaveOut();
    ASSERT_TRUE(output->Open({.device = 1, .format = kDictation}));
    const std::vector<int16_t> block(800, 1000);
    for (int i = 0; i < 30; ++i)
        output->Write(block);
    EXPECT_LT(output->DoneBlocks(), 30);
    output->Reset();
    EXPECT_EQ(output->DoneBlocks(), 30);
    EXPECT_FALSE(output->IsPaused());
    EXPECT_EQ(output->Write(block), 30);
    ASSERT_TRUE(PumpUntil(m_poster, [&] { return output->DoneBlocks() == 31; }));
}

} // namespace
