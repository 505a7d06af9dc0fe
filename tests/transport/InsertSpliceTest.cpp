#include "InsertSplice.h"

#include "DictationLayout.h"
#include "TransportTestSupport.h"

#include <DictationStore.h>
#include <FileOps.h>
#include <WaveFile.h>
#include <cstdlib>
#include <sys/mount.h>
#include <unistd.h>

namespace {

constexpr int32_t kRate = 8000;

class Splicing : public ::testing::Test {
protected:
    // The dictation `old` and the recording `recorded` in `folder`.
    void Write(const Samples& old, const Samples& recorded, int32_t rate = kRate, const std::string& folder = {}) {
        const std::string base = folder.empty() ? m_folder.Path() : folder;
        m_dictation = base + "Dictation 1.wav";
        m_recording = base + ".insert-Dictation 1.wav";
        ASSERT_TRUE(WriteWave(m_dictation, old, rate, 1));
        ASSERT_TRUE(WriteWave(m_recording, recorded, rate, 1));
    }

    TempFolder m_folder;
    std::string m_dictation;
    std::string m_recording;
};

// Answers "cancelled" once the bar passed a share.
class CancelAfter final : public SpliceProgress {
public:
    explicit CancelAfter(int percent) : m_percent(percent) {}
    void SetProgress(int percent) override {
        EXPECT_GE(percent, last);
        last = percent;
    }
    bool IsCancelled() override { return last >= m_percent; }
    int last = 0;

private:
    int m_percent;
};

TEST_F(Splicing, TheRecordingGoesInAtTheFrameBetweenTheTwoPartsOfTheDictation) {
    const Samples old = Ramp(100000);
    const Samples recorded = Ramp(30000, 5000);
    for (const int32_t frame : {0, 1, 8191, 8192, 40000, 99999, 100000, 250000}) {
        Write(old, recorded);
        InsertSplice splice(m_dictation, m_recording, frame);
        CancelAfter never(101);
        ASSERT_EQ(splice.Run(&never), SpliceResult::Spliced) << splice.ErrorText();
        const int32_t at = std::min(frame, 100000);
        EXPECT_EQ(ReadWave(m_dictation), Joined({Part(old, 0, at), recorded, Part(old, at, 100000 - at)}))
            << "at frame " << frame;
        EXPECT_EQ(splice.ResultFrames(), 130000);
        EXPECT_EQ(never.last, 100);
        EXPECT_TRUE(IsDictationLayout(OpenWaveFileWithReason(m_dictation).layout));
        EXPECT_EQ(m_folder.Read(".splice-Dictation 1.wav"), "<missing>");
        EXPECT_EQ(splice.Run(nullptr), SpliceResult::Spliced); // runs once
    }
}

TEST_F(Splicing, ACancelLeavesTheDictationAsItWasAndNoTemporaryFile) {
    Write(Ramp(100000), Ramp(30000, 5000));
    const std::string before = m_folder.Read("Dictation 1.wav");
    for (const int percent : {0, 50, 99}) {
        InsertSplice splice(m_dictation, m_recording, 40000);
        CancelAfter cancel(percent);
        EXPECT_EQ(splice.Run(&cancel), SpliceResult::Cancelled);
        EXPECT_EQ(m_folder.Read("Dictation 1.wav"), before);
        EXPECT_EQ(m_folder.Read(".splice-Dictation 1.wav"), "<missing>");
    }
}

TEST_F(Splicing, InputsThatAreNotDictationRecordingsAtOneRateAreRefused) {
    Write(Ramp(1000), Ramp(1000));
    ASSERT_TRUE(WriteWave(m_recording, Ramp(1000), 11025, 1));
    InsertSplice rates(m_dictation, m_recording, 0);
    EXPECT_EQ(rates.Run(nullptr), SpliceResult::Failed);
    EXPECT_FALSE(rates.ErrorText().empty());

    ASSERT_TRUE(WriteWave(m_recording, Ramp(2000), kRate, 2));
    InsertSplice stereo(m_dictation, m_recording, 0);
    EXPECT_EQ(stereo.Run(nullptr), SpliceResult::Failed);

    InsertSplice missing(m_dictation, m_folder / "nothing.wav", 0);
    EXPECT_EQ(missing.Run(nullptr), SpliceResult::Failed);
    EXPECT_EQ(ReadWave(m_dictation), Ramp(1000));
}

TEST_F(Splicing, OnAFullDiskTheSpliceFailsAndTheDictationStaysWhole) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting a small file system needs root";
    const std::string mountPoint = m_folder / "small/";
    ASSERT_TRUE(MakeFolders(mountPoint));
    if (::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=512k") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here";
    struct Unmount {
        std::string path;
        ~Unmount() { ::umount(path.c_str()); }
    } unmount{mountPoint};

    Write(Ramp(80000), Ramp(24000, 3000), kRate, mountPoint); // 160 KB and 48 KB: the copy does not fit
    const std::string before = ReadFileBytes(m_dictation).value_or("");
    ASSERT_TRUE(WriteFileAtomically(mountPoint + "filler", std::string(200 * 1024, 'x')));
    InsertSplice splice(m_dictation, m_recording, 40000);
    EXPECT_EQ(splice.Run(nullptr), SpliceResult::Failed);
    EXPECT_FALSE(splice.ErrorText().empty());
    EXPECT_EQ(ReadFileBytes(m_dictation).value_or("?"), before);
    EXPECT_FALSE(PathExists(InsertSplice::TemporaryPathFor(m_dictation)));
    EXPECT_TRUE(PathExists(m_recording));
}

TEST_F(Splicing, FilesThatAreNotInTheDictationLayoutAreConvertedInPlaceOrLeftAlone) {
    const std::string path = m_folder / "Dictation 1.wav";
    LayoutResult missing = EnsureDictationLayout(path);
    EXPECT_EQ(missing.outcome, LayoutOutcome::Ready);
    EXPECT_EQ(missing.rate, kRate);

    ASSERT_TRUE(WriteWave(path, Ramp(5000), 11025, 1));
    const LayoutResult ours = EnsureDictationLayout(path);
    EXPECT_EQ(ours.outcome, LayoutOutcome::Ready);
    EXPECT_EQ(ours.rate, 11025);
    EXPECT_EQ(ours.frames, 5000);

    const std::string damaged = m_folder.Write("Dictation 2.wav", "RIFF....WAVEjunk");
    const LayoutResult failed = EnsureDictationLayout(damaged);
    EXPECT_EQ(failed.outcome, LayoutOutcome::Failed);
    EXPECT_FALSE(failed.text.empty());
    EXPECT_EQ(m_folder.Read("Dictation 2.wav"), "RIFF....WAVEjunk");
}

TEST_F(Splicing, OrphanedInsertRecordingsAreOfferedBackAndAdoptedAsNewDictations) {
    const std::string current = m_folder / "Current Files/";
    ASSERT_TRUE(MakeFolders(current));
    ASSERT_TRUE(WriteWave(current + ".insert-Dictation 3.wav", Ramp(16000), kRate, 1));
    ASSERT_TRUE(WriteWave(current + ".insert-Dictation 4.wav", {}, kRate, 1));
    ASSERT_TRUE(WriteWave(current + ".splice-Dictation 3.wav", Ramp(100), kRate, 1));
    ASSERT_TRUE(WriteWave(current + "Dictation 3.wav", Ramp(800), kRate, 1));
    EXPECT_EQ(NewInsertRecordingPath(current + "Dictation 3.wav"), current + ".insert-Dictation 3-2.wav");

    const std::vector<OrphanedInsert> orphans = FindOrphanedInserts(current);
    ASSERT_EQ(orphans.size(), 1u);
    EXPECT_EQ(orphans[0].path, current + ".insert-Dictation 3.wav");
    EXPECT_EQ(orphans[0].length, 20000);
    EXPECT_FALSE(PathExists(current + ".insert-Dictation 4.wav")); // held nothing
    EXPECT_FALSE(PathExists(current + ".splice-Dictation 3.wav")); // half a copy

    DictationStore store(current, m_folder / "Sent Files/", m_folder / "settings.ini");
    const NamedResult adopted = AdoptOrphanedInsert(store, orphans[0].path);
    ASSERT_EQ(adopted.result, StoreResult::Done);
    EXPECT_EQ(ReadWave(store.WavePath(StoreFolder::Current, adopted.name)), Ramp(16000));
    EXPECT_EQ(store.List().value(), (std::vector<std::string>{"Dictation 1", "Dictation 3"}));
    EXPECT_TRUE(FindOrphanedInserts(current).empty());

    ASSERT_TRUE(WriteWave(current + ".insert-Dictation 5.wav", Ramp(800), kRate, 1));
    EXPECT_TRUE(DiscardOrphanedInsert(current + ".insert-Dictation 5.wav"));
    EXPECT_TRUE(FindOrphanedInserts(current).empty());
}

} // namespace
