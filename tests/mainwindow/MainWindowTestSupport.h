// The main window over a data folder on a clock the test moves, its message boxes, rename prompt and help written
// down and answered by the test, and key events as the keyboard sends them.
#pragma once

#include "SessionTestSupport.h"
#include "app/DictationTransport.h"
#include "app/MainDialog.h"
#include "ui/DialogUnits.h"
#include "ui/QtPoster.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>

struct ShownMessage {
    QMessageBox::Icon icon;
    QString caption;
    QString text;
    QMessageBox::StandardButtons buttons;
};

class MainWindowTest : public DataFolderTest {
protected:
    ~MainWindowTest() override { Close(); }
    // The window's services: the data folder, the device, the poster, `queue` (the fake one unless told otherwise).
    MainDialogServices Services(SendQueue* queue = nullptr) {
        return {&m_settings, m_backend.get(), &m_poster, queue ? queue : &m_queue,
                [this](const std::string& anchor) { m_helpAnchors.push_back(anchor); }};
    }
    // The main window; its message boxes are written down and answered with m_answer where it is one of their
    // buttons, else OK; its rename prompt answers m_typedName.
    MainDialog& Open(SendQueue* queue = nullptr) {
        m_form = std::make_unique<MainDialog>(Services(queue));
        m_form->SetMessageFunction([this](QMessageBox::Icon icon, const QString& caption, const QString& text,
                                          QMessageBox::StandardButtons buttons) {
            m_messages.push_back({icon, caption, text, buttons});
            return buttons.testFlag(m_answer) ? m_answer : QMessageBox::Ok;
        });
        m_form->SetNameFunction([this](std::string& name) {
            name = m_typedName.value_or(name);
            return m_typedName.has_value();
        });
        m_form->Session().SetClock([this] { return m_now; });
        return *m_form;
    }
    void Close() {
        if (m_form)
            m_form->Close();
        m_form.reset();
    }
    QWidget* Control(int id) const { return FindControl(m_form.get(), id); }
    const DictationTransport& Transport() const { return m_form->Session().Transport(); }
    // Lets the repeat gap pass on the session's clock and in time, so the window's alarm settles held keys' releases.
    void SettleKeys() {
        m_now += HeldKeys::kRepeatGapMs;
        QTest::qWait(2 * HeldKeys::kRepeatGapMs);
    }
    // A key event through the application, as the keyboard sends it.
    static void Send(QWidget* target, QEvent::Type type, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                     const QString& text = {}, bool autoRepeat = false) {
        QKeyEvent event(type, key, modifiers, text, autoRepeat);
        QApplication::sendEvent(target, &event);
    }
    static void Press(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                      const QString& text = {}) {
        Send(target, QEvent::KeyPress, key, modifiers, text);
        Send(target, QEvent::KeyRelease, key, modifiers, text);
    }

    QtPoster m_poster;
    std::vector<ShownMessage> m_messages;
    QMessageBox::StandardButton m_answer = QMessageBox::Yes; // the answer to every question
    std::optional<std::string> m_typedName;                  // the rename prompt's answer; nothing: Cancel
    std::vector<std::string> m_helpAnchors;
    int64_t m_now = 100000; // the session's clock (ms)
    std::unique_ptr<MainDialog> m_form;
};
