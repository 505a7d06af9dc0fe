// NewUserFixture: the program as a new user meets it: a fresh data folder without a settings file, the main window
// on a chosen sound back end and the real background send queue, keys sent as the keyboard sends them and the
// window's message boxes answered with OK (and written down).
#pragma once

#include "AudioBackend.h"
#include "BGSend.h"
#include "DictationTransport.h"
#include "MainDialog.h"
#include "QtPoster.h"
#include "Settings.h"
#include "TempFolder.h"
#include "TypistRecipient.h"

#include <QMessageBox>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

// Writes a wave file (8000 Hz, mono, 16-bit) of `seconds` of a tone of `amplitude` (of 32767).
void WriteToneWave(const std::string& path, double seconds, double amplitude);

// Lets the event loop run (engine notes, the queue's notes, timers) until `done` or the deadline; `done`'s result.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds deadline);

// The bytes of a status file of version 0: one 20-byte record (number, 16 bytes of text) per entry.
std::string StatusFileBytes(const std::vector<std::pair<uint32_t, std::string>>& records);

// A GSM 6.10 format record (8000 Hz, mono) as the format chooser stores it.
WaveFormatRecord GsmFormat();

struct ShownBox {
    QString caption;
    QString text;
};

class NewUserFixture : public ::testing::Test {
protected:
    NewUserFixture();
    ~NewUserFixture() override;

    // The main window on `backend` with the real send queue opened on the data folder.
    MainDialog& Open(std::unique_ptr<AudioBackend> backend);
    // Closes the window before the queue stops.
    void Close();

    // A recipient record of the data folder, and "sendcount" covering it.
    void AddRecipient(int index, const TypistRecipient& recipient);
    void SetDefaultRecipient(int index);

    // Key events through the application to the list box, which has the focus when the window opens.
    void KeyDown(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void KeyUp(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // A quick press and release (the window's clock moves on by 100 ms in between, and by a second after it).
    void Tap(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

    // Ctrl+N, a tap of Space, the recorder until `seconds` are in the file, a tap of Space.
    void RecordNewDictation(double seconds, std::chrono::milliseconds deadline);

    std::vector<std::string> ListedNames() const;
    std::string CurrentPath(const std::string& name, const char* extension = ".wav") const;
    std::string SentPath(const std::string& name, const char* extension = ".wav") const;
    // The boxes whose text contains `part`.
    int BoxesContaining(const QString& part) const;

    TempFolder m_folder;
    Settings m_settings;
    QtPoster m_poster;
    std::unique_ptr<AudioBackend> m_backend;
    std::unique_ptr<BGSend> m_queue;
    std::unique_ptr<MainDialog> m_form;
    std::vector<ShownBox> m_boxes;
    int64_t m_now = 1000000; // the window's clock (ms): key holds are decided by the test, not the machine's speed
};
