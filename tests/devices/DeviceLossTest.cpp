// A sound server of its own that the test kills, as a crash or a restart of the server would.
#include "DeviceTestSupport.h"
#include "PulseServer.h"
#include "platform/AudioBackend.h"

#include <gtest/gtest.h>

namespace {

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
        ASSERT_TRUE(m_input->Open({.device = -1, .format = kDictation, .framesPerBlock = 400}, m_poster, *m_owner));
        m_input->Start();
        for (int32_t i = 0; i < 40; ++i)
            m_input->AddBuffer(i);
        ASSERT_TRUE(PumpUntil(m_poster, [&] { return m_owner->indices.size() >= 3; }));
        m_server->Kill();
        EXPECT_TRUE(PumpUntil(m_poster, [&] { return m_owner->losses > 0; }));
        EXPECT_EQ(m_owner->losses, 1);
        EXPECT_EQ(m_owner->blocksBeforeLoss, m_owner->indices.size());
        EXPECT_TRUE(m_input->IsLost());
    }

    std::unique_ptr<PulseServer> m_server;
    PumpPoster m_poster;
    std::unique_ptr<WaveIn> m_input;
    std::unique_ptr<BlockCollector> m_owner;
};

TEST_F(DeviceLoss, KillingTheServerTellsBothOwnersOnceAndEverythingAfterwardsFailsAtOnce) {
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
    EXPECT_TRUE(output->IsLost());
    EXPECT_EQ(output->DoneBlocks(), 10);
    EXPECT_EQ(output->Write(std::vector<int16_t>(800, 100)), -1);

    // Closing, listing and opening again give up rather than wait for the server.
    m_input->Reset();
    m_input->Close();
    output->Close();
    EXPECT_EQ(backend->Devices(AudioDirection::Recording).size(), 1u);
    EXPECT_FALSE(m_input->Open({.device = -1, .format = kDictation}, m_poster, *m_owner));
    EXPECT_FALSE(backend->SetRecordLevel(-1, kMixerLevelUnity));
    m_poster.Pump();
    EXPECT_EQ(m_owner->losses, 1);
    EXPECT_EQ(player.losses, 1);
}

TEST_F(DeviceLoss, TheAlsaFallbackAlsoTellsTheOwnerWhenItsDeviceGoes) {
    auto backend = CreateAlsaBackend("lossy");
    RecordUntilTheServerDies(*backend);
    m_input->Close();
}

TEST_F(DeviceLoss, ARestartedServerIsFoundAgainAndNoServerMeansNoBackend) {
    auto backend = CreatePulseBackend(m_server->Address());
    ASSERT_NE(backend, nullptr);
    m_server->Kill();
    EXPECT_EQ(backend->Devices(AudioDirection::Playback).size(), 1u);
    EXPECT_EQ(CreatePulseBackend(m_server->Address()), nullptr);

    m_server = std::make_unique<PulseServer>(PulseServer::LossServerFolder());
    ASSERT_TRUE(m_server->IsRunning());
    EXPECT_EQ(backend->Devices(AudioDirection::Playback).size(), 2u);
    EXPECT_TRUE(backend->CreateWaveOut()->Open({.device = -1, .format = kDictation}));
}

} // namespace
