#include "MainWindowTestSupport.h"

#include "DialogUnits.h"
#include "FilesListBox.h"
#include "IniValues.h"
#include "SettingsKeys.h"
#include "WaveFile.h"

#include <QApplication>
#include <QKeyEvent>
#include <cmath>
#include <vector>

void WriteDictationWave(const std::string& path, double seconds, double amplitude) {
    LSoundSinkHandle sink = CreatePCMFileSink(path, 8000, 1, 16, 0);
    ASSERT_TRUE(sink && !sink->IsInError()) << path;
    const int32_t frames = static_cast<int32_t>(seconds * 8000);
    std::vector<int32_t> samples(static_cast<size_t>(frames));
    for (int32_t i = 0; i < frames; ++i)
        samples[size_t(i)] = static_cast<int32_t>(std::lround(amplitude * 16 * std::sin(i * 0.3)));
    sink->Write(samples.data(), frames);
    ASSERT_TRUE(FinishFileSink(*sink));
}

SendQueueLink FakeQueue::Link() {
    SendQueueLink link;
    link.add = [this](const std::string& path, int index) {
        if (!acceptAdd)
            return false;
        added.emplace_back(path, index);
        return true;
    };
    link.shownProgress = [this] { return progress; };
    link.attach = [this](std::function<void()> onProgress) {
        onProgress ? ++attachCalls : ++detachCalls;
        notify = std::move(onProgress);
    };
    link.takeFailure = [this] { return std::exchange(failure, std::nullopt); };
    link.takeNotices = [this] { return std::exchange(notices, {}); };
    link.cancelAll = [this] { ++cancelAllCalls; };
    link.isQueued = [this](const std::string& path) {
        for (const auto& [queued, index] : added)
            if (queued == path)
                return true;
        return false;
    };
    return link;
}

MainWindowTest::MainWindowTest() {
    m_settings = Settings::ForProgramFolder(m_folder.Path(), m_folder.Path());
    EXPECT_TRUE(m_settings.CreateFolders());
    FileAudioOptions options;
    options.outputPath = m_folder / "played.wav";
    m_backend = CreateFileBackend(options);
}

void MainWindowTest::UseLoudInput(double seconds) {
    WriteDictationWave(m_folder / "input.wav", seconds, 20000);
    FileAudioOptions options;
    options.inputPath = m_folder / "input.wav";
    options.outputPath = m_folder / "played.wav";
    options.pacing = FilePacing::Fast;
    m_backend = CreateFileBackend(options);
}

MainWindowTest::~MainWindowTest() {
    CloseForm();
}

MainDialog& MainWindowTest::Open(std::optional<SendQueueLink> queue) {
    MainDialogServices services;
    services.settings = &m_settings;
    services.backend = m_backend.get();
    services.poster = &m_poster;
    services.queue = queue ? std::move(*queue) : m_queue.Link();
    services.help = [this](const std::string& anchor) { m_helpAnchors.push_back(anchor); };
    m_form = std::make_unique<MainDialog>(std::move(services));
    m_form->SetMessageFunction([this](QMessageBox::Icon icon, const QString& caption, const QString& text,
                                      QMessageBox::StandardButtons buttons) {
        m_messages.push_back({icon, caption, text, buttons});
        return buttons.testFlag(m_answer) ? m_answer : QMessageBox::Ok;
    });
    m_form->SetNameFunction([this](std::string& name) {
        if (!m_typedName)
            return false;
        name = *m_typedName;
        return true;
    });
    m_form->SetClock([this] { return m_now; });
    return *m_form;
}

void MainWindowTest::CloseForm() {
    if (!m_form)
        return;
    m_form->Close();
    m_form.reset();
    Pump();
}

void MainWindowTest::AddDictation(const std::string& name, double seconds) {
    WriteDictationWave(CurrentPath(name), seconds);
}

std::string MainWindowTest::CurrentPath(const std::string& name, const char* extension) const {
    return m_settings.currentFolder + name + extension;
}

std::string MainWindowTest::SentPath(const std::string& name, const char* extension) const {
    return m_settings.sentFolder + name + extension;
}

void MainWindowTest::SetRecipientCount(int count) {
    ASSERT_TRUE(WriteIntValue(m_settings.settingsFile, SettingsKeys::kSendCount, count));
    ASSERT_TRUE(FlushProfile(m_settings.settingsFile));
}

QWidget* MainWindowTest::Control(int id) const {
    QWidget* control = FindControl(m_form.get(), id);
    EXPECT_NE(control, nullptr) << "control " << id;
    return control;
}

std::vector<std::string> MainWindowTest::ListedNames() const {
    return static_cast<FilesListBox*>(Control(MainDialog::kList))->Names();
}

void MainWindowTest::SelectRow(int row) const {
    static_cast<FilesListBox*>(Control(MainDialog::kList))->setCurrentRow(row);
}

void MainWindowTest::Pump() {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

void MainWindowTest::KeyDown(QWidget* target, int key, Qt::KeyboardModifiers modifiers, bool autoRepeat) {
    QKeyEvent event(QEvent::KeyPress, key, modifiers, QString(), autoRepeat);
    QApplication::sendEvent(target, &event);
}

void MainWindowTest::KeyUp(QWidget* target, int key, Qt::KeyboardModifiers modifiers, bool autoRepeat) {
    QKeyEvent event(QEvent::KeyRelease, key, modifiers, QString(), autoRepeat);
    QApplication::sendEvent(target, &event);
}

void MainWindowTest::Key(QWidget* target, int key, Qt::KeyboardModifiers modifiers, bool autoRepeat) {
    KeyDown(target, key, modifiers, autoRepeat);
    KeyUp(target, key, modifiers, autoRepeat);
}
