// MainDialog: the commands of the menus, buttons and keys, and the keyboard map with the hold rule.
#include "app/DictationSession.h"
#include "app/DictationTransport.h"
#include "app/HelpViewer.h"
#include "app/MainDialog.h"
#include "app/PressButton.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScrollBar>

// ---- commands ----

void MainDialog::RunCommand(int id) {
    if (!IsCommandEnabled(id))
        return;
    switch (id) {
    case kNew:
        m_session->New();
        break;
    case kSend:
        m_session->SendToDefault();
        break;
    case kSendChosen:
        SendChosen();
        break;
    case kRename:
        RenameDictation();
        break;
    case kDelete:
        m_session->Delete();
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
        m_session->Record();
        break;
    case kPlay:
        m_session->Play();
        break;
    case kStop:
        m_session->Stop();
        break;
    case kStart:
        m_session->Transport().GoToStart();
        break;
    case kEnd:
        m_session->Transport().GoToEnd();
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
        m_session->ToggleInsertMode();
        break;
    case kDock:
        OpenDock();
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
    if (!press)
        m_session->ScrubRelease();
    else if (id == kRewind)
        m_session->RewindPress();
    else
        m_session->ForwardPress();
}

void MainDialog::OnScroll(int action) {
    using Scroll = DictationTransport::ScrollAction;
    DictationTransport& transport = m_session->Transport();
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
        transport.Scroll(Scroll::LineLeft, 0);
        break;
    case QAbstractSlider::SliderSingleStepAdd:
        transport.Scroll(Scroll::LineRight, 0);
        break;
    case QAbstractSlider::SliderPageStepSub:
        transport.Scroll(Scroll::PageLeft, 0);
        break;
    case QAbstractSlider::SliderPageStepAdd:
        transport.Scroll(Scroll::PageRight, 0);
        break;
    case QAbstractSlider::SliderMove:
        transport.Scroll(Scroll::Thumb, m_scroll->sliderPosition());
        break;
    case QAbstractSlider::SliderToMinimum:
        transport.Scroll(Scroll::Top, 0);
        break;
    case QAbstractSlider::SliderToMaximum:
        transport.Scroll(Scroll::Bottom, 0);
        break;
    default:
        return;
    }
    // The thumb shows the transport's position, also when it refused the move.
    ShowPosition(transport.Position(), transport.Length());
}

// ---- keyboard ----

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
    const DictationTransport& transport = m_session->Transport();
    switch (command) {
    case KeyCommand::None:
        break;
    case KeyCommand::PlayKey:
        m_session->PressHeld(HeldCommand::Play);
        break;
    case KeyCommand::PlayKeyUp:
        m_session->ReleaseHeld(HeldCommand::Play);
        break;
    case KeyCommand::RecordKey:
        m_session->PressHeld(HeldCommand::Record);
        break;
    case KeyCommand::RecordKeyUp:
        m_session->ReleaseHeld(HeldCommand::Record);
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
        if (!transport.IsRewinding() && !m_busy)
            m_rewind->Press();
        break;
    case KeyCommand::RewindUp:
        m_rewind->Release();
        break;
    case KeyCommand::ForwardDown:
        if (!transport.IsForwarding() && !m_busy)
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
