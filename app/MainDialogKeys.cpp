// MainDialog: the commands of the menus, buttons and keys, and the keyboard map with the hold rule.
#include "DictationTransport.h"
#include "HelpViewer.h"
#include "MainDialog.h"
#include "PressButton.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <chrono>

// ---- commands ----

void MainDialog::RunCommand(int id) {
    if (!IsCommandEnabled(id))
        return;
    switch (id) {
    case kNew:
        NewDictation();
        break;
    case kSend:
        SendDefault();
        break;
    case kSendChosen:
        SendChosen();
        break;
    case kRename:
        RenameDictation();
        break;
    case kDelete:
        DeleteDictation();
        break;
    case kWorkProgress:
        RunRecover(/*recoverMode=*/false);
        break;
    case kRecover:
        RunRecover(/*recoverMode=*/true);
        break;
    case kExit:
        window()->close();
        break;
    case kRecord:
        m_transport->Record();
        break;
    case kPlay:
        m_transport->Play();
        break;
    case kStop:
        m_transport->Stop();
        break;
    case kStart:
        m_transport->GoToStart();
        break;
    case kEnd:
        m_transport->GoToEnd();
        break;
    case kRewind:
    case kForward: {
        // From the menu there is no release to wait for: one step of audible scrubbing.
        PressButton* button = id == kRewind ? m_rewind : m_forward;
        button->Press();
        button->Release();
        break;
    }
    case kInsertMode:
        m_transport->SetInsertMode(!m_transport->InsertMode());
        break;
    case kHardwareSettings:
        RunHardwareSettings();
        break;
    case kRecipientSettings:
    case kUserSettings:
    case kMailSettings:
        RunSendSettings(id);
        break;
    case kHelpContents:
        OpenHelpAt(HelpViewer::kContents);
        break;
    case kAbout:
        ShowAbout();
        break;
    default:
        break;
    }
    if (!m_closed) {
        UpdateImages();
        UpdateCommands();
    }
}

void MainDialog::OnPressButton(bool press, int id) {
    if (m_spliceBusy || m_closed)
        return;
    if (!press) {
        m_transport->ScrubRelease();
        return;
    }
    if (id == kRewind)
        m_transport->RewindPress();
    else
        m_transport->ForwardPress();
}

void MainDialog::OnScroll(int action) {
    using Scroll = DictationTransport::ScrollAction;
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
        m_transport->Scroll(Scroll::LineLeft, 0);
        break;
    case QAbstractSlider::SliderSingleStepAdd:
        m_transport->Scroll(Scroll::LineRight, 0);
        break;
    case QAbstractSlider::SliderPageStepSub:
        m_transport->Scroll(Scroll::PageLeft, 0);
        break;
    case QAbstractSlider::SliderPageStepAdd:
        m_transport->Scroll(Scroll::PageRight, 0);
        break;
    case QAbstractSlider::SliderMove:
        m_transport->Scroll(Scroll::Thumb, m_scroll->sliderPosition());
        break;
    case QAbstractSlider::SliderToMinimum:
        m_transport->Scroll(Scroll::Top, 0);
        break;
    case QAbstractSlider::SliderToMaximum:
        m_transport->Scroll(Scroll::Bottom, 0);
        break;
    default:
        return;
    }
    // The thumb shows the transport's position, also when it refused the move.
    ShowPosition(m_transport->Position(), m_transport->Length());
}

// ---- keyboard ----

int64_t MainDialog::Now() const {
    if (m_clock)
        return m_clock();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool MainDialog::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    // Only keys for this window's controls; a modal dialog, an open menu and the menu bar (while it is walked
    // with the keyboard) keep their own keys.
    if (!widget || widget->window() != window() || qobject_cast<QMenuBar*>(widget) ||
        QApplication::activeModalWidget() || QApplication::activePopupWidget())
        return false;
    return HandleKey(static_cast<QKeyEvent*>(event), type == QEvent::KeyPress ? KeyEdge::Down : KeyEdge::Up,
                     widget == m_notes || m_notes->isAncestorOf(widget));
}

bool MainDialog::HandleKey(QKeyEvent* event, KeyEdge edge, bool notesFocused) {
    const KeyCommand command = MapKey(event->key(), event->modifiers(), edge, notesFocused);
    if (command == KeyCommand::None)
        return false;
    // Held keys repeat: only the first press and the real release count.
    if (!event->isAutoRepeat())
        RunKeyCommand(command);
    return true;
}

void MainDialog::RunKeyCommand(KeyCommand command) {
    if (m_closed)
        return;
    const bool elapsed = Now() - m_keyDownTime > m_holdThresholdMs;
    switch (command) {
    case KeyCommand::None:
        break;
    case KeyCommand::PlayKey:
        if (!m_transport->IsPlaying() && IsCommandEnabled(kPlay)) {
            RunCommand(kPlay);
            m_keyDownTime = Now();
        }
        break;
    case KeyCommand::PlayKeyUp:
        if (m_transport->IsPlaying() && elapsed)
            RunCommand(kStop);
        break;
    case KeyCommand::RecordKey:
        if (!m_transport->IsRecording() && IsCommandEnabled(kRecord)) {
            RunCommand(kRecord);
            m_keyDownTime = Now();
        }
        break;
    case KeyCommand::RecordKeyUp:
        if (m_transport->IsRecording() && elapsed)
            RunCommand(kStop);
        break;
    case KeyCommand::Play:
        RunCommand(kPlay);
        break;
    case KeyCommand::Record:
        RunCommand(kRecord);
        break;
    case KeyCommand::Stop:
        RunCommand(kStop);
        break;
    case KeyCommand::GoToStart:
        RunCommand(kStart);
        break;
    case KeyCommand::GoToEnd:
        RunCommand(kEnd);
        break;
    case KeyCommand::RewindDown:
        if (!m_transport->IsRewinding() && !m_spliceBusy)
            m_rewind->Press();
        break;
    case KeyCommand::RewindUp:
        m_rewind->Release();
        break;
    case KeyCommand::ForwardDown:
        if (!m_transport->IsForwarding() && !m_spliceBusy)
            m_forward->Press();
        break;
    case KeyCommand::ForwardUp:
        m_forward->Release();
        break;
    case KeyCommand::ToggleInsert:
        RunCommand(kInsertMode);
        break;
    case KeyCommand::Delete:
        RunCommand(kDelete);
        break;
    case KeyCommand::Dock:
        RunCommand(kDock);
        break;
    case KeyCommand::New:
        RunCommand(kNew);
        break;
    case KeyCommand::Recover:
        RunCommand(kRecover);
        break;
    case KeyCommand::SendChosen:
        RunCommand(kSendChosen);
        break;
    case KeyCommand::SendDefault:
        RunCommand(kSend);
        break;
    case KeyCommand::WorkProgress:
        RunCommand(kWorkProgress);
        break;
    case KeyCommand::Help:
        RunCommand(kHelpContents);
        break;
    case KeyCommand::Rename:
        RunCommand(kRename);
        break;
    }
}
