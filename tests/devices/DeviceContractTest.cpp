// What every recording and playback device must do, run over the file device, the sound server and ALSA's pulse
// plugin in front of it, on PulseAudio and on PipeWire.
#include "DeviceTestSupport.h"
#include "PulseServer.h"
#include "SoundTestKit.h"
#include "TempFolder.h"
#include "platform/AudioBackend.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace {

// Low-passed noise (energy mostly below a quarter of the rate), deterministic for a seed.
std::vector<int16_t> TestSignal(size_t frames, uint32_t seed, int amplitude = 8000) {
    std::vector<int16_t> signal(frames);
    uint32_t state = seed * 2654435761u + 1;
    double smooth[2] = {0, 0};
    for (int16_t& sample : signal) {
        state = state * 1664525u + 1013904223u;
        const double noise = (static_cast<double>(state >> 8) / double(1u << 24)) * 2.0 - 1.0;
        smooth[0] += 0.35 * (noise - smooth[0]);
        smooth[1] += 0.35 * (smooth[0] - smooth[1]);
        sample = static_cast<int16_t>(std::lround(std::clamp(smooth[1] * 3.0, -1.0, 1.0) * amplitude));
    }
    return signal;
}

struct SignalMatch {
    size_t lag = 0;           // frame of the recording where the signal starts
    double correlation = 0.0; // normalised, 1 = identical shape
};
// Where `signal` (mono) lies best in `recording` (mono).
SignalMatch FindSignal(const std::vector<int16_t>& recording, const std::vector<int16_t>& signal) {
    SignalMatch best;
    for (size_t lag = 0; lag + signal.size() <= recording.size(); ++lag) {
        double dot = 0, energyA = 0, energyB = 0;
        for (size_t i = 0; i < signal.size(); ++i) {
            dot += double(recording[lag + i]) * signal[i];
            energyA += double(recording[lag + i]) * recording[lag + i];
            energyB += double(signal[i]) * signal[i];
        }
        if (energyA > 0 && energyB > 0 && dot / std::sqrt(energyA * energyB) > best.correlation)
            best = {lag, dot / std::sqrt(energyA * energyB)};
    }
    return best;
}

// The first and last frame whose smoothed magnitude passes `threshold`, or {0, 0} when none does.
std::pair<size_t, size_t> SoundingSpan(const std::vector<int16_t>& recording, int threshold) {
    constexpr size_t kWindow = 16;
    std::pair<size_t, size_t> span{0, 0};
    bool found = false;
    double level = 0;
    for (size_t i = 0; i < recording.size(); ++i) {
        level += (std::abs(double(recording[i])) - level) / kWindow;
        if (level > threshold) {
            span = {found ? span.first : i, i};
            found = true;
        }
    }
    return span;
}

// The file device, blocks as fast as they are taken, recording the very file its playback device writes: it
// records what was played only after it was played.
struct FileRig {
    static constexpr const char* kName = "File";
    static constexpr bool kLive = false;
    static constexpr int kDevice = 1;
    static std::string SkipReason() { return {}; }
    std::unique_ptr<AudioBackend> Make() {
        const std::string loop = m_folder.Write("loop.wav", sound_test::Pcm16File(TestSignal(16000, 1)));
        return CreateFileBackend(Files(loop, loop));
    }
    TempFolder m_folder;
};

// A private server of `kKind` (PulseAudio must be there, PipeWire is tried where it is installed), either directly:
// the null sink "test" and the microphone made from its monitor, so what is played comes back while it plays; or
// through ALSA's pulse plugin in front of it ("default" for PulseAudio, "pipewire" for PipeWire's service).
template <SoundServerKind kKind, bool kAlsa> struct ServerRig {
    static constexpr bool kPulse = kKind == SoundServerKind::PulseAudio;
    static constexpr const char* kName = kAlsa ? (kPulse ? "Alsa" : "AlsaOnPipeWire") : (kPulse ? "Pulse" : "PipeWire");
    static constexpr bool kLive = true;
    static constexpr int kDevice = kAlsa ? -1 : 1;
    static std::string SkipReason() { return PulseServer::SkipReason(kKind); }
    std::unique_ptr<AudioBackend> Make() {
        const PulseServer* server = PulseServer::Shared(kKind);
        if (!server)
            return nullptr;
        return kAlsa ? CreateAlsaBackend(kPulse ? "default" : "pipewire") : CreatePulseBackend(server->Address());
    }
};

template <typename Rig> class AudioDevice : public ::testing::Test {
protected:
    void SetUp() override {
        if (const std::string why = Rig::SkipReason(); !why.empty())
            GTEST_SKIP() << why;
        m_backend = m_rig.Make();
        ASSERT_NE(m_backend, nullptr) << "no private sound server";
        m_input = m_backend->CreateWaveIn();
        m_output = m_backend->CreateWaveOut();
    }

    static WaveInOptions In(int32_t framesPerBlock = 800, int32_t blockCount = 40) {
        return {Rig::kDevice, kDictation, framesPerBlock, blockCount};
    }
    static WaveOutOptions Out(PcmFormat format = kDictation) { return {.device = Rig::kDevice, .format = format}; }

    // Plays `parts` one after the other, each once the one before was done (a live device runs dry in between),
    // while the recording device records (the file device: afterwards), `tail` frames longer after each part
    // (what was played is still on its way through the server). Returns the recording.
    std::vector<int16_t> Loop(const std::vector<std::vector<int16_t>>& parts, size_t tail = 3200) {
        BlockCollector owner(*m_input);
        const auto record = [&](size_t frames) {
            if (!m_input->IsOpen()) {
                EXPECT_TRUE(StartRecording(*m_input, In(), m_poster, owner));
            }
            const size_t wanted = owner.samples.size() + frames;
            EXPECT_TRUE(PumpUntil(m_poster, [&] { return owner.samples.size() >= wanted; }));
        };
        EXPECT_TRUE(m_output->Open(Out()));
        if constexpr (Rig::kLive)
            record(1600);
        m_output->Pause(); // the first part starts the way the player starts: held until its blocks wait
        size_t played = 0;
        for (const std::vector<int16_t>& part : parts) {
            played += part.size();
            for (size_t offset = 0; offset < part.size(); offset += 800)
                EXPECT_GE(m_output->Write({part.data() + offset, std::min<size_t>(800, part.size() - offset)}), 0);
            EXPECT_TRUE(!m_output->IsPaused() || m_output->DoneBlocks() == 0) << "held";
            m_output->Restart();
            EXPECT_TRUE(PumpUntil(m_poster, [&] { return m_output->DoneBlocks() == m_output->WrittenBlocks(); }));
            if constexpr (Rig::kLive)
                record(tail);
        }
        m_output->Close();
        if constexpr (!Rig::kLive)
            record(played);
        EXPECT_EQ(m_input->Stats().framesDropped, 0);
        m_input->Close();
        return owner.samples;
    }

    Rig m_rig;
    std::unique_ptr<AudioBackend> m_backend;
    std::unique_ptr<WaveIn> m_input;
    std::unique_ptr<WaveOut> m_output;
    PumpPoster m_poster;
};

struct RigNames {
    template <typename Rig> static std::string GetName(int) { return Rig::kName; }
};
using Rigs = ::testing::Types<FileRig, ServerRig<SoundServerKind::PulseAudio, false>,
                              ServerRig<SoundServerKind::PulseAudio, true>, ServerRig<SoundServerKind::PipeWire, false>,
                              ServerRig<SoundServerKind::PipeWire, true>>;
TYPED_TEST_SUITE(AudioDevice, Rigs, RigNames);

TYPED_TEST(AudioDevice, ListsTheDefaultDeviceFirstAndOpensOnlyListedDevicesWithUsableOptions) {
    AudioBackend& backend = *this->m_backend;
    const auto count = [&](AudioDirection direction) { return static_cast<int>(backend.Devices(direction).size()); };
    for (const AudioDirection direction : {AudioDirection::Recording, AudioDirection::Playback}) {
        EXPECT_EQ(backend.Devices(direction).at(0).name, "");
        EXPECT_EQ(backend.DeviceDescription(direction, -1), "Default device");
        EXPECT_EQ(backend.DeviceDescription(direction, count(direction)), "");
    }
    const int unlisted = count(AudioDirection::Recording), device = TypeParam::kDevice;
    const auto lines = backend.InputLines(device);
    ASSERT_TRUE(lines);
    EXPECT_FALSE(backend.SelectInputLine(device, static_cast<int>(lines->size())));
    EXPECT_FALSE(backend.InputLines(unlisted));
    EXPECT_FALSE(backend.SetRecordLevel(unlisted, kMixerLevelUnity));

    BlockCollector owner(*this->m_input);
    for (const WaveInOptions& options :
         {WaveInOptions{.device = unlisted, .format = kDictation}, WaveInOptions{.device = device, .format = {8000, 0}},
          WaveInOptions{.device = device, .format = kDictation, .framesPerBlock = 0}})
        EXPECT_FALSE(this->m_input->Open(options, this->m_poster, owner)) << options.device;
    EXPECT_TRUE(this->m_input->Open(this->In(), this->m_poster, owner));
    EXPECT_TRUE(this->m_input->Open(this->In(), this->m_poster, owner)) << "an open device is closed first";

    WaveOut& output = *this->m_output;
    const std::vector<int16_t> partialFrame(3, 100), twoFrames(4, 100);
    EXPECT_EQ(output.Write(twoFrames), -1) << "not open";
    ASSERT_TRUE(output.Open(this->Out({8000, 2})));
    EXPECT_EQ(output.Write(partialFrame), -1);
    EXPECT_EQ(output.Write(twoFrames), 0);
    EXPECT_FALSE(output.Open({.device = count(AudioDirection::Playback), .format = kDictation}));
    EXPECT_FALSE(output.IsOpen()) << "an open device is closed first";
}

TYPED_TEST(AudioDevice, BlocksAreFilledWholeInQueueOrderResetHandsBackTheQueuedOnesAndOnlyTheOwnersCanBeQueued) {
    WaveIn& input = *this->m_input;
    BlockCollector owner(input, false);
    ASSERT_TRUE(input.Open(this->In(160, 40), this->m_poster, owner));
    std::vector<int32_t> order{2, 0, 1};
    for (int32_t i = 3; i < 40; ++i)
        order.push_back(i);
    const auto queueAll = [&] {
        for (const int32_t index : order)
            ASSERT_TRUE(input.AddBuffer(index));
    };
    queueAll();
    for (const int32_t index : {0, 40, -1})
        EXPECT_FALSE(input.AddBuffer(index)) << index;
    EXPECT_EQ(input.Reset(), 40) << "nothing was recorded before the start";
    this->m_poster.Pump();
    EXPECT_EQ(owner.indices, order);
    EXPECT_EQ(owner.frames, std::vector<int32_t>(40, 0));
    input.Start();
    queueAll();
    ASSERT_TRUE(PumpUntil(this->m_poster, [&] { return owner.indices.size() >= 42; }));
    const int32_t returned = input.Reset(); // a block filled just before may still be on its way to the owner
    this->m_poster.Pump();
    ASSERT_EQ(owner.indices.size(), 80u);
    const size_t delivered = 80 - static_cast<size_t>(returned);
    EXPECT_EQ(input.QueuedBlocks(), 0);
    EXPECT_EQ(std::vector<int32_t>(owner.indices.begin() + 40, owner.indices.end()), order);
    EXPECT_EQ(std::vector<int32_t>(owner.frames.begin() + 40, owner.frames.begin() + static_cast<ptrdiff_t>(delivered)),
              std::vector<int32_t>(delivered - 40, 160));
    ASSERT_TRUE(input.AddBuffer(5)) << "handed back: the owner's again";
    input.Start();
    ASSERT_TRUE(PumpUntil(this->m_poster, [&] { return owner.indices.size() == 81; }));
    EXPECT_EQ(owner.indices.back(), 5);
    EXPECT_EQ(owner.frames.back(), 160);
}

TYPED_TEST(AudioDevice, ResetDropsWrittenBlocksAtOnceAndLeavesPausedOutputPaused) {
    WaveOut& output = *this->m_output;
    ASSERT_TRUE(output.Open(this->Out()));
    const std::vector<int16_t> block(800, 1000);
    output.Pause();
    for (int64_t i = 0; i < 3; ++i)
        EXPECT_EQ(output.Write(block), i);
    output.Reset();
    EXPECT_EQ(output.DoneBlocks(), 3);
    EXPECT_TRUE(output.IsPaused());
    output.Restart();
    for (int i = 0; i < 30; ++i)
        output.Write(block);
    output.Reset();
    EXPECT_EQ(output.DoneBlocks(), 33);
    EXPECT_FALSE(output.IsPaused());
    EXPECT_EQ(output.Write(block), 33);
    ASSERT_TRUE(PumpUntil(this->m_poster, [&] { return output.DoneBlocks() == 34; }));
}

TYPED_TEST(AudioDevice, WhatIsPlayedIsRecordedAtTheLevelsSetAndABlockWrittenAfterTheOutputRanDryFromItsFirstFrame) {
    const std::vector<int16_t> sound = TestSignal(3200, 7), second = TestSignal(1600, 4);
    std::vector<int16_t> played(1600, 0); // 0.2 s of silence, 0.4 s of sound, 0.2 s of silence
    played.insert(played.end(), sound.begin(), sound.end());
    played.resize(played.size() + 1600, 0);
    const std::vector<int16_t> recording = this->Loop({played, second});
    const SignalMatch one = FindSignal(recording, sound), two = FindSignal(recording, second);
    const SignalMatch head = FindSignal(recording, std::vector<int16_t>(second.begin(), second.begin() + 320));
    for (const double correlation : {one.correlation, two.correlation, head.correlation})
        EXPECT_GT(correlation, 0.8);
    EXPECT_NEAR(static_cast<double>(head.lag), static_cast<double>(two.lag), 2.0);
    if constexpr (TypeParam::kLive) {
        EXPECT_GT(two.lag, one.lag + 3200 + 1600 + 800) << "the device ran dry in between";
    }
    const std::vector<int16_t> firstPart(recording.begin(), recording.begin() + static_cast<ptrdiff_t>(two.lag));
    const auto [first, last] = SoundingSpan(firstPart, 500);
    EXPECT_NEAR(static_cast<double>(last - first), 3200.0, 800.0);
    EXPECT_NEAR(static_cast<double>(first), static_cast<double>(one.lag), 800.0);

    const auto silent = [&] {
        const auto [from, to] = SoundingSpan(this->Loop({TestSignal(1600, 8, 16000)}, 1600), 100);
        return from == to;
    };
    this->m_backend->SetPlaybackLevel(0);
    EXPECT_TRUE(silent()) << "our output silenced";
    this->m_backend->SetPlaybackLevel(kMixerLevelUnity);
    ASSERT_TRUE(this->m_backend->SetRecordLevel(TypeParam::kDevice, 0));
    EXPECT_TRUE(silent()) << "the recording device silenced";
    ASSERT_TRUE(this->m_backend->SetRecordLevel(TypeParam::kDevice, kMixerLevelUnity));
}

} // namespace
