#include "DictationTransport.h"

#include "TransportTestSupport.h"

#include <DictationLayout.h>
#include <FileOps.h>
#include <IniValues.h>
#include <SettingsKeys.h>
#include <WaveFile.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

constexpr int32_t kRate = 8000;
constexpr int32_t kSecond = 10000; // 1/10000 s

using Transport = TransportFixture;
using Scroll = DictationTransport::ScrollAction;

TEST_F(Transport, RecordingOverAtFiveSecondsOfTwentyKeepsTheFirstFiveSecondsThenTheNewAudio) {
    const Samples old = Ramp(20 * kRate);
    const Samples spoken = Tone(3 * kRate, 8000, 620);
    Start(spoken);
    const std::string path = MakeCurrent(old);
    EXPECT_EQ(m_transport->Position(), 20 * kSecond); // a dictation is selected at its end
    ThumbTo(5);
    ASSERT_EQ(m_transport->Position(), 5 * kSecond);

    RecordAll();

    EXPECT_EQ(ReadWave(path), Joined({Part(old, 0, 5 * kRate), AsRecorded(spoken)}));
    EXPECT_EQ(m_transport->Length(), m_transport->Position());
    EXPECT_EQ(m_transport->Position(),
              TimeForFrames(5 * kRate + static_cast<int32_t>(AsRecorded(spoken).size()), kRate));
    EXPECT_EQ(m_view.images.front(), RecordImage::Waiting);
    EXPECT_EQ(m_view.images.back(), RecordImage::Idle);
    EXPECT_EQ(m_view.splicesRun, 0);
}

TEST_F(Transport, InsertingInTheMiddleAtBothEndsSplicesTheRecordingInSampleBySample) {
    const Samples old = Ramp(20 * kRate);
    const Samples spoken = Tone(3 * kRate, 8000, 620);
    const Samples recorded = AsRecorded(spoken);

    // In the middle: 0 to 5 s old, the new audio, then the old 5 to 20 s.
    Start(spoken);
    std::string path = MakeCurrent(old);
    m_transport->SetInsertMode(true);
    ThumbTo(5);
    RecordAll();
    EXPECT_EQ(ReadWave(path), Joined({Part(old, 0, 5 * kRate), recorded, Part(old, 5 * kRate, 15 * kRate)}));
    EXPECT_EQ(m_view.splicesRun, 1);
    EXPECT_EQ(m_view.busyCalls, (std::vector<bool>{true, false}));
    EXPECT_EQ(m_transport->Position(), TimeForFrames(5 * kRate + static_cast<int32_t>(recorded.size()), kRate));
    EXPECT_EQ(m_transport->Length(), TimeForFrames(20 * kRate + static_cast<int32_t>(recorded.size()), kRate));
    EXPECT_TRUE(m_view.lastInsertImage);
    EXPECT_TRUE(HiddenFiles(m_current).empty());

    // At the start: before everything.
    Start(spoken);
    path = MakeCurrent(old, kRate, 1, "Dictation 2");
    m_transport->SetInsertMode(true);
    m_transport->GoToStart();
    RecordAll();
    EXPECT_EQ(ReadWave(path), Joined({recorded, old}));

    // At the end: appended, without a splice.
    Start(spoken);
    path = MakeCurrent(old, kRate, 1, "Dictation 3");
    m_transport->SetInsertMode(true);
    const int splicesBefore = m_view.splicesRun;
    RecordAll();
    EXPECT_EQ(ReadWave(path), Joined({old, recorded}));
    EXPECT_EQ(m_view.splicesRun, splicesBefore);
    EXPECT_TRUE(HiddenFiles(m_current).empty());
}

TEST_F(Transport, AnElevenKilohertzDictationIsRecordedOverAndInsertedIntoAtItsOwnRate) {
    constexpr int32_t kTransferRate = 11025;
    const Samples old = Ramp(20 * kTransferRate);
    const Samples spoken = Tone(WholeBlocks(3 * kTransferRate, kTransferRate), 8000, 620, kTransferRate);
    const Samples recorded = AsRecorded(spoken, kTransferRate);
    const int32_t fiveSeconds = FramesForTime(5 * kSecond, kTransferRate);

    Start(spoken, kTransferRate);
    std::string path = MakeCurrent(old, kTransferRate);
    EXPECT_EQ(m_transport->Length(), 20 * kSecond);
    m_transport->SetInsertMode(true);
    ThumbTo(5);
    RecordAll();
    int32_t rate = 0;
    EXPECT_EQ(ReadWave(path, &rate),
              Joined({Part(old, 0, fiveSeconds), recorded, Part(old, fiveSeconds, 20 * kTransferRate - fiveSeconds)}));
    EXPECT_EQ(rate, kTransferRate);

    Start(spoken, kTransferRate);
    path = MakeCurrent(old, kTransferRate, 1, "Dictation 2");
    ThumbTo(5);
    RecordAll();
    EXPECT_EQ(ReadWave(path, &rate), Joined({Part(old, 0, fiveSeconds), recorded}));
    EXPECT_EQ(rate, kTransferRate);
}

TEST_F(Transport, AForeignDictationIsConvertedToSixteenBitMonoBeforeItIsRecordedInto) {
    const Samples old = Ramp(20 * kRate);
    Samples stereo;
    for (int16_t sample : old) {
        stereo.push_back(sample);
        stereo.push_back(sample);
    }
    const Samples spoken = Tone(3 * kRate, 8000, 620);
    Start(spoken);
    const std::string path = MakeCurrent(stereo, kRate, 2);
    ThumbTo(5);
    RecordAll();

    uint8_t channels = 0;
    const Samples result = ReadWave(path, nullptr, &channels);
    EXPECT_EQ(channels, 1);
    EXPECT_EQ(result, Joined({Part(old, 0, 5 * kRate), AsRecorded(spoken)}));
    EXPECT_TRUE(HiddenFiles(m_current).empty());

    // Eight-bit samples become sixteen-bit ones of the same length.
    LSoundSinkHandle eightBit = CreatePCMFileSink(m_current + "Tape 1.wav", kRate, 1, 8, 0);
    std::vector<int32_t> block(static_cast<size_t>(kRate), 0);
    eightBit->Write(block.data(), kRate);
    ASSERT_TRUE(FinishFileSink(*eightBit));
    eightBit.Reset();
    const LayoutResult converted = EnsureDictationLayout(m_current + "Tape 1.wav");
    EXPECT_EQ(converted.outcome, LayoutOutcome::Converted);
    EXPECT_EQ(converted.frames, kRate);
    EXPECT_TRUE(IsDictationLayout(OpenWaveFileWithReason(m_current + "Tape 1.wav").layout));
}

TEST_F(Transport, RecordingThatNeverStartsLeavesTheDictationWhole) {
    const Samples old = Ramp(20 * kRate);

    // Nothing above the activation level: recording over at 5 s cuts nothing.
    Start(Silence(3 * kRate));
    const std::string path = MakeCurrent(old);
    const std::string before = m_folder.Read("Current Files/Dictation 1.wav");
    ThumbTo(5);
    RecordAll();
    EXPECT_EQ(m_folder.Read("Current Files/Dictation 1.wav"), before);
    m_transport->SetInsertMode(true);
    RecordAll();
    EXPECT_EQ(m_folder.Read("Current Files/Dictation 1.wav"), before);
    EXPECT_TRUE(HiddenFiles(m_current).empty());

    // A device that does not open: the error box, the dictation whole, no insert recording left.
    ASSERT_TRUE(WriteIntValue(m_settings, SettingsKeys::kSoundIn, 99));
    Start(Tone(3 * kRate, 8000), kRate, false);
    m_transport->SetCurrent(path);
    ThumbTo(5);
    for (bool insert : {false, true}) {
        m_transport->SetInsertMode(insert);
        m_transport->Record();
        EXPECT_FALSE(m_transport->IsRecording());
        EXPECT_EQ(m_folder.Read("Current Files/Dictation 1.wav"), before);
        EXPECT_TRUE(HiddenFiles(m_current).empty());
    }
    ASSERT_EQ(m_view.deviceErrors.size(), 2u);
    EXPECT_EQ(m_view.deviceErrors[0], kCannotRecordText);
    EXPECT_EQ(m_view.images.back(), RecordImage::Idle);
}

TEST_F(Transport, RecordWithoutADictationCreatesOneFirstAndRecordsIntoIt) {
    const Samples spoken = Tone(2 * kRate, 8000);
    Start(spoken);
    m_view.newDictationPath = m_current + "Dictation 4.wav";
    RecordAll();
    EXPECT_EQ(m_view.dictationsCreated, 1);
    EXPECT_EQ(m_transport->CurrentPath(), m_view.newDictationPath);
    EXPECT_EQ(ReadWave(m_view.newDictationPath), AsRecorded(spoken));

    // When New fails nothing is recorded.
    m_transport->SetCurrent("");
    m_view.newDictationPath.clear();
    m_transport->Record();
    EXPECT_FALSE(m_transport->IsRecording());
}

TEST_F(Transport, PlayWithinTheLastSecondStartsAtTheBeginningAndEarlierAtThePosition) {
    Start();
    MakeCurrent(Ramp(20 * kRate));
    m_transport->Play(); // selected at its end
    EXPECT_TRUE(m_transport->IsPlaying());
    EXPECT_EQ(m_view.positions.back(), 0);
    EXPECT_EQ(m_view.playingShown.back(), true);

    m_transport->Stop();
    EXPECT_FALSE(m_transport->IsPlaying());
    EXPECT_EQ(m_view.playingShown.back(), false);
    ThumbTo(19); // 19 s: within the last second
    m_transport->Play();
    EXPECT_EQ(m_view.positions.back(), 0);

    m_transport->Stop();
    ThumbTo(18);
    m_transport->Play();
    EXPECT_EQ(m_view.positions.back(), 18 * kSecond);
    const int32_t reached = m_transport->Position();
    m_transport->Stop();
    EXPECT_EQ(m_transport->Position(), reached); // the stop keeps where playback was
    EXPECT_TRUE(m_view.deviceErrors.empty());
}

TEST_F(Transport, GoToStartAndEndMoveThePositionWhenStoppedAndThePlayerWhilePlaying) {
    Start();
    MakeCurrent(Ramp(20 * kRate));
    m_transport->GoToStart();
    EXPECT_EQ(m_transport->Position(), 0);
    m_transport->GoToEnd();
    EXPECT_EQ(m_transport->Position(), 20 * kSecond);
    EXPECT_EQ(m_view.lastLength, 20 * kSecond);

    ThumbTo(10);
    m_transport->Play();
    m_transport->GoToEnd();
    EXPECT_TRUE(m_transport->IsPlaying());
    EXPECT_EQ(m_transport->Position(), 19 * kSecond);
    m_transport->GoToStart();
    EXPECT_TRUE(m_transport->IsPlaying());
    EXPECT_EQ(m_transport->Position(), 0);
}

TEST_F(Transport, TheScrollBarStepsTwoSecondsWithinTheDictationAndItsThumbSetsAShare) {
    Start();
    MakeCurrent(Ramp(30 * kRate));
    ThumbTo(1); // 1.5 s
    EXPECT_EQ(m_transport->Position(), 15000);
    m_transport->Scroll(Scroll::LineLeft, 0);
    EXPECT_EQ(m_transport->Position(), 0);
    m_transport->Scroll(Scroll::PageRight, 0);
    EXPECT_EQ(m_transport->Position(), 2 * kSecond);
    m_transport->Scroll(Scroll::Bottom, 0);
    EXPECT_EQ(m_transport->Position(), 30 * kSecond);
    m_transport->Scroll(Scroll::PageLeft, 0);
    m_transport->Scroll(Scroll::LineRight, 0);
    m_transport->Scroll(Scroll::LineRight, 0); // a step forward one second before the end reaches the end
    EXPECT_EQ(m_transport->Position(), 30 * kSecond);
    m_transport->Scroll(Scroll::Top, 0);
    EXPECT_EQ(m_transport->Position(), 0);

    EXPECT_EQ(DictationTransport::ScrollThumbFor(15 * kSecond, 30 * kSecond), 10);
    EXPECT_EQ(DictationTransport::ScrollThumbFor(30 * kSecond, 30 * kSecond), 20);
    EXPECT_EQ(DictationTransport::ScrollThumbFor(5, 0), 0);

    // While playing the scroll bar moves the player.
    m_transport->Play();
    ThumbTo(10);
    EXPECT_TRUE(m_transport->IsPlaying());
    EXPECT_EQ(m_transport->Position(), 15 * kSecond);
}

TEST_F(Transport, FastForwardFromAStopPlaysSpedUpFromHalfASecondOnAndReleaseLeavesThePosition) {
    Start();
    MakeCurrent(Ramp(20 * kRate));
    ThumbTo(10);
    m_transport->ForwardPress();
    EXPECT_TRUE(m_transport->IsForwarding());
    EXPECT_TRUE(m_transport->IsPlaying());
    EXPECT_EQ(m_view.positions.back(), 105000);
    m_transport->ForwardPress(); // the key repeats: nothing new
    EXPECT_TRUE(m_transport->IsForwarding());

    m_transport->ScrubRelease();
    EXPECT_FALSE(m_transport->IsPlaying());
    EXPECT_FALSE(m_transport->IsForwarding());
    EXPECT_GE(m_transport->Position(), 105000);

    // Beyond the end a fast forward goes to the end instead.
    m_transport->GoToEnd();
    m_transport->ForwardPress();
    EXPECT_FALSE(m_transport->IsPlaying());
    EXPECT_EQ(m_transport->Position(), 20 * kSecond);
}

TEST_F(Transport, RewindDuringPlaybackRunsBackFromBeforeThePlayingPointAndReleaseResumesPlayback) {
    Start();
    MakeCurrent(Ramp(20 * kRate));
    ThumbTo(10);
    m_transport->Play();
    m_transport->RewindPress();
    EXPECT_TRUE(m_transport->IsRewinding());
    EXPECT_EQ(m_view.positions.back(), 97000);
    m_transport->RewindPress(); // held: nothing new
    EXPECT_EQ(m_view.positions.back(), 97000);

    m_transport->ScrubRelease();
    EXPECT_TRUE(m_transport->IsPlaying());
    EXPECT_FALSE(m_transport->IsRewinding());
    EXPECT_EQ(m_view.positions.back(), 97000);

    // From a stop: half a second back, and the release only stops.
    m_transport->Stop();
    ThumbTo(4);
    m_transport->RewindPress();
    EXPECT_EQ(m_view.positions.back(), 35000);
    m_transport->ScrubRelease();
    EXPECT_FALSE(m_transport->IsPlaying());
}

TEST_F(Transport, FastForwardWhileRecordingOnlyStopsButRewindPlaysBackWhatWasJustRecorded) {
    const Samples spoken = Tone(3 * kRate, 8000);
    Start(spoken);
    MakeCurrent(Ramp(10 * kRate));
    m_transport->Record();
    m_poster.Pump();
    m_transport->ForwardPress();
    EXPECT_FALSE(m_transport->IsRecording());
    EXPECT_FALSE(m_transport->IsPlaying());
    m_transport->ScrubRelease();
    EXPECT_FALSE(m_transport->IsPlaying());

    Start(spoken);
    MakeCurrent(Ramp(10 * kRate), kRate, 1, "Dictation 2");
    m_transport->Record();
    m_poster.Pump();
    m_transport->RewindPress();
    EXPECT_FALSE(m_transport->IsRecording());
    EXPECT_TRUE(m_transport->IsRewinding());
    const int32_t recordedEnd = TimeForFrames(10 * kRate + static_cast<int32_t>(AsRecorded(spoken).size()), kRate);
    EXPECT_EQ(m_view.positions.back(), recordedEnd - 3000);
    m_transport->ScrubRelease();
    EXPECT_TRUE(m_transport->IsPlaying()); // resumes, as after a rewind during playback
}

TEST_F(Transport, ShutdownDuringAnInsertRecordingSplicesItInBeforeLettingGo) {
    const Samples old = Ramp(20 * kRate);
    const Samples spoken = Tone(3 * kRate, 8000, 620);
    Start(spoken);
    const std::string path = MakeCurrent(old);
    m_transport->SetInsertMode(true);
    ThumbTo(5);
    m_transport->Record();
    m_poster.Pump();
    ASSERT_TRUE(m_transport->IsRecording());

    m_transport->Shutdown();
    EXPECT_EQ(ReadWave(path), Joined({Part(old, 0, 5 * kRate), AsRecorded(spoken), Part(old, 5 * kRate, 15 * kRate)}));
    EXPECT_EQ(m_recorder->notify, nullptr);
    EXPECT_EQ(m_player->notify, nullptr);
    EXPECT_TRUE(HiddenFiles(m_current).empty());
    m_transport->Play(); // after Shutdown commands do nothing
    EXPECT_FALSE(m_transport->IsPlaying());
}

// Cancels at its first check.
class CancelAtOnce final : public SpliceProgress {
public:
    void SetProgress(int) override {}
    bool IsCancelled() override { return true; }
};

TEST_F(Transport, ACancelledSpliceLeavesTheDictationAsItWasAndCommandsWaitForTheSplice) {
    const Samples old = Ramp(20 * kRate);
    Start(Tone(3 * kRate, 8000));
    const std::string path = MakeCurrent(old);
    const std::string before = m_folder.Read("Current Files/Dictation 1.wav");
    CancelAtOnce cancel;
    m_view.progress = &cancel;
    m_view.duringSplice = [this] {
        EXPECT_TRUE(m_transport->IsSplicing());
        m_transport->Play();
        m_transport->Record();
        EXPECT_FALSE(m_transport->IsPlaying());
        EXPECT_FALSE(m_transport->IsRecording());
    };
    m_transport->SetInsertMode(true);
    ThumbTo(5);
    RecordAll();
    EXPECT_EQ(m_view.splicesRun, 1);
    EXPECT_EQ(m_folder.Read("Current Files/Dictation 1.wav"), before);
    EXPECT_TRUE(HiddenFiles(m_current).empty()); // the user cancelled: the insert recording goes too
    EXPECT_FALSE(m_transport->IsSplicing());
}

TEST_F(Transport, AFailedSpliceKeepsTheInsertRecordingForTheNextStart) {
    const Samples old = Ramp(20 * kRate);
    Start(Tone(3 * kRate, 8000));
    const std::string path = MakeCurrent(old);
    const std::string before = m_folder.Read("Current Files/Dictation 1.wav");
    // The dictation becomes unreadable while the insert is recorded.
    m_view.duringSplice = [&] { ASSERT_TRUE(WriteFileAtomically(path, "not a wave file")); };
    m_transport->SetInsertMode(true);
    ThumbTo(5);
    RecordAll();
    ASSERT_EQ(m_view.editErrors.size(), 1u);
    const std::vector<OrphanedInsert> orphans = FindOrphanedInserts(m_current);
    ASSERT_EQ(orphans.size(), 1u);
    EXPECT_EQ(ReadWave(orphans[0].path), AsRecorded(Tone(3 * kRate, 8000)));
}

TEST_F(Transport, RecordingOntoAFullDiskStopsAndKeepsWhatReachedTheFile) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting a small file system needs root";
    const std::string small = m_folder / "small/";
    ASSERT_TRUE(MakeFolders(small));
    if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here";
    struct Unmount {
        std::string path;
        ~Unmount() { ::umount(path.c_str()); }
    } unmount{small};

    const Samples old = Ramp(kRate);
    Start(Tone(10 * kRate, 8000));
    const std::string path = small + "Dictation 1.wav";
    ASSERT_TRUE(WriteWave(path, old, kRate, 1));
    m_transport->SetCurrent(path);
    m_transport->Record();
    m_poster.Pump();
    EXPECT_FALSE(m_transport->IsRecording());
    ASSERT_EQ(m_view.editErrors.size(), 1u);
    const Samples kept = ReadWave(path);
    ASSERT_GT(kept.size(), old.size());
    EXPECT_EQ(Part(kept, 0, kRate), old);
    EXPECT_EQ(m_transport->Length(), TimeForFrames(static_cast<int32_t>(kept.size()), kRate));
}

} // namespace
