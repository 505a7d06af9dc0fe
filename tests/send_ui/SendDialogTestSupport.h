// SendDialogTestSupport: a temporary program folder with its settings file and dictation folders, a dialog
// context whose message boxes and help are written down instead of shown, and helpers that find controls by id
// and act on the next modal dialog.
#pragma once

#include "SendDialogs.h"
#include "TempFolder.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

class QWidget;

template <typename T> T* Control(const QWidget& dialog, int id);

class SendDialogTest : public ::testing::Test {
protected:
    SendDialogTest();

    std::string SettingsFile() const { return m_context.send.settingsFile; }
    std::string SentFolder() const { return m_context.send.sentFolder; }
    std::string CurrentFolder() const { return m_context.currentFolder; }
    std::string RecipientFile(int index) const;

    // Recipients named by `names`, each sent by LAN to "/typing/<name>", and the settings keys.
    void MakeRecipients(const std::vector<std::string>& names, int defaultIndex);
    void SetCount(int count, int defaultIndex);
    int Count() const;
    int DefaultIndex() const;

    TempFolder m_folder;
    SendDialogContext m_context;
    std::vector<std::string> m_messages;  // "<caption>: <text>" of every warning
    std::vector<std::string> m_questions; // the same of every question
    bool m_answer = true;                 // what every question is answered
    std::vector<std::string> m_helpAnchors;
};

// Once a modal dialog of type T is showing (the one opened next), runs `act` on it.
template <typename T> void WhenModalOpens(std::function<void(T*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto* dialog = dynamic_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(dialog);
        }
    });
    timer->start();
}

// A 16-bit mono PCM wave file of `frames` frames of a quiet tone at 8000 Hz.
void WriteToneWave(const std::string& path, int frames);

// Sent dictation `name` in "Sent Files/": its record with the given keys, its wave and its notes.
void MakeSentDictation(const std::string& sentFolder, const std::string& name, int64_t sendDate,
                       const std::string& recipient, const std::string& status, int number = 0);

#include "DialogUnits.h"

template <typename T> T* Control(const QWidget& dialog, int id) {
    auto* control = qobject_cast<T*>(FindControl(&dialog, id));
    EXPECT_NE(control, nullptr) << "control " << id;
    return control;
}
