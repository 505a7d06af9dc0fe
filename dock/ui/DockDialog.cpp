#include "dock/ui/DockDialog.h"

#include "audio/DeviceNameKeys.h"
#include "audio/Mixer.h"
#include "audio/ui/DeviceLists.h"
#include "audio/ui/LDBDisplay.h"
#include "audio/ui/LDBEdit.h"
#include "dock/DockHost.h"
#include "sound/TimeText.h"
#include "store/DictationStore.h"
#include "store/IniValues.h"
#include "store/SettingsKeys.h"
#include "ui/DialogButtons.h"
#include "ui/DialogUnits.h"
#include "ui/NotesLimit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

constexpr int8_t kLevelMinimum = -36;
constexpr int8_t kLevelMaximum = 12;
constexpr int kNameLimit = 255;

QLabel* AddLabel(QWidget* dialog, const DialogUnits& units, const char* text, int x, int y, int width) {
    auto* label = new QLabel(QObject::tr(text), dialog);
    label->setGeometry(units.ToPixels(x, y, width, 10));
    return label;
}

} // namespace

DockDialog::DockDialog(QWidget* parent, DockHost& host, AudioBackend& backend, Poster& poster, std::string settingsFile,
                       HelpFunction help)
    : QDialog(parent), m_host(host), m_backend(backend), m_settingsFile(std::move(settingsFile)),
      m_help(std::move(help)), m_transfer(poster, backend, *this) {
    setWindowTitle(tr(kCaption));
    setModal(false);
    BuildControls();

    // The tape's record is written (and the dictation number advanced) at once, even if the transfer is cancelled.
    const TapeCreated tape = m_host.CreateTape();
    if (tape.wavePath.empty()) {
        m_tapeFailure = tape.failure;
        return;
    }
    m_wavePath = tape.wavePath;
    m_tapeName = tape.name;
    m_name->setText(QString::fromStdString(tape.name));
    m_name->setModified(false);

    const InputSelection input =
        ReadInputSelection(m_backend, m_settingsFile, SettingsKeys::kDockSoundIn, SettingsKeys::kDockSoundInChan,
                           DeviceNameKeys::kDockSoundInName, "LINE");
    (void)FillDeviceList(m_device, m_backend, AudioDirection::Recording);
    const int device = std::max<int>(0, input.device);
    m_device->setCurrentIndex(device < m_device->count() ? device : -1);
    FillInputLineList(m_inputLine, m_backend, device, input.line + 1);
    m_lineChosen = input.lineChosen;
    m_recordLevel->SetValue(ReadDbValue(m_settingsFile, SettingsKeys::kDockRecordVolume));
    m_activateLevel->SetValue(ReadDbValue(m_settingsFile, SettingsKeys::kDockActivate));
    m_autoSend->setChecked(ReadBoolValue(m_settingsFile, SettingsKeys::kDockAutoSend));

    connect(m_device, &QComboBox::currentIndexChanged, this,
            [this](int index) { FillInputLineList(m_inputLine, m_backend, index, m_inputLine->currentIndex()); });
    connect(m_inputLine, &QComboBox::activated, this, [this] {
        m_lineChosen = true;
        StartTransfer();
    });
    connect(m_recordLevel, &LDBEdit::valueEdited, this, [this](int db) {
        (void)WriteDbValue(m_settingsFile, SettingsKeys::kDockRecordVolume, db);
        m_transfer.SetRecordLevel(ReadDbValue(m_settingsFile, SettingsKeys::kDockRecordVolume));
    });
    connect(m_activateLevel, &LDBEdit::valueEdited, this,
            [this](int db) { m_transfer.SetActivateLevel(static_cast<int8_t>(db)); });
    connect(m_restart, &QPushButton::clicked, this, [this] { StartTransfer(); });

    ShowLive(false);
    m_restart->setEnabled(false);
    StartTransfer();
}

DockDialog::~DockDialog() {
    FinishForExit();
}

void DockDialog::BuildControls() {
    const DialogUnits units(font());
    setFixedSize(units.ToPixels(246, 232));

    auto* connection = new QGroupBox(tr("Connection Settings"), this);
    connection->setGeometry(units.ToPixels(7, 4, 232, 110));
    AddLabel(this, units, "Sound Record Device", 14, 18, 84);
    m_device = new QComboBox(this);
    units.Place(m_device, kDevice, 100, 16, 132, 14);
    AddLabel(this, units, "Audio Input Channel", 14, 35, 84);
    m_inputLine = new QComboBox(this);
    units.Place(m_inputLine, kInputLine, 100, 33, 132, 14);
    AddLabel(this, units, "Record Volume Level", 14, 52, 84);
    m_recordLevel = new LDBEdit(this, kLevelMinimum, kLevelMaximum);
    units.Place(m_recordLevel, kRecordLevel, 100, 51, 132, 11);
    AddLabel(this, units, "Activate Level", 14, 67, 84);
    m_activateLevel = new LDBEdit(this, kLevelMinimum, kLevelMaximum);
    units.Place(m_activateLevel, kActivateLevel, 100, 66, 132, 11);
    auto* statusFrame = new QLabel(this);
    statusFrame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    statusFrame->setGeometry(units.ToPixels(14, 81, 218, 28));
    m_status = new QLabel(this);
    m_status->setWordWrap(true);
    units.Place(m_status, kStatus, 17, 82, 212, 26);

    QLabel* nameLabel = AddLabel(this, units, " Dictation &Name", 7, 120, 60);
    m_name = new QLineEdit(this);
    // The label's mnemonic, which it shows underlined rather than as an ampersand, moves the focus to the name.
    nameLabel->setBuddy(m_name);
    m_name->setMaxLength(kNameLimit);
    units.Place(m_name, kName, 70, 118, 169, 13);
    AddLabel(this, units, "Notes", 7, 135, 60);
    m_notes = new QPlainTextEdit(this);
    m_notes->setTabChangesFocus(true);
    units.Place(m_notes, kNotes, 7, 146, 232, 36);
    connect(m_notes, &QPlainTextEdit::textChanged, this, [this] { m_notesEdited = true; });
    LimitNotes(m_notes, kNotesLimit, [this] {
        m_status->setText(tr("The notes are full: the typist's package holds %1 bytes of notes.").arg(kNotesLimit));
    });
    m_autoSend = new QCheckBox(tr("Automatically Send when Done"), this);
    units.Place(m_autoSend, kAutoSend, 7, 186, 160, 10);

    m_restart = new QPushButton(tr("Restart"), this);
    m_restart->setAutoDefault(false);
    units.Place(m_restart, kRestart, 7, 200, 50, 14);
    m_time = new QLabel(this);
    m_time->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    units.Place(m_time, kTime, 62, 202, 60, 10);
    m_levels = new LDBDisplay(this);
    units.Place(m_levels, kLevels, 126, 202, 113, 10);

    AddDialogButtons(this, units, {77, 214, 50, 14, 4, "&Done"}, [this] {
        if (m_help)
            m_help(kHelpAnchor);
    });

    m_device->setToolTip(tr("Select sound card to be used for connection"));
    m_inputLine->setToolTip(tr("Select the sound input channel"));
    m_recordLevel->setToolTip(tr("Set the volume to record at"));
    m_activateLevel->setToolTip(tr("Set the automatic activate level"));
    m_name->setToolTip(tr("File name for current recording"));
    m_notes->setToolTip(tr("Notes about the current file"));
    m_autoSend->setToolTip(tr("If checked, file while be sent to typist when you click Done."));
    m_restart->setToolTip(tr("Restart the transfer"));
    for (auto* button : findChildren<QPushButton*>()) {
        if (button->text() == tr("&Done"))
            button->setToolTip(tr("Click when transfer is complete"));
        else if (button->text() == tr("Cancel"))
            button->setToolTip(tr("Cancel Transfer"));
        else if (button->text() == tr("Help"))
            button->setToolTip(tr("Display more instructions about using the Transfer feature"));
    }
}

void DockDialog::SaveChoices() {
    (void)WriteDeviceChoice(m_backend, AudioDirection::Recording, m_settingsFile, SettingsKeys::kDockSoundIn,
                            DeviceNameKeys::kDockSoundInName, std::max(0, m_device->currentIndex()));
    if (m_lineChosen)
        (void)WriteIntValue(m_settingsFile, SettingsKeys::kDockSoundInChan,
                            std::max(0, m_inputLine->currentIndex()) - 1);
    (void)WriteDbValue(m_settingsFile, SettingsKeys::kDockRecordVolume, m_recordLevel->Value());
    (void)WriteDbValue(m_settingsFile, SettingsKeys::kDockActivate, m_activateLevel->Value());
}

void DockDialog::StartTransfer() {
    m_transfer.Stop();
    SaveChoices();
    if (m_wavePath.empty())
        return;
    // The saved choices read back: the line is switched to only when the user chose it and it is not unplugged.
    const InputSelection input =
        ReadInputSelection(m_backend, m_settingsFile, SettingsKeys::kDockSoundIn, SettingsKeys::kDockSoundInChan,
                           DeviceNameKeys::kDockSoundInName, "LINE");
    const bool started = m_transfer.Start(m_wavePath, input.device, input.RecordLine(), m_recordLevel->Value(),
                                          m_activateLevel->Value());
    m_status->setText(tr(started ? kListeningText : kCannotStartText));
}

void DockDialog::ShowHeardSound(bool heard) {
    m_restart->setEnabled(heard);
    if (heard)
        m_status->setText(tr(kRecordingText));
}

void DockDialog::ShowLive(bool live) {
    m_time->setEnabled(live);
    m_levels->setEnabled(live);
}

void DockDialog::ShowTime(int32_t time) {
    m_time->setText(QString::fromStdString(TimeTextTenths(time)));
}

void DockDialog::ShowLevels(const LDBMC& levels) {
    m_levels->SetLevels(levels);
}

void DockDialog::OnEndOfTape() {
    accept();
}

void DockDialog::Finish(bool send) {
    if (m_wavePath.empty())
        return;
    m_transfer.Stop();
    if (m_name->isModified()) {
        const std::string typed = m_name->text().trimmed().toStdString();
        if (!typed.empty() && typed != m_tapeName) {
            const TapeRenamed renamed = m_host.RenameTape(m_wavePath, typed);
            m_wavePath = renamed.wavePath; // the old path when the rename was refused
            if (!renamed.renamed)
                Warn(tr("The dictation keeps the name \"%1\".\n\n%2")
                         .arg(QString::fromStdString(m_tapeName), QString::fromStdString(renamed.failure)));
        }
    }
    if (m_notesEdited) {
        std::string failure;
        if (!m_host.SaveTapeNotes(m_wavePath, m_notes->toPlainText().toStdString(), failure))
            Warn(QString::fromStdString(failure));
    }
    SaveChoices();
    (void)WriteBoolValue(m_settingsFile, SettingsKeys::kDockAutoSend, m_autoSend->isChecked());
    (void)FlushProfile(m_settingsFile);
    const std::string wavePath = m_wavePath;
    m_wavePath.clear();
    m_host.HandOverTape(wavePath, send);
}

void DockDialog::accept() {
    Finish(m_autoSend->isChecked());
    QDialog::accept();
}

void DockDialog::reject() {
    m_transfer.Stop();
    if (!m_wavePath.empty()) {
        const std::string wavePath = m_wavePath;
        m_wavePath.clear();
        m_host.DiscardTape(wavePath);
    }
    QDialog::reject();
}

void DockDialog::FinishForExit() {
    Finish(/*send=*/false);
}

void DockDialog::Warn(const QString& text) {
    if (m_warn)
        m_warn(tr(kCaption), text);
    else
        QMessageBox::warning(this, tr(kCaption), text);
}
