// What only the sound server's devices do: device lists that follow plugging, levels set on the server (and the
// mixer's level scale on it), and input lines from ports.
#include "DeviceTestSupport.h"
#include "PulseServer.h"
#include "platform/AudioBackend.h"
#include "platform/MixerLevel.h"
#include "platform/internal/audio/PulseBackend.h"
#include "platform/internal/audio/PulseConnection.h"

#include <gtest/gtest.h>

namespace {

class PulseDevices : public ::testing::Test {
protected:
    void SetUp() override {
        m_server = PulseServer::Shared();
        ASSERT_NE(m_server, nullptr) << "no private sound server";
        m_backend = CreatePulseBackend(m_server->Address());
        ASSERT_NE(m_backend, nullptr);
    }

    void ExpectServerSays(const std::vector<std::string>& command, const std::string& text) const {
        const std::string said = m_server->Pactl(command);
        EXPECT_NE(said.find(text), std::string::npos) << said;
    }

    PulseServer* m_server = nullptr;
    std::unique_ptr<AudioBackend> m_backend;
};

TEST_F(PulseDevices, TheRecordLevelIsTheSourceVolumeAndThePlaybackLevelOurStreamsNeverTheSinks) {
    ASSERT_TRUE(m_backend->SetRecordLevel(1, MixerLevelForDb(-12)));
    ExpectServerSays({"get-source-volume", "mic"}, "41350 /  63% / -12.00 dB");
    ASSERT_TRUE(m_backend->SetRecordLevel(-1, MixerLevelForDb(0))) << "the default source is the microphone";
    ExpectServerSays({"get-source-volume", "mic"}, "65536 / 100% / 0.00 dB");

    m_backend->SetPlaybackLevel(MixerLevelForDb(-12));
    auto device = m_backend->CreateWaveOut();
    ASSERT_TRUE(device->Open({.device = -1, .format = kDictation}));
    ExpectServerSays({"list", "sink-inputs"}, "Dictation playback");
    ExpectServerSays({"list", "sink-inputs"}, "-12.00 dB");
    m_backend->SetPlaybackLevel(MixerLevelForDb(-6));
    ExpectServerSays({"list", "sink-inputs"}, "-6.00 dB"); // the open stream follows
    ExpectServerSays({"get-sink-volume", "test"}, "100%");
    device->Close();
    m_backend->SetPlaybackLevel(kMixerLevelUnity);
}

TEST(PulseInputLines, PortsBecomeInputLinesInTheServersOrderWithTheActiveOneMarked) {
    audio_internal::PulseDevice source;
    source.ports = {{"analog-input-mic", "Microphone", true},
                    {"analog-input-linein", "Line In", false},
                    {"analog-input-headset-mic", "Headset Microphone", true}};
    source.activePort = "analog-input-headset-mic";
    const std::vector<AudioInputLine> lines = audio_internal::InputLinesOf(source);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].description, "Microphone");
    EXPECT_EQ(lines[1].name, "analog-input-linein");
    EXPECT_FALSE(lines[1].available);
    EXPECT_FALSE(lines[0].active);
    EXPECT_TRUE(lines[2].active);
}

} // namespace
