#include "app/MainDialog.h"

#include "app/ControlsRouter.h"
#include "app/ControlsSection.h"
#include "app/DeliveryBubbles.h"
#include "app/DictationSession.h"
#include "app/DictationTransport.h"
#include "app/FilesListBox.h"
#include "app/HelpViewer.h"
#include "app/LProgressDialog.h"
#include "app/LogoWin.h"
#include "app/PressButton.h"
#include "app/Settings.h"
#include "app/WelcomeWizard.h"
#include "audio/ui/LDBDisplay.h"
#include "audio/ui/SettingsDialog.h"
#include "controls/DictationControls.h"
#include "dock/ui/DockDialog.h"
#include "send/ui/SendDialogs.h"
#include "sound/TimeText.h"
#include "sound/ui/LTextEditDlg.h"
#include "store/IniValues.h"
#include "store/SettingsKeys.h"
#include "ui/DesktopNotifications.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

const char* const kSendNoticeText = "Adding dictation to background send process.\nPlease wait...";

QMessageBox::Icon IconOf(MessageKind kind) {
    switch (kind) {
    case MessageKind::Information:
        return QMessageBox::Information;
    case MessageKind::Question:
        return QMessageBox::Question;
    case MessageKind::Warning:
        break;
    }
    return QMessageBox::Warning;
}

} // namespace

MainDialog::MainDialog(MainDialogServices services, QWidget* parent)
    : QWidget(parent), m_services(std::move(services)) {
    BuildControls();
    BuildMenus();
    m_levels->setEnabled(false); // until the player or the recorder reports levels
    m_bubbles = std::make_unique<DeliveryBubbles>(
        m_bubbleAlarm, std::chrono::steady_clock::now,
        [file = m_services.settings->settingsFile] { return ReadBoolValue(file, SettingsKeys::kDesktopNotices); },
        [notifications = DesktopNotifications()](const Bubble& bubble) mutable {
            (void)notifications.Show(bubble.summary, bubble.body);
        });
    m_session = std::make_unique<DictationSession>(
        SessionServices{*m_services.settings, *m_services.backend, *m_services.poster, m_services.queue, &m_keyAlarm},
        *this);
    m_controls = std::make_unique<ControlsRouter>(*m_session, *m_services.poster, m_services.settings->settingsFile);
    UpdateImages();
    UpdateCommands();
    m_statusIndex = 0;
    m_statusTimer.setSingleShot(true);
    connect(&m_statusTimer, &QTimer::timeout, this, [this] { StatusTick(); });
    m_statusTimer.start(kFirstStatusMs);
    qApp->installEventFilter(this);
}

MainDialog::~MainDialog() {
    Close();
}

bool MainDialog::HasCurrent() const {
    return m_session && m_session->HasCurrent();
}

// ---- what the session shows ----

void MainDialog::ShowList(const std::vector<std::string>& names, const std::string& current) {
    const QSignalBlocker quiet(m_list);
    if (m_list->Names() != names)
        m_list->SetNames(names);
    m_list->setCurrentRow(m_list->RowOf(current));
}

void MainDialog::ShowCurrent(const DictationDetails* details) {
    m_showing = true;
    if (!details) {
        m_priority->setCurrentIndex(-1);
        m_notes->clear();
        m_date->clear();
        m_new->setFocus();
    } else {
        m_priority->setCurrentIndex(m_priority->findText(QString::fromStdString(details->priority)));
        m_notes->setPlainText(QString::fromStdString(details->notes));
        m_date->setText(QString::fromStdString(details->dateText));
    }
    m_showing = false;
    UpdateImages();
    UpdateCommands();
    update();
}

void MainDialog::ShowPosition(int32_t position, int32_t length) {
    m_positionText->setText(QString::fromStdString(TimeTextTenths(position)));
    const QSignalBlocker quiet(m_scroll);
    m_scroll->setValue(DictationTransport::ScrollThumbFor(position, length));
}

void MainDialog::ShowPlaying(bool playing) {
    m_playing = playing;
    UpdateImages();
}

void MainDialog::ShowRecording(RecordImage image, bool insertMode) {
    (void)insertMode; // UpdateImages reads the transport's mode
    m_recordImage = image;
    UpdateImages();
    UpdateCommands();
}

void MainDialog::ShowLevels(const LDBMC* levels) {
    if (!levels) {
        m_levels->SetLevels(LDBMC());
        m_levels->setEnabled(false);
        return;
    }
    m_levels->setEnabled(true);
    m_levels->SetLevels(*levels);
}

void MainDialog::ShowBusy(bool busy) {
    m_busy = busy;
    if (busy) {
        m_rewind->Release();
        m_forward->Release();
    }
    UpdateCommands();
}

void MainDialog::ShowSendProgress(int percent) {
    m_progress->setValue(percent);
}

void MainDialog::ShowNote(const std::string& text) {
    m_status800->setText(QString::fromStdString(text));
}

void MainDialog::Tell(const SessionMessage& message) {
    Message(IconOf(message.kind), QString::fromStdString(message.caption), QString::fromStdString(message.text));
}

bool MainDialog::Ask(const SessionMessage& message, AnswerButtons buttons) {
    const bool yesNo = buttons == AnswerButtons::YesNo;
    const QMessageBox::StandardButton answer =
        Message(IconOf(message.kind), QString::fromStdString(message.caption), QString::fromStdString(message.text),
                yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok | QMessageBox::Cancel);
    return answer == (yesNo ? QMessageBox::Yes : QMessageBox::Ok);
}

bool MainDialog::RunSplice(InsertSplice& splice) {
    return RunSpliceWithProgress(this, splice);
}

void MainDialog::ShowDelivered(const DeliveryNotice& delivery) {
    m_bubbles->Delivered(delivery);
}

void MainDialog::ShowDeliveryFailure(const std::string& text) {
    m_bubbles->Failed(text);
}

void MainDialog::ShowSent(const std::string&) {
    if (m_sendNotice)
        m_sendNotice->close();
    auto* notice =
        new QWidget(this, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowDoesNotAcceptFocus);
    notice->setAttribute(Qt::WA_DeleteOnClose);
    notice->setAttribute(Qt::WA_ShowWithoutActivating); // the keys stay with the main window
    notice->setWindowTitle(QString());
    auto* layout = new QVBoxLayout(notice);
    layout->addWidget(new QLabel(QString::fromLatin1(kSendNoticeText), notice));
    notice->show();
    // Closed by a timer: the event loop (and with it the recorder, the player and the queue) runs on meanwhile.
    QTimer::singleShot(kSendNoticeMs, notice, &QWidget::close);
    m_sendNotice = notice;
}

// ---- commands that need the user first ----

void MainDialog::RenameDictation() {
    m_session->Stop();
    std::string typed = m_session->CurrentName();
    const bool edited =
        m_askName ? m_askName(typed) : LTextEditDlg::Ask(this, typed, QStringLiteral("Enter Dictation Name"));
    if (edited)
        m_session->Rename(typed);
}

void MainDialog::SendChosen() {
    if (!m_session->CanSend())
        return;
    const std::optional<int> index = ChooseSendRecipient(this, SendDialogs());
    if (index && *index >= 0)
        m_session->SendTo(*index);
}

// ---- status line and the queue ----

const std::vector<QString>& MainDialog::StatusTexts() {
    static const std::vector<QString> texts{
        QStringLiteral("Tallowin: dictation on your desktop"),
        QStringLiteral("Space records, Enter plays, Escape stops"),
        QStringLiteral("Hold Space or Enter to run only while held"),
        QStringLiteral("Ins switches to insert recording"),
        QStringLiteral("Ctrl+S sends to your typist"),
        QStringLiteral("Sending runs in the background"),
        QStringLiteral("Ctrl+O recovers a sent dictation"),
        QStringLiteral("Press F1 for help"),
        QString(),
    };
    return texts;
}

void MainDialog::StatusTick() {
    m_statusTimer.stop();
    if (m_closed)
        return;
    const std::vector<QString>& texts = StatusTexts();
    if (size_t(m_statusIndex / 2) >= texts.size() || texts[m_statusIndex / 2].isEmpty())
        m_statusIndex = 0;
    if (m_statusIndex % 2 == 0)
        m_status800->setText(texts[m_statusIndex / 2]);
    ++m_statusIndex;

    m_session->CheckQueue();
    if (!m_closed)
        m_statusTimer.start(kStatusMs);
}

// ---- start and close ----

void MainDialog::Start(std::optional<Welcome> welcome) {
    m_session->OfferOrphanedInserts();
    if (!welcome || m_closed)
        return;
    switch (*welcome) {
    case Welcome::Splash:
        m_splash = ShowSplash(this).data();
        break;
    case Welcome::Wizard: {
        WizardServices services = StandardWizardServices(*m_services.poster, *m_services.backend, *m_services.settings);
        services.help = [this](const std::string& anchor) { OpenHelpAt(anchor); };
        services.recipientSettings = [this](QWidget* parent) { RunRecipientSettings(parent, SendDialogs()); };
        services.userSettings = [this](QWidget* parent) { RunUserSettings(parent, SendDialogs()); };
        services.hardwareSettings = [this](QWidget* parent) { RunHardwareSettings(parent); };
        RunWelcomeWizard(window(), services);
        (void)m_session->SaveSettings();
        break;
    }
    }
}

void MainDialog::Close() {
    if (m_closed)
        return;
    // No status tick (and no message box) while the engines stop and an insert recording is spliced in.
    m_statusTimer.stop();
    qApp->removeEventFilter(this);
    if (m_dock) {
        m_dock->FinishForExit(); // the tape so far is kept and listed
        delete m_dock.data();
    }
    m_controls.reset(); // the devices' grabs released before the session stops what they drove
    m_session->Close();
    m_closed = true;
    if (m_splash)
        delete m_splash.data();
    if (m_sendNotice)
        delete m_sendNotice.data();
}

// ---- dialogs ----

SendDialogContext MainDialog::SendDialogs() const {
    SendDialogContext context;
    const Settings& settings = *m_services.settings;
    context.send = SendContext{settings.dataFolder, settings.settingsFile, settings.sentFolder};
    context.queue = m_services.queue;
    context.recovery = m_session.get();
    auto* self = const_cast<MainDialog*>(this);
    context.help = [self](const char* anchor) { self->OpenHelpAt(anchor); };
    context.prompts.warn = [self](QWidget*, const QString& caption, const QString& text) {
        self->Message(QMessageBox::Warning, caption, text);
    };
    context.prompts.confirm = [self](QWidget*, const QString& caption, const QString& text) {
        return self->Message(QMessageBox::Warning, caption, text, QMessageBox::Ok | QMessageBox::Cancel) ==
               QMessageBox::Ok;
    };
    return context;
}

void MainDialog::RunRecover(bool recoverMode) {
    m_session->Stop();
    // Saved before the dialog opens: a recovered dictation of the current one's name must not get stale details.
    m_session->SaveDetails();
    // A recovered dictation is listed and made current by the session as it is recovered.
    (void)RunRecoverDialog(this, recoverMode ? RecoverDialogMode::Recover : RecoverDialogMode::ViewProgress,
                           SendDialogs(), m_session->SentWorkStatus(), *m_services.backend);
}

void MainDialog::RunSendSettings(int id) {
    switch (id) {
    case kRecipientSettings:
        RunRecipientSettings(this, SendDialogs());
        break;
    case kUserSettings:
        RunUserSettings(this, SendDialogs());
        break;
    case kMailSettings:
        RunMailSettings(this, SendDialogs());
        break;
    default:
        break;
    }
    (void)m_session->SaveSettings();
}

void MainDialog::RunHardwareSettings(QWidget* parent) {
    const std::string& settingsFile = m_services.settings->settingsFile;
    SettingsDialog dialog(
        parent, *m_services.backend, settingsFile,
        [this](const std::string&, const std::string& anchor) { OpenHelpAt(anchor); },
        [this, &settingsFile](QWidget* owner) {
            return new ControlsSection(owner, settingsFile, ListButtonDevices(),
                                       m_controls ? &m_controls->Controls() : nullptr);
        });
    if (dialog.exec() != QDialog::Accepted)
        return;
    (void)m_session->SaveSettings();
    if (m_controls)
        m_controls->Controls().Reload();
}

DockDialog* MainDialog::Dock() const {
    return m_dock;
}

void MainDialog::OpenDock() {
    if (m_dock) {
        m_dock->raise();
        m_dock->activateWindow();
        return;
    }
    auto* dock =
        new DockDialog(this, *m_session, *m_services.backend, *m_services.poster, m_services.settings->settingsFile,
                       [this](const std::string& anchor) { OpenHelpAt(anchor); });
    if (!dock->HasTape()) {
        Message(QMessageBox::Warning, QString::fromLatin1(DockDialog::kCaption),
                QString::fromStdString(dock->TapeFailure()));
        delete dock;
        return;
    }
    dock->setAttribute(Qt::WA_DeleteOnClose);
    connect(dock, &QDialog::finished, this, [this] { UpdateImages(); });
    m_dock = dock;
    dock->show();
    UpdateImages();
}

void MainDialog::ShowAbout() {
    Message(QMessageBox::Information, QStringLiteral("About Tallowin"),
            QStringLiteral("Tallowin %1\n\nDictation on your desktop: record, review and send your dictations to "
                           "your typist.")
                .arg(QStringLiteral(TALLOWIN_VERSION)));
    update();
}

void MainDialog::OpenHelpAt(const std::string& anchor) {
    if (m_services.help)
        m_services.help(anchor);
    else
        OpenHelp(anchor);
}

QMessageBox::StandardButton MainDialog::Message(QMessageBox::Icon icon, const QString& caption, const QString& text,
                                                QMessageBox::StandardButtons buttons) {
    if (m_message)
        return m_message(icon, caption, text, buttons);
    QMessageBox box(icon, caption, text, buttons, this);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}
