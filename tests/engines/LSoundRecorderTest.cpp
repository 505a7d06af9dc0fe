#include "LSoundRecorder.h"

#include "EngineTestSupport.h"
#include "TempFolder.h"

#include <AudioBackend.h>
#include <Poster.h>
#include <WaveFile.h>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

constexpr uint32_t kCookie = 7;
constexpr int32_t kOneHour = 36000000;
constexpr int32_t kHangTime = 30000;

// A square wave of `frames` frames whose every sample is +-`magnitude`.
Samples Square(int32_t frames, int16_t magnitude) {
    Samples samples(static_cast<size_t>(frames));
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = (i % 2) ? static_cast<int16_t>(-magnitude) : magnitude;
    return samples;
}

// A sink that goes into error (as on a full disk) once it holds more than `limit` frames.
class FillingSink final : public LSoundSinkBase {
public:
    explicit FillingSink(int32_t limit) : LSoundSinkBase(8000, kFullScale16, 1), m_limit(limit) {}
    void Write(const int32_t*, int32_t frames) override {
        m_length += frames;
        if (IsInError())
            framesAfterError += frames;
        if (m_length > m_limit)
            MarkError();
    }
    int32_t framesAfterError = 0;

private:
    int32_t m_limit;
};

class Recording : public ::testing::Test {
protected:
    // A recording device that delivers `input` (then nothing) as fast as blocks are queued.
    void UseInput(const Samples& input, int32_t rate = 8000, uint8_t channels = 1,
                  FileInputEnd end = FileInputEnd::Continue) {
        ASSERT_TRUE(WriteWave(m_folder / "input.wav", input, rate, channels));
        FileAudioOptions options;
        options.inputPath = m_folder / "input.wav";
        options.pacing = FilePacing::Fast;
        options.inputEnd = end;
        m_backend = CreateFileBackend(options);
        m_recorder = std::make_unique<LSoundRecorder>(m_poster, *m_backend);
        m_recorder->notify = &m_log;
        m_recorder->notifyCookie = kCookie;
    }

    LSoundSinkHandle NewSink(const std::string& name = "out.wav", int32_t rate = 8000, uint8_t channels = 1) {
        return CreatePCMFileSink(m_folder / name, rate, channels, 16, 0);
    }

    // Records the whole input into "out.wav", stops, and returns what the file holds.
    Samples RecordAll(int8_t activation = -15, int32_t maxTime = kOneHour) {
        LSoundSinkHandle sink = NewSink();
        EXPECT_TRUE(m_recorder->Record(sink, maxTime, activation, kHangTime));
        sink.Reset(); // the recorder keeps its own reference
        m_poster.Pump();
        m_recorder->StopRecording();
        return ReadWave(m_folder / "out.wav");
    }

    TempFolder m_folder;
    PumpPoster m_poster;
    std::unique_ptr<AudioBackend> m_backend;
    std::unique_ptr<LSoundRecorder> m_recorder;
    EventLog m_log;
};

TEST_F(Recording, OnlySpeechIsWrittenAndAPauseLongerThanTheHangTimeIsCutToSevenTenths) {
    const Samples first = Tone(8000, 8000), second = Tone(8000, 8000, 620), third = Tone(8000, 8000, 300);
    UseInput(Joined({Silence(8000), first, Silence(8000), second, Silence(40000), third, Silence(4000)}));

    const Samples recorded = RecordAll();

    // Each resumed part starts with half a block of what came before it; the short pause stays whole; the long
    // one keeps 0.7 s; the stop keeps 0.05 s after the last sound.
    EXPECT_EQ(recorded,
              Joined({Silence(400), first, Silence(8000), second, Silence(5600), Silence(400), third, Silence(400)}));
    EXPECT_EQ(m_log.Count("Active 7"), 2u);
    EXPECT_EQ(m_log.Count("Waiting 7"), 2u);
    EXPECT_EQ(m_log.Count("Stop 7"), 1u);
    EXPECT_EQ(m_recorder->LastStopReason(), RecordStopReason::Owner);
}

TEST_F(Recording, ThePreRollKeepsTheQuietOnsetOfAWordThatGrowsLoudInTheNextBlock) {
    const Samples onset = Tone(400, 300); // about -29 dB: below the start level
    const Samples word = Tone(8000, 8000);
    UseInput(Joined({Silence(8400), onset, word, Silence(800)}));

    EXPECT_EQ(RecordAll(), Joined({onset, word, Silence(400)}));
}

TEST_F(Recording, SoundBeginningLateInABlockStartsWithThatBlockAlone) {
    const Samples word = Tone(8000, 8000);
    UseInput(Joined({Silence(8600), word}));

    EXPECT_EQ(RecordAll(), Joined({Silence(600), word, Silence(200)})); // the device's last block is whole
}

TEST_F(Recording, StoppingAfterQuietCutsToAFewHundredthsButStoppingInSoundCutsNothing) {
    const Samples word = Tone(8000, 8000);
    UseInput(Joined({word, Silence(16000)}));
    EXPECT_EQ(RecordAll(), Joined({Silence(400), word, Silence(400)}));

    UseInput(word);
    EXPECT_EQ(RecordAll(), Joined({Silence(400), word}));
}

TEST_F(Recording, AStopRightAfterSpeechKeepsTheBlocksTheDeviceAlreadyCaptured) {
    const Samples word = Tone(4000, 8000);
    UseInput(word);
    LSoundSinkHandle sink = NewSink();
    ASSERT_TRUE(m_recorder->Record(sink, kOneHour, -15, kHangTime));
    sink.Reset();

    m_recorder->StopRecording(); // the device filled its blocks; none was handed over yet

    EXPECT_EQ(ReadWave(m_folder / "out.wav"), Joined({Silence(400), word}));
    EXPECT_EQ(m_log.lines,
              (std::vector<std::string>{"Waiting 7", "Time 0 7", "Levels [] 7", "Stop 7", "Time 0 7", "Levels [] 7"}));
    m_poster.Pump(); // what the device posted meanwhile finds nothing to do
    EXPECT_EQ(m_log.lines.size(), 6u);
}

TEST_F(Recording, NotificationsComeInTheirOrderWithTheOwnersCookie) {
    UseInput(Joined({Silence(1600), Square(1600, 8192)}));
    RecordAll();

    EXPECT_EQ(m_log.lines,
              (std::vector<std::string>{"Waiting 7", "Time 0 7", "Levels [] 7", "Levels -127 7", "Levels -127 7",
                                        "Active 7", "Time 1500 7", "Levels 0 7", "Time 2500 7", "Levels 0 7", "Stop 7",
                                        "Time 0 7", "Levels [] 7"}));
}

TEST_F(Recording, LevelsArePeakLevelsPerChannel) {
    Samples stereo;
    for (const int16_t left : Square(1600, 8192)) {
        stereo.push_back(left);
        stereo.push_back(left > 0 ? 1 : -1);
    }
    UseInput(stereo, 8000, 2);
    LSoundSinkHandle sink = NewSink("out.wav", 8000, 2);
    ASSERT_TRUE(m_recorder->Record(sink, kOneHour, -15, kHangTime));
    m_poster.Pump();

    EXPECT_EQ(m_log.Count("Levels 0,-78 7"), 2u);
    ASSERT_EQ(m_recorder->Levels().Count(), 2);
    EXPECT_EQ(m_recorder->Levels()[0], 0);
    EXPECT_EQ(m_recorder->Levels()[1], -78);
}

TEST_F(Recording, ActivationLevelsGiveStartAndStopLevelsWithinTheDecibelRange) {
    UseInput(Tone(8000, 8000));
    for (const auto& [activation, start, stop] :
         std::vector<std::tuple<int8_t, int8_t, int8_t>>{{-15, -13, -18}, {127, 127, 124}, {-127, -125, -127}}) {
        LSoundSinkHandle sink = NewSink();
        ASSERT_TRUE(m_recorder->Record(sink, kOneHour, activation, kHangTime));
        EXPECT_EQ(m_recorder->StartLevel(), start);
        EXPECT_EQ(m_recorder->StopLevel(), stop);
        m_recorder->StopRecording();
    }
    // At 127 nothing can start a recording (and a sink never written leaves its file as it was).
    std::remove((m_folder / "out.wav").c_str());
    EXPECT_EQ(RecordAll(127).size(), 0u);
    EXPECT_EQ(m_log.Count("Active 7"), 0u);
}

TEST_F(Recording, TheTimeLimitStopsTheRecordingOnceTheSinkPassesIt) {
    UseInput(Tone(80000, 8000));
    const Samples recorded = RecordAll(-15, 10000);

    EXPECT_EQ(recorded.size(), 8400u); // half a block of pre-roll and ten blocks: 1.05 s
    EXPECT_EQ(m_recorder->LastStopReason(), RecordStopReason::MaxTime);
    EXPECT_EQ(m_recorder->State(), RecordState::Stopped);
    EXPECT_EQ(m_log.Count("Stop 7"), 1u);
}

TEST_F(Recording, RecordOnABusyRecorderFinishesTheFirstSinkBeforeStartingOnTheSecond) {
    const Samples word = Tone(8000, 8000);
    UseInput(word);
    LSoundSinkHandle first = NewSink("first.wav");
    ASSERT_TRUE(m_recorder->Record(first, kOneHour, -15, kHangTime));
    first.Reset();
    m_poster.Pump();
    m_log.lines.clear();

    LSoundSinkHandle second = NewSink("second.wav");
    ASSERT_TRUE(m_recorder->Record(second, kOneHour, -15, kHangTime));
    second.Reset();

    EXPECT_EQ(ReadWave(m_folder / "first.wav"), Joined({Silence(400), word})); // finished and readable
    EXPECT_EQ(m_log.lines,
              (std::vector<std::string>{"Stop 7", "Time 0 7", "Levels [] 7", "Waiting 7", "Time 0 7", "Levels [] 7"}));
    m_poster.Pump();
    m_recorder->StopRecording();
    EXPECT_EQ(ReadWave(m_folder / "second.wav"), Joined({Silence(400), word}));
}

TEST_F(Recording, BuffersAreATenthOfASecondWithinTwentyAnd8192Frames) {
    EXPECT_EQ(LSoundRecorder::FramesPerBufferFor(11025), 1102);
    EXPECT_EQ(LSoundRecorder::FramesPerBufferFor(100), 20);
    EXPECT_EQ(LSoundRecorder::FramesPerBufferFor(192000), 8192);
    EXPECT_EQ(LSoundRecorder::FramesPerBufferFor(8000), 800);

    UseInput(Tone(2205, 8000, 440, 11025), 11025);
    LSoundSinkHandle sink = NewSink("out.wav", 11025, 1);
    ASSERT_TRUE(m_recorder->Record(sink, kOneHour, -15, kHangTime));
    EXPECT_EQ(m_recorder->FramesPerBuffer(), 1102);
    EXPECT_EQ(m_recorder->BufferBytes(), 2204);
    m_recorder->StopRecording();
}

TEST_F(Recording, RecordFailsWithoutANotificationForAnEmptySinkASinkInErrorOrADeviceThatCannotOpen) {
    UseInput(Tone(800, 8000));
    LSoundSinkHandle empty;
    EXPECT_FALSE(m_recorder->Record(empty, kOneHour, -15, kHangTime));
    LSoundSinkHandle failed = MakeHandle<FillingSink>(-1);
    failed->Write(nullptr, 1);
    EXPECT_FALSE(m_recorder->Record(failed, kOneHour, -15, kHangTime));
    LSoundSinkHandle sink = NewSink();
    m_recorder->device = 9;
    EXPECT_FALSE(m_recorder->Record(sink, kOneHour, -15, kHangTime));
    LSoundSinkHandle slow = NewSink("slow.wav", 100, 1); // no device records 100 frames per second
    m_recorder->device = 0;
    EXPECT_FALSE(m_recorder->Record(slow, kOneHour, -15, kHangTime));

    EXPECT_TRUE(m_log.lines.empty());
    EXPECT_EQ(m_recorder->State(), RecordState::Stopped);
    EXPECT_EQ(sink->ReferenceCount(), 1u); // not kept
}

TEST_F(Recording, ASinkGoingIntoErrorStopsTheRecordingAndTellsTheOwner) {
    UseInput(Tone(16000, 8000));
    auto* filling = new FillingSink(4000);
    LSoundSinkHandle sink(filling);
    ASSERT_TRUE(m_recorder->Record(sink, kOneHour, -15, kHangTime));
    m_poster.Pump();

    EXPECT_EQ(m_recorder->State(), RecordState::Stopped);
    EXPECT_EQ(m_recorder->LastStopReason(), RecordStopReason::SinkError);
    EXPECT_EQ(filling->Length(), 4400); // the pre-roll and five blocks, the last of them refused
    EXPECT_EQ(filling->framesAfterError, 0);
    EXPECT_EQ(m_log.Count("Stop 7"), 1u);
    EXPECT_EQ(sink->ReferenceCount(), 1u);
}

TEST_F(Recording, ALostDeviceStopsTheRecordingKeepingWhatItCaptured) {
    const Samples word = Tone(4200, 8000);
    UseInput(word, 8000, 1, FileInputEnd::DeviceLost);
    LSoundSinkHandle sink = NewSink();
    ASSERT_TRUE(m_recorder->Record(sink, kOneHour, -15, kHangTime));
    sink.Reset();
    m_poster.Pump();

    EXPECT_EQ(m_recorder->State(), RecordState::Stopped);
    EXPECT_EQ(m_recorder->LastStopReason(), RecordStopReason::DeviceLost);
    EXPECT_EQ(m_log.lines.back(), "Levels [] 7");
    EXPECT_EQ(m_log.Count("Stop 7"), 1u);
    EXPECT_EQ(ReadWave(m_folder / "out.wav"), Joined({Silence(400), word})); // the last, partial block too
}

TEST_F(Recording, TheOwnerMayStopTheRecorderFromInsideANotification) {
    UseInput(Joined({Silence(800), Tone(8000, 8000)}));
    m_log.onEvent = [this](const std::string& line) {
        if (line == "Active 7")
            m_recorder->StopRecording();
    };
    LSoundSinkHandle sink = NewSink();
    ASSERT_TRUE(m_recorder->Record(sink, kOneHour, -15, kHangTime));
    sink.Reset();
    m_poster.Pump();

    EXPECT_EQ(m_log.lines, (std::vector<std::string>{"Waiting 7", "Time 0 7", "Levels [] 7", "Levels -127 7",
                                                     "Active 7", "Stop 7", "Time 0 7", "Levels [] 7"}));
    EXPECT_EQ(m_recorder->State(), RecordState::Stopped);
    // The activating block and what the device had captured by then are kept.
    EXPECT_GE(ReadWave(m_folder / "out.wav").size(), 1200u);
}

TEST_F(Recording, TheOwnerMayDestroyTheRecorderFromInsideANotification) {
    UseInput(Joined({Silence(800), Tone(8000, 8000)}));
    m_log.onEvent = [this](const std::string& line) {
        if (line == "Time 2500 7")
            m_recorder.reset();
    };
    LSoundSinkHandle sink = NewSink();
    ASSERT_TRUE(m_recorder->Record(sink, kOneHour, -15, kHangTime));
    sink.Reset();
    m_poster.Pump();

    EXPECT_EQ(m_recorder, nullptr);
    EXPECT_EQ(m_log.lines.back(), "Time 2500 7");            // nothing after it, not even from the destruction
    EXPECT_GE(ReadWave(m_folder / "out.wav").size(), 2000u); // the file was finished
}

} // namespace
