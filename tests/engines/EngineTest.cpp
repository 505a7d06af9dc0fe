// The sound recorder and the player on the file device (blocks as fast as they are taken, the poster pumped by the
// test), a player whose private sound server dies, and the tallowin-audio tool. Both owners have cookie 7.
#include "ChildProcess.h"
#include "DeviceTestSupport.h"
#include "EngineTestSupport.h"
#include "MemorySource.h"
#include "PulseServer.h"
#include "TempFolder.h"
#include "audio/LSoundPlayer.h"
#include "audio/LSoundRecorder.h"
#include "platform/AudioBackend.h"
#include "sound/WaveFile.h"

#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>
#include <thread>

namespace {

constexpr int32_t kOneHour = 36000000;
using Lines = std::vector<std::string>;
const Lines kQuietStart = {"Waiting 7", "Time 0 7", "Levels [] 7"}, kStopped = {"Stop 7", "Time 0 7", "Levels [] 7"};

// Writes every notification as a line: "Waiting 7", "Time 1500 7", "Levels -3 7", "Levels [] 7" ...
class EventLog : public LSoundRecorderNotify, public LSoundPlayerNotify {
public:
    void OnRecordActive(uint32_t cookie) override { Add("Active", cookie); }
    void OnRecordWaiting(uint32_t cookie) override { Add("Waiting", cookie); }
    void OnRecordStop(uint32_t cookie) override { Add("Stop", cookie); }
    void OnRecordTime(int32_t time, uint32_t cookie) override { Add("Time " + std::to_string(time), cookie); }
    void OnRecordLevels(const LDBMC& levels, uint32_t cookie) override { Add("Levels " + Text(levels), cookie); }

    void OnPlayStart(uint32_t cookie) override { Add("Start", cookie); }
    void OnPlayStop(uint32_t cookie) override { Add("Stop", cookie); }
    void OnPlayTime(int32_t time, uint32_t cookie) override { Add("Time " + std::to_string(time), cookie); }
    void OnPlayLevels(const LDBMC& levels, uint32_t cookie) override { Add("Levels " + Text(levels), cookie); }

    size_t Count(const std::string& line) const { return std::count(lines.begin(), lines.end(), line); }

    Lines lines;
    std::function<void(const std::string&)> onEvent; // runs after a line was added

private:
    static std::string Text(const LDBMC& levels) {
        std::string text = levels.Count() ? "" : "[]";
        for (uint8_t channel = 0; channel < levels.Count(); ++channel)
            text += (channel ? "," : "") + std::to_string(levels[channel]);
        return text;
    }
    void Add(const std::string& text, uint32_t cookie) {
        lines.push_back(text + " " + std::to_string(cookie));
        if (onEvent)
            onEvent(lines.back());
    }
};

class EngineTest : public ::testing::Test {
protected:
    TempFolder m_folder;
    PumpPoster m_poster;
    std::unique_ptr<AudioBackend> m_backend;
    EventLog m_log;
};

// A sink that goes into error (as on a full disk) once it holds more than `limit` frames.
class FillingSink final : public LSoundSinkBase {
public:
    explicit FillingSink(int32_t limit) : LSoundSinkBase(8000, kFullScale16, 1), m_limit(limit) {}
    void Write(const int32_t*, int32_t frames) override {
        if ((m_length += frames) > m_limit)
            MarkError();
    }

private:
    int32_t m_limit;
};

// A recorder with cookie 7 on a device that delivers its input (then nothing) as fast as blocks are queued.
class Recording : public EngineTest {
protected:
    void UseInput(const Samples& input, FileInputEnd end = FileInputEnd::Continue) {
        ASSERT_TRUE(WriteWave(m_folder / "input.wav", input, 8000, 1));
        m_backend = CreateFileBackend(Files(m_folder / "input.wav", {}, FilePacing::Fast, end));
        m_recorder = std::make_unique<LSoundRecorder>(m_poster, *m_backend);
        m_recorder->notify = &m_log;
        m_recorder->notifyCookie = 7;
        m_log.lines.clear();
    }
    LSoundSinkHandle Sink(const std::string& name = "out.wav", int32_t rate = 8000) {
        return CreatePCMFileSink(m_folder / name, rate, 1, 16, 0);
    }
    // Starts recording into `sink`, which only the recorder keeps then; false when it would not.
    bool Start(LSoundSinkHandle sink, int8_t activation = -15, int32_t maxTime = kOneHour) {
        return m_recorder->Record(sink, maxTime, activation, 30000);
    }
    Samples Saved(const std::string& name = "out.wav") { return ReadWave(m_folder / name); }

    std::unique_ptr<LSoundRecorder> m_recorder;
};

TEST_F(Recording, OnlySpeechIsWrittenWithHalfABlockBeforeItAndPausesAndTheTailCutShort) {
    const Samples word = Tone(8000, 8000), second = Tone(8000, 8000, 620), third = Tone(8000, 8000, 300);
    const Samples onset = Tone(400, 300); // about -29 dB: below the start level
    struct Case {
        const char* what;
        Samples input, recorded;
        size_t starts = 1; // times the recorder went from waiting to active
        RecordStopReason reason = RecordStopReason::Owner;
        int32_t maxTime = kOneHour;
        int8_t activation = -15;
        FileInputEnd end = FileInputEnd::Continue;
    };
    const Case cases[] = {
        {"a pause longer than the hang time keeps 0.7 s, a shorter one stays whole, the stop keeps 0.05 s",
         Joined({Silence(8000), word, Silence(8000), second, Silence(40000), third, Silence(4000)}),
         Joined({Silence(400), word, Silence(8000), second, Silence(5600), Silence(400), third, Silence(400)}), 2},
        {"the quiet onset of a word that grows loud in the next block is kept",
         Joined({Silence(8400), onset, word, Silence(800)}), Joined({onset, word, Silence(400)})},
        {"sound beginning late in a block starts with that block alone; the device's last block is whole",
         Joined({Silence(8600), word}), Joined({Silence(600), word, Silence(200)})},
        {"stopping after quiet cuts to 0.05 s", Joined({word, Silence(16000)}),
         Joined({Silence(400), word, Silence(400)})},
        {"the time limit stops once the sink passes it", Tone(80000, 8000), Joined({Silence(400), word}), 1,
         RecordStopReason::MaxTime, 10000},
        {"at 127 nothing can start a recording, and a sink never written leaves no file", word, Samples(), 0,
         RecordStopReason::Owner, kOneHour, 127},
        {"a lost device stops the recording keeping what it captured, the last partial block too", Tone(4200, 8000),
         Joined({Silence(400), Tone(4200, 8000)}), 1, RecordStopReason::DeviceLost, kOneHour, -15,
         FileInputEnd::DeviceLost},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        UseInput(c.input, c.end);
        ASSERT_TRUE(Start(Sink(), c.activation, c.maxTime));
        m_poster.Pump();
        m_recorder->StopRecording();
        EXPECT_EQ(Saved(), c.recorded);
        EXPECT_EQ(m_recorder->LastStopReason(), c.reason);
        EXPECT_EQ(m_log.Count("Stop 7"), 1u);
        EXPECT_EQ(m_log.Count("Active 7"), c.starts);
        std::remove((m_folder / "out.wav").c_str());
    }
}

TEST_F(Recording, AStopOrARecordOnABusyRecorderFinishesTheSinkWithWhatTheDeviceHadCaptured) {
    const Samples word = Tone(4000, 8000);
    UseInput(word);
    ASSERT_TRUE(Start(Sink()));
    m_recorder->StopRecording(); // the device filled its blocks; none was handed over yet
    EXPECT_EQ(Saved(), Joined({Silence(400), word}));
    m_poster.Pump(); // what the device posted meanwhile finds nothing to do
    EXPECT_EQ(m_log.lines, Joined({kQuietStart, kStopped}));
    ASSERT_TRUE(Start(Sink("first.wav")));
    m_poster.Pump();
    m_log.lines.clear();
    ASSERT_TRUE(Start(Sink("second.wav")));
    EXPECT_EQ(Saved("first.wav"), Joined({Silence(400), word})) << "finished and readable";
    EXPECT_EQ(m_log.lines, Joined({kStopped, kQuietStart}));
}

TEST_F(Recording, RecordFailsWithoutANotificationForAnEmptyOrFailedSinkOrNoDeviceAndASinkFailingLaterStopsIt) {
    UseInput(Tone(800, 8000));
    EXPECT_FALSE(Start({}));
    LSoundSinkHandle failed = MakeHandle<FillingSink>(-1);
    failed->Write(nullptr, 1);
    EXPECT_FALSE(Start(failed));
    LSoundSinkHandle sink = Sink();
    m_recorder->device = 9;
    EXPECT_FALSE(Start(sink));
    m_recorder->device = 0;
    EXPECT_FALSE(Start(Sink("slow.wav", 100))) << "no device records 100 frames per second";
    EXPECT_TRUE(m_log.lines.empty());
    EXPECT_EQ(sink->ReferenceCount(), 1u) << "not kept";

    UseInput(Tone(16000, 8000));
    auto filled = MakeHandle<FillingSink>(4000);
    ASSERT_TRUE(Start(filled));
    m_poster.Pump();
    EXPECT_EQ(m_recorder->LastStopReason(), RecordStopReason::SinkError);
    EXPECT_EQ(filled->Length(), 4400) << "the pre-roll and five blocks, the last of them refused, then nothing";
    EXPECT_EQ(m_log.Count("Stop 7"), 1u);
    EXPECT_EQ(filled->ReferenceCount(), 1u);
}

TEST_F(Recording, TheOwnerMayStopOrDestroyTheRecorderFromInsideANotification) {
    for (const std::string when : {"Active 7", "Time 2500 7"}) {
        UseInput(Joined({Silence(800), Tone(8000, 8000)}));
        m_log.onEvent = [&](const std::string& line) {
            if (line == "Active 7" && line == when)
                m_recorder->StopRecording();
            if (line == "Time 2500 7" && line == when)
                m_recorder.reset();
        };
        ASSERT_TRUE(Start(Sink()));
        m_poster.Pump();
        EXPECT_GE(Saved().size(), 1200u) << "the activating block and what the device had captured by then";
        if (m_recorder) {
            EXPECT_EQ(m_log.lines, Joined({kQuietStart, {"Levels -127 7", "Active 7"}, kStopped}));
        }
    }
    EXPECT_EQ(m_recorder, nullptr);
    EXPECT_EQ(m_log.lines.back(), "Time 2500 7") << "nothing after it, not even from the destruction";
}

// A player with cookie 7 on the file device (as fast as blocks are taken unless asked otherwise) into "played.wav".
class Playing : public EngineTest {
protected:
    void SetUp() override { UseDevice(FilePacing::Fast); }
    void UseDevice(FilePacing pacing) {
        m_player.reset();
        m_backend = CreateFileBackend(Files({}, m_folder / "played.wav", pacing));
        m_player = std::make_unique<LSoundPlayer>(m_poster, *m_backend);
        m_player->notify = &m_log;
        m_player->notifyCookie = 7;
        m_player->levelsEnabled = true;
        m_log.lines.clear();
    }
    static LSoundSourceHandle SourceOf(const Samples& samples, int32_t fullScale = kFullScale16) {
        std::vector<int32_t> pipeline(samples.size());
        std::transform(samples.begin(), samples.end(), pipeline.begin(), LSF16::ToPipeline);
        return MakeHandle<MemorySource>(std::move(pipeline), 8000, uint8_t{1}, fullScale);
    }
    // Plays `source` (after `seek`, when given) to its end.
    void PlayToTheEnd(LSoundSourceHandle source, std::optional<int32_t> seek = {}) {
        ASSERT_TRUE(m_player->Play(source));
        if (seek)
            m_player->SeekPlaying(*seek);
        ASSERT_TRUE(PumpUntil(m_poster, [this] { return !m_player || !m_player->IsBusy(); }));
    }
    // The last `last` samples played.
    Samples Played(size_t last = SIZE_MAX) {
        const Samples played = ReadWave(m_folder / "played.wav");
        return Samples(played.end() - static_cast<std::ptrdiff_t>(std::min(last, played.size())), played.end());
    }

    std::unique_ptr<LSoundPlayer> m_player;
};

TEST_F(Playing, SeekingReportsTheNewPositionFirstPlaysOnFromThereOrFromSilenceBeforeTheStartAndEndsAtTheEnd) {
    const Samples sound = Tone(80000, 8000);
    LSoundSourceHandle source = SourceOf(sound);
    ASSERT_TRUE(m_player->Play(source));
    m_player->SeekPlaying(40000);
    EXPECT_EQ(m_log.lines, (Lines{"Start 7", "Time 0 7", "Time 50000 7"}));
    ASSERT_TRUE(PumpUntil(m_poster, [this] { return !m_player->IsBusy(); }));
    EXPECT_EQ(Played(40000), Samples(sound.begin() + 40000, sound.end()));

    m_log.lines.clear();
    PlayToTheEnd(SourceOf(Tone(8000, 8000)), -8000);
    EXPECT_EQ(m_log.Count("Time -10000 7"), 1u);
    EXPECT_EQ(Played(16000), Joined({Silence(8000), Tone(8000, 8000)}));

    m_log.lines.clear();
    PlayToTheEnd(SourceOf(Tone(8000, 8000)), 8000);
    EXPECT_EQ(m_player->LastStopReason(), PlayStopReason::End);
    const Samples twoBlocks = Tone(1600, 8000);
    LSoundSourceHandle twoBlockSource = SourceOf(twoBlocks);
    ASSERT_TRUE(m_player->Play(twoBlockSource));
    // The worker plays both blocks and ends; the end waits in the poster.
    for (int spins = 0; (Played().size() < twoBlocks.size() || m_player->IsRunning()) && spins < 1000000; ++spins)
        std::this_thread::yield();
    ASSERT_FALSE(m_player->IsRunning());
    ASSERT_TRUE(m_player->IsBusy());
    m_player->SeekPlaying(0);
    ASSERT_TRUE(PumpUntil(m_poster, [this] { return !m_player->IsBusy(); }));
    EXPECT_EQ(Played(), Joined({twoBlocks, twoBlocks}));
    EXPECT_EQ(m_log.Count("Stop 7"), 2u);
}

// The second and third owner listen to nothing.
TEST_F(Playing, TheOwnersStopEndsPlaybackAtOnceAReportPostedBeforeItSaysNothingAndALimiterIsPutInAbove16Bits) {
    for (const auto& [fullScale, limited, listening] : std::vector<std::tuple<int32_t, bool, bool>>{
             {kFullScale16, false, true}, {kFullScale16 + 1, true, false}, {kFullScaleUnknown, true, false}}) {
        m_player->notify = listening ? &m_log : nullptr;
        LSoundSourceHandle source = SourceOf(Tone(80000, 8000), fullScale);
        ASSERT_TRUE(m_player->Play(source));
        EXPECT_EQ(m_player->UsesLimiter(), limited) << fullScale;
        m_player->StopPlaying();
        EXPECT_FALSE(m_player->Source());
        m_poster.Pump();
        m_player->StopPlaying();
    }
    EXPECT_EQ(m_log.lines, (Lines{"Start 7", "Time 0 7", "Stop 7", "Time 0 7", "Levels [] 7"}));
}

TEST_F(Playing, PlayFailsWithoutANotificationForAnEmptyOrInvalidSourceOrAMissingDevice) {
    LSoundSourceHandle empty, invalid = MakeHandle<MemorySource>(std::vector<int32_t>{1, 2}, 0, uint8_t{1});
    EXPECT_FALSE(m_player->Play(empty));
    EXPECT_FALSE(m_player->Play(invalid));
    LSoundSourceHandle source = SourceOf(Tone(800, 100));
    m_player->device = 9;
    EXPECT_FALSE(m_player->Play(source));
    EXPECT_TRUE(m_log.lines.empty());
    EXPECT_EQ(source->ReferenceCount(), 1u);
}

TEST_F(Playing, TheOwnerMayStopOrDestroyThePlayerFromInsideANotification) {
    for (const bool destroy : {false, true}) {
        UseDevice(FilePacing::RealTime); // positions are reported before the end
        m_log.onEvent = [&](const std::string& line) {
            if (line.rfind("Time ", 0) == 0 && line != "Time 0 7")
                destroy ? m_player.reset() : m_player->StopPlaying();
        };
        PlayToTheEnd(SourceOf(Tone(80000, 8000)));
        if (!destroy) {
            EXPECT_EQ(Lines(m_log.lines.end() - 3, m_log.lines.end()), kStopped);
        }
    }
    EXPECT_EQ(m_player, nullptr);
    EXPECT_EQ(m_log.lines.back().rfind("Time ", 0), 0u) << "nothing after it";
    m_poster.Pump();
}

TEST_F(EngineTest, APlayerWhoseSoundServerDiesEndsAsAtTheEndOfTheSourceTellingItsOwnerOnce) {
    PulseServer server(PulseServer::LossServerFolder());
    ASSERT_TRUE(server.IsRunning());
    m_backend = CreatePulseBackend(server.Address());
    ASSERT_NE(m_backend, nullptr);
    LSoundPlayer player(m_poster, *m_backend);
    player.notify = &m_log;
    LSoundSourceHandle source = MakeHandle<MemorySource>(std::vector<int32_t>(80000, 80000), 8000, uint8_t{1});
    ASSERT_TRUE(player.Play(source));
    ASSERT_TRUE(PumpUntil(m_poster, [&] { return player.PlayedPosition() > 0; }));
    server.Kill();
    ASSERT_TRUE(PumpUntil(
        m_poster, [&] { return !player.IsBusy(); }, std::chrono::milliseconds(6000)));
    EXPECT_EQ(player.LastStopReason(), PlayStopReason::DeviceLost);
    EXPECT_EQ(m_log.Count("Stop 0"), 1u);
}

// The tallowin-audio tool, run as a separate process on the file device that a variable and its wave file set up.
TEST_F(EngineTest, TheAudioToolListsDevicesRecordsCuttingTheSilenceAfterTheSoundAndPlaysFromTheGivenTime) {
    const std::string in = m_folder / "in.wav", out = m_folder / "out.wav";
    const auto run = [&](std::vector<std::string> arguments, const std::string& variable, const std::string& file) {
        arguments.insert(arguments.begin(), "tallowin-audio");
        ChildProcess::Options options{.arguments = std::move(arguments),
                                      .environment = {{variable, file}, {"TALLOWIN_AUDIO_FILE_PACE", "fast"}},
                                      .workingFolder = {},
                                      .outputFile = m_folder / "tool.log"};
        return ChildProcess(TALLOWIN_AUDIO_TOOL, std::move(options)).Wait(std::chrono::seconds(60));
    };
    ASSERT_TRUE(WriteWave(in, Joined({Tone(4000, 8000), Silence(8000)}), 8000, 1));
    EXPECT_EQ(run({"devices"}, "TALLOWIN_AUDIO_FILE_IN", in), 0);
    EXPECT_NE(m_folder.Read("tool.log").find("Default device"), std::string::npos) << m_folder.Read("tool.log");
    ASSERT_EQ(run({"record", out, "--seconds", "2"}, "TALLOWIN_AUDIO_FILE_IN", in), 0) << m_folder.Read("tool.log");
    const Samples recorded = ReadWave(out);
    EXPECT_GE(recorded.size(), 4000u);
    EXPECT_LE(recorded.size(), 4000u + 800u + 400u) << "the trim keeps 0.05 s after the last sounding block";

    ASSERT_EQ(run({"play", in, "--from", "0.5"}, "TALLOWIN_AUDIO_FILE_OUT", out), 0) << m_folder.Read("tool.log");
    EXPECT_EQ(ReadWave(out).size(), 8000u);
    EXPECT_EQ(run({"play", m_folder / "none.wav"}, "TALLOWIN_AUDIO_FILE_OUT", out), 1);
}

} // namespace
