// The send dialogs' fixture: a data folder with its settings file and "Sent Files/", a dialog context whose message
// boxes are written down and whose send queue and format chooser answer as the test says, and control helpers.
#pragma once

#include "TempFolder.h"
#include "platform/FileOps.h"
#include "send/TypistRecipient.h"
#include "send/ui/SendDialogs.h"
#include "store/IniValues.h"
#include "store/SettingsKeys.h"
#include "ui/DialogUnits.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QTimer>
#include <gtest/gtest.h>

// Writes down the renumberings asked of it and answers `renumberWorks`; holds nothing.
class FakeSendQueue final : public SendQueue {
public:
    bool Add(const std::string&, int) override { return false; }
    bool IsQueued(const std::string&) const override { return false; }
    bool Remove(const std::string&) override { return false; }
    bool RenumberRecipients(int deletedIndex) override {
        renumbered.push_back(deletedIndex);
        return renumberWorks;
    }
    float ShownProgress() const override { return 0; }
    void SetNotify(Poster*, std::function<void()>) override {}
    std::optional<QueueFailure> TakeFailure() override { return std::nullopt; }
    std::vector<QueueNotice> TakeNotices() override { return {}; }
    std::vector<DeliveryNotice> TakeDeliveries() override { return {}; }
    void CancelRecipient(int) override {}
    void RetryDue() override {}

    std::vector<int> renumbered;
    bool renumberWorks = true;
};

class SendDialogTest : public ::testing::Test {
protected:
    SendDialogTest() {
        m_context.send = SendContext{m_folder.Path(), m_folder / "settings.ini", m_folder / "Sent Files/"};
        EXPECT_TRUE(MakeFolders(m_context.send.sentFolder));
        m_context.queue = &m_queue;
        m_context.prompts.warn = [this](QWidget*, const QString& caption, const QString& text) {
            m_messages.push_back((caption + ": " + text).toStdString());
        };
        m_context.prompts.confirm = [this](QWidget*, const QString& caption, const QString& text) {
            m_questions.push_back((caption + ": " + text).toStdString());
            return m_answer;
        };
        m_context.chooseFormat = [this](std::span<uint8_t> area, QWidget*) {
            std::fill(std::copy(m_chosen.begin(), m_chosen.end(), area.begin()), area.end(), uint8_t{0});
            return m_chooseFormat;
        };
    }

    template <typename T> static T* Control(const QWidget& dialog, int id) {
        auto* control = qobject_cast<T*>(FindControl(&dialog, id));
        EXPECT_NE(control, nullptr) << "control " << id;
        return control;
    }
    static void Click(const QWidget& dialog, int id) { Control<QAbstractButton>(dialog, id)->click(); }
    static void Type(const QWidget& dialog, int id, const QString& text) {
        Control<QLineEdit>(dialog, id)->setText(text);
    }
    static QString Text(const QWidget& dialog, int id) { return Control<QLineEdit>(dialog, id)->text(); }
    static bool Checked(const QWidget& dialog, int id) { return Control<QAbstractButton>(dialog, id)->isChecked(); }
    static QStringList Lines(const QWidget& dialog, int id) {
        QStringList lines;
        for (const QListWidgetItem* item : Control<QListWidget>(dialog, id)->findItems("", Qt::MatchStartsWith))
            lines << item->text();
        return lines;
    }

    // Runs `act` on the modal dialog of type T that the next exec() shows.
    template <typename T> static void WhenModalOpens(std::function<void(T*)> act) {
        QTimer::singleShot(0, [act] {
            auto* dialog = dynamic_cast<T*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            act(dialog);
        });
    }

    std::string RecipientFile(int index) const { return RecipientPath(m_context.send.programFolder, index); }
    int ReadSetting(const IntKey& key) const { return ReadIntValue(m_context.send.settingsFile, key); }
    void WriteSetting(const IntKey& key, int value) {
        ASSERT_TRUE(WriteIntValue(m_context.send.settingsFile, key, value) &&
                    FlushProfile(m_context.send.settingsFile));
    }
    std::string ReadSetting(const StringKey& key) const {
        return ReadStringValue(m_context.send.settingsFile, key.section, key.name, "-");
    }
    void WriteSetting(const StringKey& key, const std::string& value) {
        ASSERT_TRUE(WriteStringValue(m_context.send.settingsFile, key, value) &&
                    FlushProfile(m_context.send.settingsFile));
    }
    TypistRecipient Recipient(int index) const {
        TypistRecipient recipient;
        EXPECT_TRUE(recipient.Load(RecipientFile(index))) << index;
        return recipient;
    }
    WaveFormatRecord StoredFormat(int index) const {
        bool unusable = false;
        return Recipient(index).FormatOrDefault(unusable);
    }
    // Recipients named by `names`, each sent by LAN to "/typing/<name>", and the settings keys.
    void MakeRecipients(const std::vector<std::string>& names, int defaultIndex) {
        for (size_t i = 0; i < names.size(); ++i) {
            TypistRecipient recipient;
            recipient.SetText(RecipientField::Name, names[i]);
            recipient.SetMethod(SendMethod::Lan);
            recipient.SetText(RecipientField::Folder, "/typing/" + names[i]);
            ASSERT_TRUE(recipient.Save(RecipientFile(static_cast<int>(i))));
        }
        WriteSetting(SettingsKeys::kSendCount, static_cast<int>(names.size()));
        WriteSetting(SettingsKeys::kSendDefault, defaultIndex);
    }

    TempFolder m_folder;
    FakeSendQueue m_queue;
    SendDialogContext m_context;
    std::vector<std::string> m_messages;  // "<caption>: <text>" of every warning
    std::vector<std::string> m_questions; // the same of every question
    bool m_answer = true;                 // what every question is answered
    // What the format chooser hands back; empty: an area without a usable format.
    std::vector<uint8_t> m_chosen = WaveFormatRecord::Pcm(11025, 2, 16).Serialize();
    bool m_chooseFormat = true; // false: the user cancelled the chooser
};
