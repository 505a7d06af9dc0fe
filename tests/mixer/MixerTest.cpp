// The mixer rules (device and line names, remembered devices, levels) over a spy backend, the hardware settings
// dialog on them, and its decibel edit boxes with their bars.
#include "audio/Mixer.h"

#include "PulseServer.h"
#include "SpyBackend.h"
#include "TempFolder.h"
#include "audio/DeviceNameKeys.h"
#include "audio/ui/LDBEdit.h"
#include "audio/ui/SettingsDialog.h"
#include "platform/MixerLevel.h"
#include "store/IniValues.h"
#include "store/SettingsKeys.h"
#include "ui/DialogUnits.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

using namespace SettingsKeys;
using DeviceNameKeys::kSoundInName;
using D = SettingsDialog;

const std::vector<std::string> kThreeLines = {"Line In", "Microphone", "CD Audio"};

class MixerSettings : public ::testing::Test {
protected:
    InputSelection ReadRecording(AudioBackend& backend, std::string_view word = "MIC") {
        return ReadInputSelection(backend, m_file, kSoundIn, kSoundInChan, kSoundInName, word);
    }
    // Stores the recording device's number, its remembered name and its line (-2: unset).
    void Store(int device, const std::string& name, int line) {
        ASSERT_TRUE(WriteIntValue(m_file, kSoundIn, device) && WriteStringValue(m_file, kSoundInName, name) &&
                    WriteIntValue(m_file, kSoundInChan, line));
    }

    TempFolder m_folder;
    std::string m_file = m_folder / "settings.ini";
};

TEST(MixerQueries, NameTheDevicesAndLinesOfTheBackendAndNothingBeyondThem) {
    SpyBackend backend(kThreeLines, {{"usb-headset", "USB Headset"}}, {{"usb-speakers", "USB Speakers"}});
    for (const auto& [device, name] :
         std::vector<std::pair<int, std::string>>{{-1, "Default device"}, {2, "USB Headset"}, {3, ""}})
        EXPECT_EQ(InputDeviceName(backend, device), name) << device;
    EXPECT_EQ(OutputDeviceName(backend, 2), "USB Speakers");
    EXPECT_EQ(InputDeviceCount(backend), 3);
    for (const auto& [device, count] : std::vector<std::pair<int, int>>{{0, 3}, {-1, 0}, {7, 0}})
        EXPECT_EQ(InputLineCount(backend, device), count) << device;
    for (const auto& [device, line, name] : std::vector<std::tuple<int, int, std::string>>{
             {0, -1, kServerChoiceLineName}, {0, 1, "Microphone"}, {0, 3, kInvalidLineName}, {-1, 0, kInvalidLineName}})
        EXPECT_EQ(InputLineName(backend, device, line), name) << device << " " << line;
}

TEST_F(MixerSettings, TheRememberedNameFindsTheDeviceWhereverItIsListedNowAndAMissingOneFallsBackToTheDefault) {
    SpyBackend backend(kThreeLines, {{"usb-mic", "USB Mic"}, {"usb-headset", "USB Headset"}});
    ASSERT_TRUE(WriteDeviceChoice(backend, AudioDirection::Recording, m_file, kSoundIn, kSoundInName, 3));
    SpyBackend replugged(kThreeLines, {{"usb-headset", "USB Headset"}, {"usb-mic", "USB Mic"}}), plain(kThreeLines);
    EXPECT_EQ(ReadRecording(replugged).device, 2);
    ASSERT_TRUE(WriteDeviceChoice(backend, AudioDirection::Recording, m_file, kSoundIn, kSoundInName, 0));
    EXPECT_EQ(ReadRecording(backend).device, 0);
    EXPECT_FALSE(ReadRecording(backend).deviceMissing);

    Store(2, "usb-headset", 0);
    const InputSelection selection = ReadRecording(plain);
    EXPECT_EQ(selection.device, 0);
    EXPECT_TRUE(selection.deviceMissing);
    EXPECT_EQ(selection.line, 1) << "the headset's line means nothing on the default device";
    Store(9, "", 0); // without a remembered name, a number beyond the list falls back too
    EXPECT_TRUE(ReadRecording(plain).deviceMissing);
}

TEST(SelectRecordInput, SelectsTheLineThenSetsTheLevelGivenWhateverTheLineAndAFailedStepEndsIt) {
    struct Case {
        int device, line;
        std::optional<int> db;
        bool applied;
        size_t selections;                            // line selections tried
        std::vector<std::pair<int, uint16_t>> levels; // levels set
        size_t activeLine;                            // of the file's lines afterwards
    };
    for (const Case& c :
         {Case{0, 2, -6, true, 1, {{0, MixerLevelForDb(-6)}}, 2}, Case{0, -1, 6, true, 0, {{0, MixerLevelForDb(6)}}, 0},
          Case{0, 2, {}, true, 1, {}, 2}, Case{-1, 1, 6, false, 0, {}, 0}, Case{0, 3, 6, false, 1, {}, 0}}) {
        SpyBackend backend(kThreeLines);
        EXPECT_EQ(SelectRecordInput(backend, c.device, c.line, c.db), c.applied) << c.device << " " << c.line;
        EXPECT_EQ(backend.selectedLines.size(), c.selections);
        EXPECT_EQ(backend.recordLevels, c.levels);
        EXPECT_TRUE(backend.InputLines(0)->at(c.activeLine).active);
    }
}

TEST_F(MixerSettings, TheRecordLevelSetReachesTheSourceOfAServerWithoutPortsAndNoLevelSetLeavesItsVolume) {
    for (const SoundServerKind kind : {SoundServerKind::PulseAudio, SoundServerKind::PipeWire}) {
        if (const std::string why = PulseServer::SkipReason(kind); !why.empty())
            GTEST_SKIP() << why;
        PulseServer* server = PulseServer::Shared(kind);
        ASSERT_NE(server, nullptr) << "no private sound server of kind " << static_cast<int>(kind);
        const std::unique_ptr<AudioBackend> backend = CreatePulseBackend(server->Address());
        ASSERT_TRUE(backend && InputLineCount(*backend, 0) == 0);
        (void)server->Pactl({"set-source-volume", "mic", "50%"});
        m_file = m_folder / ("settings-" + std::to_string(static_cast<int>(kind)) + ".ini");
        for (const char* volume : {"50%", "-12.00 dB"}) { // no level set, then -12 dB
            const InputSelection in = ReadRecording(*backend);
            EXPECT_TRUE(
                SelectRecordInput(*backend, in.device, in.RecordLine(), ReadRecordLevel(m_file, kRecordVolume)));
            EXPECT_NE(server->Pactl({"get-source-volume", "mic"}).find(volume), std::string::npos) << volume;
            ASSERT_TRUE(WriteDbValue(m_file, kRecordVolume, -12));
        }
    }
}

TEST(SetPlayVolume, SetsOnlyOurOwnPlaybackLevelFromTheLevelAndItsOffset) {
    SpyBackend backend(kThreeLines);
    for (const auto& [device, db, offset, applied, level] : std::vector<std::tuple<int, int, int, bool, uint16_t>>{
             {1, -3, -3, true, MixerLevelForDb(-6)}, {1, -100, -100, true, 0}, {-1, 12, 0, false, 0}}) {
        EXPECT_EQ(SetPlayVolume(backend, device, db, offset), applied) << db << " " << offset;
        EXPECT_EQ(backend.PlaybackLevel(), level);
    }
    EXPECT_TRUE(backend.recordLevels.empty());
}

// The dialog over a backend with three lines, a headset (one line) and a webcam (none) besides the file devices.
class HardwareSettings : public ::testing::Test {
protected:
    HardwareSettings() {
        m_backend.linesByDevice = {{2, {{"mic", "Headset Microphone", true, LineAvailability::Unplugged}}}, {3, {}}};
    }
    void Open() {
        m_dialog = std::make_unique<D>(nullptr, m_backend, m_file,
                                       [this](auto page, auto anchor) { m_help.emplace_back(page, anchor); });
    }
    template <typename T = QComboBox> T* Control(int id) { return qobject_cast<T*>(FindControl(m_dialog.get(), id)); }
    LDBEdit* Level(int id) { return Control<LDBEdit>(id); }
    QStringList Entries(int id) {
        QStringList entries;
        for (int i = 0; i < Control(id)->count(); ++i)
            entries << Control(id)->itemText(i);
        return entries;
    }
    void Choose() {
        Control(D::kRecordDevice)->setCurrentIndex(1);
        Control(D::kInputLine)->setCurrentIndex(3);
        emit Control(D::kInputLine)->activated(3);
        Level(D::kRecordLevel)->SetValue(-10);
        Level(D::kVoiceActivate)->SetValue(-30);
        Control(D::kPlayDevice)->setCurrentIndex(2);
    }

    SpyBackend m_backend{kThreeLines,
                         {{"usb-headset", "USB Headset"}, {"usb-webcam", "USB Webcam"}},
                         {{"usb-speakers", "USB Speakers"}}};
    TempFolder m_folder;
    std::string m_file = m_folder / "settings.ini";
    std::unique_ptr<D> m_dialog;
    std::vector<std::pair<std::string, std::string>> m_help;
};

TEST_F(HardwareSettings, ShowsTheBackendsDevicesTheMicrophoneLineAndANoteForARememberedDeviceThatIsGone) {
    Open();
    EXPECT_EQ(Entries(D::kRecordDevice), QStringList({"Default device", "Silence", "USB Headset", "USB Webcam"}));
    EXPECT_EQ(Entries(D::kInputLine), QStringList({kServerChoiceLineName, "Line In", "Microphone", "CD Audio"}));
    EXPECT_EQ(Entries(D::kPlayDevice), QStringList({"Default device", "Discard", "USB Speakers"}));
    EXPECT_EQ(Control(D::kInputLine)->currentIndex(), 2);
    EXPECT_TRUE(Control<QLabel>(D::kRecordNote)->text().isEmpty());
    Control<QPushButton>(D::kHelp)->click();
    EXPECT_EQ(m_help, (std::vector<std::pair<std::string, std::string>>{{D::kHelpPage, D::kHelpAnchor}}));

    ASSERT_TRUE(WriteIntValue(m_file, kSoundIn, 2) && WriteStringValue(m_file, DeviceNameKeys::kSoundInName, "dock") &&
                WriteIntValue(m_file, kSoundOutDevice, 2) &&
                WriteStringValue(m_file, DeviceNameKeys::kSoundOutName, "usb-speakers"));
    Open();
    EXPECT_EQ(Control(D::kRecordDevice)->currentIndex(), 0);
    EXPECT_TRUE(Control<QLabel>(D::kRecordNote)->text().contains("\"dock\""));
    EXPECT_EQ(Control(D::kPlayDevice)->currentIndex(), 2);
}

TEST_F(HardwareSettings, ASettingsFileThatCannotBeWrittenKeepsTheDialogOpenWithAWarning) {
    m_file = m_folder / "missing/settings.ini";
    Open();
    QString warning;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            warning = box->text();
            box->close();
        }
    });
    Control<QPushButton>(D::kOk)->click();
    EXPECT_TRUE(warning.contains("could not be saved")) << warning.toStdString();
    EXPECT_EQ(m_dialog->result(), 0) << "still open";
}

TEST_F(HardwareSettings, ChoosingAnotherDeviceRefillsTheLineListKeepingTheIndexWhereItCanAndForgetsTheOldLine) {
    ASSERT_TRUE(WriteIntValue(m_file, kSoundInChan, 1));
    Open();
    QComboBox* lines = Control(D::kInputLine);
    lines->setCurrentIndex(1);
    Control(D::kRecordDevice)->setCurrentIndex(2); // the headset
    EXPECT_EQ(Entries(D::kInputLine),
              QStringList({kServerChoiceLineName, "Headset Microphone (unplugged)", D::kOneLineNote}));
    EXPECT_EQ(lines->currentIndex(), 1);
    Control(D::kRecordDevice)->setCurrentIndex(3); // the webcam
    EXPECT_EQ(Entries(D::kInputLine), QStringList({kServerChoiceLineName, D::kNoLinesNote}));
    EXPECT_EQ(lines->currentIndex(), 0) << "the index is beyond its lines";
    m_backend.unreadable = true;
    Control(D::kRecordDevice)->setCurrentIndex(0);
    EXPECT_EQ(Entries(D::kInputLine), QStringList({kServerChoiceLineName, D::kUnreadableLinesNote}));
    Control<QPushButton>(D::kOk)->click();
    EXPECT_EQ(ReadIntValue(m_file, kSoundInChan), -2) << "the old device's line is not the new one's";
}

// The edit box and a bar of 96 pixels: 2 pixels per decibel from column e, 0 dB at e + 72.
class DbEdit : public ::testing::Test {
protected:
    DbEdit() { m_control.resize(e + 96, 20); }
    QColor At(int barColumn) { return m_control.grab().toImage().pixelColor(e + barColumn, 10); }
    void Drag(int x) {
        QMouseEvent move(QEvent::MouseMove, QPointF(x, 10), m_control.mapToGlobal(QPointF(x, 10)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&m_control, &move);
    }

    LDBEdit m_control{nullptr, -36, 12};
    const int e = m_control.EditWidth();
    QSignalSpy m_told{&m_control, &LDBEdit::valueEdited};
};

TEST_F(DbEdit, PressingAndDraggingOnTheBarSetsTheValueUntilReleasedWhichShowsItRedAboveZeroAndGreyWhenDisabled) {
    QTest::mousePress(&m_control, Qt::LeftButton, {}, QPoint(e + 72, 10));
    for (const auto& [x, value] : std::vector<std::pair<int, int>>{{e + 48, -12}, {e + 500, 12}, {0, -36}}) {
        Drag(x);
        EXPECT_EQ(m_control.Value(), value) << x;
    }
    QTest::mouseRelease(&m_control, Qt::LeftButton, {}, QPoint(0, 10));
    const qsizetype told = m_told.count();
    Drag(e + 72);
    QTest::mousePress(&m_control, Qt::LeftButton, {}, QPoint(10, 10)); // on the edit box
    EXPECT_EQ(m_control.Value(), -36);
    EXPECT_EQ(m_told.count(), told);
    m_control.resize(e, 20);
    QTest::mousePress(&m_control, Qt::LeftButton, {}, QPoint(e + 8, 10));
    EXPECT_EQ(m_control.Value(), -36);
    EXPECT_FALSE(m_control.grab().isNull());
    m_control.resize(e + 96, 20);
    m_control.SetValue(6);
    EXPECT_EQ(At(68), LDBEdit::kBelowZero);
    EXPECT_EQ(At(76), LDBEdit::kAboveZero);
    m_control.setEnabled(false);
    EXPECT_EQ(At(76), LDBEdit::kLightGrey);
}

} // namespace

// Ports as laptops, headsets and docks report them: "Name+" something is plugged in, "-" nothing is, "?" unknown;
// "*" marks the active one.
std::vector<AudioInputLine> Ports(const std::vector<std::string>& texts) {
    std::vector<AudioInputLine> ports;
    for (const std::string& text : texts) {
        const size_t mark = text.find_first_of("?+-");
        const auto plug = static_cast<LineAvailability>(std::string_view("?+-").find(text[mark]));
        ports.push_back({text, text.substr(0, mark), text.ends_with('*'), plug});
    }
    return ports;
}

TEST_F(MixerSettings, OnlyAChosenLineThatIsNotUnpluggedIsSwitchedToOtherwiseTheWordPicksAPluggedOrActiveOne) {
    const std::vector<std::string> laptop = {"Internal Microphone+*", "Headset Microphone-"};
    for (const auto& [ports, stored, word, shown, recorded] :
         std::vector<std::tuple<std::vector<std::string>, int, std::string, int, int>>{
             {laptop, -2, "MIC", 0, -1},
             {laptop, 1, "MIC", 1, -1},
             {laptop, 0, "MIC", 0, 0},
             {{"Front Mic?", "Rear Mic?*", "Line In?"}, -2, "MIC", 1, -1},
             {{"Front Mic?", "Line In?*", "Rear Mic?", "CD?"}, -2, "MIC", 2, -1},
             {{"Line In-", "CD?*"}, -2, "LINE", -1, -1},
             {{"Line In?*", "Mic?"}, -1, "MIC", -1, -1},
             {{"Line In?*", "Mic?"}, 7, "MIC", 1, -1}}) {
        SpyBackend backend({});
        backend.linesByDevice[0] = Ports(ports);
        Store(0, "", stored);
        const InputSelection selection = ReadRecording(backend, word);
        EXPECT_EQ(selection.line, shown) << stored << " " << word << " in " << ::testing::PrintToString(ports);
        (void)SelectRecordInput(backend, 0, selection.RecordLine(), std::nullopt);
        EXPECT_EQ(backend.selectedLines.size(), recorded < 0 ? 0u : 1u) << "Record switches only to a chosen line";
    }
}

TEST_F(HardwareSettings, OkWritesTheKeysTheUserChoseAndTheDialogShowsThemAgainButCancelWritesNothing) {
    Open();
    Choose();
    Control<QPushButton>(D::kCancel)->click();
    EXPECT_EQ(m_folder.Read("settings.ini"), "<missing>");
    Open();
    Control<QPushButton>(D::kOk)->click();
    for (const char* key : {"soundinchan", "recordvolume"})
        EXPECT_EQ(ReadStringValue(m_file, kSection, key, "<unset>"), "<unset>") << key << " was not chosen";
    Open();
    Choose();
    Level(D::kPlayLevel)->Edit()->clear();
    QTest::keyClicks(Level(D::kPlayLevel)->Edit(), "--");
    Control<QPushButton>(D::kOk)->click();
    EXPECT_EQ(m_dialog->result(), QDialog::Accepted);
    const std::string written = m_folder.Read("settings.ini");
    for (const std::string line :
         {"soundin=1", "soundinname=silence", "soundinchan=2", "recordvolume=-10dB", "voiceactivate=-30dB",
          "soundoutdevice=2", "soundoutname=usb-speakers", "soundoutvolume=--dB"})
        EXPECT_NE(written.find("\n" + line + "\n"), std::string::npos) << line << " in\n" << written;
    Open();
    EXPECT_EQ(Level(D::kRecordLevel)->Value(), -10);
    EXPECT_EQ(Level(D::kPlayLevel)->Value(), -36);
}
