#include "SendDialogTestSupport.h"

#include "FileOps.h"
#include "IniValues.h"
#include "RecordKeys.h"
#include "SettingsKeys.h"
#include "TypistRecipient.h"
#include "WaveFormatRecord.h"

#include <cmath>

SendDialogTest::SendDialogTest() {
    m_context.send.programFolder = m_folder.Path();
    m_context.send.settingsFile = m_folder / "settings.ini";
    m_context.send.sentFolder = m_folder / "Sent Files/";
    m_context.currentFolder = m_folder / "Current Files/";
    MakeFolders(m_context.send.sentFolder);
    MakeFolders(m_context.currentFolder);
    m_context.help = [this](const char* anchor) { m_helpAnchors.emplace_back(anchor); };
    m_context.prompts.warn = [this](QWidget*, const QString& caption, const QString& text) {
        m_messages.push_back((caption + ": " + text).toStdString());
    };
    m_context.prompts.confirm = [this](QWidget*, const QString& caption, const QString& text) {
        m_questions.push_back((caption + ": " + text).toStdString());
        return m_answer;
    };
}

std::string SendDialogTest::RecipientFile(int index) const {
    return RecipientPath(m_context.send.programFolder, index);
}

void SendDialogTest::MakeRecipients(const std::vector<std::string>& names, int defaultIndex) {
    for (size_t i = 0; i < names.size(); ++i) {
        TypistRecipient recipient;
        recipient.SetText(RecipientField::Name, names[i]);
        recipient.SetMethod(SendMethod::Lan);
        recipient.SetText(RecipientField::Folder, "/typing/" + names[i]);
        ASSERT_TRUE(recipient.Save(RecipientFile(static_cast<int>(i))));
    }
    SetCount(static_cast<int>(names.size()), defaultIndex);
}

void SendDialogTest::SetCount(int count, int defaultIndex) {
    ASSERT_TRUE(WriteIntValue(SettingsFile(), SettingsKeys::kSendCount, count));
    ASSERT_TRUE(WriteIntValue(SettingsFile(), SettingsKeys::kSendDefault, defaultIndex));
    ASSERT_TRUE(FlushProfile(SettingsFile()));
}

int SendDialogTest::Count() const {
    return ReadIntValue(SettingsFile(), SettingsKeys::kSendCount);
}

int SendDialogTest::DefaultIndex() const {
    return ReadIntValue(SettingsFile(), SettingsKeys::kSendDefault);
}

void WriteToneWave(const std::string& path, int frames) {
    const WaveFormatRecord format = WaveFormatRecord::Pcm(8000, 1, 16);
    std::vector<uint8_t> fmt = format.Serialize();
    fmt.resize(16); // plain PCM: no extra-byte count
    std::vector<uint8_t> bytes{'R', 'I', 'F', 'F'};
    AppendLe32(bytes, static_cast<uint32_t>(4 + 8 + fmt.size() + 8 + frames * 2));
    bytes.insert(bytes.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    AppendLe32(bytes, static_cast<uint32_t>(fmt.size()));
    bytes.insert(bytes.end(), fmt.begin(), fmt.end());
    bytes.insert(bytes.end(), {'d', 'a', 't', 'a'});
    AppendLe32(bytes, static_cast<uint32_t>(frames * 2));
    for (int i = 0; i < frames; ++i)
        AppendLe16(bytes, static_cast<uint16_t>(static_cast<int16_t>(3000 * std::sin(i * 0.3))));
    ASSERT_TRUE(WriteFileAtomically(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())));
}

void MakeSentDictation(const std::string& sentFolder, const std::string& name, int64_t sendDate,
                       const std::string& recipient, const std::string& status, int number) {
    const std::string record = JoinPath(sentFolder, name + ".dat");
    ASSERT_TRUE(WriteIntValue(record, RecordKeys::kNumber, number));
    ASSERT_TRUE(WriteDateValue(record, RecordKeys::kSendDate, sendDate));
    ASSERT_TRUE(WriteStringValue(record, RecordKeys::kRecipient, recipient));
    ASSERT_TRUE(WriteStringValue(record, RecordKeys::kSendStatus, status));
    ASSERT_TRUE(FlushProfile(record));
    WriteToneWave(JoinPath(sentFolder, name + ".wav"), 800);
    ASSERT_TRUE(WriteFileAtomically(JoinPath(sentFolder, name + ".txt"), std::string_view("notes\0", 6)));
}
