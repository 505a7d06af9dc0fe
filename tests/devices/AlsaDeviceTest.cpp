#include "AudioBackend.h"
#include "DeviceTestSupport.h"
#include "PulseServer.h"

#include <chrono>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

constexpr PcmFormat kDictation{8000, 1};

// ALSA's "default" device reaches the private server through ALSA's pulse plugin (the test ~/.asoundrc).
class AlsaDevices : public ::testing::Test {
protected:
    void SetUp() override {
        m_server = PulseServer::Shared();
        ASSERT_NE(m_server, nullptr) << "no private sound server";
        m_backend = CreateAlsaBackend();
    }

    PulseServer* m_server = nullptr;
    std::unique_ptr<AudioBackend> m_backend;
    PumpPoster m_poster;
};

TEST_F(AlsaDevices, TheFallbackListsTheDefaultDeviceAloneAndHasNoInputLines) {
    EXPECT_EQ(m_backend->Kind(), AudioBackendKind::Alsa);
    for (AudioDirection direction : {AudioDirection::Recording, AudioDirection::Playback}) {
        const auto devices = m_backend->Devices(direction);
        ASSERT_EQ(devices.size(), 1u);
        EXPECT_EQ(devices[0].description, "Default device");
    }
    const auto lines = m_backend->InputLines(0);
    ASSERT_TRUE(lines);
    EXPECT_TRUE(lines->empty());
    EXPECT_FALSE(m_backend->SelectInputLine(0, 0));
    EXPECT_FALSE(m_backend->InputLines(1));
    EXPECT_TRUE(m_backend->SetRecordLevel(-1, MixerLevelForDb(0)));
    auto input = m_backend->CreateWaveIn();
    BlockCollector owner(*input);
    EXPECT_FALSE(input->Open({.device = 1, .format = kDictation}, m_poster, owner));
}

TEST_F(AlsaDevices, WhatThePlaybackDevicePlaysTheRecordingDeviceRecords) {
    auto output = m_backend->CreateWaveOut();
    ASSERT_TRUE(output->Open({.device = -1, .format = kDictation}));
    auto input = m_backend->CreateWaveIn();
    BlockCollector owner(*input);
    ASSERT_TRUE(
        input->Open({.device = -1, .format = kDictation, .framesPerBlock = 800, .blockCount = 40}, m_poster, owner));
    input->Start();
    for (int32_t i = 0; i < 40; ++i)
        input->AddBuffer(i);
    ASSERT_TRUE(PumpUntil(m_poster, [&] { return owner.indices.size() >= 2; }));

    const std::vector<int16_t> sound = TestSignal(3200, 11);
    output->Pause();
    for (size_t offset = 0; offset < sound.size(); offset += 800)
        EXPECT_GE(output->Write({sound.data() + offset, 800}), 0);
    EXPECT_EQ(output->DoneBlocks(), 0);
    output->Restart();
    ASSERT_TRUE(PumpUntil(m_poster, [&] { return output->DoneBlocks() == 4; }));
    const size_t recorded = owner.indices.size();
    ASSERT_TRUE(PumpUntil(m_poster, [&] { return owner.indices.size() >= recorded + 4; }));
    input->Close();
    output->Close();

    for (size_t i = 0; i < owner.indices.size(); ++i)
        EXPECT_EQ(owner.indices[i], static_cast<int32_t>(i % 40));
    const SignalMatch match = FindSignal(owner.samples, sound);
    EXPECT_GT(match.correlation, 0.8);
}

TEST_F(AlsaDevices, AnUnderrunIsRecoveredAndTheNextBlockIsPlayedWhole) {
    auto output = m_backend->CreateWaveOut();
    ASSERT_TRUE(output->Open({.device = -1, .format = kDictation}));
    auto input = m_backend->CreateWaveIn();
    BlockCollector owner(*input);
    ASSERT_TRUE(
        input->Open({.device = -1, .format = kDictation, .framesPerBlock = 800, .blockCount = 40}, m_poster, owner));
    EXPECT_TRUE(PlayTwiceWithAGap(*output, *input, owner, m_poster));
}

TEST_F(AlsaDevices, ThePlaybackLevelIsAppliedToOurFrames) {
    m_backend->SetPlaybackLevel(0);
    auto output = m_backend->CreateWaveOut();
    ASSERT_TRUE(output->Open({.device = -1, .format = kDictation}));
    auto input = m_backend->CreateWaveIn();
    BlockCollector owner(*input);
    ASSERT_TRUE(
        input->Open({.device = -1, .format = kDictation, .framesPerBlock = 800, .blockCount = 8}, m_poster, owner));
    input->Start();
    for (int32_t i = 0; i < 8; ++i)
        input->AddBuffer(i);
    const std::vector<int16_t> sound = TestSignal(2400, 5);
    for (size_t offset = 0; offset < sound.size(); offset += 800)
        output->Write({sound.data() + offset, 800});
    ASSERT_TRUE(PumpUntil(m_poster, [&] { return output->DoneBlocks() == 3; }));
    const size_t recorded = owner.indices.size();
    ASSERT_TRUE(PumpUntil(m_poster, [&] { return owner.indices.size() >= recorded + 4; }));
    input->Close();
    const auto [first, last] = SoundingSpan(owner.samples, 100);
    EXPECT_EQ(first, last); // nothing sounded: our output was silenced
}

} // namespace
