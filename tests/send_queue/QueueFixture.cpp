#include "QueueFixture.h"

#include "CodecCatalog.h"
#include "FileOps.h"
#include "IniValues.h"
#include "RecordKeys.h"
#include "SettingsKeys.h"
#include "TypistRecipient.h"
#include "WaveFile.h"

#include <algorithm>
#include <vector>

QueueFixture::QueueFixture()
    : m_program(m_temp / "program/"), m_sent(m_temp / "Sent Files/"), m_settings(m_program + "settings.ini"),
      m_typist(m_temp / "typist/") {
    MakeFolders(m_program);
    MakeFolders(m_sent);
    MakeFolders(m_typist);
    SetUserId(42);
}

std::string QueueFixture::MakeSentDictation(const std::string& name, int32_t number, double seconds,
                                            const std::string& recipientText) const {
    const std::string wave = m_sent + name + ".wav";
    WriteSpeechLikeWave(wave, seconds, 8000, static_cast<uint32_t>(number));
    const std::string record = RecordPath(name);
    (void)WriteIntValue(record, RecordKeys::kNumber, number);
    (void)WriteDateValue(record, RecordKeys::kDate, 1700000000);
    (void)WriteStringValue(record, RecordKeys::kSendStatus, RecordKeys::kSentStatus);
    (void)WriteStringValue(record, RecordKeys::kRecipient, recipientText);
    (void)FlushProfile(record);
    return wave;
}

void QueueFixture::MakeFolderRecipient(int index, const std::string& name, const std::string& folder,
                                       const WaveFormatRecord& format) const {
    TypistRecipient recipient;
    recipient.SetText(RecipientField::Name, name);
    recipient.SetMethod(SendMethod::Lan);
    recipient.SetText(RecipientField::Folder, folder);
    (void)recipient.SetFormat(format);
    (void)recipient.Save(RecipientPath(m_program, index));
    const int count = ReadIntValue(m_settings, SettingsKeys::kSendCount);
    if (count <= index) {
        (void)WriteIntValue(m_settings, SettingsKeys::kSendCount, index + 1);
        (void)FlushProfile(m_settings);
    }
}

WaveFormatRecord QueueFixture::GsmFormat() {
    return CodecCatalog::MakeFormat("gsm", 8000, 1).value();
}

void QueueFixture::SetUserId(int32_t id) const {
    (void)WriteIntValue(m_settings, SettingsKeys::kUserId, id);
    (void)FlushProfile(m_settings);
}

std::vector<std::string> QueueFixture::VisibleNames(const std::string& folder) const {
    std::vector<std::string> names = AllNames(folder);
    std::erase_if(names, [](const std::string& name) { return name.empty() || name.front() == '.'; });
    return names;
}

std::vector<std::string> QueueFixture::AllNames(const std::string& folder) const {
    std::vector<std::string> names = ListFolder(folder).value_or(std::vector<std::string>{});
    std::sort(names.begin(), names.end());
    return names;
}
