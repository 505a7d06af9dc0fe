// Kills a child process that records or splices with SIGKILL and checks what the next start finds.
#include "ChildProcess.h"
#include "TransportTestSupport.h"
#include "app/DictationLayout.h"

#include <csignal>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int32_t kRate = 8000;
constexpr int64_t kHeaderBytes = 46;

int64_t SizeOf(const std::string& path) {
    return static_cast<int64_t>(ReadFileBytes(path).value_or("").size());
}

// The frames `tallowin-sound info` finds in a wave file (another program reading what the killed one left), or -1.
int32_t InfoFrames(const TempFolder& folder, const std::string& wave) {
    ChildProcess::Options options;
    options.arguments = {"tallowin-sound", "info", wave};
    options.outputFile = folder / "info.txt";
    const std::optional<int> code = ChildProcess(TALLOWIN_SOUND_TOOL, options).Wait(std::chrono::seconds(20));
    const std::string text = folder.Read("info.txt");
    const size_t at = text.find("frames:");
    return !code || (*code != 0 && *code != 3) || at == std::string::npos ? -1 : std::atoi(text.c_str() + at + 7);
}

// Half-way through a splice, marks the file and waits to be killed.
struct StopHalfWay final : SpliceProgress {
    explicit StopHalfWay(std::string marker) : marker(std::move(marker)) {}
    void SetProgress(int percent) override { reached = percent; }
    bool IsCancelled() override {
        if (reached >= 50 && WriteFileAtomically(marker, "splicing\n"))
            for (;;)
                ::pause();
        return false;
    }
    std::string marker;
    int reached = 0;
};

class Crash : public TransportTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(WriteWave(m_wave, m_old, kRate, 1));
        ASSERT_TRUE(WriteWave(m_folder / "input.wav", m_spoken, kRate, 1));
    }

    // Runs `work` in a child process of its own and kills it once `killNow` holds.
    static void RunAndKill(const std::function<void()>& work, const std::function<bool()>& killNow) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            work();
            ::_exit(0);
        }
        // The child works in real time: poll every 20 ms, up to 15 s.
        bool reached = killNow();
        for (int i = 0; i < 750 && !reached; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            reached = killNow();
        }
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        ASSERT_TRUE(reached);
    }
    // In the child: records from the input in real time over or into the dictation from `seconds`, until killed;
    // the marker appears once sound is being written.
    void RecordAndKill(bool insert, int seconds, const std::function<bool()>& killNow) {
        const std::string marker = m_folder / "marker";
        RunAndKill(
            [&] {
                FileAudioOptions options;
                options.inputPath = m_folder / "input.wav";
                m_backend = CreateFileBackend(options);
                Open().Transport().SetInsertMode(insert);
                ThumbTo(seconds);
                Transport().Record();
                for (;;) {
                    m_poster.WaitAndPump(std::chrono::milliseconds(20));
                    if (m_view.recordImage == RecordImage::Recording)
                        (void)WriteFileAtomically(marker, "recording\n");
                }
            },
            [&] { return PathExists(marker) && killNow(); });
    }

    const std::string m_current = m_settings.currentFolder;
    const std::string m_wave = m_current + "Dictation 1.wav";
    const Samples m_old = Ramp(20 * kRate);
    const Samples m_spoken = Tone(60 * kRate, 8000, 620);
};

TEST_F(Crash, AKilledRecordingOverOpensAfterwardsWithWhatWasRecordedBeforeTheKill) {
    // Two seconds recorded after the kept five.
    RecordAndKill(false, 5, [&] { return SizeOf(m_wave) >= kHeaderBytes + 7 * kRate * 2; });
    const int32_t frames = static_cast<int32_t>((SizeOf(m_wave) - kHeaderBytes) / 2);
    const Samples kept = ReadWave(m_wave);
    ASSERT_EQ(static_cast<int32_t>(kept.size()), frames);
    EXPECT_EQ(Part(kept, 0, 5 * kRate), Part(m_old, 0, 5 * kRate));
    EXPECT_EQ(Part(kept, 5 * kRate, frames - 5 * kRate), Part(AsRecorded(m_spoken), 0, frames - 5 * kRate));
    EXPECT_EQ(InfoFrames(m_folder, m_wave), frames);
}

TEST_F(Crash, AKilledInsertRecordingLeavesTheDictationWholeAndIsOfferedBackAtTheNextStart) {
    const std::string before = m_folder.Read("Current Files/Dictation 1.wav");
    const std::string insert = m_current + ".insert-Dictation 1.wav";
    RecordAndKill(true, 5, [&] { return SizeOf(insert) >= kHeaderBytes + 2 * kRate * 2; });
    EXPECT_EQ(m_folder.Read("Current Files/Dictation 1.wav"), before);
    const std::vector<OrphanedInsert> orphans = FindOrphanedInserts(m_current);
    ASSERT_EQ(orphans.size(), 1u);
    EXPECT_EQ(NewInsertRecordingPath(m_wave), m_current + ".insert-Dictation 1-2.wav"); // never over the orphan
    DictationStore store(m_current, m_folder / "Sent Files/", m_folder / "settings.ini");
    const NamedResult adopted = AdoptOrphanedInsert(store, orphans[0].path);
    ASSERT_EQ(adopted.result, StoreResult::Done);
    const Samples recovered = ReadWave(store.WavePath(StoreFolder::Current, adopted.name));
    EXPECT_GE(recovered.size(), size_t(2 * kRate));
    EXPECT_EQ(recovered, Part(AsRecorded(m_spoken), 0, static_cast<int32_t>(recovered.size())));
    EXPECT_EQ(InfoFrames(m_folder, store.WavePath(StoreFolder::Current, adopted.name)),
              static_cast<int32_t>(recovered.size()));
}

TEST_F(Crash, AKilledSpliceLeavesTheOldRecordingWholeAndTheHalfCopyGoesAtTheNextStart) {
    const std::string recording = m_current + ".insert-Dictation 1.wav";
    ASSERT_TRUE(WriteWave(recording, Ramp(3 * kRate, 100), kRate, 1));
    const std::string before = m_folder.Read("Current Files/Dictation 1.wav");
    RunAndKill(
        [&] {
            InsertSplice splice(m_wave, recording, 40000);
            StopHalfWay progress(m_folder / "marker");
            (void)splice.Run(&progress);
        },
        [&] { return PathExists(m_folder / "marker"); });
    EXPECT_EQ(m_folder.Read("Current Files/Dictation 1.wav"), before);
    EXPECT_TRUE(PathExists(m_current + ".splice-Dictation 1.wav"));
    EXPECT_EQ(FindOrphanedInserts(m_current).size(), 1u);
    EXPECT_FALSE(PathExists(m_current + ".splice-Dictation 1.wav"));
}

} // namespace
