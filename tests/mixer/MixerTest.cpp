#include "Mixer.h"

#include "DeviceNameKeys.h"
#include "IniValues.h"
#include "Poster.h"
#include "SettingsKeys.h"
#include "SpyBackend.h"
#include "TempFolder.h"

#include <chrono>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

const std::vector<std::string> kThreeLines = {"Line In", "Microphone", "CD Audio"};
const std::vector<AudioDeviceInfo> kUsbHeadset = {{"alsa_input.usb-headset", "USB Headset"}};
const std::vector<AudioDeviceInfo> kUsbSpeakers = {{"alsa_output.usb-speakers", "USB Speakers"}};

class MixerSettings : public ::testing::Test {
protected:
    InputSelection ReadRecording(AudioBackend& backend, std::string_view word = "MIC") {
        return ReadInputSelection(backend, m_file, SettingsKeys::kSoundIn, SettingsKeys::kSoundInChan,
                                  DeviceNameKeys::kSoundInName, word);
    }

    TempFolder m_folder;
    std::string m_file = m_folder / "settings.ini";
};

} // namespace

TEST(MixerQueries, NameTheDevicesAndLinesOfTheBackend) {
    SpyBackend backend(kThreeLines, kUsbHeadset, kUsbSpeakers);
    EXPECT_EQ(InputDeviceName(backend, 0), "Default device");
    EXPECT_EQ(InputDeviceName(backend, -1), "Default device");
    EXPECT_EQ(InputDeviceName(backend, 2), "USB Headset");
    EXPECT_EQ(InputDeviceName(backend, 3), "");
    EXPECT_EQ(InputDeviceName(backend, -2), "");
    EXPECT_EQ(OutputDeviceName(backend, 2), "USB Speakers");
    EXPECT_EQ(InputDeviceCount(backend), 3);
    EXPECT_EQ(OutputDeviceCount(backend), 3);

    EXPECT_EQ(InputLineCount(backend, 0), 3);
    EXPECT_EQ(InputLineCount(backend, -1), 0);
    EXPECT_EQ(InputLineCount(backend, 7), 0);
    EXPECT_EQ(InputLineName(backend, 0, -1), kServerChoiceLineName);
    EXPECT_EQ(InputLineName(backend, 0, 1), "Microphone");
    EXPECT_EQ(InputLineName(backend, 0, 3), kInvalidLineName);
    EXPECT_EQ(InputLineName(backend, -1, 0), kInvalidLineName);
    backend.unreadable = true;
    EXPECT_EQ(InputLineCount(backend, 0), 0);
    EXPECT_EQ(InputLineName(backend, 0, 0), kInvalidLineName);
    EXPECT_EQ(InputLineName(backend, 0, -1), kServerChoiceLineName);
}

TEST_F(MixerSettings, AnUnsetLineIsTheLastOneNamedByTheWord) {
    SpyBackend threeLines(kThreeLines);
    InputSelection selection = ReadRecording(threeLines);
    EXPECT_EQ(selection.device, 0);
    EXPECT_EQ(selection.line, 1);
    EXPECT_FALSE(selection.deviceMissing);
    EXPECT_EQ(ReadRecording(threeLines, "LINE").line, 0);

    SpyBackend twoMicrophones({"Front Mic", "Line In", "Rear Microphone", "CD"});
    EXPECT_EQ(ReadRecording(twoMicrophones).line, 2);

    SpyBackend noMicrophone({"Line In", "CD Audio"});
    EXPECT_EQ(ReadRecording(noMicrophone).line, -1);

    SpyBackend noLines({});
    EXPECT_EQ(ReadRecording(noLines).line, -1);
}

TEST_F(MixerSettings, AStoredLineIsKeptWhileTheDeviceHasIt) {
    SpyBackend backend(kThreeLines);
    ASSERT_TRUE(WriteIntValue(m_file, SettingsKeys::kSoundInChan, 2));
    EXPECT_EQ(ReadRecording(backend).line, 2);
    ASSERT_TRUE(WriteIntValue(m_file, SettingsKeys::kSoundInChan, -1));
    EXPECT_EQ(ReadRecording(backend).line, -1);
    // Beyond the device's lines (or garbage): chosen again by the word.
    ASSERT_TRUE(WriteIntValue(m_file, SettingsKeys::kSoundInChan, 500));
    EXPECT_EQ(ReadRecording(backend).line, 1);
    ASSERT_TRUE(WriteIntValue(m_file, SettingsKeys::kSoundInChan, -7));
    EXPECT_EQ(ReadRecording(backend).line, 1);
}

TEST_F(MixerSettings, TheRememberedNameFindsTheDeviceWhereverItIsListedNow) {
    SpyBackend backend(kThreeLines, {{"usb-mic", "USB Mic"}, {"usb-headset", "USB Headset"}});
    ASSERT_TRUE(WriteDeviceChoice(backend, AudioDirection::Recording, m_file, SettingsKeys::kSoundIn,
                                  DeviceNameKeys::kSoundInName, 3));
    EXPECT_EQ(ReadIntValue(m_file, SettingsKeys::kSoundIn), 3);
    EXPECT_EQ(ReadStringValue(m_file, DeviceNameKeys::kSoundInName), "usb-headset");

    // Re-plugged: the headset is listed before the microphone now.
    SpyBackend replugged(kThreeLines, {{"usb-headset", "USB Headset"}, {"usb-mic", "USB Mic"}});
    const InputSelection selection = ReadRecording(replugged);
    EXPECT_EQ(selection.device, 2);
    EXPECT_FALSE(selection.deviceMissing);
}

TEST_F(MixerSettings, AMissingDeviceFallsBackToTheDefaultAndSaysSo) {
    SpyBackend backend(kThreeLines);
    ASSERT_TRUE(WriteIntValue(m_file, SettingsKeys::kSoundIn, 2));
    ASSERT_TRUE(WriteIntValue(m_file, SettingsKeys::kSoundInChan, 0));
    ASSERT_TRUE(WriteStringValue(m_file, DeviceNameKeys::kSoundInName, "usb-headset"));
    const InputSelection selection = ReadRecording(backend);
    EXPECT_EQ(selection.device, 0);
    EXPECT_TRUE(selection.deviceMissing);
    EXPECT_EQ(selection.missingDeviceName, "usb-headset");
    EXPECT_EQ(selection.line, 1) << "the headset's line means nothing on the default device";
    EXPECT_EQ(MissingDeviceMessage(AudioDirection::Recording, selection.missingDeviceName),
              "The recording device \"usb-headset\" is not connected; the default device is used.");

    // Without a remembered name, a number beyond the list falls back too.
    ASSERT_TRUE(WriteStringValue(m_file, DeviceNameKeys::kSoundInName, ""));
    ASSERT_TRUE(WriteIntValue(m_file, SettingsKeys::kSoundIn, 9));
    EXPECT_TRUE(ReadRecording(backend).deviceMissing);
    ASSERT_TRUE(WriteIntValue(m_file, SettingsKeys::kSoundIn, 1));
    EXPECT_FALSE(ReadRecording(backend).deviceMissing);

    ASSERT_TRUE(WriteIntValue(m_file, SettingsKeys::kSoundOutDevice, 2));
    ASSERT_TRUE(WriteStringValue(m_file, DeviceNameKeys::kSoundOutName, "usb-speakers"));
    const OutputSelection output =
        ReadOutputSelection(backend, m_file, SettingsKeys::kSoundOutDevice, DeviceNameKeys::kSoundOutName);
    EXPECT_EQ(output.device, 0);
    EXPECT_TRUE(output.deviceMissing);
    EXPECT_EQ(output.missingDeviceName, "usb-speakers");
}

TEST_F(MixerSettings, TheDefaultDeviceIsRememberedWithoutAName) {
    SpyBackend backend(kThreeLines, kUsbHeadset);
    ASSERT_TRUE(WriteDeviceChoice(backend, AudioDirection::Recording, m_file, SettingsKeys::kSoundIn,
                                  DeviceNameKeys::kSoundInName, 0));
    EXPECT_EQ(ReadStringValue(m_file, DeviceNameKeys::kSoundInName), "");
    EXPECT_EQ(ReadRecording(backend).device, 0);
    EXPECT_FALSE(ReadRecording(backend).deviceMissing);
}

TEST(SelectRecordInput, SelectsTheLineAndSetsItsLevel) {
    SpyBackend backend(kThreeLines);
    EXPECT_TRUE(SelectRecordInput(backend, 0, 2, 0));
    EXPECT_EQ(backend.ActiveLine(0), 2);
    ASSERT_EQ(backend.recordLevels.size(), 1u);
    EXPECT_EQ(backend.recordLevels[0], (std::pair<int, uint16_t>(0, 51264)));
}

TEST(SelectRecordInput, MapsDecibelsToMixerLevels) {
    SpyBackend backend(kThreeLines);
    for (const auto& [db, level] : std::vector<std::pair<int, uint16_t>>{
             {-127, 0}, {-36, 0}, {-35, 1424}, {0, 51264}, {10, 65504}, {11, 65535}, {12, 65535}}) {
        backend.recordLevels.clear();
        SelectRecordInput(backend, 1, 1, db);
        ASSERT_EQ(backend.recordLevels.size(), 1u);
        EXPECT_EQ(backend.recordLevels[0].second, level) << db << " dB";
    }
}

TEST(SelectRecordInput, ANegativeLineOrDeviceChangesNothing) {
    SpyBackend backend(kThreeLines);
    EXPECT_FALSE(SelectRecordInput(backend, 0, -1, 6));
    EXPECT_FALSE(SelectRecordInput(backend, -1, 1, 6));
    EXPECT_TRUE(backend.selectedLines.empty());
    EXPECT_TRUE(backend.recordLevels.empty());
    EXPECT_EQ(backend.ActiveLine(0), 0);
}

TEST(SelectRecordInput, AFailedLineSelectionLeavesTheLevelAlone) {
    SpyBackend backend(kThreeLines);
    EXPECT_FALSE(SelectRecordInput(backend, 0, 3, 6));
    EXPECT_FALSE(SelectRecordInput(backend, 5, 0, 6));
    EXPECT_EQ(backend.selectedLines.size(), 2u);
    EXPECT_TRUE(backend.recordLevels.empty());
}

TEST(SetPlayVolume, SetsOnlyOurOwnPlaybackLevel) {
    SpyBackend backend(kThreeLines);
    EXPECT_TRUE(SetPlayVolume(backend, 0, -12));
    EXPECT_EQ(backend.PlaybackLevel(), 34176);
    EXPECT_TRUE(SetPlayVolume(backend, 1, 0, 3));
    EXPECT_EQ(backend.PlaybackLevel(), 55536);
    EXPECT_TRUE(SetPlayVolume(backend, 1, -100, -100));
    EXPECT_EQ(backend.PlaybackLevel(), 0);
    EXPECT_FALSE(SetPlayVolume(backend, -1, 12));
    EXPECT_EQ(backend.PlaybackLevel(), 0);
}

namespace {

// A 16-bit mono wave file at 8000 frames per second holding `samples`.
void WriteMonoWave(const std::string& path, const std::vector<int16_t>& samples) {
    const auto le = [](std::string& out, uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    };
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    std::string file = "RIFF";
    le(file, 36 + dataBytes, 4);
    file += "WAVEfmt ";
    for (const auto& [value, bytes] :
         std::vector<std::pair<uint32_t, int>>{{16, 4}, {1, 2}, {1, 2}, {8000, 4}, {16000, 4}, {2, 2}, {16, 2}})
        le(file, value, bytes);
    file += "data";
    le(file, dataBytes, 4);
    for (int16_t sample : samples)
        le(file, static_cast<uint16_t>(sample), 2);
    FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    std::fwrite(file.data(), 1, file.size(), out);
    std::fclose(out);
}

// Records one block of 800 frames from the file backend's device 1 and gives its first sample.
int16_t RecordFirstSample(AudioBackend& backend) {
    struct Owner : WaveInNotify {
        void OnWaveInData(const WaveInBlock& block) override { first = block.samples[0]; }
        int first = -99999;
    } owner;
    PumpPoster poster;
    std::unique_ptr<WaveIn> device = backend.CreateWaveIn();
    if (!device->Open({.device = 1, .format = {8000, 1}, .framesPerBlock = 800, .blockCount = 1}, poster, owner))
        return -1;
    device->Start();
    device->AddBuffer(0);
    poster.WaitAndPump(std::chrono::milliseconds(5000));
    device->Close();
    return static_cast<int16_t>(owner.first);
}

} // namespace

TEST(SelectRecordInput, TheLevelReachesWhatIsRecorded) {
    TempFolder folder;
    WriteMonoWave(folder / "in.wav", std::vector<int16_t>(800, 10000));
    FileAudioOptions options;
    options.inputPath = folder / "in.wav";
    options.pacing = FilePacing::Fast;
    options.inputLines = kThreeLines;
    for (const auto& [db, sample] : std::vector<std::pair<int, int16_t>>{{-36, 0}, {0, 10000}, {-6, 5012}}) {
        std::unique_ptr<AudioBackend> backend = CreateFileBackend(options);
        ASSERT_TRUE(SelectRecordInput(*backend, 1, 1, db));
        EXPECT_EQ(RecordFirstSample(*backend), sample) << db << " dB";
    }
}
