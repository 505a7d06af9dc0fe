// bench_main_window: opening the main window on a store of 5,000 dictations (time to a filled list with the last
// dictation loaded) beside DictationStore::Refresh alone on the same folder; and from a Space key event to the
// recorder's first request to the (file) recording device and to its first captured block, beside the recorder's
// Record called directly. Offscreen; prints figures and ratios, asserts nothing.
#include "app/DictationSession.h"
#include "app/MainDialog.h"
#include "app/Settings.h"
#include "audio/LSoundRecorder.h"
#include "platform/AudioBackend.h"
#include "sound/WaveFile.h"
#include "store/DictationStore.h"
#include "ui/QtPoster.h"

#include <QApplication>
#include <QKeyEvent>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

std::optional<Clock::time_point> g_started;   // the recording device was started
std::optional<Clock::time_point> g_firstData; // its first filled block reached the recorder

// A recording device that notes when it is started and when its first block is handed over.
class TimedWaveIn final : public WaveIn, private WaveInNotify {
public:
    explicit TimedWaveIn(std::unique_ptr<WaveIn> inner) : m_inner(std::move(inner)) {}
    bool Open(const WaveInOptions& options, Poster& poster, WaveInNotify& notify) override {
        m_notify = &notify;
        return m_inner->Open(options, poster, *this);
    }
    void Start() override {
        if (!g_started)
            g_started = Clock::now();
        m_inner->Start();
    }
    bool AddBuffer(int32_t index) override { return m_inner->AddBuffer(index); }
    int32_t Reset() override { return m_inner->Reset(); }
    void Close() override { m_inner->Close(); }
    bool IsOpen() const override { return m_inner->IsOpen(); }
    bool IsLost() const override { return m_inner->IsLost(); }
    int32_t QueuedBlocks() const override { return m_inner->QueuedBlocks(); }
    WaveInStats Stats() const override { return m_inner->Stats(); }
    const WaveInOptions& Options() const override { return m_inner->Options(); }

private:
    void OnWaveInData(const WaveInBlock& block) override {
        if (!g_firstData)
            g_firstData = Clock::now();
        m_notify->OnWaveInData(block);
    }
    void OnWaveInLost() override { m_notify->OnWaveInLost(); }

    std::unique_ptr<WaveIn> m_inner;
    WaveInNotify* m_notify = nullptr;
};

class TimedBackend final : public AudioBackend {
public:
    explicit TimedBackend(std::unique_ptr<AudioBackend> inner) : m_inner(std::move(inner)) {}
    AudioBackendKind Kind() const override { return m_inner->Kind(); }
    std::vector<AudioDeviceInfo> Devices(AudioDirection direction) override { return m_inner->Devices(direction); }
    std::unique_ptr<WaveIn> CreateWaveIn() override { return std::make_unique<TimedWaveIn>(m_inner->CreateWaveIn()); }
    std::unique_ptr<WaveOut> CreateWaveOut() override { return m_inner->CreateWaveOut(); }
    std::optional<std::vector<AudioInputLine>> InputLines(int device) override { return m_inner->InputLines(device); }
    bool SelectInputLine(int device, int line) override { return m_inner->SelectInputLine(device, line); }
    bool SetRecordLevel(int device, uint16_t level) override { return m_inner->SetRecordLevel(device, level); }

private:
    std::unique_ptr<AudioBackend> m_inner;
};

bool WriteWave(const std::string& path, int32_t frames, double amplitude) {
    LSoundSinkHandle sink = CreatePCMFileSink(path, 8000, 1, 16, 0);
    if (!sink || sink->IsInError())
        return false;
    std::vector<int32_t> samples(size_t(std::max(frames, 1)));
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = int32_t(std::lround(amplitude * 16 * std::sin(double(i) * 0.3)));
    sink->Write(samples.data(), frames);
    return FinishFileSink(*sink);
}

void Pump(int rounds) {
    for (int i = 0; i < rounds; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5000;

    const std::filesystem::path root = std::filesystem::temp_directory_path() / "bench_main_window";
    std::filesystem::remove_all(root);
    const Settings settings = Settings::ForProgramFolder(root.string(), root.string());
    if (!settings.CreateFolders()) {
        std::fprintf(stderr, "cannot create %s\n", root.c_str());
        return 1;
    }
    std::printf("making %d dictations (0.1 s each, with records) ...\n", count);
    {
        DictationStore store(settings.currentFolder, settings.sentFolder, settings.settingsFile);
        for (int i = 0; i < count; ++i) {
            const NamedResult created = store.Create();
            if (created.result != StoreResult::Done ||
                !WriteWave(store.WavePath(StoreFolder::Current, created.name), 800, 1000)) {
                std::fprintf(stderr, "cannot make dictation %d\n", i);
                return 1;
            }
        }
    }
    const std::string input = (root / "input.wav").string();
    WriteWave(input, 8000 * 5, 8000);

    FileAudioOptions options;
    options.inputPath = input;
    options.pacing = FilePacing::Fast;
    TimedBackend backend(CreateFileBackend(options));
    QtPoster poster;

    // Reference: the store's refresh alone (what the list shows), best of three.
    double refreshBest = 1e9;
    for (int run = 0; run < 3; ++run) {
        DictationStore store(settings.currentFolder, settings.sentFolder, settings.settingsFile);
        const auto start = Clock::now();
        const auto names = store.Refresh();
        refreshBest = std::min(refreshBest, Milliseconds(Clock::now() - start));
        if (!names || int(names->size()) != count) {
            std::fprintf(stderr, "refresh listed %zu\n", names ? names->size() : 0);
            return 1;
        }
    }

    double openBest = 1e9;
    for (int run = 0; run < 3; ++run) {
        MainDialogServices services;
        services.settings = &settings;
        services.backend = &backend;
        services.poster = &poster;
        const auto start = Clock::now();
        MainDialog form(services);
        openBest = std::min(openBest, Milliseconds(Clock::now() - start));
        if (form.Session().CurrentName().empty()) {
            std::fprintf(stderr, "no dictation current\n");
            return 1;
        }
        form.Close();
        Pump(3);
    }
    std::printf("open the window on %d dictations: %.1f ms (best of 3; goal under 300 ms)\n", count, openBest);
    std::printf("  reference DictationStore::Refresh alone: %.1f ms; window / refresh = %.2f\n", refreshBest,
                openBest / refreshBest);

    // Keyboard to sound.
    MainDialogServices services;
    services.settings = &settings;
    services.backend = &backend;
    services.poster = &poster;
    MainDialog form(services);
    form.SetMessageFunction([](auto, auto, auto, auto) { return QMessageBox::Ok; });
    std::vector<double> toStart;
    std::vector<double> toData;
    for (int run = 0; run < 20; ++run) {
        g_started.reset();
        g_firstData.reset();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier);
        const auto start = Clock::now();
        QApplication::sendEvent(&form, &press);
        const auto deadline = Clock::now() + std::chrono::seconds(2);
        while (!g_firstData && Clock::now() < deadline)
            Pump(1);
        if (!g_started || !g_firstData) {
            std::fprintf(stderr, "the recorder did not start\n");
            return 1;
        }
        toStart.push_back(Milliseconds(*g_started - start));
        toData.push_back(Milliseconds(*g_firstData - start));
        form.RunCommand(MainDialog::kStop);
        Pump(3);
    }
    form.Close();
    Pump(3);

    // Reference: the recorder's Record on a fresh sink, without the key, the form or the transport.
    std::vector<double> directStart;
    {
        LSoundRecorder recorder(poster, backend);
        for (int run = 0; run < 20; ++run) {
            g_started.reset();
            g_firstData.reset();
            LSoundSinkHandle sink = CreatePCMFileSink((root / "direct.wav").string(), 8000, 1, 16, 0);
            const auto start = Clock::now();
            if (!recorder.Record(sink, 36000000, -15, 30000)) {
                std::fprintf(stderr, "direct record failed\n");
                return 1;
            }
            directStart.push_back(Milliseconds(*g_started - start));
            recorder.StopRecording();
            Pump(3);
        }
    }
    auto median = [](std::vector<double> values) {
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    };
    std::printf("Space key to recording device started: median %.2f ms (max %.2f) over 20 presses\n", median(toStart),
                *std::max_element(toStart.begin(), toStart.end()));
    std::printf("Space key to first captured block in the recorder: median %.2f ms (file device, fast pacing)\n",
                median(toData));
    std::printf("  reference LSoundRecorder::Record alone to device started: median %.2f ms; key / direct = %.1f\n",
                median(directStart), median(toStart) / std::max(median(directStart), 1e-3));
    std::filesystem::remove_all(root);
    return 0;
}
