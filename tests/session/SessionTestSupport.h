// A send queue and a SessionView that write down what they are asked and shown (the view answers from a script);
// DataFolderTest: a data folder and the file audio device; SessionTest: a DictationSession on a pumped poster.
#pragma once

#include "EngineTestSupport.h"
#include "TempFolder.h"
#include "app/DictationSession.h"
#include "app/InsertSplice.h"
#include "app/Settings.h"
#include "platform/AudioBackend.h"
#include "send/SendQueue.h"
#include "store/IniValues.h"
#include "store/SettingsKeys.h"

#include <algorithm>
#include <deque>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

// Matches a SessionMessage whose kind, caption and text match (each a value or a matcher).
template <typename Kind, typename Caption, typename Text> auto IsMessage(Kind kind, Caption caption, Text text) {
    return ::testing::AllOf(::testing::Field(&SessionMessage::kind, kind),
                            ::testing::Field(&SessionMessage::caption, caption),
                            ::testing::Field(&SessionMessage::text, text));
}

class FakeQueue final : public SendQueue {
public:
    bool Add(const std::string& path, int index) override {
        if (acceptAdd)
            queued.emplace_back(path, index);
        return acceptAdd;
    }
    bool IsQueued(const std::string& path) const override {
        return std::any_of(queued.begin(), queued.end(), [&](const auto& entry) { return entry.first == path; });
    }
    bool Remove(const std::string& path) override {
        return acceptRemove && std::erase_if(queued, [&](const auto& entry) { return entry.first == path; }) > 0;
    }
    bool RenumberRecipients(int) override { return true; }
    float ShownProgress() const override { return progress; }
    void SetNotify(Poster* poster, std::function<void()> onProgress) override {
        notifyPoster = poster;
        notify = std::move(onProgress);
    }
    std::optional<QueueFailure> TakeFailure() override {
        if (failures.empty())
            return std::nullopt;
        QueueFailure first = failures.front();
        failures.pop_front();
        return first;
    }
    std::vector<QueueNotice> TakeNotices() override { return std::exchange(notices, {}); }
    std::vector<DeliveryNotice> TakeDeliveries() override { return std::exchange(deliveries, {}); }
    void CancelRecipient(int recipientIndex) override {
        std::erase_if(queued, [&](const auto& entry) { return entry.second == recipientIndex; });
    }
    void RetryDue() override {}

    std::vector<std::pair<std::string, int>> queued; // wave path and recipient index
    bool acceptAdd = true;
    bool acceptRemove = true;
    float progress = 0.0f;
    Poster* notifyPoster = nullptr; // while attached
    std::function<void()> notify;
    std::deque<QueueFailure> failures;
    std::vector<QueueNotice> notices;
    std::vector<DeliveryNotice> deliveries;
};

class RecordingView final : public SessionView {
public:
    void ShowList(const std::vector<std::string>& names, const std::string& current) override {
        listed = names;
        listedCurrent = current;
    }
    void ShowCurrent(const DictationDetails* details) override {
        shown = details ? std::optional<DictationDetails>(*details) : std::nullopt;
    }
    void ShowPosition(int32_t position, int32_t) override { positions.push_back(position); }
    void ShowPlaying(bool) override {}
    void ShowRecording(RecordImage image, bool) override { recordImage = image; }
    void ShowLevels(const LDBMC*) override {}
    void ShowBusy(bool busy) override { busyShown.push_back(busy); }
    void ShowSendProgress(int percent) override { progress.push_back(percent); }
    void ShowSent(const std::string& name) override { sent.push_back(name); }
    void ShowNote(const std::string& text) override { notes.push_back(text); }
    void ShowDelivered(const DeliveryNotice& notice) override {
        deliveries.push_back(notice.recipient + ": " + notice.dictation);
    }
    void ShowDeliveryFailure(const std::string& text) override { deliveries.push_back("failed: " + text); }
    void Tell(const SessionMessage& message) override { told.push_back(message); }
    // The next scripted answer; a question nobody expected fails the test and is answered No.
    bool Ask(const SessionMessage& message, AnswerButtons buttons) override {
        asked.emplace_back(message, buttons);
        EXPECT_FALSE(answers.empty()) << "unexpected question: " << message.text;
        const bool answer = !answers.empty() && answers.front();
        if (!answers.empty())
            answers.pop_front();
        return answer;
    }
    bool RunSplice(InsertSplice& splice) override {
        if (duringSplice)
            duringSplice();
        return splice.Run(spliceProgress) == SpliceResult::Spliced;
    }

    std::vector<std::string> listed;
    std::string listedCurrent;
    std::optional<DictationDetails> shown;
    std::vector<int32_t> positions;
    RecordImage recordImage = RecordImage::Idle;
    std::vector<bool> busyShown;
    std::vector<int> progress;
    std::vector<std::string> sent;
    std::vector<std::string> notes;
    std::vector<std::string> deliveries; // "recipient: dictation" or "failed: text", in order
    std::vector<SessionMessage> told;
    std::vector<std::pair<SessionMessage, AnswerButtons>> asked;
    std::deque<bool> answers;
    SpliceProgress* spliceProgress = nullptr; // handed to the splice
    std::function<void()> duringSplice;       // runs before the splice
};

class DataFolderTest : public ::testing::Test {
protected:
    DataFolderTest() {
        m_settings = Settings::ForProgramFolder(m_folder.Path(), m_folder.Path());
        EXPECT_TRUE(m_settings.CreateFolders());
        FileAudioOptions options;
        options.outputPath = m_folder / "played.wav";
        m_backend = CreateFileBackend(options);
    }
    // Recording hears `input` (at `rate`) as fast as the recorder takes it, then nothing more.
    void UseInput(const Samples& input, int32_t rate = 8000) {
        ASSERT_TRUE(WriteWave(m_folder / "input.wav", input, rate, 1));
        FileAudioOptions options;
        options.inputPath = m_folder / "input.wav";
        options.outputPath = m_folder / "played.wav";
        options.pacing = FilePacing::Fast;
        m_backend = CreateFileBackend(options);
    }
    // A dictation's wave file (a tone) in "Current Files/" or "Sent Files/".
    void AddDictation(const std::string& name, double seconds = 3.0, StoreFolder folder = StoreFolder::Current) {
        ASSERT_TRUE(WriteWave(PathOf(folder, name), Tone(int32_t(seconds * 8000), 2000), 8000, 1));
    }
    std::string PathOf(StoreFolder folder, const std::string& name, const char* extension = ".wav") const {
        return (folder == StoreFolder::Current ? m_settings.currentFolder : m_settings.sentFolder) + name + extension;
    }
    void SetRecipients(int count, int defaultIndex = 0) {
        ASSERT_TRUE(WriteIntValue(m_settings.settingsFile, SettingsKeys::kSendCount, count));
        ASSERT_TRUE(WriteIntValue(m_settings.settingsFile, SettingsKeys::kSendDefault, defaultIndex));
    }

    TempFolder m_folder;
    Settings m_settings;
    std::unique_ptr<AudioBackend> m_backend;
    FakeQueue m_queue;
};

class SessionTest : public DataFolderTest {
protected:
    // Makes the session (after the test put its dictations in place), on the fake queue unless told otherwise.
    DictationSession& Open(SendQueue* queue) {
        m_session =
            std::make_unique<DictationSession>(SessionServices{m_settings, *m_backend, m_poster, queue}, m_view);
        m_session->SetClock([this] { return m_now; });
        return *m_session;
    }
    DictationSession& Open() { return Open(&m_queue); }
    // As DataFolderTest's, after ending the session: its engines use the device that goes.
    void UseInput(const Samples& input, int32_t rate = 8000) {
        m_session.reset();
        DataFolderTest::UseInput(input, rate);
    }

    PumpPoster m_poster;
    RecordingView m_view;
    int64_t m_now = 100000; // the hold rule's clock (ms)
    std::unique_ptr<DictationSession> m_session;
};
