// Kills a process that records or splices with SIGKILL and checks what the next start finds.
#include "ChildProcess.h"
#include "DictationLayout.h"
#include "TransportTestSupport.h"

#include <DictationStore.h>
#include <FileOps.h>
#include <LFile.h>
#include <WaveFile.h>
#include <csignal>
#include <fcntl.h>
#include <thread>

namespace {

constexpr int32_t kRate = 8000;
constexpr int64_t kHeaderBytes = 46;

int64_t SizeOf(const std::string& path) {
    LFile file = LFile::Open(path, O_RDONLY);
    return file.IsOpen() ? file.Size() : -1;
}

// Polls (every 20 ms, up to 15 s) until `done` holds; the child works in real time.
bool WaitFor(const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

ChildProcess::Options RunOptions(std::vector<std::string> arguments, std::string outputFile,
                                 std::vector<std::pair<std::string, std::string>> environment = {}) {
    ChildProcess::Options options;
    options.arguments = std::move(arguments);
    options.environment = std::move(environment);
    options.outputFile = std::move(outputFile);
    return options;
}

// The frames `tallowin-sound info` reports, or -1.
int32_t InfoFrames(const TempFolder& folder, const std::string& wave) {
    ChildProcess info(TALLOWIN_SOUND_TOOL, RunOptions({"tallowin-sound", "info", wave}, folder / "info.txt"));
    const std::optional<int> code = info.Wait(std::chrono::seconds(20));
    if (!code || (*code != 0 && *code != 3)) // 3: readable, with a note about the header
        return -1;
    const std::string text = folder.Read("info.txt");
    const size_t at = text.find("frames:");
    return at == std::string::npos ? -1 : std::atoi(text.c_str() + at + 7);
}

class Crash : public ::testing::Test {
protected:
    void SetUp() override {
        m_current = m_folder / "Current Files/";
        ASSERT_TRUE(MakeFolders(m_current));
        m_wave = m_current + "Dictation 1.wav";
        ASSERT_TRUE(WriteWave(m_wave, m_old, kRate, 1));
        ASSERT_TRUE(WriteWave(m_folder / "input.wav", m_spoken, kRate, 1));
    }

    std::unique_ptr<ChildProcess> StartRecording(const char* mode, int thumb) {
        return std::make_unique<ChildProcess>(
            TRANSPORT_DRIVER,
            RunOptions({"transport_driver", "record", m_current, m_wave, mode, std::to_string(thumb), Marker()},
                       m_folder / "driver.txt", {{"TALLOWIN_AUDIO_FILE_IN", m_folder / "input.wav"}}));
    }
    std::string Marker() const { return m_folder / "marker"; }

    TempFolder m_folder;
    std::string m_current;
    std::string m_wave;
    const Samples m_old = Ramp(20 * kRate);
    const Samples m_spoken = Tone(60 * kRate, 8000, 620);
};

TEST_F(Crash, AKilledRecordingOverOpensAfterwardsWithWhatWasRecordedBeforeTheKill) {
    const std::unique_ptr<ChildProcess> driver = StartRecording("over", 5);
    ASSERT_TRUE(WaitFor([&] { return PathExists(Marker()); })) << m_folder.Read("driver.txt");
    // Two seconds recorded after the kept five.
    const int64_t wanted = kHeaderBytes + 7 * kRate * 2;
    ASSERT_TRUE(WaitFor([&] { return SizeOf(m_wave) >= wanted; }));
    driver->Kill(SIGKILL);
    driver->Wait(std::chrono::seconds(10));

    const int32_t frames = static_cast<int32_t>((SizeOf(m_wave) - kHeaderBytes) / 2);
    EXPECT_GE(frames, 7 * kRate);
    const Samples kept = ReadWave(m_wave);
    ASSERT_EQ(static_cast<int32_t>(kept.size()), frames);
    EXPECT_EQ(Part(kept, 0, 5 * kRate), Part(m_old, 0, 5 * kRate));
    const Samples recorded = AsRecorded(m_spoken);
    EXPECT_EQ(Part(kept, 5 * kRate, frames - 5 * kRate), Part(recorded, 0, frames - 5 * kRate));

    StoreServices services;
    services.waveLength = [](const std::string& path) {
        LSoundSourceHandle source = OpenWaveFile(path);
        return source ? TimeForFrames(source->GetLength(), source->Rate()) : 0;
    };
    DictationStore store(m_current, m_folder / "Sent Files/", m_folder / "settings.ini", services);
    EXPECT_EQ(store.List().value(), std::vector<std::string>{"Dictation 1"});
    EXPECT_EQ(store.Length(StoreFolder::Current, "Dictation 1"), TimeForFrames(frames, kRate));
    EXPECT_EQ(InfoFrames(m_folder, m_wave), frames);
}

TEST_F(Crash, AKilledInsertRecordingLeavesTheDictationWholeAndIsOfferedBackAtTheNextStart) {
    const std::string before = m_folder.Read("Current Files/Dictation 1.wav");
    const std::unique_ptr<ChildProcess> driver = StartRecording("insert", 5);
    ASSERT_TRUE(WaitFor([&] { return PathExists(Marker()); })) << m_folder.Read("driver.txt");
    const std::string insert = m_current + ".insert-Dictation 1.wav";
    ASSERT_TRUE(WaitFor([&] { return SizeOf(insert) >= kHeaderBytes + 2 * kRate * 2; }));
    driver->Kill(SIGKILL);
    driver->Wait(std::chrono::seconds(10));

    EXPECT_EQ(m_folder.Read("Current Files/Dictation 1.wav"), before);
    const std::vector<OrphanedInsert> orphans = FindOrphanedInserts(m_current);
    ASSERT_EQ(orphans.size(), 1u);
    EXPECT_GE(orphans[0].length, 20000);
    DictationStore store(m_current, m_folder / "Sent Files/", m_folder / "settings.ini");
    const NamedResult adopted = AdoptOrphanedInsert(store, orphans[0].path);
    ASSERT_EQ(adopted.result, StoreResult::Done);
    const Samples recovered = ReadWave(store.WavePath(StoreFolder::Current, adopted.name));
    EXPECT_EQ(recovered, Part(AsRecorded(m_spoken), 0, static_cast<int32_t>(recovered.size())));
    EXPECT_EQ(InfoFrames(m_folder, store.WavePath(StoreFolder::Current, adopted.name)),
              static_cast<int32_t>(recovered.size()));
}

TEST_F(Crash, AKilledSpliceLeavesTheOldRecordingWhole) {
    const std::string recording = m_current + ".insert-Dictation 1.wav";
    ASSERT_TRUE(WriteWave(recording, Ramp(3 * kRate, 100), kRate, 1));
    const std::string before = m_folder.Read("Current Files/Dictation 1.wav");
    ChildProcess driver(
        TRANSPORT_DRIVER,
        RunOptions({"transport_driver", "splice", m_wave, recording, "40000", Marker()}, m_folder / "driver.txt"));
    ASSERT_TRUE(WaitFor([&] { return PathExists(Marker()); })) << m_folder.Read("driver.txt");
    driver.Kill(SIGKILL);
    driver.Wait(std::chrono::seconds(10));

    EXPECT_EQ(m_folder.Read("Current Files/Dictation 1.wav"), before);
    EXPECT_EQ(InfoFrames(m_folder, m_wave), 20 * kRate);
    EXPECT_TRUE(PathExists(m_current + ".splice-Dictation 1.wav"));
    const std::vector<OrphanedInsert> orphans = FindOrphanedInserts(m_current); // and the half copy goes
    EXPECT_EQ(orphans.size(), 1u);
    EXPECT_FALSE(PathExists(m_current + ".splice-Dictation 1.wav"));
}

} // namespace
