// MainDialog: its controls at their dialog units, its menus, the enable rules and the transport pictures.
#include "app/DictationSession.h"
#include "app/DictationTransport.h"
#include "app/FilesListBox.h"
#include "app/MainDialog.h"
#include "app/PressButton.h"
#include "audio/ui/LDBDisplay.h"
#include "store/DictationStore.h"
#include "ui/DialogUnits.h"
#include "ui/NotesLimit.h"

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>

void MainDialog::BuildControls() {
    const DialogUnits units(font());
    setFixedSize(units.ToPixels(276, 108));

    auto place = [&units](QWidget* control, int id, int x, int y, int width, int height) {
        if (id > 0)
            units.Place(control, id, x, y, width, height);
        else
            control->setGeometry(units.ToPixels(x, y, width, height));
    };
    auto button = [&](int id, int x, int y, int width, int height, const QString& text = {}) {
        auto* control = new QPushButton(text, this);
        control->setAutoDefault(false);
        place(control, id, x, y, width, height);
        control->setIconSize(QSize(control->width() - 6, control->height() - 6));
        return control;
    };

    // Frames first, so the controls lie above them.
    place(new QGroupBox(QStringLiteral(" Dictations"), this), 0, 2, 2, 106, 56);
    m_notesFrame = new QGroupBox(QStringLiteral(" &Notes"), this);
    place(m_notesFrame, kNotesFrame, 110, 2, 164, 56);
    m_transportFrame = new QGroupBox(QStringLiteral(" &Transport"), this);
    place(m_transportFrame, kTransportFrame, 2, 60, 234, 34);
    place(new QGroupBox(QStringLiteral(" &Dock"), this), 0, 237, 60, 37, 34);
    auto* statusArea = new QFrame(this);
    statusArea->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    place(statusArea, 0, 0, 96, 213, 12);

    m_list = new FilesListBox(this);
    place(m_list, kList, 4, 12, 60, 43);
    m_new = button(kNew, 66, 12, 40, 14, QStringLiteral("&New"));
    m_send = button(kSend, 66, 27, 40, 14, QStringLiteral("&Send"));
    m_priority = new QComboBox(this);
    m_priority->addItems({QStringLiteral("High"), QStringLiteral("Normal"), QStringLiteral("Low")});
    // The template's height (41) includes the dropped-down list; the closed box is as high as its text needs.
    place(m_priority, kPriority, 66, 42, 40, 41);
    m_priority->setFixedHeight(std::min(m_priority->height(), m_priority->sizeHint().height()));
    m_notes = new QPlainTextEdit(this);
    m_notes->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_notes->setTabChangesFocus(true);
    place(m_notes, kNotes, 112, 13, 160, 34);
    // The typist's package carries this much of the notes: the box takes no more, so nothing typed is lost later.
    LimitNotes(m_notes, kNotesLimit, [this] {
        m_status800->setText(QStringLiteral("The notes are full (%1 bytes); the rest was not taken.").arg(kNotesLimit));
    });
    m_date = new QLabel(this);
    m_date->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    place(m_date, kDate, 112, 48, 160, 8);

    m_play = button(kPlay, 4, 71, 32, 20);
    m_play->setCheckable(true);
    m_record = button(kRecord, 37, 71, 32, 20);
    m_record->setCheckable(true);
    m_stop = button(kStop, 70, 71, 32, 20);
    m_start = button(kStart, 103, 71, 32, 20);
    m_rewind = new PressButton(this);
    place(m_rewind, kRewind, 136, 71, 32, 20);
    m_forward = new PressButton(this);
    place(m_forward, kForward, 169, 71, 32, 20);
    for (PressButton* press : {m_rewind, m_forward}) {
        press->setIconSize(QSize(press->width() - 6, press->height() - 6));
        press->SetHandler(
            [this](PressButton::Edge edge, int id) { OnPressButton(edge == PressButton::Edge::Press, id); });
    }
    m_end = button(kEnd, 202, 71, 32, 20);
    m_levels = new LDBDisplay(this);
    place(m_levels, kLevels, 103, 62, 32, 8);
    m_scroll = new QScrollBar(Qt::Horizontal, this);
    m_scroll->setRange(0, DictationTransport::kScrollRange);
    m_scroll->setPageStep(1);
    place(m_scroll, kScroll, 136, 62, 57, 8);
    m_positionText = new QLabel(this);
    m_positionText->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    place(m_positionText, kPositionText, 194, 62, 40, 8);
    m_dockButton = button(kDock, 240, 71, 32, 20);
    m_dockButton->setCheckable(true);

    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    place(m_progress, kProgress, 214, 96, 62, 12);
    m_status800 = new QLabel(this);
    place(m_status800, kStatus, 2, 98, 210, 8);

    m_list->setToolTip(QStringLiteral("List of current dictations"));
    m_new->setToolTip(QStringLiteral("Start a new dictation (Ctrl+N)"));
    m_send->setToolTip(QStringLiteral("Send dictation for transcription (Ctrl+S)"));
    m_priority->setToolTip(QStringLiteral("Priority of current dictation"));
    m_notesFrame->setToolTip(QStringLiteral("Notes about the current dictation"));
    m_notes->setToolTip(QStringLiteral("Notes about the current dictation"));
    m_play->setToolTip(QStringLiteral("Play (Enter)"));
    m_record->setToolTip(QStringLiteral("Record (Space)"));
    m_stop->setToolTip(QStringLiteral("Stop (Escape)"));
    m_start->setToolTip(QStringLiteral("Go to Start (Home)"));
    m_rewind->setToolTip(QStringLiteral("Rewind (<-)"));
    m_forward->setToolTip(QStringLiteral("Fast Forward (->)"));
    m_end->setToolTip(QStringLiteral("Go to End (End)"));
    m_dockButton->setToolTip(QStringLiteral("Transfer a dictation from a portable dictaphone (Ctrl+D)"));
    m_progress->setToolTip(QStringLiteral("Current send progress"));

    for (const auto& [control, commandId] : {std::pair{m_new, int(kNew)},
                                             {m_send, kSend},
                                             {m_play, kPlay},
                                             {m_record, kRecord},
                                             {m_stop, kStop},
                                             {m_start, kStart},
                                             {m_end, kEnd},
                                             {m_dockButton, kDock}}) {
        connect(control, &QPushButton::clicked, this, [this, id = commandId] {
            RunCommand(id);
            UpdateImages(); // a toggle button shows the engine's state, not the click
        });
    }
    connect(m_list, &QListWidget::currentRowChanged, this, [this] { m_session->Select(m_list->SelectedName()); });
    connect(m_notes, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_showing)
            m_session->EditNotes(m_notes->toPlainText().toStdString());
    });
    connect(m_priority, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!m_showing && index >= 0)
            m_session->EditPriority(m_priority->itemText(index).toStdString());
    });
    connect(m_scroll, &QScrollBar::actionTriggered, this, [this](int action) { OnScroll(action); });
}

QAction* MainDialog::AddItem(QMenu* menu, int id, const QString& text) {
    QAction* action = menu->addAction(text);
    action->setData(id);
    connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
    if (menu != m_contextMenu)
        m_actions[id] = action;
    return action;
}

void MainDialog::BuildMenus() {
    QMenu* dictation = new QMenu(QStringLiteral("&Dictation"), this);
    AddItem(dictation, kNew, QStringLiteral("&New\tCtrl+N"));
    AddItem(dictation, kSend, QStringLiteral("&Send (Default Recipient)\tCtrl+S"));
    AddItem(dictation, kSendChosen, QStringLiteral("Send... (Select Recipient)\tCtrl+R"));
    AddItem(dictation, kRename, QStringLiteral("&Rename...\tF2"));
    AddItem(dictation, kDelete, QStringLiteral("&Delete\tCtrl+Del"));
    dictation->addSeparator();
    AddItem(dictation, kDock, QStringLiteral("Transfer from Portable Dictaphone...\tCtrl+D"));
    AddItem(dictation, kWorkProgress, QStringLiteral("View Sent Work Progress...\tCtrl+W"));
    AddItem(dictation, kRecover, QStringLiteral("Rec&over Sent Dictations...\tCtrl+O"));
    dictation->addSeparator();
    AddItem(dictation, kExit, QStringLiteral("E&xit\tAlt+F4"));

    QMenu* transport = new QMenu(QStringLiteral("&Transport"), this);
    AddItem(transport, kRecord, QStringLiteral("&Record\tSpace"));
    AddItem(transport, kPlay, QStringLiteral("&Play\tEnter"));
    AddItem(transport, kStop, QStringLiteral("&Stop\tEsc"));
    AddItem(transport, kStart, QStringLiteral("Start\tHome"));
    AddItem(transport, kRewind, QStringLiteral("Rewind\t<-"));
    AddItem(transport, kForward, QStringLiteral("Fast Forward\t->"));
    AddItem(transport, kEnd, QStringLiteral("End\tEnd"));
    transport->addSeparator();
    AddItem(transport, kInsertMode, QStringLiteral("&Insert Mode\tIns"))->setCheckable(true);

    QMenu* settings = new QMenu(QStringLiteral("&Settings"), this);
    AddItem(settings, kHardwareSettings, QStringLiteral("Hardware Settings..."));
    AddItem(settings, kRecipientSettings, QStringLiteral("Recipient Settings..."));
    AddItem(settings, kUserSettings, QStringLiteral("User Settings..."));
    AddItem(settings, kMailSettings, QStringLiteral("Mail Settings..."));

    QMenu* help = new QMenu(QStringLiteral("&Help"), this);
    AddItem(help, kHelpContents, QStringLiteral("&Help Contents\tF1"));
    AddItem(help, kAbout, QStringLiteral("&About..."));

    m_menus = {dictation, transport, settings, help};
    for (QMenu* menu : m_menus)
        connect(menu, &QMenu::aboutToShow, this, [this] { UpdateCommands(); });

    m_contextMenu = new QMenu(this);
    AddItem(m_contextMenu, kNew, QStringLiteral("&New\tCtrl+N"));
    AddItem(m_contextMenu, kSend, QStringLiteral("&Send (Default Recipient)\tCtrl+S"));
    AddItem(m_contextMenu, kSendChosen, QStringLiteral("Send (Select Recipient)\tCtrl+R"));
    AddItem(m_contextMenu, kRename, QStringLiteral("&Rename\tF2"));
    AddItem(m_contextMenu, kDelete, QStringLiteral("&Delete\tCtrl+Del"));
    AddItem(m_contextMenu, kRecover, QStringLiteral("Rec&over Sent Dictations\tCtrl+O"));
    m_list->SetContextMenuHandler([this](QPoint globalPosition) {
        UpdateCommands();
        m_contextMenu->popup(globalPosition);
    });
    UpdateCommands();
}

void MainDialog::FillMenuBar(QMenuBar* bar) {
    for (QMenu* menu : m_menus)
        bar->addMenu(menu);
}

QAction* MainDialog::Action(int id) const {
    const auto found = m_actions.find(id);
    return found == m_actions.end() ? nullptr : found->second;
}

bool MainDialog::IsCommandEnabled(int id) const {
    if (m_closed)
        return false;
    if (m_busy)
        return id == kHelpContents || id == kAbout;
    switch (id) {
    case kSend:
    case kSendChosen:
        return HasCurrent() && m_services.queue;
    case kRename:
    case kDelete:
    case kPlay:
    case kStop:
    case kStart:
    case kRewind:
    case kForward:
    case kEnd:
    case kInsertMode:
        return HasCurrent();
    case kDock:
        return true;
    case kWorkProgress:
    case kRecover:
    case kRecipientSettings:
    case kUserSettings:
    case kMailSettings:
        return true;
    default:
        return true;
    }
}

void MainDialog::UpdateCommands() {
    for (auto& [id, action] : m_actions)
        action->setEnabled(IsCommandEnabled(id));
    for (QAction* action : m_contextMenu->actions())
        action->setEnabled(IsCommandEnabled(action->data().toInt()));
    if (QAction* insert = Action(kInsertMode); insert && m_session)
        insert->setChecked(m_session->Transport().InsertMode());
    const bool current = HasCurrent() && !m_busy;
    m_priority->setEnabled(current);
    m_send->setEnabled(current && m_services.queue);
    m_notesFrame->setEnabled(current);
    m_notes->setEnabled(current);
    m_transportFrame->setEnabled(current);
    m_positionText->setEnabled(current);
    m_new->setEnabled(!m_busy);
    m_list->setEnabled(!m_busy);
    for (QWidget* control :
         std::initializer_list<QWidget*>{m_play, m_record, m_stop, m_start, m_rewind, m_forward, m_end, m_scroll})
        control->setEnabled(!m_busy);
}

void MainDialog::SetImage(QPushButton* button, TransportGlyph glyph, GlyphState state, bool insertVariant) {
    const QString name = TransportIconName(glyph, state, insertVariant);
    if (button->property("image").toString() == name)
        return;
    button->setIcon(TransportIcon(glyph, state, insertVariant));
    button->setProperty("image", name);
}

void MainDialog::UpdateImages() {
    const bool current = HasCurrent();
    const GlyphState normal = current ? GlyphState::Normal : GlyphState::Greyed;
    SetImage(m_play, TransportGlyph::Play, m_playing ? GlyphState::Active : normal);
    m_play->setChecked(m_playing);
    const bool insert = m_session && m_session->Transport().InsertMode();
    const GlyphState record = m_recordImage == RecordImage::Recording ? GlyphState::Active
                              : m_recordImage == RecordImage::Waiting ? GlyphState::Waiting
                                                                      : GlyphState::Normal;
    SetImage(m_record, TransportGlyph::Record, record, insert);
    m_record->setChecked(m_recordImage != RecordImage::Idle);
    const bool running = m_playing || m_recordImage != RecordImage::Idle;
    SetImage(m_stop, TransportGlyph::Stop, running ? GlyphState::Active : GlyphState::Greyed);
    SetImage(m_start, TransportGlyph::Start, normal);
    SetImage(m_rewind, TransportGlyph::Rewind, normal);
    SetImage(m_forward, TransportGlyph::Forward, normal);
    // Down while the mouse holds them or a key runs them.
    const DictationTransport* transport = m_session ? &m_session->Transport() : nullptr;
    m_rewind->setDown(m_rewind->IsHeld() || (transport && transport->IsRewinding()));
    m_forward->setDown(m_forward->IsHeld() || (transport && transport->IsForwarding()));
    SetImage(m_end, TransportGlyph::End, normal);
    SetImage(m_dockButton, TransportGlyph::Dock, GlyphState::Normal);
    m_dockButton->setChecked(!m_dock.isNull());
}
