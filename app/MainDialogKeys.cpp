// MainDialog: the commands of the menus, buttons and keys, and the keyboard map with the hold rule.
#include "app/DictationSession.h"
#include "app/DictationTransport.h"
#include "app/HelpViewer.h"
#include "app/MainDialog.h"
#include "app/PressButton.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
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
        RunHardwareSettings(this);
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
    if (type == QEvent::WindowDeactivate && watched == window() && m_session && !m_closed) {
        // The releases of keys held now go to another window: they end here.
        for (const HeldCommand command :
             {HeldCommand::Play, HeldCommand::Record, HeldCommand::Rewind, HeldCommand::Forward})
            m_session->ReleaseHeld(command);
        return false;
    }
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    // Only keys for this window's controls; a modal dialog, an open menu and the menu bar (while it is walked
    // with the keyboard) keep their own keys.
    if (!widget || widget->window() != window() || qobject_cast<QMenuBar*>(widget) ||
        QApplication::activeModalWidget() || QApplication::activePopupWidget())
        return false;
    if (type != QEvent::KeyRelease && HandleAltLetter(static_cast<QKeyEvent*>(event), type == QEvent::KeyPress))
        return true;
    if (type == QEvent::ShortcutOverride)
        return false;
    return HandleKey(static_cast<QKeyEvent*>(event), type == QEvent::KeyPress ? KeyEdge::Down : KeyEdge::Up,
                     widget == m_notes || m_notes->isAncestorOf(widget));
}

bool MainDialog::HandleAltLetter(QKeyEvent* event, bool press) {
    if (event->modifiers() != Qt::AltModifier || event->key() < Qt::Key_A || event->key() > Qt::Key_Z)
        return false;
    const QKeySequence pressed(Qt::ALT | Qt::Key(event->key()));
    QMenu* menu = nullptr;
    for (QMenu* candidate : m_menus)
        if (QKeySequence::mnemonic(candidate->title()) == pressed)
            menu = candidate;
    // The notes box and New share N: Alt+N goes to the notes (Ctrl+N makes a new dictation).
    const bool toNotes = !menu && QKeySequence::mnemonic(m_notesFrame->property("title").toString()) == pressed;
    if (!menu && !toNotes)
        return false;
    // Taking the shortcut override keeps a control's mnemonic on the same letter from acting; the press follows.
    event->accept();
    if (!press)
        return true;
    if (toNotes) {
        m_notes->setFocus(Qt::ShortcutFocusReason);
    } else if (auto* bar = window()->findChild<QMenuBar*>()) {
        bar->setActiveAction(menu->menuAction());
    }
    return true;
}

bool MainDialog::HandleKey(QKeyEvent* event, KeyEdge edge, bool notesFocused) {
    const KeyCommand command = MapKey(event->key(), event->modifiers(), edge, notesFocused);
    if (command == KeyCommand::None)
        return false;
    // Held keys repeat: the session tells the repeats of the keys that run while held from their real edges
    // (X11 does not flag them all); other keys act on their first press only.
    if (const std::optional<HeldKeyEdge> held = HeldEdgeOf(command)) {
        if (!m_closed) {
            held->down ? m_session->PressHeld(held->command, event->isAutoRepeat())
                       : m_session->ReleaseHeld(held->command, event->isAutoRepeat());
            UpdateImages();
        }
    } else if (!event->isAutoRepeat()) {
        RunKeyCommand(command);
    }
    return true;
}

void MainDialog::RunKeyCommand(KeyCommand command) {
    if (m_closed)
        return;
    switch (command) {
    case KeyCommand::None:
    case KeyCommand::PlayKey: // the held keys go to the session from HandleKey
    case KeyCommand::PlayKeyUp:
    case KeyCommand::RecordKey:
    case KeyCommand::RecordKeyUp:
    case KeyCommand::RewindDown:
    case KeyCommand::RewindUp:
    case KeyCommand::ForwardDown:
    case KeyCommand::ForwardUp:
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
