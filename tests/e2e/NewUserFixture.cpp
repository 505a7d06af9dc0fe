#include "NewUserFixture.h"

#include "DialogUnits.h"
#include "FileOps.h"
#include "FilesListBox.h"
#include "IniValues.h"
#include "SendQueueLink.h"
#include "SettingsKeys.h"
#include "WaveFile.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <cmath>

void WriteToneWave(const std::string& path, double seconds, double amplitude) {
    LSoundSinkHandle sink = CreatePCMFileSink(path, 8000, 1, 16, 0);
    ASSERT_TRUE(sink && !sink->IsInError()) << path;
    const int32_t frames = static_cast<int32_t>(seconds * 8000);
    std::vector<int32_t> samples(static_cast<size_t>(frames));
    // The sink takes samples at 16 times the 16-bit scale.
    for (int32_t i = 0; i < frames; ++i)
        samples[size_t(i)] = static_cast<int32_t>(std::lround(amplitude * 16 * std::sin(i * 2 * M_PI * 440 / 8000)));
    sink->Write(samples.data(), frames);
    ASSERT_TRUE(FinishFileSink(*sink));
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds deadline) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > deadline.count())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}

std::string StatusFileBytes(const std::vector<std::pair<uint32_t, std::string>>& records) {
    auto word = [](uint32_t value) {
        std::string bytes(4, '\0');
        for (int i = 0; i < 4; ++i)
            bytes[size_t(i)] = static_cast<char>(value >> (8 * i));
        return bytes;
    };
    std::string bytes = word(0);
    for (const auto& [number, text] : records) {
        std::string field = text.substr(0, 16);
        field.resize(16, '\0');
        bytes += word(number) + field;
    }
    return bytes;
}

WaveFormatRecord GsmFormat() {
    WaveFormatRecord gsm;
    gsm.formatTag = WaveFormatRecord::kTagGsm610;
    gsm.channels = 1;
    gsm.samplesPerSec = 8000;
    gsm.avgBytesPerSec = 1625;
    gsm.blockAlign = 65;
    gsm.bitsPerSample = 0;
    gsm.extra = {0x40, 0x01}; // 320 samples a block
    return gsm;
}

NewUserFixture::NewUserFixture() {
    m_settings = Settings::ForProgramFolder(m_folder.Path(), m_folder.Path());
    EXPECT_TRUE(m_settings.CreateFolders());
}

NewUserFixture::~NewUserFixture() {
    Close();
}

MainDialog& NewUserFixture::Open(std::unique_ptr<AudioBackend> backend) {
    m_backend = std::move(backend);
    m_queue =
        std::make_unique<BGSend>(SendContext{m_settings.dataFolder, m_settings.settingsFile, m_settings.sentFolder});
    EXPECT_TRUE(m_queue->Open(m_settings.dataFolder));
    MainDialogServices services;
    services.settings = &m_settings;
    services.backend = m_backend.get();
    services.poster = &m_poster;
    services.queue = LinkToQueue(*m_queue, m_poster);
    services.help = [](const std::string&) {};
    m_form = std::make_unique<MainDialog>(std::move(services));
    m_form->SetMessageFunction(
        [this](QMessageBox::Icon, const QString& caption, const QString& text, QMessageBox::StandardButtons) {
            m_boxes.push_back({caption, text});
            return QMessageBox::Ok;
        });
    m_form->SetClock([this] { return m_now; });
    m_form->show();
    return *m_form;
}

void NewUserFixture::Close() {
    if (m_form) {
        m_form->Close();
        m_form.reset();
    }
    m_queue.reset();
    PumpUntil([] { return false; }, std::chrono::milliseconds(30));
    m_backend.reset();
}

void NewUserFixture::AddRecipient(int index, const TypistRecipient& recipient) {
    ASSERT_TRUE(recipient.Save(RecipientPath(m_settings.dataFolder, index)));
    ASSERT_TRUE(WriteIntValue(m_settings.settingsFile, SettingsKeys::kSendCount, index + 1));
    ASSERT_TRUE(FlushProfile(m_settings.settingsFile));
}

void NewUserFixture::SetDefaultRecipient(int index) {
    ASSERT_TRUE(WriteIntValue(m_settings.settingsFile, SettingsKeys::kSendDefault, index));
    ASSERT_TRUE(FlushProfile(m_settings.settingsFile));
}

void NewUserFixture::KeyDown(int key, Qt::KeyboardModifiers modifiers) {
    QKeyEvent event(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(FindControl(m_form.get(), MainDialog::kList), &event);
}

void NewUserFixture::KeyUp(int key, Qt::KeyboardModifiers modifiers) {
    QKeyEvent event(QEvent::KeyRelease, key, modifiers);
    QApplication::sendEvent(FindControl(m_form.get(), MainDialog::kList), &event);
}

void NewUserFixture::Tap(int key, Qt::KeyboardModifiers modifiers) {
    KeyDown(key, modifiers);
    m_now += 100;
    KeyUp(key, modifiers);
    m_now += 1000; // the user's next key comes a while later
}

void NewUserFixture::RecordNewDictation(double seconds, std::chrono::milliseconds deadline) {
    Tap(Qt::Key_N, Qt::ControlModifier);
    const std::string name = m_form->CurrentName();
    ASSERT_FALSE(name.empty());
    Tap(Qt::Key_Space);
    ASSERT_TRUE(m_form->Transport().IsRecording()) << name;
    const auto wanted = static_cast<int32_t>(seconds * 10000);
    EXPECT_TRUE(PumpUntil([&] { return m_form->Transport().Position() >= wanted; }, deadline))
        << "recorded " << m_form->Transport().Position();
    Tap(Qt::Key_Space);
    EXPECT_TRUE(PumpUntil([&] { return !m_form->Transport().IsRecording(); }, std::chrono::milliseconds(3000)));
}

std::vector<std::string> NewUserFixture::ListedNames() const {
    return static_cast<FilesListBox*>(FindControl(m_form.get(), MainDialog::kList))->Names();
}

std::string NewUserFixture::CurrentPath(const std::string& name, const char* extension) const {
    return m_settings.currentFolder + name + extension;
}

std::string NewUserFixture::SentPath(const std::string& name, const char* extension) const {
    return m_settings.sentFolder + name + extension;
}

int NewUserFixture::BoxesContaining(const QString& part) const {
    int count = 0;
    for (const ShownBox& box : m_boxes)
        count += box.text.contains(part) ? 1 : 0;
    return count;
}
