#include "audio/ui/SettingsDialog.h"

#include "audio/DeviceNameKeys.h"
#include "audio/Mixer.h"
#include "audio/ui/DeviceLists.h"
#include "audio/ui/LDBEdit.h"
#include "platform/AudioBackend.h"
#include "store/IniValues.h"
#include "store/SettingsKeys.h"
#include "ui/DialogButtons.h"
#include "ui/DialogUnits.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace {

constexpr int8_t kLevelMinimum = -36;
constexpr int8_t kLevelMaximum = 12;

QLabel* AddLabel(QWidget* dialog, const DialogUnits& units, const char* text, int x, int y, int width) {
    auto* label = new QLabel(QObject::tr(text), dialog);
    label->setGeometry(units.ToPixels(x, y, width, 10));
    return label;
}

} // namespace

SettingsDialog::SettingsDialog(QWidget* parent, AudioBackend& backend, std::string settingsFile, HelpOpener help,
                               const SectionMaker& extraSection)
    : QDialog(parent), m_backend(backend), m_settingsFile(std::move(settingsFile)), m_help(std::move(help)) {
    setWindowTitle(tr("Hardware Settings"));
    setModal(true);
    const DialogUnits units(font());
    // The extra section goes between the notifications box and the buttons.
    int sectionHeight = 0;
    if (extraSection) {
        m_extraSection = extraSection(this);
        sectionHeight = m_extraSection->HeightUnits() + 4;
        m_extraSection->setGeometry(units.ToPixels(7, 186, 222, m_extraSection->HeightUnits()));
    }
    setFixedSize(units.ToPixels(236, 206 + sectionHeight));

    // The group frames first, so the controls placed over them stay on top.
    auto* recording = new QGroupBox(tr("&Recording"), this);
    recording->setGeometry(units.ToPixels(7, 4, 222, 100));
    auto* playback = new QGroupBox(tr("&Playback"), this);
    playback->setGeometry(units.ToPixels(7, 108, 222, 60));

    AddLabel(this, units, "Sound Record Device", 14, 18, 80);
    m_recordDevice = new QComboBox(this);
    units.Place(m_recordDevice, kRecordDevice, 96, 16, 126, 14);
    AddLabel(this, units, "Audio Input Channel", 14, 36, 80);
    m_inputLine = new QComboBox(this);
    units.Place(m_inputLine, kInputLine, 96, 34, 126, 14);
    AddLabel(this, units, "Record Volume Level", 14, 54, 80);
    m_recordLevel = new LDBEdit(this, kLevelMinimum, kLevelMaximum);
    units.Place(m_recordLevel, kRecordLevel, 96, 53, 126, 11);
    AddLabel(this, units, "Voice Activate Level", 14, 70, 80);
    m_voiceActivate = new LDBEdit(this, kLevelMinimum, kLevelMaximum);
    units.Place(m_voiceActivate, kVoiceActivate, 96, 69, 126, 11);
    m_recordNote = new QLabel(this);
    m_recordNote->setWordWrap(true);
    units.Place(m_recordNote, kRecordNote, 14, 84, 208, 18);

    AddLabel(this, units, "Sound Play Device", 14, 122, 80);
    m_playDevice = new QComboBox(this);
    units.Place(m_playDevice, kPlayDevice, 96, 120, 126, 14);
    AddLabel(this, units, "Play Volume Level", 14, 140, 80);
    m_playLevel = new LDBEdit(this, kLevelMinimum, kLevelMaximum);
    units.Place(m_playLevel, kPlayLevel, 96, 139, 126, 11);
    m_playNote = new QLabel(this);
    m_playNote->setWordWrap(true);
    units.Place(m_playNote, kPlayNote, 14, 152, 208, 14);

    m_desktopNotices = new QCheckBox(tr("Show deliveries as desktop &notifications"), this);
    units.Place(m_desktopNotices, kDesktopNotices, 14, 172, 208, 10);
    m_desktopNotices->setChecked(ReadBoolValue(m_settingsFile, SettingsKeys::kDesktopNotices));

    AddDialogButtons(this, units, {69, 187 + sectionHeight, 50, 14, 5}, [this] {
        if (m_help)
            m_help(kHelpPage, kHelpAnchor);
    });

    // Recording: the device and line of the settings, then the levels.
    const InputSelection input = ReadInputSelection(m_backend, m_settingsFile, SettingsKeys::kSoundIn,
                                                    SettingsKeys::kSoundInChan, DeviceNameKeys::kSoundInName, "MIC");
    m_inputDevices = FillDeviceList(m_recordDevice, m_backend, AudioDirection::Recording);
    const int inputDevice = std::max<int>(0, input.device);
    m_recordDevice->setCurrentIndex(inputDevice < m_recordDevice->count() ? inputDevice : -1);
    FillLineList(inputDevice, input.line + 1);
    connect(m_recordDevice, &QComboBox::currentIndexChanged, this, &SettingsDialog::RecordDeviceChosen);
    connect(m_inputLine, &QComboBox::activated, this, [this] { m_lineChosen = true; });
    m_recordLevel->SetValue(ReadDbValue(m_settingsFile, SettingsKeys::kRecordVolume));
    connect(m_recordLevel, &LDBEdit::valueEdited, this, [this] { m_recordLevelSet = true; });
    m_voiceActivate->SetValue(ReadDbValue(m_settingsFile, SettingsKeys::kVoiceActivate));
    if (input.deviceMissing)
        m_recordNote->setText(
            QString::fromStdString(MissingDeviceMessage(AudioDirection::Recording, input.missingDeviceName)));

    // Playback.
    const OutputSelection output =
        ReadOutputSelection(m_backend, m_settingsFile, SettingsKeys::kSoundOutDevice, DeviceNameKeys::kSoundOutName);
    m_outputDevices = FillDeviceList(m_playDevice, m_backend, AudioDirection::Playback);
    const int outputDevice = std::max<int>(0, output.device);
    m_playDevice->setCurrentIndex(outputDevice < m_playDevice->count() ? outputDevice : -1);
    m_playLevel->SetValue(ReadDbValue(m_settingsFile, SettingsKeys::kSoundOutVolume));
    if (output.deviceMissing)
        m_playNote->setText(
            QString::fromStdString(MissingDeviceMessage(AudioDirection::Playback, output.missingDeviceName)));

    m_recordDevice->setFocus();
}

void SettingsDialog::FillLineList(int device, int selectIndex) {
    FillInputLineList(m_inputLine, m_backend, device, selectIndex);
}

void SettingsDialog::RecordDeviceChosen(int index) {
    FillLineList(index, m_inputLine->currentIndex());
    m_recordDeviceChanged = true;
}

bool SettingsDialog::WriteSettings() {
    const bool sectionWritten = !m_extraSection || m_extraSection->Write();
    const int inputDevice = std::max(0, m_recordDevice->currentIndex());
    const int line = std::max(0, m_inputLine->currentIndex()) - 1;
    const int outputDevice = std::max(0, m_playDevice->currentIndex());
    bool written = WriteDeviceChoice(m_backend, AudioDirection::Recording, m_settingsFile, SettingsKeys::kSoundIn,
                                     DeviceNameKeys::kSoundInName, inputDevice);
    // A line kept for the device used before would name another port of the new one: it is forgotten unless the
    // user chose a line too.
    if (m_lineChosen || m_recordDeviceChanged)
        written = WriteIntValue(m_settingsFile, SettingsKeys::kSoundInChan,
                                m_lineChosen ? line : SettingsKeys::kSoundInChan.defaultValue) &&
                  written;
    if (m_recordLevelSet)
        written = WriteDbValue(m_settingsFile, SettingsKeys::kRecordVolume, m_recordLevel->Value()) && written;
    written = WriteDbValue(m_settingsFile, SettingsKeys::kVoiceActivate, m_voiceActivate->Value()) && written;
    written = WriteDeviceChoice(m_backend, AudioDirection::Playback, m_settingsFile, SettingsKeys::kSoundOutDevice,
                                DeviceNameKeys::kSoundOutName, outputDevice) &&
              written;
    written = WriteDbValue(m_settingsFile, SettingsKeys::kSoundOutVolume, m_playLevel->Value()) && written;
    written = WriteBoolValue(m_settingsFile, SettingsKeys::kDesktopNotices, m_desktopNotices->isChecked()) && written;
    return FlushProfile(m_settingsFile) && written && sectionWritten;
}

void SettingsDialog::accept() {
    if (!WriteSettings()) {
        QMessageBox::warning(this, tr("Hardware Settings"),
                             tr("The hardware settings could not be saved. Check that the settings file can be "
                                "written, then try again."));
        return;
    }
    QDialog::accept();
}
