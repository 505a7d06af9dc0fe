#include "EngineTestSupport.h"
#include "LSoundPlayer.h"
#include "LSoundRecorder.h"
#include "MemorySource.h"
#include "PulseServer.h"
#include "TempFolder.h"

#include <AudioBackend.h>
#include <WaveFile.h>
#include <cmath>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

// The largest normalised correlation of `probe` against `recorded` over every lag, and the lag where it is found.
std::pair<double, size_t> BestCorrelation(const Samples& recorded, const Samples& probe) {
    std::pair<double, size_t> best{0.0, 0};
    if (recorded.size() < probe.size())
        return best;
    double probeEnergy = 0;
    for (const int16_t sample : probe)
        probeEnergy += double(sample) * sample;
    for (size_t lag = 0; lag + probe.size() <= recorded.size(); ++lag) {
        double product = 0, energy = 0;
        for (size_t i = 0; i < probe.size(); ++i) {
            product += double(recorded[lag + i]) * probe[i];
            energy += double(recorded[lag + i]) * recorded[lag + i];
        }
        if (energy > 0 && product / std::sqrt(energy * probeEnergy) > best.first)
            best = {product / std::sqrt(energy * probeEnergy), lag};
    }
    return best;
}

TEST(Loopback, WhatThePlayerPlaysIntoTheSoundServerTheRecorderRecordsBack) {
    PulseServer* server = PulseServer::Shared();
    ASSERT_NE(server, nullptr) << "no private sound server";
    std::unique_ptr<AudioBackend> backend = CreatePulseBackend(server->Address());
    ASSERT_NE(backend, nullptr);
    TempFolder folder;
    PumpPoster poster;

    // Two words with a short pause between them, in a file as the transport would play it.
    const Samples sound = Joined({Tone(6000, 12000, 440), Silence(2400), Tone(6000, 12000, 660)});
    ASSERT_TRUE(WriteWave(folder / "dictation.wav", sound, 8000, 1));

    LSoundRecorder recorder(poster, *backend);
    recorder.device = -1;
    LSoundSinkHandle sink = CreatePCMFileSink(folder / "recorded.wav", 8000, 1, 16, 0);
    ASSERT_TRUE(recorder.Record(sink, 36000000, -30, 30000));
    sink.Reset();

    LSoundPlayer player(poster, *backend);
    player.device = -1;
    LSoundSourceHandle source = OpenWaveFile(folder / "dictation.wav");
    ASSERT_TRUE(source);
    ASSERT_TRUE(player.Play(source));
    ASSERT_TRUE(PumpUntil(
        poster, [&] { return !player.IsBusy(); }, 10000ms));
    EXPECT_EQ(player.LastStopReason(), PlayStopReason::End);
    // What the server still holds reaches the recorder within a few blocks.
    const int32_t expected = static_cast<int32_t>(sound.size());
    PumpUntil(
        poster, [&] { return recorder.Sink()->Length() >= expected + 1600; }, 1500ms);
    recorder.StopRecording();

    const Samples recorded = ReadWave(folder / "recorded.wav");
    const auto [correlation, lag] = BestCorrelation(recorded, sound);
    // The recording starts within a block of the first word and ends 0.05 s after the block that held the last of
    // it: what follows the sound is 0.05 s and at most one block more.
    const double after = double(recorded.size()) - double(lag) - double(sound.size());
    EXPECT_GE(after, 400 - 40) << "lag " << lag;
    EXPECT_LE(after, 1200 + 40) << "lag " << lag;
    EXPECT_GT(correlation, 0.9) << "at lag " << lag;
    EXPECT_LE(lag, 800u + 40u);
}

} // namespace

namespace {

TEST(Loopback, APlayerWhoseSoundServerDiesEndsAsAtTheEndOfTheSource) {
    PulseServer server(PulseServer::LossServerFolder());
    ASSERT_TRUE(server.IsRunning());
    std::unique_ptr<AudioBackend> backend = CreatePulseBackend(server.Address());
    ASSERT_NE(backend, nullptr);
    PumpPoster poster;
    EventLog log;
    LSoundPlayer player(poster, *backend);
    player.device = -1;
    player.notify = &log;
    std::vector<int32_t> samples(80000);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int32_t>(((i / 20) % 2) ? 80000 : -80000);
    LSoundSourceHandle source = MakeHandle<MemorySource>(samples, 8000, uint8_t{1});
    ASSERT_TRUE(player.Play(source));
    ASSERT_TRUE(PumpUntil(
        poster, [&] { return player.PlayedPosition() > 0; }, 5000ms));

    server.Kill();
    ASSERT_TRUE(PumpUntil(
        poster, [&] { return !player.IsBusy(); }, 6000ms));
    EXPECT_EQ(player.LastStopReason(), PlayStopReason::DeviceLost);
    EXPECT_EQ(log.Count("Stop 0"), 1u);
}

} // namespace
