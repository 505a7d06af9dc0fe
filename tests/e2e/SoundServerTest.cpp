// A new user records, plays and scrubs a dictation with the keyboard on a private sound server: what is played into
// its sink "test" comes back from its default source "mic", so a loud tone played there is the user speaking.
#include "FileOps.h"
#include "LSoundPlayer.h"
#include "NewUserFixture.h"
#include "PulseServer.h"
#include "WaveFile.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cstdlib>

namespace {

using namespace std::chrono_literals;

class NewUserOnTheSoundServer : public NewUserFixture {};

// The back end the program itself chooses when told to use the sound server at this address.
std::unique_ptr<AudioBackend> ProgramsOwnPulseBackend(const std::string& address) {
    ::setenv("TALLOWIN_AUDIO", "pulse", 1);
    ::setenv("PULSE_SERVER", address.c_str(), 1);
    std::unique_ptr<AudioBackend> backend = CreateAudioBackend();
    ::unsetenv("TALLOWIN_AUDIO");
    ::unsetenv("PULSE_SERVER");
    return backend;
}

} // namespace

TEST_F(NewUserOnTheSoundServer, NewUserRecordsPlaysAndScrubsOnTheSoundServer) {
    PulseServer* server = PulseServer::Shared();
    if (server == nullptr || !server->IsRunning())
        GTEST_SKIP() << "no private sound server could be started (pulseaudio missing or refused to run)";
    ASSERT_FALSE(PathExists(m_settings.settingsFile)) << "a new user has no settings yet";
    std::unique_ptr<AudioBackend> backend = ProgramsOwnPulseBackend(server->Address());
    ASSERT_NE(backend, nullptr);
    MainDialog& form = Open(std::move(backend));

    Tap(Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(ListedNames(), std::vector<std::string>{"Dictation 1"});
    EXPECT_EQ(form.CurrentName(), "Dictation 1");

    // The "speaker": a loud tone played into the sink the microphone hears, well above the -15 dB at which the
    // recorder starts taking sound.
    WriteToneWave(m_folder / "voice.wav", 6.0, 20000);
    std::unique_ptr<AudioBackend> speakerBackend = CreatePulseBackend(server->Address());
    ASSERT_NE(speakerBackend, nullptr);
    LSoundPlayer speaker(m_poster, *speakerBackend);
    speaker.device = -1;
    LSoundSourceHandle voice = OpenWaveFile(m_folder / "voice.wav");
    ASSERT_TRUE(voice);
    ASSERT_TRUE(speaker.Play(voice));

    // A tap of Space locks recording on; the position runs while sound comes in; a second tap stops.
    Tap(Qt::Key_Space);
    ASSERT_TRUE(form.Transport().IsRecording());
    EXPECT_TRUE(PumpUntil([&] { return form.Transport().Position() >= 15000; }, 4000ms))
        << "position " << form.Transport().Position();
    Tap(Qt::Key_Space);
    EXPECT_TRUE(PumpUntil([&] { return !form.Transport().IsRecording(); }, 2000ms));
    speaker.StopPlaying();
    EXPECT_TRUE(PumpUntil([&] { return !speaker.IsBusy(); }, 2000ms));

    const WaveOpenResult recorded = OpenWaveFileWithReason(CurrentPath("Dictation 1"));
    ASSERT_TRUE(recorded.source) << "no readable recording";
    EXPECT_EQ(recorded.layout.format.formatTag, WaveFormatRecord::kTagPcm);
    EXPECT_EQ(recorded.layout.format.samplesPerSec, 8000u);
    EXPECT_EQ(recorded.layout.format.channels, 1);
    EXPECT_EQ(recorded.layout.format.bitsPerSample, 16);
    const int32_t recordedFrames = recorded.source->GetLength();
    EXPECT_GE(recordedFrames, 8000) << "less than a second was recorded";
    EXPECT_EQ(form.Transport().Length(), recordedFrames * 10000 / 8000);
    // What was recorded is the tone the microphone heard, not silence.
    std::vector<int32_t> samples(static_cast<size_t>(std::max(recordedFrames, 0)));
    recorded.source->Seek(0);
    recorded.source->Read(samples.data(), recordedFrames);
    int64_t peak = 0;
    for (const int32_t sample : samples)
        peak = std::max<int64_t>(peak, std::abs(int64_t(sample)));
    EXPECT_GT(peak, int64_t(recorded.source->FullScale()) / 8) << "full scale " << recorded.source->FullScale();

    // A tap of Enter plays from the start (the position stood at the end); Escape stops.
    Tap(Qt::Key_Return);
    ASSERT_TRUE(form.Transport().IsPlaying());
    EXPECT_TRUE(PumpUntil([&] { return form.Transport().Position() > 2000; }, 3000ms))
        << "position " << form.Transport().Position();
    Tap(Qt::Key_Escape);
    EXPECT_TRUE(PumpUntil([&] { return !form.Transport().IsPlaying(); }, 2000ms));

    // Holding the right arrow runs fast forward while held and faster than real time.
    Tap(Qt::Key_Home);
    ASSERT_EQ(form.Transport().Position(), 0);
    KeyDown(Qt::Key_Right);
    EXPECT_TRUE(form.Transport().IsForwarding());
    QElapsedTimer held;
    held.start();
    bool forwardingThroughout = true;
    PumpUntil(
        [&] {
            forwardingThroughout = forwardingThroughout && form.Transport().IsForwarding();
            return held.elapsed() >= 500 || form.Transport().Position() >= form.Transport().Length() / 2;
        },
        1000ms);
    const int32_t forwardedTo = form.Transport().Position();
    const int64_t heldMs = held.elapsed();
    KeyUp(Qt::Key_Right);
    EXPECT_TRUE(forwardingThroughout);
    EXPECT_FALSE(form.Transport().IsForwarding());
    EXPECT_GT(forwardedTo, 0);
    // 1/10000 s of position against milliseconds held: more than real time.
    EXPECT_GT(forwardedTo, heldMs * 10) << "forwarded " << forwardedTo << " in " << heldMs << " ms";

    // Holding the left arrow rewinds from the end.
    Tap(Qt::Key_End);
    const int32_t end = form.Transport().Position();
    EXPECT_EQ(end, form.Transport().Length());
    KeyDown(Qt::Key_Left);
    EXPECT_TRUE(form.Transport().IsRewinding());
    bool rewindingThroughout = true;
    PumpUntil(
        [&] {
            rewindingThroughout = rewindingThroughout && form.Transport().IsRewinding();
            return form.Transport().Position() < end - 3000;
        },
        1500ms);
    KeyUp(Qt::Key_Left);
    EXPECT_TRUE(rewindingThroughout);
    EXPECT_FALSE(form.Transport().IsRewinding());
    EXPECT_LT(form.Transport().Position(), end - 3000);
    EXPECT_TRUE(PumpUntil([&] { return !form.Transport().IsPlaying(); }, 2000ms));
    EXPECT_TRUE(m_boxes.empty()) << m_boxes.front().caption.toStdString() << ": " << m_boxes.front().text.toStdString();
}
