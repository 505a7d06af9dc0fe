#include "SessionTestSupport.h"

#include "store/IniValues.h"
#include "store/SettingsKeys.h"

DataFolderTest::DataFolderTest() {
    m_settings = Settings::ForProgramFolder(m_folder.Path(), m_folder.Path());
    EXPECT_TRUE(m_settings.CreateFolders());
    FileAudioOptions options;
    options.outputPath = m_folder / "played.wav";
    m_backend = CreateFileBackend(options);
}

void DataFolderTest::UseInput(const Samples& input, int32_t rate) {
    ASSERT_TRUE(WriteWave(m_folder / "input.wav", input, rate, 1));
    FileAudioOptions options;
    options.inputPath = m_folder / "input.wav";
    options.outputPath = m_folder / "played.wav";
    options.pacing = FilePacing::Fast;
    m_backend = CreateFileBackend(options);
}

void DataFolderTest::AddDictation(const std::string& name, double seconds, StoreFolder folder) {
    ASSERT_TRUE(WriteWave(PathOf(folder, name), Tone(int32_t(seconds * 8000), 2000), 8000, 1));
}

std::string DataFolderTest::PathOf(StoreFolder folder, const std::string& name, const char* extension) const {
    return (folder == StoreFolder::Current ? m_settings.currentFolder : m_settings.sentFolder) + name + extension;
}

void DataFolderTest::SetRecipients(int count, int defaultIndex) {
    ASSERT_TRUE(WriteIntValue(m_settings.settingsFile, SettingsKeys::kSendCount, count));
    ASSERT_TRUE(WriteIntValue(m_settings.settingsFile, SettingsKeys::kSendDefault, defaultIndex));
}

DictationSession& SessionTest::Open(SendQueue* queue) {
    m_session = std::make_unique<DictationSession>(SessionServices{m_settings, *m_backend, m_poster, queue}, m_view);
    m_session->SetClock([this] { return m_now; });
    return *m_session;
}
