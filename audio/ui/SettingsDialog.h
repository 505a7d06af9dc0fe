// SettingsDialog: the "Hardware Settings" dialog: recording device, input line, record and voice activation
// levels, playback device and level, whether deliveries show as desktop notifications, and a section the caller may
// add below (for what this library cannot know), read from the settings file on opening and written on OK (Cancel
// writes nothing; the input line and the record level only when the user changed them). Nothing is applied to the
// sound system here: the values take effect at the next recording or playback.
//
//   SettingsDialog dialog(mainWindow, backend, settings.settingsFile, OpenHelpPage, MakeControlsSection);
//   dialog.exec();
#pragma once

#include "audio/ui/DeviceLists.h"
#include "platform/AudioTypes.h"

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

class AudioBackend;
class LDBEdit;
class QCheckBox;
class QComboBox;
class QLabel;

// A section the caller adds below the dialog's own controls, as wide as the groups and HeightUnits() dialog units
// high; it writes its choices at OK, before the dialog's own.
class SettingsDialogSection : public QWidget {
public:
    using QWidget::QWidget;
    virtual int HeightUnits() const = 0;
    // False when its choices could not be saved.
    [[nodiscard]] virtual bool Write() = 0;
};

class SettingsDialog final : public QDialog {
public:
    // Control ids (tests and commands find the controls by them).
    enum ControlId {
        kOk = 1,
        kCancel = 2,
        kHelp = 9,
        kRecordDevice = 1001,
        kInputLine = 1002,
        kRecordLevel = 1003,
        kVoiceActivate = 1004,
        kPlayDevice = 1005,
        kPlayLevel = 1006,
        kRecordNote = 1007, // shown when the remembered recording device is not connected
        kPlayNote = 1008,   // the same for playback
        kDesktopNotices = 1009,
    };

    static constexpr const char* kHelpPage = "tallowin.html";
    static constexpr const char* kHelpAnchor = "hardware-settings";

    // Opens a help page at an anchor.
    using HelpOpener = std::function<void(const std::string& page, const std::string& anchor)>;

    // Makes the extra section, a child of `dialog`.
    using SectionMaker = std::function<SettingsDialogSection*(QWidget* dialog)>;

    SettingsDialog(QWidget* parent, AudioBackend& backend, std::string settingsFile, HelpOpener help,
                   const SectionMaker& extraSection = {});

    void accept() override;

    // The texts the line list shows below the lines for a device with no or one line (DeviceLists.h).
    static constexpr const char* kNoLinesNote = ::kNoLinesNote;
    static constexpr const char* kOneLineNote = ::kOneLineNote;
    static constexpr const char* kUnreadableLinesNote = ::kUnreadableLinesNote;

private:
    void FillLineList(int device, int selectIndex);
    void RecordDeviceChosen(int index);
    bool WriteSettings();

    AudioBackend& m_backend;
    const std::string m_settingsFile;
    HelpOpener m_help;
    std::vector<AudioDeviceInfo> m_inputDevices;
    std::vector<AudioDeviceInfo> m_outputDevices;
    QComboBox* m_recordDevice;
    QComboBox* m_inputLine;
    LDBEdit* m_recordLevel;
    LDBEdit* m_voiceActivate;
    QComboBox* m_playDevice;
    LDBEdit* m_playLevel;
    QLabel* m_recordNote;
    QLabel* m_playNote;
    QCheckBox* m_desktopNotices;
    SettingsDialogSection* m_extraSection = nullptr;
    // The user chose a line or set the record level here: only then OK keeps them (an unset line follows the
    // ports, an unset level leaves the device's level alone).
    bool m_lineChosen = false;
    bool m_recordLevelSet = false;
    bool m_recordDeviceChanged = false;
};
