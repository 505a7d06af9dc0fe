#include "SendNetFixtures.h"

#include "FileOps.h"
#include "IniValues.h"
#include "Poster.h"
#include "RecordKeys.h"
#include "SettingsKeys.h"
#include "Status.h"
#include "TypistRecipient.h"

#include <gtest/gtest.h>

void RecordingReport::PublishProgress(float done) {
    {
        std::lock_guard lock(m_mutex);
        m_progress.push_back(done);
    }
    if (onProgress)
        onProgress(done);
}

void RecordingReport::ReportFailure(const std::string& text) {
    std::lock_guard lock(m_mutex);
    m_failures.push_back(text);
}

std::vector<float> RecordingReport::Progress() const {
    std::lock_guard lock(m_mutex);
    return m_progress;
}

std::vector<std::string> RecordingReport::Failures() const {
    std::lock_guard lock(m_mutex);
    return m_failures;
}

ProgramFolder::ProgramFolder() {
    context.programFolder = folder.Path();
    context.settingsFile = folder / "settings.ini";
    context.sentFolder = folder / "Sent Files/";
    EXPECT_TRUE(MakeFolders(context.sentFolder));
}

std::string ProgramFolder::WriteSent(const std::string& name, int32_t number, const std::string& status,
                                     int64_t sendDate, const std::string& recipient) const {
    std::string text = "[file]\n";
    if (number >= 0)
        text += "number=" + std::to_string(number) + "\n";
    text += "senddate=" + std::to_string(sendDate) + "\nrecipient=" + recipient + "\nsendstatus=" + status + "\n";
    return folder.Write("Sent Files/" + name + ".dat", text);
}

std::string ProgramFolder::SentStatus(const std::string& name) const {
    return ReadStringValue(context.sentFolder + name + ".dat", RecordKeys::kSendStatus);
}

void ProgramFolder::SetUserId(int32_t userId) const {
    ASSERT_TRUE(WriteIntValue(context.settingsFile, SettingsKeys::kUserId, userId));
    ASSERT_TRUE(FlushProfile(context.settingsFile));
}

std::string StatusBytes(const std::vector<std::pair<uint32_t, std::string>>& records, uint32_t version) {
    auto word = [](uint32_t value) {
        std::string bytes(4, '\0');
        for (int i = 0; i < 4; ++i)
            bytes[i] = static_cast<char>(value >> (8 * i));
        return bytes;
    };
    std::string bytes = word(version);
    for (const auto& [number, text] : records) {
        std::string field = text.substr(0, 16);
        field.resize(16, '\0');
        bytes += word(number) + field;
    }
    return bytes;
}

void AddRecipient(const ProgramFolder& program, int index, const TypistRecipient& recipient) {
    ASSERT_TRUE(recipient.Save(RecipientPath(program.context.programFolder, index)));
    ASSERT_TRUE(WriteIntValue(program.context.settingsFile, SettingsKeys::kSendCount, index + 1));
    ASSERT_TRUE(FlushProfile(program.context.settingsFile));
}

StatusPassSummary RunStatusPass(Status& status) {
    PumpPoster poster;
    int notes = 0;
    status.SetNotify(&poster, [&notes] { ++notes; });
    status.Start(ThreadPriority::Idle);
    while (notes < 2 && poster.WaitAndPump(std::chrono::seconds(60)) > 0) {
    }
    status.SetNotify(nullptr, {});
    EXPECT_EQ(notes, 2);
    status.Finish();
    return status.LastPass();
}
