// Held keys on a real X server with auto-repeat on and both cores kept busy: Space held while speech plays into the
// sound server's default input makes one recording that stops at the release, with no holes of silence; Right held
// fast-forwards as one run. Keys come from the X server's test extension (xdotool), as a keyboard's would.
#include "ChildProcess.h"
#include "PulseServer.h"
#include "TempFolder.h"
#include "app/DictationSession.h"
#include "app/DictationTransport.h"
#include "app/MainDialog.h"
#include "app/MainFrame.h"
#include "app/Settings.h"
#include "platform/AudioBackend.h"
#include "platform/FileOps.h"
#include "ui/QtPoster.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

std::unique_ptr<ChildProcess> g_display; // the X server the whole run draws on
std::string g_displayName;               // ":90"; the shared sound server's set-up takes DISPLAY away

ChildProcess::Options Arguments(std::vector<std::string> arguments,
                                std::vector<std::pair<std::string, std::string>> environment = {}) {
    ChildProcess::Options options;
    options.arguments = std::move(arguments);
    options.environment = std::move(environment);
    return options;
}

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
            xvfb, Arguments({xvfb, display, "-screen", "0", "1024x768x24", "-nolisten", "tcp"}));
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

// The 16-bit samples of a PCM wave file and its frame rate.
std::vector<int16_t> Samples(const std::string& path, uint32_t& rate) {
    std::ifstream file(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), {});
    const size_t format = bytes.find("fmt ");
    const size_t data = bytes.find("data");
    if (format == std::string::npos || data == std::string::npos || data + 8 > bytes.size())
        return {};
    std::memcpy(&rate, bytes.data() + format + 12, sizeof rate);
    std::vector<int16_t> samples((bytes.size() - data - 8) / 2);
    std::memcpy(samples.data(), bytes.data() + data + 8, samples.size() * 2);
    return samples;
}

size_t LongestZeroRun(const std::vector<int16_t>& samples) {
    size_t longest = 0;
    size_t run = 0;
    for (const int16_t sample : samples) {
        run = sample == 0 ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

class HeldKeysOnX : public ::testing::Test {
protected:
    void SetUp() override {
        m_xdotool = FindProgram("xdotool");
        m_server = PulseServer::Shared();
        if (!g_display || m_xdotool.empty() || FindProgram("sox").empty() || !m_server)
            GTEST_SKIP() << "needs Xvfb, xdotool, sox and a sound server";
        ASSERT_TRUE(m_settings.CreateFolders());
        m_backend = CreatePulseBackend(m_server->Address());
        ASSERT_TRUE(m_backend);
        MainDialogServices services;
        services.settings = &m_settings;
        services.backend = m_backend.get();
        services.poster = &m_poster;
        services.help = [](const std::string&) {};
        m_frame = std::make_unique<MainFrame>(std::move(services));
        m_frame->Form().SetMessageFunction([](QMessageBox::Icon, const QString&, const QString& text, auto) {
            ADD_FAILURE() << text.toStdString();
            return QMessageBox::Ok;
        });
        m_frame->show();
        m_frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_frame.get()));
        m_frame->Form().setFocus();
        // Both cores busy, as on a loaded machine.
        for (int i = 0; i < 2; ++i)
            m_busy.push_back(std::make_unique<ChildProcess>("/bin/sh", Arguments({"sh", "-c", "while :; do :; done"})));
    }

    void TearDown() override {
        m_busy.clear();
        if (m_frame)
            m_frame->Form().Close();
    }

    // Holds `key` for `milliseconds` through the X server, letting the program run meanwhile; counts how often
    // `running` went from false to true.
    int HoldKey(const char* key, int milliseconds, const std::function<bool()>& running) {
        const std::string seconds = std::to_string(milliseconds / 1000.0);
        ChildProcess hand("/bin/sh", Arguments({"sh", "-c",
                                                std::string("xdotool keydown ") + key + "; sleep " + seconds +
                                                    "; xdotool keyup " + key},
                                               {{"DISPLAY", g_displayName}}));
        int starts = 0;
        bool was = false;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            starts += running() && !was;
            was = running();
        });
        watch.start(2);
        const bool ended = QTest::qWaitFor([&] { return hand.HasEnded(); }, milliseconds + 10000);
        EXPECT_TRUE(ended);
        QTest::qWait(300); // the release settles
        return starts;
    }

    DictationSession& Session() { return m_frame->Form().Session(); }

    TempFolder m_data;
    Settings m_settings = Settings::ForProgramFolder(m_data.Path(), m_data.Path());
    QtPoster m_poster;
    PulseServer* m_server = nullptr;
    std::string m_xdotool;
    std::unique_ptr<AudioBackend> m_backend;
    std::unique_ptr<MainFrame> m_frame;
    std::vector<std::unique_ptr<ChildProcess>> m_busy;
};

TEST_F(HeldKeysOnX, SpaceHeldRecordsOnceWithoutHolesAndRightHeldForwardsOnce) {
    // Speech-like sound that is never silent plays into the null sink whose monitor is the default input.
    const std::string speech = m_data / "speech.wav";
    ChildProcess make("/usr/bin/env", Arguments({"env", "sox", "-n", "-r", "16000", "-c", "1", "-b", "16", speech,
                                                 "synth", "12", "pinknoise", "tremolo", "4", "60", "gain", "-6"}));
    ASSERT_EQ(make.Wait(std::chrono::seconds(30)), 0);
    ChildProcess play("/usr/bin/env",
                      Arguments({"env", "paplay", "--device=test", speech}, {{"PULSE_SERVER", m_server->Address()}}));
    QTest::qWait(300);

    const int recordings = HoldKey("space", 4000, [&] { return Session().Transport().IsRecording(); });
    EXPECT_EQ(recordings, 1);
    EXPECT_FALSE(Session().Transport().IsRecording());
    uint32_t rate = 1;
    std::vector<int16_t> samples = Samples(m_settings.currentFolder + Session().CurrentName() + ".wav", rate);
    const double seconds = samples.size() / double(rate);
    EXPECT_GT(seconds, 3.0);
    EXPECT_LT(seconds, 5.0);
    // A restart leaves a block of silence; the first 100 ms may hold the server's silence before the stream ran.
    samples.erase(samples.begin(), samples.begin() + std::min<size_t>(samples.size(), rate / 10));
    EXPECT_LT(LongestZeroRun(samples), rate / 100) << "a hole of silence: the recording restarted";

    Session().Transport().GoToStart();
    const int runs = HoldKey("Right", 2000, [&] { return Session().Transport().IsForwarding(); });
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(Session().Transport().IsForwarding());
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
