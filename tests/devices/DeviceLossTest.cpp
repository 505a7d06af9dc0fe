#include "AudioBackend.h"
#include "DeviceTestSupport.h"
#include "PulseServer.h"

#include <chrono>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

constexpr PcmFormat kDictation{8000, 1};

// A server of its own that the test kills mid-recording, as a crash or a restart of the sound server would.
class DeviceLoss : public ::testing::Test {
protected:
    void SetUp() override {
        m_server = std::make_unique<PulseServer>(PulseServer::LossServerFolder());
        ASSERT_TRUE(m_server->IsRunning());
    }

    // Records a few blocks, kills the server and pumps until the owner hears of it. Returns how long that took.
    std::chrono::nanoseconds RecordUntilTheServerDies(WaveIn& input, BlockCollector& owner) {
        input.Start();
        for (int32_t i = 0; i < input.Options().blockCount; ++i)
            input.AddBuffer(i);
        EXPECT_TRUE(PumpUntil(m_poster, [&] { return owner.indices.size() >= 3; }));
        const auto killed = std::chrono::steady_clock::now();
        m_server->Kill();
        EXPECT_TRUE(PumpUntil(
            m_poster, [&] { return owner.losses > 0; }, 6000ms));
        return std::chrono::steady_clock::now() - killed;
    }

    std::unique_ptr<PulseServer> m_server;
    PumpPoster m_poster;
};

TEST_F(DeviceLoss, KillingTheServerMidRecordingTellsTheOwnerAfterTheBlocksItHad) {
    auto backend = CreatePulseBackend(m_server->Address());
    ASSERT_NE(backend, nullptr);
    auto input = backend->CreateWaveIn();
    BlockCollector owner(*input);
    ASSERT_TRUE(
        input->Open({.device = 1, .format = kDictation, .framesPerBlock = 400, .blockCount = 40}, m_poster, owner));
    struct : WaveOutNotify {
        int losses = 0;
        void OnWaveOutLost() override { ++losses; }
    } player;
    auto output = backend->CreateWaveOut();
    ASSERT_TRUE(output->Open({.device = 1, .format = kDictation}, &m_poster, &player));
    for (int i = 0; i < 10; ++i)
        output->Write(std::vector<int16_t>(800, 100));

    const auto took = RecordUntilTheServerDies(*input, owner);
    EXPECT_LT(took, 3s);
    EXPECT_EQ(owner.losses, 1);
    EXPECT_EQ(owner.blocksBeforeLoss, owner.indices.size());
    EXPECT_GE(owner.indices.size(), 3u);
    EXPECT_TRUE(input->IsLost());

    // The playback device of the same server is gone too: everything counts as done, nothing more is taken.
    EXPECT_TRUE(PumpUntil(m_poster, [&] { return player.losses > 0; }));
    EXPECT_TRUE(output->IsLost());
    EXPECT_EQ(output->DoneBlocks(), 10);
    EXPECT_EQ(output->Write(std::vector<int16_t>(800, 100)), -1);

    // Closing, listing and opening again come back at once.
    const auto start = std::chrono::steady_clock::now();
    input->Reset();
    input->Close();
    output->Close();
    EXPECT_EQ(backend->Devices(AudioDirection::Recording).size(), 1u);
    EXPECT_FALSE(input->Open({.device = -1, .format = kDictation}, m_poster, owner));
    EXPECT_FALSE(backend->SetRecordLevel(-1, kMixerLevelUnity));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    m_poster.Pump();
    EXPECT_EQ(owner.losses, 1);
    EXPECT_EQ(player.losses, 1);
}

TEST_F(DeviceLoss, ARestartedServerIsFoundAgain) {
    auto backend = CreatePulseBackend(m_server->Address());
    ASSERT_NE(backend, nullptr);
    m_server->Kill();
    EXPECT_EQ(backend->Devices(AudioDirection::Playback).size(), 1u);
    m_server = std::make_unique<PulseServer>(PulseServer::LossServerFolder());
    ASSERT_TRUE(m_server->IsRunning());
    EXPECT_EQ(backend->Devices(AudioDirection::Playback).size(), 2u);
    auto output = backend->CreateWaveOut();
    EXPECT_TRUE(output->Open({.device = -1, .format = kDictation}));
}

TEST_F(DeviceLoss, TheAlsaFallbackAlsoTellsTheOwnerWhenItsDeviceGoes) {
    auto backend = CreateAlsaBackend("lossy");
    auto input = backend->CreateWaveIn();
    BlockCollector owner(*input);
    ASSERT_TRUE(
        input->Open({.device = -1, .format = kDictation, .framesPerBlock = 400, .blockCount = 40}, m_poster, owner));
    const auto took = RecordUntilTheServerDies(*input, owner);
    EXPECT_LT(took, 5s);
    EXPECT_EQ(owner.losses, 1);
    EXPECT_EQ(owner.blocksBeforeLoss, owner.indices.size());
    input->Close();
}

TEST_F(DeviceLoss, NoServerMeansNoPulseBackend) {
    m_server->Kill();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(CreatePulseBackend("unix:" + PulseServer::LossServerFolder() + "/pulse/native"), nullptr);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
}

} // namespace
