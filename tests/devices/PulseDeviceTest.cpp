// What only the sound server's devices do: levels set on the server (and the mixer's level scale on it), input lines
// from ports, and a server of its own that the test kills, as a crash or a restart of the server would.
#include "DeviceTestSupport.h"
#include "PulseServer.h"
#include "platform/AudioBackend.h"
#include "platform/MixerLevel.h"
#include "platform/internal/audio/PulseBackend.h"
#include "platform/internal/audio/PulseConnection.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::AllOf;
using ::testing::HasSubstr;

namespace {

TEST(PulseDevices, TheRecordLevelIsTheSourceVolumeAndThePlaybackLevelOurStreamsNeverTheSinks) {
    PulseServer* server = PulseServer::Shared();
    ASSERT_NE(server, nullptr) << "no private sound server";
    const std::unique_ptr<AudioBackend> backend = CreatePulseBackend(server->Address());
    ASSERT_NE(backend, nullptr);
    ASSERT_TRUE(backend->SetRecordLevel(1, MixerLevelForDb(-12)));
    EXPECT_THAT(server->Pactl({"get-source-volume", "mic"}), HasSubstr("41350 /  63% / -12.00 dB"));
    ASSERT_TRUE(backend->SetRecordLevel(-1, MixerLevelForDb(0))) << "the default source is the microphone";
    EXPECT_THAT(server->Pactl({"get-source-volume", "mic"}), HasSubstr("65536 / 100% / 0.00 dB"));

    backend->SetPlaybackLevel(MixerLevelForDb(-12));
    auto device = backend->CreateWaveOut();
    ASSERT_TRUE(device->Open({.device = -1, .format = kDictation}));
    EXPECT_THAT(server->Pactl({"list", "sink-inputs"}), AllOf(HasSubstr("Dictation playback"), HasSubstr("-12.00 dB")));
    backend->SetPlaybackLevel(MixerLevelForDb(-6));
    EXPECT_THAT(server->Pactl({"list", "sink-inputs"}), HasSubstr("-6.00 dB")) << "the open stream follows";
    EXPECT_THAT(server->Pactl({"get-sink-volume", "test"}), HasSubstr("100%"));
    device->Close();
    backend->SetPlaybackLevel(kMixerLevelUnity);
}

TEST(PulseInputLines, PortsBecomeInputLinesInTheServersOrderWithTheActiveOneMarked) {
    audio_internal::PulseDevice source;
    source.ports = {{"analog-input-mic", "Microphone", LineAvailability::Available},
                    {"analog-input-linein", "Line In", LineAvailability::Unplugged},
                    {"analog-input-headset-mic", "Headset Microphone", LineAvailability::Unknown}};
    source.activePort = "analog-input-headset-mic";
    const std::vector<AudioInputLine> lines = audio_internal::InputLinesOf(source);
    ASSERT_EQ(lines.size(), 3u);
    for (size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(
            std::tie(lines[i].name, lines[i].description, lines[i].availability, lines[i].active),
            std::make_tuple(source.ports[i].name, source.ports[i].description, source.ports[i].availability, i == 2))
            << i;
}

class DeviceLoss : public ::testing::Test {
protected:
    void SetUp() override {
        m_server = std::make_unique<PulseServer>(PulseServer::LossServerFolder());
        ASSERT_TRUE(m_server->IsRunning());
    }

    // Records a few blocks from `backend`'s default device, kills the server and expects the owner to hear of it
    // once, after every block it had.
    void RecordUntilTheServerDies(AudioBackend& backend) {
        m_input = backend.CreateWaveIn();
        m_owner = std::make_unique<BlockCollector>(*m_input);
        ASSERT_TRUE(StartRecording(*m_input, {.format = kDictation, .framesPerBlock = 400}, m_poster, *m_owner));
        ASSERT_TRUE(PumpUntil(m_poster, [&] { return m_owner->indices.size() >= 3; }));
        m_server->Kill();
        EXPECT_TRUE(PumpUntil(m_poster, [&] { return m_owner->losses > 0; }));
        EXPECT_EQ(m_owner->losses, 1);
        EXPECT_EQ(m_owner->blocksBeforeLoss, m_owner->indices.size());
    }

    std::unique_ptr<PulseServer> m_server;
    PumpPoster m_poster;
    std::unique_ptr<WaveIn> m_input;
    std::unique_ptr<BlockCollector> m_owner;
};

TEST_F(DeviceLoss, KillingTheServerTellsBothOwnersOnceEverythingAfterwardsFailsAtOnceAndARestartedOneIsFoundAgain) {
    auto backend = CreatePulseBackend(m_server->Address());
    ASSERT_NE(backend, nullptr);
    struct : WaveOutNotify {
        int losses = 0;
        void OnWaveOutLost() override { ++losses; }
    } player;
    auto output = backend->CreateWaveOut();
    ASSERT_TRUE(output->Open({.device = 1, .format = kDictation}, &m_poster, &player));
    for (int i = 0; i < 10; ++i)
        output->Write(std::vector<int16_t>(800, 100));

    RecordUntilTheServerDies(*backend);
    // The playback device of the same server is gone too: everything counts as done, nothing more is taken.
    EXPECT_TRUE(PumpUntil(m_poster, [&] { return player.losses > 0; }));
    EXPECT_EQ(output->DoneBlocks(), 10);
    EXPECT_EQ(output->Write(std::vector<int16_t>(800, 100)), -1);

    // Closing, listing and opening again give up rather than wait for the server.
    m_input->Reset();
    m_input->Close();
    output->Close();
    for (const AudioDirection direction : {AudioDirection::Recording, AudioDirection::Playback})
        EXPECT_EQ(backend->Devices(direction).size(), 1u) << "the default device alone";
    EXPECT_FALSE(m_input->Open({.device = -1, .format = kDictation}, m_poster, *m_owner));
    EXPECT_FALSE(backend->SetRecordLevel(-1, kMixerLevelUnity));
    m_poster.Pump();
    EXPECT_EQ(m_owner->losses, 1);
    EXPECT_EQ(player.losses, 1);
    EXPECT_EQ(CreatePulseBackend(m_server->Address()), nullptr) << "no server, no backend";

    m_server = std::make_unique<PulseServer>(PulseServer::LossServerFolder());
    ASSERT_TRUE(m_server->IsRunning());
    EXPECT_EQ(backend->Devices(AudioDirection::Playback).size(), 2u);
    EXPECT_TRUE(backend->CreateWaveOut()->Open({.device = -1, .format = kDictation}));
}

TEST_F(DeviceLoss, TheAlsaFallbackAlsoTellsTheOwnerWhenItsDeviceGoes) {
    auto backend = CreateAlsaBackend("lossy");
    RecordUntilTheServerDies(*backend);
    m_input->Close();
}

} // namespace
