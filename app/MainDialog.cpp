#include "MainDialog.h"

#include "DictationLayout.h"
#include "DictationTransport.h"
#include "FilesListBox.h"
#include "HelpViewer.h"
#include "LDBDisplay.h"
#include "LProgressDialog.h"
#include "LSoundPlayer.h"
#include "LSoundRecorder.h"
#include "LTextEditDlg.h"
#include "LogoWin.h"
#include "PressButton.h"
#include "RecipientList.h"
#include "Settings.h"
#include "SettingsDialog.h"
#include "Status.h"
#include "TimeText.h"
#include "WaveFile.h"
#include "WelcomeWizard.h"

#if TALLOWIN_HAVE_SEND_UI
#include "SendDialogs.h"
#endif

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

const char* const kNoRecipientsText =
    "No Typist Recipients have been set up.\n\nPlease open the Recipient Settings Dialog Box using the Recipient "
    "Settings item on the Settings menu and add a New Recipient.";
const char* const kSendNoticeText = "Adding dictation to background send process.\nPlease wait...";

int32_t WaveLength(const std::string& path) {
    const LSoundSourceHandle source = OpenWaveFile(path);
    if (!source || source->IsInvalid())
        return 0;
    return TimeForFrames(source->GetLength(), source->Rate());
}

// Notes are kept with CR LF line ends on disk (the typist side reads them so) and LF in the box.
std::string NotesForDisk(const QString& text) {
    QString withCrLf = text;
    withCrLf.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    withCrLf.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return withCrLf.toStdString();
}

QString NotesForBox(const std::string& text) {
    QString shown = QString::fromStdString(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return shown;
}

} // namespace

MainDialog::MainDialog(MainDialogServices services, QWidget* parent)
    : QWidget(parent), m_services(std::move(services)),
      m_store(m_services.settings->currentFolder, m_services.settings->sentFolder, m_services.settings->settingsFile,
              StoreServices{WaveLength, m_services.queue.isQueued, {}}) {
    const Settings& settings = *m_services.settings;
    m_player = std::make_unique<LSoundPlayer>(*m_services.poster, *m_services.backend);
    m_recorder = std::make_unique<LSoundRecorder>(*m_services.poster, *m_services.backend);
    // The transport attaches itself to the engines' notifications.
    m_transport = std::make_unique<DictationTransport>(*this, *m_player, *m_recorder, settings.settingsFile,
                                                       settings.currentFolder, m_services.backend);
    BuildControls();
    BuildMenus();
    m_levels->setEnabled(false); // until the player or the recorder reports levels
    FillList(/*selectLast=*/true);
    UpdateImages();
    m_statusIndex = 0;
    m_statusTimer.setSingleShot(true);
    connect(&m_statusTimer, &QTimer::timeout, this, [this] { StatusTick(); });
    m_statusTimer.start(kFirstStatusMs);
    // The queue's progress notes; a note still on its way when the form has gone finds it gone.
    if (m_services.queue.attach) {
        m_services.queue.attach([self = QPointer<MainDialog>(this)] {
            if (self)
                self->UpdateProgress();
        });
    }
    UpdateProgress();
    qApp->installEventFilter(this);
}

MainDialog::~MainDialog() {
    Close();
}

// ---- the list and the current dictation ----

void MainDialog::FillList(bool selectLast) {
    const std::optional<std::vector<std::string>> names = m_store.Refresh();
    if (!names) {
        Message(QMessageBox::Warning, QStringLiteral("Tallowin"),
                QStringLiteral("The folder of current dictations cannot be read:\n%1")
                    .arg(QString::fromStdString(m_services.settings->currentFolder)));
    }
    {
        const QSignalBlocker quiet(m_list);
        m_list->SetNames(names.value_or(std::vector<std::string>{}));
        if (selectLast && m_list->count() > 0)
            m_list->setCurrentRow(m_list->count() - 1);
    }
    LoadSelected();
}

void MainDialog::LoadSelected() {
    const bool wasPlaying = m_transport->IsPlaying();
    if (!m_creatingForRecord)
        m_transport->Stop();
    SaveDetails();
    m_currentName = m_list->SelectedName();
    m_loadedPriority.clear();
    if (m_currentName.empty()) {
        m_priority->setCurrentIndex(-1);
        m_notes->clear();
        m_date->clear();
        if (!m_creatingForRecord)
            m_transport->SetCurrent({});
        m_new->setFocus();
    } else {
        const DictationRecord record = m_store.ReadRecord(StoreFolder::Current, m_currentName);
        m_loadedPriority = record.priority;
        m_priority->setCurrentIndex(m_priority->findText(QString::fromStdString(record.priority)));
        const std::optional<std::string> notes = m_store.LoadNotes(StoreFolder::Current, m_currentName);
        m_notes->setPlainText(NotesForBox(notes.value_or(std::string())));
        m_date->setText(QString::fromStdString(m_store.CreationDateText(StoreFolder::Current, m_currentName)));
        if (!m_creatingForRecord) {
            m_transport->SetCurrent(m_store.WavePath(StoreFolder::Current, m_currentName));
            if (wasPlaying)
                m_transport->Play();
        }
    }
    m_notes->document()->setModified(false);
    UpdateImages();
    UpdateCommands();
    update();
}

void MainDialog::SaveDetails() {
    if (m_currentName.empty())
        return;
    const std::string priority =
        m_priority->currentIndex() >= 0 ? m_priority->currentText().toStdString() : m_loadedPriority;
    std::optional<std::string> notes;
    if (m_notes->document()->isModified())
        notes = NotesForDisk(m_notes->toPlainText());
    const StoreResult result = m_store.SaveDetails(m_currentName, priority, notes);
    if (result == StoreResult::Done) {
        m_notes->document()->setModified(false);
        return;
    }
    if (result == StoreResult::NotFound)
        return; // its files went meanwhile: there is nothing left to keep the details with
    Message(QMessageBox::Warning, QStringLiteral("Tallowin"),
            QStringLiteral("The priority and notes of \"%1\" could not be saved.\n\n%2")
                .arg(QString::fromStdString(m_currentName), StoreFailureText(result, m_currentName)));
}

std::string MainDialog::CreateDictation() {
    const NamedResult created = m_store.Create(kDictationPrefix);
    if (created.result != StoreResult::Done) {
        Message(QMessageBox::Warning, QStringLiteral("New Dictation"),
                QStringLiteral("A new dictation could not be started.\n\n%1")
                    .arg(StoreFailureText(created.result, created.name)));
        return {};
    }
    const int row = m_list->InsertName(created.name);
    m_list->setCurrentRow(row); // loads it
    return created.name;
}

std::string MainDialog::CreateDictationForRecording() {
    m_creatingForRecord = true;
    const std::string name = CreateDictation();
    m_creatingForRecord = false;
    return name.empty() ? std::string() : m_store.WavePath(StoreFolder::Current, name);
}

void MainDialog::NewDictation() {
    m_transport->Stop();
    SaveDetails();
    m_transport->SetInsertMode(false);
    CreateDictation();
}

void MainDialog::RenameDictation() {
    m_transport->Stop();
    SaveDetails();
    std::string typed = m_currentName;
    const bool edited =
        m_askName ? m_askName(typed) : LTextEditDlg::Ask(this, typed, QStringLiteral("Enter Dictation Name"));
    if (!edited || typed == m_currentName)
        return;
    const std::string oldName = m_currentName;
    const NamedResult renamed = m_store.Rename(oldName, typed);
    if (renamed.result != StoreResult::Done) {
        Message(QMessageBox::Warning, QStringLiteral("Rename Dictation"),
                StoreFailureText(renamed.result, renamed.name.empty() ? typed : renamed.name));
        return;
    }
    m_currentName.clear(); // its details went with its files
    int row = 0;
    {
        const QSignalBlocker quiet(m_list);
        delete m_list->takeItem(m_list->RowOf(oldName));
        row = m_list->InsertName(renamed.name);
        m_list->setCurrentRow(row);
    }
    LoadSelected();
}

void MainDialog::DeleteDictation() {
    m_transport->Stop();
    if (Message(QMessageBox::Warning, QStringLiteral("Confirm Delete"),
                QStringLiteral("Are you sure you want to delete this dictation?"),
                QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    const std::string name = m_currentName;
    m_transport->SetCurrent({});
    m_currentName.clear();
    const StoreResult result = m_store.Delete(name);
    if (result != StoreResult::Done && result != StoreResult::NotFound)
        Message(QMessageBox::Warning, QStringLiteral("Delete Dictation"), StoreFailureText(result, name));
    FillList(/*selectLast=*/true);
}

// ---- sending ----

void MainDialog::SendDefault() {
    if (!HasCurrent())
        return;
    const RecipientList recipients(m_services.settings->dataFolder, m_services.settings->settingsFile);
    if (recipients.Count() < 1) {
        Message(QMessageBox::Warning, QStringLiteral("No Send To Recipients"), QString::fromLatin1(kNoRecipientsText));
        return;
    }
    SendTo(recipients.SendIndex());
}

void MainDialog::SendChosen() {
#if TALLOWIN_HAVE_SEND_UI
    if (!HasCurrent())
        return;
    const std::optional<int> index = ChooseSendRecipient(this, SendDialogs());
    if (index && *index >= 0)
        SendTo(*index);
#endif
}

void MainDialog::SendTo(int recipientIndex) {
    if (!HasCurrent() || !m_services.queue.add)
        return;
    m_transport->Stop();
    SaveDetails();
    const std::string name = m_currentName;
    const RecipientList recipients(m_services.settings->dataFolder, m_services.settings->settingsFile);
    const std::string recipientText = recipients.Load(recipientIndex).DisplayText(false);
    const EnqueueFunction enqueue = [this, recipientIndex](const std::string& sentWavePath) {
        return m_services.queue.add(sentWavePath, recipientIndex);
    };
    const StoreResult result = m_store.MoveToSent(name, recipientText, enqueue);
    if (result != StoreResult::Done) {
        // The store moved back whatever it had moved: the dictation stays current.
        const QString why = result == StoreResult::NotFound ? QStringLiteral("Nothing has been recorded in it yet.")
                                                            : StoreFailureText(result, name);
        Message(QMessageBox::Warning, QStringLiteral("Send Dictation"),
                QStringLiteral("\"%1\" was not sent.\n\n%2").arg(QString::fromStdString(name), why));
        return;
    }
    m_transport->SetCurrent({});
    m_currentName.clear();
    ShowSendNotice();
    {
        const QSignalBlocker quiet(m_list);
        delete m_list->takeItem(m_list->RowOf(name));
        m_list->setCurrentRow(m_list->count() > 0 ? 0 : -1);
    }
    LoadSelected();
}

void MainDialog::ShowSendNotice() {
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

    if (m_services.queue.takeFailure) {
        if (const std::optional<std::string> failure = m_services.queue.takeFailure()) {
            const QMessageBox::StandardButton answer =
                Message(QMessageBox::Warning, QStringLiteral("Background Task Error"), QString::fromStdString(*failure),
                        QMessageBox::Ok | QMessageBox::Cancel);
            if (answer == QMessageBox::Cancel && m_services.queue.cancelAll)
                m_services.queue.cancelAll();
        }
    }
    if (m_services.queue.takeNotices) {
        for (const std::string& notice : m_services.queue.takeNotices())
            Message(QMessageBox::Information, QStringLiteral("Tallowin"), QString::fromStdString(notice));
    }
    if (!m_closed)
        m_statusTimer.start(kStatusMs);
}

int MainDialog::ProgressPercent(float v) {
    if (v == 0.0f)
        return 0;
    const double divisor = 1.0 + double(v);
    if (!(divisor > 0.0)) // -1 and below, and not-a-number
        return 0;
    const double percent = 100.0 / divisor;
    if (percent >= 100.0)
        return 100;
    if (!(percent > 0.0))
        return 0;
    return int(percent);
}

void MainDialog::UpdateProgress() {
    const float value = m_services.queue.shownProgress ? m_services.queue.shownProgress() : 0.0f;
    m_progress->setValue(ProgressPercent(value));
}

void MainDialog::DetachQueue() {
    if (m_services.queue.attach)
        m_services.queue.attach({});
}

// ---- start and close ----

void MainDialog::OfferOrphanedInserts() {
    bool adopted = false;
    for (const OrphanedInsert& orphan : FindOrphanedInserts(m_services.settings->currentFolder)) {
        const QString text =
            QStringLiteral("An insert recording of %1 was not added to its dictation when Tallowin last stopped.\n\n"
                           "Do you want to keep it as a new dictation? Choose No to discard it.")
                .arg(QString::fromStdString(TimeTextTenths(orphan.length)).trimmed());
        if (Message(QMessageBox::Question, QStringLiteral("Unfinished Recording"), text,
                    QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
            (void)DiscardOrphanedInsert(orphan.path);
            continue;
        }
        const NamedResult result = AdoptOrphanedInsert(m_store, orphan.path);
        if (result.result == StoreResult::Done) {
            adopted = true;
        } else {
            Message(QMessageBox::Warning, QStringLiteral("Unfinished Recording"),
                    QStringLiteral("The recording could not be made a new dictation; it is kept for the next "
                                   "start.\n\n%1")
                        .arg(StoreFailureText(result.result, result.name)));
        }
    }
    if (adopted) {
        SaveDetails();
        m_currentName.clear();
        FillList(/*selectLast=*/true);
    }
}

void MainDialog::Start(std::optional<Welcome> welcome) {
    OfferOrphanedInserts();
    if (!welcome || m_closed)
        return;
    switch (*welcome) {
    case Welcome::Splash:
        m_splash = ShowSplash(this).data();
        break;
    case Welcome::Wizard: {
        WizardServices services = StandardWizardServices(*m_services.poster, *m_services.backend, *m_services.settings);
        services.help = [this](const std::string& anchor) { OpenHelpAt(anchor); };
#if TALLOWIN_HAVE_SEND_UI
        services.recipientSettings = [this](QWidget* parent) { RunRecipientSettings(parent, SendDialogs()); };
        services.userSettings = [this](QWidget* parent) { RunUserSettings(parent, SendDialogs()); };
#endif
        RunWelcomeWizard(window(), services);
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
    // The recorder and the player stop while the transport still hears them, so an insert recording is still
    // spliced in; then it detaches from both.
    m_transport->Shutdown();
    m_closed = true;
    DetachQueue();
    SaveDetails();
    if (m_splash)
        delete m_splash.data();
    if (m_sendNotice)
        delete m_sendNotice.data();
    m_status.reset();
}

// ---- TransportView ----

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

void MainDialog::ShowDeviceError(const std::string& text) {
    Message(QMessageBox::Warning, QString::fromLatin1(kDeviceErrorCaption), QString::fromStdString(text));
}

bool MainDialog::RunSplice(InsertSplice& splice) {
    return RunSpliceWithProgress(this, splice);
}

void MainDialog::SetSpliceBusy(bool busy) {
    m_spliceBusy = busy;
    if (busy) {
        m_rewind->Release();
        m_forward->Release();
    }
    UpdateCommands();
}

void MainDialog::ShowEditError(const std::string& text) {
    Message(QMessageBox::Warning, QStringLiteral("Tallowin"), QString::fromStdString(text));
}

// ---- dialogs ----

#if TALLOWIN_HAVE_SEND_UI
SendDialogContext MainDialog::SendDialogs() const {
    SendDialogContext context;
    const Settings& settings = *m_services.settings;
    context.send = SendContext{settings.dataFolder, settings.settingsFile, settings.sentFolder};
    context.currentFolder = settings.currentFolder;
    context.queue.renumberRecipients = m_services.queue.renumberRecipients;
    context.queue.isQueued = m_services.queue.isQueued;
    context.queue.remove = m_services.queue.remove;
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
#endif

void MainDialog::RunRecover(bool recoverMode) {
#if TALLOWIN_HAVE_SEND_UI
    m_transport->Stop();
    // Saved before the dialog opens: a recovered dictation of the current one's name must not get stale details.
    SaveDetails();
    if (!m_status) {
        const Settings& settings = *m_services.settings;
        m_status =
            std::make_unique<Status>(SendContext{settings.dataFolder, settings.settingsFile, settings.sentFolder});
    }
    const bool recovered =
        RunRecoverDialog(this, recoverMode ? RecoverDialogMode::Recover : RecoverDialogMode::ViewProgress,
                         SendDialogs(), *m_status, *m_services.backend);
    if (recovered && !m_closed) {
        // Nothing is saved over the recovered files: the details were saved before the dialog opened.
        m_transport->SetCurrent({});
        m_currentName.clear();
        FillList(/*selectLast=*/true);
    }
#else
    (void)recoverMode;
#endif
}

void MainDialog::RunSendSettings(int id) {
#if TALLOWIN_HAVE_SEND_UI
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
#else
    (void)id;
#endif
}

void MainDialog::RunHardwareSettings() {
    SettingsDialog dialog(this, *m_services.backend, m_services.settings->settingsFile,
                          [this](const std::string&, const std::string& anchor) { OpenHelpAt(anchor); });
    dialog.exec();
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

QString MainDialog::StoreFailureText(StoreResult result, const std::string& name) const {
    const QString quoted = QStringLiteral("\"%1\"").arg(QString::fromStdString(name));
    switch (result) {
    case StoreResult::Done:
        return {};
    case StoreResult::NotFound:
        return QStringLiteral("The files of %1 are no longer there.").arg(quoted);
    case StoreResult::NameEmpty:
        return QStringLiteral("The name has no characters left once the characters < > \" * . / : \\ | are "
                              "replaced by blanks.");
    case StoreResult::NameTooLong:
        return QStringLiteral("The name is too long.");
    case StoreResult::NameInvalid:
        return QStringLiteral("The name is not valid text.");
    case StoreResult::NameTaken:
        return QStringLiteral("A dictation named %1 already exists.").arg(quoted);
    case StoreResult::SentNameTaken:
        return QStringLiteral("A sent dictation named %1 is still kept in Sent Files.\n\nPlease rename this dictation "
                              "and send it again.")
            .arg(quoted);
    case StoreResult::StillQueued:
        return QStringLiteral("%1 is still waiting to be sent.").arg(quoted);
    case StoreResult::NotesTooLong:
        return QStringLiteral("The notes are too long to be saved (at most %1 bytes); the priority was saved.")
            .arg(kNotesLimit);
    case StoreResult::QueueFailed:
        return QStringLiteral("The background send process could not take the dictation; it stays in your current "
                              "dictations.\n\nPlease try again.");
    case StoreResult::NoFreeNumber:
        return QStringLiteral("No more dictation numbers are free.");
    case StoreResult::FileError:
        return QStringLiteral("A file of %1 could not be read, written or moved; its files were left as they were.")
            .arg(quoted);
    }
    return {};
}
