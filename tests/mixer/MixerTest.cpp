#include "audio/Mixer.h"

#include "SpyBackend.h"
#include "TempFolder.h"
#include "audio/DeviceNameKeys.h"
#include "platform/MixerLevel.h"
#include "store/IniValues.h"
#include "store/SettingsKeys.h"

#include <gtest/gtest.h>

namespace {

using SettingsKeys::kSoundIn, SettingsKeys::kSoundInChan, DeviceNameKeys::kSoundInName;
using Names = std::vector<std::string>;

const Names kThreeLines = {"Line In", "Microphone", "CD Audio"};

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
    backend.unreadable = true;
    EXPECT_EQ(InputLineCount(backend, 0), 0);
    EXPECT_EQ(InputLineName(backend, 0, 0), kInvalidLineName);
}

TEST_F(MixerSettings, TheRememberedNameFindsTheDeviceWhereverItIsListedNowAndTheDefaultHasNoName) {
    SpyBackend backend(kThreeLines, {{"usb-mic", "USB Mic"}, {"usb-headset", "USB Headset"}});
    ASSERT_TRUE(WriteDeviceChoice(backend, AudioDirection::Recording, m_file, kSoundIn, kSoundInName, 3));
    EXPECT_EQ(ReadIntValue(m_file, kSoundIn), 3);
    EXPECT_EQ(ReadStringValue(m_file, kSoundInName), "usb-headset");
    SpyBackend replugged(kThreeLines, {{"usb-headset", "USB Headset"}, {"usb-mic", "USB Mic"}});
    EXPECT_EQ(ReadRecording(replugged).device, 2);
    EXPECT_FALSE(ReadRecording(replugged).deviceMissing);
    ASSERT_TRUE(WriteDeviceChoice(backend, AudioDirection::Recording, m_file, kSoundIn, kSoundInName, 0));
    EXPECT_EQ(ReadStringValue(m_file, kSoundInName), "");
    EXPECT_EQ(ReadRecording(backend).device, 0);
    EXPECT_FALSE(ReadRecording(backend).deviceMissing);
}

TEST_F(MixerSettings, AMissingDeviceFallsBackToTheDefaultAndSaysSo) {
    SpyBackend backend(kThreeLines);
    Store(2, "usb-headset", 0);
    const InputSelection selection = ReadRecording(backend);
    EXPECT_EQ(selection.device, 0);
    EXPECT_TRUE(selection.deviceMissing);
    EXPECT_EQ(selection.line, 1) << "the headset's line means nothing on the default device";
    EXPECT_EQ(MissingDeviceMessage(AudioDirection::Recording, selection.missingDeviceName),
              "The recording device \"usb-headset\" is not connected; the default device is used.");
    Store(9, "", 0); // without a remembered name, a number beyond the list falls back too
    EXPECT_TRUE(ReadRecording(backend).deviceMissing);
    Store(1, "", 0);
    EXPECT_FALSE(ReadRecording(backend).deviceMissing);
    ASSERT_TRUE(WriteIntValue(m_file, SettingsKeys::kSoundOutDevice, 2));
    ASSERT_TRUE(WriteStringValue(m_file, DeviceNameKeys::kSoundOutName, "usb-speakers"));
    const OutputSelection output =
        ReadOutputSelection(backend, m_file, SettingsKeys::kSoundOutDevice, DeviceNameKeys::kSoundOutName);
    EXPECT_EQ(output.device, 0);
    EXPECT_EQ(output.missingDeviceName, "usb-speakers");
}

TEST(SelectRecordInput, SelectsTheLineThenSetsItsLevelAndAFailedStepEndsIt) {
    struct Case {
        int device, line, db;
        bool applied;
        size_t selections;                            // line selections tried
        std::vector<std::pair<int, uint16_t>> levels; // levels set
        size_t activeLine;                            // of the file's lines afterwards
    };
    for (const Case& c : {Case{0, 2, -6, true, 1, {{0, MixerLevelForDb(-6)}}, 2}, Case{0, -1, 6, false, 0, {}, 0},
                          Case{-1, 1, 6, false, 0, {}, 0}, Case{0, 3, 6, false, 1, {}, 0}}) {
        SpyBackend backend(kThreeLines);
        EXPECT_EQ(SelectRecordInput(backend, c.device, c.line, c.db), c.applied) << c.device << " " << c.line;
        EXPECT_EQ(backend.selectedLines.size(), c.selections);
        EXPECT_EQ(backend.recordLevels, c.levels);
        EXPECT_TRUE(backend.InputLines(0)->at(c.activeLine).active);
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

} // namespace
