// MainWindowTestSupport: a main window on a temporary data folder with the file audio device (silence in, playback
// timed in real time into a wave file), a fake send queue that writes down what it is asked, and message boxes
// and the rename prompt answered by the test.
#pragma once

#include "AudioBackend.h"
#include "MainDialog.h"
#include "QtPoster.h"
#include "Settings.h"
#include "TempFolder.h"

#include <QMessageBox>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Writes a dictation wave file (8000 Hz, mono, 16-bit) of `seconds` of a tone (`amplitude` of 32767).
void WriteDictationWave(const std::string& path, double seconds, double amplitude = 2000);

struct ShownMessage {
    QMessageBox::Icon icon;
    QString caption;
    QString text;
    QMessageBox::StandardButtons buttons;
};

// What the fake queue was asked and what it answers.
struct FakeQueue {
    std::vector<std::pair<std::string, int>> added;
    bool acceptAdd = true;
    float progress = 0.0f;
    std::function<void()> notify; // the form's progress note while attached
    int attachCalls = 0;
    int detachCalls = 0;
    std::optional<std::string> failure;
    std::vector<std::string> notices;
    int cancelAllCalls = 0;

    SendQueueLink Link();
};

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest();
    ~MainWindowTest() override;

    // Makes the form (after the test has put its dictations in place), on the fake queue unless given another.
    MainDialog& Open(std::optional<SendQueueLink> queue = std::nullopt);
    // Records from `seconds` of a loud tone, delivered as fast as the recorder takes it (before Open).
    void UseLoudInput(double seconds);
    // Closes and destroys the form.
    void CloseForm();

    // A dictation in "Current Files/" with its wave file (and a record written by the store's rules).
    void AddDictation(const std::string& name, double seconds = 3.0);
    std::string CurrentPath(const std::string& name, const char* extension = ".wav") const;
    std::string SentPath(const std::string& name, const char* extension = ".wav") const;
    void SetRecipientCount(int count);

    QWidget* Control(int id) const;
    std::vector<std::string> ListedNames() const;
    void SelectRow(int row) const;
    // Lets posted engine notes run.
    static void Pump();

    // Key events through the application, as the keyboard sends them.
    void Key(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, bool autoRepeat = false);
    void KeyDown(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, bool autoRepeat = false);
    void KeyUp(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, bool autoRepeat = false);

    TempFolder m_folder;
    Settings m_settings;
    QtPoster m_poster;
    std::unique_ptr<AudioBackend> m_backend;
    FakeQueue m_queue;
    std::vector<ShownMessage> m_messages;
    QMessageBox::StandardButton m_answer = QMessageBox::Yes; // the answer to every question
    std::optional<std::string> m_typedName;                  // the rename prompt's answer; nothing: Cancel
    std::vector<std::string> m_helpAnchors;
    int64_t m_now = 100000; // the form's clock (ms)
    std::unique_ptr<MainDialog> m_form;
};
