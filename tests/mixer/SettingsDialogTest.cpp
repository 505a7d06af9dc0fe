#include "SettingsDialog.h"

#include "DeviceNameKeys.h"
#include "DialogUnits.h"
#include "IniValues.h"
#include "LDBEdit.h"
#include "Mixer.h"
#include "SettingsKeys.h"
#include "SpyBackend.h"
#include "TempFolder.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QStringList Entries(const QComboBox* list) {
    QStringList entries;
    for (int i = 0; i < list->count(); ++i)
        entries << list->itemText(i);
    return entries;
}

bool EntryEnabled(const QComboBox* list, int index) {
    return qobject_cast<const QStandardItemModel*>(list->model())->item(index)->isEnabled();
}

class HardwareSettings : public ::testing::Test {
protected:
    HardwareSettings() {
        m_backend.linesByDevice[3] = {};                                          // a device without ports
        m_backend.linesByDevice[2] = {{"mic", "Headset Microphone", true, true}}; // a headset with one
    }

    std::unique_ptr<SettingsDialog> Open() {
        auto dialog = std::make_unique<SettingsDialog>(
            nullptr, m_backend, m_file, [this](auto page, auto anchor) { m_help.emplace_back(page, anchor); });
        return dialog;
    }
    template <typename T> static T* Control(const SettingsDialog& dialog, int id) {
        auto* control = qobject_cast<T*>(FindControl(&dialog, id));
        EXPECT_NE(control, nullptr) << id;
        return control;
    }
    static QComboBox* List(const SettingsDialog& dialog, int id) { return Control<QComboBox>(dialog, id); }
    static LDBEdit* Level(const SettingsDialog& dialog, int id) { return Control<LDBEdit>(dialog, id); }
    static void Click(const SettingsDialog& dialog, int id) { Control<QPushButton>(dialog, id)->click(); }

    SpyBackend m_backend{{"Line In", "Microphone", "CD Audio"},
                         {{"usb-headset", "USB Headset"}, {"usb-webcam", "USB Webcam"}},
                         {{"usb-speakers", "USB Speakers"}}};
    TempFolder m_folder;
    std::string m_file = m_folder / "settings.ini";
    std::vector<std::pair<std::string, std::string>> m_help;
};

} // namespace

TEST_F(HardwareSettings, OpensWithTheDefaultsOfAnEmptySettingsFile) {
    auto dialog = Open();
    EXPECT_EQ(dialog->windowTitle(), "Hardware Settings");
    QStringList groups;
    for (const QGroupBox* group : dialog->findChildren<QGroupBox*>())
        groups << group->title();
    EXPECT_EQ(groups, QStringList({"&Recording", "&Playback"}));
    QStringList labels;
    for (const QLabel* label : dialog->findChildren<QLabel*>())
        if (!label->text().isEmpty())
            labels << label->text();
    EXPECT_EQ(labels, QStringList({"Sound Record Device", "Audio Input Channel", "Record Volume Level",
                                   "Voice Activate Level", "Sound Play Device", "Play Volume Level"}));
    EXPECT_EQ(Control<QPushButton>(*dialog, SettingsDialog::kHelp)->text(), "Help");

    const QComboBox* devices = List(*dialog, SettingsDialog::kRecordDevice);
    EXPECT_EQ(Entries(devices), QStringList({"Default device", "Silence", "USB Headset", "USB Webcam"}));
    EXPECT_EQ(devices->currentIndex(), 0);
    const QComboBox* lines = List(*dialog, SettingsDialog::kInputLine);
    EXPECT_EQ(Entries(lines), QStringList({kServerChoiceLineName, "Line In", "Microphone", "CD Audio"}));
    EXPECT_EQ(lines->currentIndex(), 2) << "the microphone";
    EXPECT_EQ(Level(*dialog, SettingsDialog::kRecordLevel)->Value(), 0);
    EXPECT_EQ(Level(*dialog, SettingsDialog::kVoiceActivate)->Value(), -15);
    EXPECT_EQ(Entries(List(*dialog, SettingsDialog::kPlayDevice)),
              QStringList({"Default device", "Discard", "USB Speakers"}));
    EXPECT_EQ(List(*dialog, SettingsDialog::kPlayDevice)->currentIndex(), 0);
    EXPECT_EQ(Level(*dialog, SettingsDialog::kPlayLevel)->Value(), 0);
    EXPECT_TRUE(Control<QLabel>(*dialog, SettingsDialog::kRecordNote)->text().isEmpty());
}

TEST_F(HardwareSettings, OkWritesEveryKeyAndCancelWritesNothing) {
    {
        auto dialog = Open();
        List(*dialog, SettingsDialog::kRecordDevice)->setCurrentIndex(1);
        List(*dialog, SettingsDialog::kInputLine)->setCurrentIndex(3);
        Level(*dialog, SettingsDialog::kRecordLevel)->SetValue(-10);
        Level(*dialog, SettingsDialog::kVoiceActivate)->SetValue(-30);
        List(*dialog, SettingsDialog::kPlayDevice)->setCurrentIndex(2);
        Level(*dialog, SettingsDialog::kPlayLevel)->SetValue(5);
        Click(*dialog, SettingsDialog::kCancel);
        EXPECT_EQ(dialog->result(), QDialog::Rejected);
    }
    EXPECT_EQ(m_folder.Read("settings.ini"), "<missing>");

    auto dialog = Open();
    List(*dialog, SettingsDialog::kRecordDevice)->setCurrentIndex(1);
    List(*dialog, SettingsDialog::kInputLine)->setCurrentIndex(3);
    Level(*dialog, SettingsDialog::kRecordLevel)->SetValue(-10);
    Level(*dialog, SettingsDialog::kVoiceActivate)->SetValue(-30);
    List(*dialog, SettingsDialog::kPlayDevice)->setCurrentIndex(2);
    Level(*dialog, SettingsDialog::kPlayLevel)->Edit()->clear();
    QTest::keyClicks(Level(*dialog, SettingsDialog::kPlayLevel)->Edit(), "--");
    Click(*dialog, SettingsDialog::kOk);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);

    EXPECT_EQ(ReadIntValue(m_file, SettingsKeys::kSoundIn), 1);
    EXPECT_EQ(ReadStringValue(m_file, DeviceNameKeys::kSoundInName), "silence");
    EXPECT_EQ(ReadIntValue(m_file, SettingsKeys::kSoundInChan), 2);
    EXPECT_EQ(ReadStringValue(m_file, SettingsKeys::kRecordVolume.section, "recordvolume", ""), "-10dB");
    EXPECT_EQ(ReadDbValue(m_file, SettingsKeys::kVoiceActivate), -30);
    EXPECT_EQ(ReadIntValue(m_file, SettingsKeys::kSoundOutDevice), 2);
    EXPECT_EQ(ReadStringValue(m_file, DeviceNameKeys::kSoundOutName), "usb-speakers");
    EXPECT_EQ(ReadStringValue(m_file, SettingsKeys::kSoundOutVolume.section, "soundoutvolume", ""), "--dB");

    // Opened again, the dialog shows what was stored.
    auto again = Open();
    EXPECT_EQ(List(*again, SettingsDialog::kRecordDevice)->currentIndex(), 1);
    EXPECT_EQ(List(*again, SettingsDialog::kInputLine)->currentIndex(), 3);
    EXPECT_EQ(Level(*again, SettingsDialog::kRecordLevel)->Value(), -10);
    EXPECT_EQ(Level(*again, SettingsDialog::kPlayLevel)->Value(), -36);
}

TEST_F(HardwareSettings, ChoosingAnotherDeviceRefillsTheLineList) {
    auto dialog = Open();
    QComboBox* devices = List(*dialog, SettingsDialog::kRecordDevice);
    QComboBox* lines = List(*dialog, SettingsDialog::kInputLine);
    lines->setCurrentIndex(1);

    devices->setCurrentIndex(2); // the headset: one line
    EXPECT_EQ(Entries(lines), QStringList({kServerChoiceLineName, "Headset Microphone", SettingsDialog::kOneLineNote}));
    EXPECT_EQ(lines->currentIndex(), 1) << "the same list index as before";
    EXPECT_FALSE(EntryEnabled(lines, 2));

    devices->setCurrentIndex(3); // the webcam: no lines
    EXPECT_EQ(Entries(lines), QStringList({kServerChoiceLineName, SettingsDialog::kNoLinesNote}));
    EXPECT_EQ(lines->currentIndex(), 0) << "the index is beyond its lines";
    EXPECT_FALSE(EntryEnabled(lines, 1));

    devices->setCurrentIndex(1);
    EXPECT_EQ(Entries(lines), QStringList({kServerChoiceLineName, "Line In", "Microphone", "CD Audio"}));
    EXPECT_EQ(lines->currentIndex(), 0);

    m_backend.unreadable = true;
    devices->setCurrentIndex(0);
    EXPECT_EQ(Entries(lines), QStringList({kServerChoiceLineName, SettingsDialog::kUnreadableLinesNote}));

    Click(*dialog, SettingsDialog::kOk);
    EXPECT_EQ(ReadIntValue(m_file, SettingsKeys::kSoundInChan), -1);
}

TEST_F(HardwareSettings, ARememberedDeviceThatIsGoneShowsANoteAndTheDefault) {
    ASSERT_TRUE(WriteIntValue(m_file, SettingsKeys::kSoundIn, 2));
    ASSERT_TRUE(WriteStringValue(m_file, DeviceNameKeys::kSoundInName, "usb-dock"));
    ASSERT_TRUE(WriteIntValue(m_file, SettingsKeys::kSoundOutDevice, 2));
    ASSERT_TRUE(WriteStringValue(m_file, DeviceNameKeys::kSoundOutName, "usb-speakers"));
    auto dialog = Open();
    EXPECT_EQ(List(*dialog, SettingsDialog::kRecordDevice)->currentIndex(), 0);
    EXPECT_EQ(Control<QLabel>(*dialog, SettingsDialog::kRecordNote)->text(),
              "The recording device \"usb-dock\" is not connected; the default device is used.");
    EXPECT_EQ(List(*dialog, SettingsDialog::kPlayDevice)->currentIndex(), 2);
    EXPECT_TRUE(Control<QLabel>(*dialog, SettingsDialog::kPlayNote)->text().isEmpty());
}

TEST_F(HardwareSettings, HelpOpensTheHelpPage) {
    auto dialog = Open();
    Click(*dialog, SettingsDialog::kHelp);
    ASSERT_EQ(m_help.size(), 1u);
    EXPECT_EQ(m_help[0].first, "tallowin.html");
    EXPECT_EQ(m_help[0].second, SettingsDialog::kHelpAnchor);
    EXPECT_EQ(dialog->result(), 0) << "the dialog stays open";
}
