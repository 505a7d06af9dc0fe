// The insert splice's rules, the dictation layout, and the dictation transport on the file device: recording over
// and inserting, playing, positioning, scrubbing, devices that do not open and full disks.
#include "TransportTestSupport.h"
#include "app/DictationLayout.h"
#include "app/DictationTransport.h"
#include "sound/SampleFormat.h"
#include "sound/WaveFile.h"

#include <sys/mount.h>
#include <unistd.h>

namespace {

constexpr int32_t kRate = 8000;
constexpr int32_t kSecond = 10000; // 1/10000 s

// A small file system at `path` for as long as it lives; not mounted where that is not permitted (skip then).
struct SmallDisk {
    SmallDisk(const std::string& at, const char* size)
        : path(at),
          mounted(::geteuid() == 0 && MakeFolders(at) && ::mount("tmpfs", at.c_str(), "tmpfs", 0, size) == 0) {}
    ~SmallDisk() {
        if (mounted)
            ::umount(path.c_str());
    }
    std::string path;
    bool mounted;
};

// Answers "cancelled" once the bar reached `at` percent (above 100: never); the bar must never go back.
struct CancelAt final : SpliceProgress {
    explicit CancelAt(int at) : at(at) {}
    void SetProgress(int percent) override {
        EXPECT_GE(percent, last);
        last = percent;
    }
    bool IsCancelled() override { return last >= at; }
    int at, last = 0;
};

TEST(Splice, TheRecordingGoesInAtItsFrameOrTheDictationStaysAsItWas) {
    using enum SpliceResult;
    const Samples old = Ramp(100000);
    const Samples recorded = Ramp(30000, 5000);
    // The frame; the percent at which the splice is cancelled (above 100: never); the recording's rate (0: there is
    // none) and channels; whether the dictation is damaged; the result.
    const std::tuple<int32_t, int, int32_t, uint8_t, bool, SpliceResult> table[] = {
        {0, 101, kRate, 1, false, Spliced},      {8191, 101, kRate, 1, false, Spliced},
        {8192, 101, kRate, 1, false, Spliced},   {40000, 101, kRate, 1, false, Spliced},
        {100000, 101, kRate, 1, false, Spliced}, {250000, 101, kRate, 1, false, Spliced},
        {40000, 0, kRate, 1, false, Cancelled},  {40000, 99, kRate, 1, false, Cancelled},
        {0, 101, 11025, 1, false, Failed},       {0, 101, kRate, 2, false, Failed},
        {0, 101, 0, 1, false, Failed},           {0, 101, kRate, 1, true, Failed}};
    for (const auto& row : table) {
        SCOPED_TRACE(testing::Message() << "row " << &row - table);
        const auto& [frame, cancelAt, recordingRate, recordingChannels, dictationDamaged, result] = row;
        TempFolder folder;
        const std::string dictation = folder / "Dictation 1.wav";
        const std::string recording = folder / ".insert-Dictation 1.wav";
        ASSERT_TRUE(dictationDamaged ? !folder.Write("Dictation 1.wav", "RIFF....WAVEjunk").empty()
                                     : WriteWave(dictation, old, kRate, 1));
        ASSERT_TRUE(recordingRate == 0 ||
                    WriteWave(recording, Interleaved(recorded, recordingChannels), recordingRate, recordingChannels));
        const std::string before = folder.Read("Dictation 1.wav");
        InsertSplice splice(dictation, recording, frame);
        CancelAt progress(cancelAt);
        ASSERT_EQ(splice.Run(&progress), result) << splice.ErrorText();
        EXPECT_EQ(splice.Run(nullptr), result); // it runs once
        EXPECT_FALSE(PathExists(InsertSplice::TemporaryPathFor(dictation)));
        EXPECT_EQ(splice.ErrorText().empty(), result != Failed);
        if (result != Spliced) {
            EXPECT_EQ(folder.Read("Dictation 1.wav"), before);
            continue;
        }
        const int32_t at = std::min(frame, 100000);
        EXPECT_EQ(ReadWave(dictation), Joined({Part(old, 0, at), recorded, Part(old, at, 100000 - at)}));
        EXPECT_EQ(progress.last, 100);
        EXPECT_TRUE(IsDictationLayout(OpenWaveFileWithReason(dictation).layout));
    }
}

TEST(Layout, AnEightBitFileIsConvertedInPlaceAndADamagedOneIsLeftAlone) {
    TempFolder folder;
    const std::string eightBit = folder / "Tape 1.wav";
    LSoundSinkHandle sink = CreatePCMFileSink(eightBit, kRate, 1, 8, 0);
    std::vector<int32_t> block(kRate, 0);
    sink->Write(block.data(), kRate);
    ASSERT_TRUE(FinishFileSink(*sink));
    sink.Reset();
    const LayoutResult converted = EnsureDictationLayout(eightBit, [](const std::string&) { return true; });
    EXPECT_EQ(converted.outcome, LayoutOutcome::Converted);
    EXPECT_EQ(ReadWave(eightBit), Silence(kRate));
    EXPECT_TRUE(IsDictationLayout(OpenWaveFileWithReason(eightBit).layout));

    const std::string damaged = folder.Write("Tape 2.wav", "RIFF....WAVEjunk");
    const LayoutResult failed = EnsureDictationLayout(damaged, [](const std::string&) { return true; });
    EXPECT_EQ(failed.outcome, LayoutOutcome::Failed);
    EXPECT_FALSE(failed.text.empty());
    EXPECT_EQ(folder.Read("Tape 2.wav"), "RIFF....WAVEjunk");
    EXPECT_FALSE(HoldsHiddenFiles(folder.Path()));
}

// What happens while recording: sound, a cancelled splice, a dictation damaged meanwhile (its insert recording kept;
// these three splice), only silence, no device, or the answer No to converting a stereo dictation (else Yes).
enum class Event { Sound, Cancel, Damage, Silence, NoDevice, Decline };

// The rate and channels of the dictation before it is recorded into, the position (seconds of twenty), insert or
// record over, and the event.
using RecordCase = std::tuple<int32_t, uint8_t, int, bool, Event>;

class TransportRecording : public TransportTest, public ::testing::WithParamInterface<RecordCase> {};

TEST_P(TransportRecording, RecordingKeepsWhatWasBeforeThePositionAtTheDictationsOwnRateAndLayoutOrChangesNothing) {
    const auto [rate, channels, thumb, insert, event] = GetParam();
    const int32_t block = LSoundRecorder::FramesPerBufferFor(rate);
    const Samples spoken = Tone(3 * rate / block * block, 8000, 620, rate);
    const Samples old = Ramp(20 * rate);
    Samples stereo, kept = old; // a stereo dictation's right channel differs: converted, each frame is the mean
    for (size_t i = 0; i < old.size(); ++i) {
        stereo.insert(stereo.end(), {old[i], int16_t(old[i] + 2000)});
        kept[i] = int16_t(old[i] + (channels == 2 ? 1000 : 0));
    }
    const Samples recorded = AsRecorded(spoken, rate);
    const std::string path = PathOf(StoreFolder::Current, "Dictation 1");
    UseInput(event == Event::Silence ? Silence(3 * rate) : spoken, rate);
    ASSERT_TRUE(event != Event::NoDevice || RemoveFile(m_folder / "input.wav"));
    DictationTransport& transport = OpenOn(channels == 2 ? stereo : old, rate, channels);
    m_view.answers = {event != Event::Decline}; // asked about a stereo dictation only
    const std::string before = m_folder.Read("Current Files/Dictation 1.wav");
    AddDictation("Tape 1", 1.0);
    CancelAt cancel(0);
    m_view.spliceProgress = event == Event::Cancel ? &cancel : nullptr;
    // Commands wait for the splice; a dictation handed over meanwhile is only listed.
    m_view.duringSplice = [&, damage = event == Event::Damage] {
        transport.Play();
        transport.Record();
        m_session->New();
        m_session->SendToDefault();
        EXPECT_TRUE(m_session->HandOver(PathOf(StoreFolder::Current, "Tape 1"), false));
        EXPECT_TRUE(transport.IsSplicing() && !transport.IsPlaying() && !transport.IsRecording());
        ASSERT_TRUE(!damage || WriteFileAtomically(path, "not a wave file"));
    };
    transport.SetInsertMode(insert);
    ThumbTo(thumb);
    transport.Record();
    m_poster.Pump();
    transport.Stop();

    const bool spliced = insert && thumb < 20 && event <= Event::Damage;
    EXPECT_EQ(m_view.busyShown, (spliced ? std::vector<bool>{true, false} : std::vector<bool>{}));
    EXPECT_EQ(m_session->Names().size(), spliced ? 2u : 1u);
    EXPECT_EQ(m_session->CurrentName(), "Dictation 1");
    EXPECT_EQ(m_view.told.size(), event == Event::Damage || event == Event::NoDevice ? 1u : 0u);
    if (event == Event::Damage) {
        const std::vector<OrphanedInsert> orphans = FindOrphanedInserts(m_settings.currentFolder);
        ASSERT_EQ(orphans.size(), 1u);
        EXPECT_EQ(ReadWave(orphans[0].path), recorded);
        return;
    }
    EXPECT_FALSE(HoldsHiddenFiles(m_settings.currentFolder));
    if (event != Event::Sound) {
        EXPECT_EQ(m_folder.Read("Current Files/Dictation 1.wav"), before);
        return;
    }
    const int32_t at = FramesForTime(thumb * kSecond, rate);
    EXPECT_EQ(ReadWave(path),
              Joined({Part(kept, 0, at), recorded, insert ? Part(kept, at, 20 * rate - at) : Samples()}));
    EXPECT_EQ(OpenWaveFileWithReason(path).layout.format, WaveFormatRecord::Pcm(rate, 1, 16));
    const int32_t end = TimeForFrames(at + int32_t(recorded.size()), rate);
    EXPECT_EQ(transport.Position(), end);
    EXPECT_EQ(transport.Length(), insert ? TimeForFrames(20 * rate + int32_t(recorded.size()), rate) : end);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TransportRecording,
    ::testing::Values(RecordCase{kRate, 1, 5, false, Event::Sound}, RecordCase{kRate, 2, 5, false, Event::Sound},
                      RecordCase{11025, 1, 5, false, Event::Sound}, RecordCase{11025, 1, 5, true, Event::Sound},
                      RecordCase{kRate, 1, 20, true, Event::Sound}, RecordCase{kRate, 1, 5, true, Event::Cancel},
                      RecordCase{kRate, 1, 5, true, Event::Damage}, RecordCase{kRate, 1, 5, false, Event::Silence},
                      RecordCase{kRate, 1, 5, true, Event::Silence}, RecordCase{kRate, 1, 5, false, Event::NoDevice},
                      RecordCase{kRate, 1, 5, true, Event::NoDevice}, RecordCase{kRate, 2, 5, true, Event::Decline}));

// On a disk that fills: a splice, whose copy does not fit, fails and changes nothing; recording stops and keeps
// what reached the file.
TEST_F(TransportTest, OnAFullDiskASpliceFailsChangingNothingAndRecordingStopsKeepingWhatReachedTheFile) {
    const SmallDisk disk(m_folder / "small/", "size=512k");
    if (!disk.mounted)
        GTEST_SKIP() << "mounting a small file system needs root";
    const Samples old = Ramp(80000);
    const std::string dictation = m_folder / "small/Dictation 1.wav";
    const std::string recording = m_folder / "small/.insert-Dictation 1.wav";
    ASSERT_TRUE(WriteWave(dictation, old, kRate, 1)); // 160 KB and 48 KB, and 200 KB of filler: 100 KB are free
    ASSERT_TRUE(WriteWave(recording, Ramp(24000, 3000), kRate, 1));
    ASSERT_TRUE(WriteFileAtomically(m_folder / "small/filler", std::string(200 * 1024, 'x')));
    const std::string before = m_folder.Read("small/Dictation 1.wav");
    InsertSplice splice(dictation, recording, 40000);
    EXPECT_EQ(splice.Run(nullptr), SpliceResult::Failed);
    EXPECT_FALSE(splice.ErrorText().empty());
    EXPECT_EQ(m_folder.Read("small/Dictation 1.wav"), before);
    EXPECT_FALSE(PathExists(InsertSplice::TemporaryPathFor(dictation)));
    EXPECT_TRUE(PathExists(recording));

    UseInput(Tone(10 * kRate, 8000)); // 160 KB
    Open().Transport().SetCurrent(dictation);
    Transport().Record();
    m_poster.Pump();
    EXPECT_FALSE(Transport().IsRecording());
    ASSERT_EQ(m_view.told.size(), 1u); // "the disk may be full"
    const Samples kept = ReadWave(dictation);
    ASSERT_GT(kept.size(), old.size());
    EXPECT_EQ(Part(kept, 0, 80000), old);
}

TEST_F(TransportTest, ScrollingStepsTwoSecondsWithinTheDictationAndMovesThePlayerWhilePlaying) {
    using enum DictationTransport::ScrollAction;
    DictationTransport& transport = OpenOn(Ramp(30 * kRate));
    // Playing or not, the thumb it starts from, the action and its thumb, and the position reached. While playing, the
    // end is a second before it; a play from within the last second starts at the beginning.
    const std::tuple<bool, int, DictationTransport::ScrollAction, int, int32_t> table[] = {
        {false, 20, Thumb, 1, 15000},    {false, 1, LineLeft, 0, 0},    {false, 19, LineRight, 0, 300000},
        {false, 0, Bottom, 0, 300000},   {false, 20, Top, 0, 0},        {true, 0, Thumb, 10, 150000},
        {true, 20, LineRight, 0, 20000}, {true, 10, Bottom, 0, 290000}, {true, 10, Top, 0, 0}};
    for (const auto& [playing, fromThumb, action, thumb, position] : table) {
        SCOPED_TRACE(testing::Message() << "from " << fromThumb << ", action " << int(action) << ", playing "
                                        << playing);
        transport.Stop();
        ThumbTo(fromThumb);
        if (playing)
            transport.Play();
        transport.Scroll(action, thumb);
        EXPECT_EQ(transport.Position(), position);
        EXPECT_EQ(transport.IsPlaying(), playing);
    }
}

TEST_F(TransportTest, RewindAndFastForwardScrubWhileHeldAndTheReleaseResumesOnlyWhatWasRunning) {
    const Samples spoken = Tone(3 * kRate, 8000);
    const int32_t recordedEnd = TimeForFrames(20 * kRate + int32_t(AsRecorded(spoken).size()), kRate);
    enum class From { Stopped, Playing, Recording };
    // Where it starts from, the thumb, fast forward or rewind, whether it scrubs, the position shown after the press,
    // whether it plays after the release. Fast forward starts half a second on, beyond the end it goes there; rewind
    // starts 0.3 s before the playing point or half a second back; while recording fast forward only stops, rewind
    // plays back what was recorded.
    const std::tuple<From, int, bool, bool, int32_t, bool> table[] = {
        {From::Stopped, 10, true, true, 105000, false},
        {From::Stopped, 20, true, false, 200000, false},
        {From::Playing, 10, false, true, 97000, true},
        {From::Stopped, 4, false, true, 35000, false},
        {From::Recording, 20, true, false, recordedEnd, false},
        {From::Recording, 20, false, true, recordedEnd - 3000, true}};
    for (const auto& row : table) {
        SCOPED_TRACE(testing::Message() << "row " << &row - table);
        const auto& [from, thumb, forward, scrubbing, shown, playingAfterRelease] = row;
        UseInput(spoken);
        DictationTransport& transport = OpenOn(Ramp(20 * kRate));
        ThumbTo(thumb);
        if (from == From::Playing)
            transport.Play();
        if (from == From::Recording) {
            transport.Record();
            m_poster.Pump();
        }
        const auto press = [&transport, forward = forward] {
            forward ? transport.ForwardPress() : transport.RewindPress();
        };
        press();
        EXPECT_FALSE(transport.IsRecording());
        EXPECT_EQ(transport.IsPlaying(), scrubbing);
        EXPECT_EQ(forward ? transport.IsForwarding() : transport.IsRewinding(), scrubbing);
        EXPECT_EQ(m_view.positions.back(), shown);
        press(); // the key repeats: nothing new
        EXPECT_EQ(m_view.positions.back(), shown);
        transport.ScrubRelease();
        EXPECT_FALSE(transport.IsRewinding() || transport.IsForwarding());
        EXPECT_EQ(transport.IsPlaying(), playingAfterRelease);
        EXPECT_TRUE(!forward || transport.Position() >= shown);
    }
}

} // namespace
