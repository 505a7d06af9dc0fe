// Held keys on a real X server with auto-repeat on and both cores kept busy: Space held while speech plays into the
// sound server's default input makes one recording that stops at the release, with no holes of silence; Right held
// fast-forwards as one run. Keys come from the X server's test extension (xdotool), as a keyboard's would. The real
// program, ended by the system's SIGTERM while it records from the sound server, closes as Exit closes it.
#include "ChildProcess.h"
#include "EngineTestSupport.h"
#include "PulseServer.h"
#include "TempFolder.h"
#include "app/DictationSession.h"
#include "app/DictationTransport.h"
#include "app/MainDialog.h"
#include "app/MainFrame.h"
#include "app/Settings.h"
#include "platform/AudioBackend.h"
#include "platform/FileOps.h"
#include "platform/WaveFormatRecord.h"
#include "sound/WaveFile.h"
#include "ui/QtPoster.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <array>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

std::unique_ptr<ChildProcess> g_display; // the X server the whole run draws on
std::string g_displayName;               // ":90"; the shared sound server's set-up takes DISPLAY away

// Starts Xvfb on the first free display and points DISPLAY at it; false when there is no Xvfb.
bool StartDisplay() {
    const std::string xvfb = FindProgram("Xvfb");
    if (xvfb.empty())
        return false;
    for (int number = 90; number < 110; ++number) {
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
        if (std::filesystem::exists("/tmp/.X" + std::to_string(number) + "-lock") || std::filesystem::exists(socket))
            continue;
        const std::string display = ":" + std::to_string(number);
        g_display = std::make_unique<ChildProcess>(
            xvfb,
            ChildProcess::Options{{xvfb, display, "-screen", "0", "1024x768x24", "-nolisten", "tcp"}, {}, {}, {}});
        for (int i = 0; i < 400 && !std::filesystem::exists(socket) && !g_display->HasEnded(); ++i)
            QTest::qSleep(50);
        if (std::filesystem::exists(socket) && !g_display->HasEnded()) {
            qputenv("DISPLAY", display.c_str());
            g_displayName = display;
            return true;
        }
        g_display.reset();
    }
    return false;
}

// Runs `command` with sh, with `environment` added.
std::unique_ptr<ChildProcess> Shell(const std::string& command,
                                    std::vector<std::pair<std::string, std::string>> environment = {}) {
    return std::make_unique<ChildProcess>("/bin/sh",
                                          ChildProcess::Options{{"sh", "-c", command}, std::move(environment), {}, {}});
}

// Holds `key` for `seconds` through the X server, letting the program run meanwhile; how often `running` went from
// false to true.
int HoldKey(const std::string& key, int seconds, const std::function<bool()>& running) {
    auto hand = Shell("xdotool keydown " + key + "; sleep " + std::to_string(seconds) + "; xdotool keyup " + key,
                      {{"DISPLAY", g_displayName}});
    int starts = 0;
    bool was = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        starts += running() && !was;
        was = running();
    });
    watch.start(2);
    EXPECT_TRUE(QTest::qWaitFor([&] { return hand->HasEnded(); }, seconds * 1000 + 10000));
    QTest::qWait(300); // the release settles
    return starts;
}

TEST(HeldKeysOnX, SpaceHeldRecordsOnceWithoutHolesAndRightHeldForwardsOnce) {
    PulseServer* server = PulseServer::Shared();
    if (!g_display || FindProgram("xdotool").empty() || FindProgram("sox").empty() || !server)
        GTEST_SKIP() << "needs Xvfb, xdotool, sox and a sound server";
    TempFolder data;
    const Settings settings = Settings::ForProgramFolder(data.Path(), data.Path());
    ASSERT_TRUE(settings.CreateFolders());
    QtPoster poster;
    const std::unique_ptr<AudioBackend> backend = CreatePulseBackend(server->Address());
    MainFrame frame({&settings, backend.get(), &poster, nullptr, [](const std::string&) {}});
    frame.Form().SetMessageFunction([](QMessageBox::Icon, const QString&, const QString& text, auto) {
        ADD_FAILURE() << text.toStdString();
        return QMessageBox::Ok;
    });
    frame.show();
    frame.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
    frame.Form().setFocus();
    const DictationTransport& transport = frame.Form().Session().Transport();
    // Sound that is never silent plays into the null sink whose monitor is the default input; both cores are busy.
    const std::string speech = data / "speech.wav";
    ASSERT_EQ(Shell("sox -n -r 16000 -c 1 -b 16 '" + speech + "' synth 12 pinknoise tremolo 4 60 gain -6")
                  ->Wait(std::chrono::seconds(30)),
              0);
    const auto play = Shell("paplay --device=test '" + speech + "'", {{"PULSE_SERVER", server->Address()}});
    const std::array busy{Shell("while :; do :; done"), Shell("while :; do :; done")};
    QTest::qWait(300);

    EXPECT_EQ(HoldKey("space", 4, [&] { return transport.IsRecording(); }), 1);
    EXPECT_FALSE(transport.IsRecording());
    int32_t rate = 1;
    Samples samples = ReadWave(settings.currentFolder + frame.Form().Session().CurrentName() + ".wav", &rate);
    EXPECT_GT(samples.size(), 3u * rate);
    EXPECT_LT(samples.size(), 5u * rate);
    // A restart leaves a block of silence; the first 100 ms may hold the server's silence before the stream ran.
    size_t run = 0, longest = 0;
    for (size_t i = std::min<size_t>(samples.size(), rate / 10); i < samples.size(); ++i)
        longest = std::max(longest, run = samples[i] == 0 ? run + 1 : 0);
    EXPECT_LT(longest, size_t(rate / 100)) << "a hole of silence: the recording restarted";

    frame.Form().Session().Transport().GoToStart();
    EXPECT_EQ(HoldKey("Right", 2, [&] { return transport.IsForwarding(); }), 1);
    EXPECT_FALSE(transport.IsForwarding());
    frame.Form().Close();
}

TEST(EndedBySignal, TheRealProgramRecordingFromTheSoundServerFinishesTheFileSavesTheNotesAndExitsZero) {
    PulseServer* server = PulseServer::Shared();
    if (!g_display || FindProgram("xdotool").empty() || FindProgram("sox").empty() || !server)
        GTEST_SKIP() << "needs Xvfb, xdotool, sox and a sound server";
    TempFolder folder; // the program's own folder, which it writes its data into
    std::filesystem::copy_file(TALLOWIN_PROGRAM, folder / "tallowin");
    const std::string voice = folder / "voice.wav", wave = folder / "Current Files/Dictation 1.wav";
    ASSERT_EQ(
        Shell("sox -n -r 8000 -c 1 -b 16 '" + voice + "' synth 60 sine 440 gain -3")->Wait(std::chrono::seconds(30)),
        0);
    const auto play = Shell("paplay --device=test '" + voice + "'", {{"PULSE_SERVER", server->Address()}});
    ChildProcess program(folder / "tallowin",
                         {{"tallowin"},
                          {{"DISPLAY", g_displayName}, {"QT_QPA_PLATFORM", "xcb"}, {"PULSE_SERVER", server->Address()}},
                          {},
                          {}});
    const auto sizeOf = [](const std::string& path) { return ReadFileBytes(path).value_or("").size(); };
    const auto keys = [](const std::string& commands) {
        return Shell("xdotool " + commands, {{"DISPLAY", g_displayName}})->Wait(std::chrono::seconds(30)) == 0;
    };
    // A new dictation, a tap of Space to record, then notes typed while it records.
    ASSERT_TRUE(keys("search --sync --onlyvisible --name '^Tallowin$' windowfocus --sync key ctrl+n keydown space "
                     "sleep 0.1 keyup space"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return sizeOf(wave) > 16000; }, 20000)) << "nothing is being recorded";
    EXPECT_NE(server->Pactl({"list", "source-outputs"}).find("tallowin"), std::string::npos)
        << "the program does not record from the sound server";
    ASSERT_TRUE(keys("key alt+n type Call-the-bank"));
    QTest::qWait(500); // the typing settles
    const size_t before = sizeOf(wave);
    program.Kill(SIGTERM);
    EXPECT_EQ(program.Wait(std::chrono::seconds(10)), 0);
    // The file is finished (its RIFF header counts all of it) and keeps every frame written before the signal, which
    // hold the tone played into the server; the notes are saved.
    const std::string bytes = ReadFileBytes(wave).value_or("");
    ASSERT_TRUE(OpenWaveFileWithReason(wave).source && bytes.size() >= before);
    EXPECT_EQ(ReadLe32(reinterpret_cast<const uint8_t*>(bytes.data()) + 4) + 8u, bytes.size());
    int32_t rate = 1;
    const Samples samples = ReadWave(wave, &rate);
    EXPECT_GT(std::count_if(samples.begin(), samples.end(), [](int16_t s) { return std::abs(s) > 1000; }), rate / 2);
    EXPECT_EQ(ReadFileBytes(folder / "Current Files/Dictation 1.txt").value_or("").substr(0, 13), "Call-the-bank");
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const bool display = StartDisplay();
    qputenv("QT_QPA_PLATFORM", display ? "xcb" : "offscreen");
    int failed = 0;
    {
        QApplication application(argc, argv);
        failed = RUN_ALL_TESTS();
    }
    if (g_display) { // asked to end, the server removes its socket and lock
        g_display->Kill(SIGTERM);
        (void)g_display->Wait(std::chrono::seconds(10));
    }
    return failed;
}
