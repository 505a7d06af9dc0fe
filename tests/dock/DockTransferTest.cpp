// The transfer from a portable dictaphone: the dialog on the file device with a speech-like tape, driven by a clock of
// our own.
#include "SessionTestSupport.h"
#include "SpeechLikeWave.h"
#include "dock/ui/DockDialog.h"
#include "platform/FileOps.h"
#include "sound/WaveFile.h"
#include "store/IniValues.h"
#include "store/SettingsKeys.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <gmock/gmock.h>

namespace {

using namespace std::chrono_literals;

double Seconds(const std::string& wavePath) {
    const LSoundSourceHandle source = OpenWaveFile(wavePath);
    return source && !source->IsInvalid() ? double(source->GetLength()) / source->Rate() : -1.0;
}

// The tape, made once: three speech-like passages, 2 s and 6 s apart, then 16 s of silence; 11025 Hz mono 16-bit.
struct SpokenTape {
    std::string path;
    double speech = 0; // the three passages together
};

const SpokenTape& Tape() {
    static TempFolder folder;
    static const SpokenTape tape = [] {
        constexpr int32_t kTapeRate = 11025;
        SpokenTape made{folder / "tape.wav"};
        Samples samples;
        for (const auto& [seconds, pause] : {std::pair{2.2, 2}, {1.8, 6}, {1.0, 16}}) {
            EXPECT_TRUE(WriteSpeechLikeWave(folder / "passage.wav", seconds, kTapeRate, uint32_t(pause)));
            samples = Joined({samples, ReadWave(folder / "passage.wav"), Silence(pause * kTapeRate)});
            made.speech += seconds;
        }
        EXPECT_TRUE(WriteWave(made.path, samples, kTapeRate, 1));
        return made;
    }();
    return tape;
}

class DockTransfer : public DataFolderTest {
protected:
    DockTransfer() { EXPECT_TRUE(WriteIntValue(m_settings.settingsFile, SettingsKeys::kNumber, 7)); }

    void Open(std::unique_ptr<AudioBackend> backend, int64_t clockStepMs = 100) {
        m_dialog.reset();
        m_session.reset();
        m_backend = std::move(backend);
        m_session =
            std::make_unique<DictationSession>(SessionServices{m_settings, *m_backend, m_poster, &m_queue}, m_view);
        m_dialog = std::make_unique<DockDialog>(nullptr, *m_session, *m_backend, m_poster, m_settings.settingsFile,
                                                DockDialog::HelpFunction{});
        m_dialog->SetWarnFunction([this](const QString&, const QString& text) { m_warned = text.toStdString(); });
        // Each level report (a tenth of a second of tape) moves the clock on by the step.
        m_dialog->Transfer().SetClock([step = clockStepMs, now = int64_t(0)]() mutable { return now += step; });
    }

    // The tape as the file device's input with `lines`, delivered as fast as it is taken or in real time.
    std::unique_ptr<AudioBackend> FileTape(bool fast = true, std::vector<std::string> lines = {}) {
        FileAudioOptions options;
        options.inputPath = Tape().path;
        options.pacing = fast ? FilePacing::Fast : FilePacing::RealTime;
        options.inputLines = std::move(lines);
        return CreateFileBackend(options);
    }

    // Runs the event loop in real time until `done` holds (or `limit` passes).
    bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
        for (const auto end = std::chrono::steady_clock::now() + limit;
             !done() && std::chrono::steady_clock::now() < end;)
            m_poster.WaitAndPump(20ms);
        m_poster.Pump();
        return done();
    }
    bool WaitForHandOver(std::chrono::milliseconds limit) {
        return PumpUntil([this] { return !m_dialog->HasTape(); }, limit);
    }

    std::string Current(const std::string& name) const { return m_settings.currentFolder + name; }

    PumpPoster m_poster;
    RecordingView m_view;
    std::unique_ptr<DictationSession> m_session;
    std::unique_ptr<DockDialog> m_dialog;
    std::string m_warned;
};

TEST_F(DockTransfer, ATapeBecomesOneDictationWithShortPausesKeptAndLongOnesCutThenEndsByItself) {
    Open(FileTape());
    ASSERT_TRUE(m_dialog->HasTape());
    EXPECT_TRUE(m_session->Names().empty()) << "a tape being recorded is not listed";

    ASSERT_TRUE(WaitForHandOver(60s)) << "the tape did not end 15 s after its last sound";
    EXPECT_EQ(m_session->Names(), std::vector<std::string>{"Tape 7"});
    EXPECT_EQ(m_session->CurrentName(), "Tape 7");
    const double length = Seconds(Current("Tape 7.wav"));
    EXPECT_GT(length, Tape().speech + 2.0 - 0.5) << "the 2 s pause is kept";
    EXPECT_LT(length, Tape().speech + 2.0 + 0.7 + 0.7 + 0.8) << "the 6 s pause and the end are cut to about 0.7 s";
    Open(FileTape(), /*clockStepMs=*/1900); // 15 s after the last sound is never read exactly
    EXPECT_TRUE(WaitForHandOver(60s));
}

TEST_F(DockTransfer, CancelDeletesTheTapeDoneListsItUnderItsNameOrSendsItAndClosingTheProgramListsItSoFar) {
    enum class End { Cancel, Close, Done };
    // How the transfer ends, the name typed, whether it sends by itself, the name it is stored under (nothing: the
    // tape is gone), whether it is queued and whether the user is told.
    const std::tuple<End, const char*, bool, const char*, bool, bool> cases[] = {
        {End::Cancel, "", false, nullptr, false, false},
        {End::Close, "", false, "Tape 8", false, false}, // the window closes its transfer, then the session
        {End::Done, "Meeting 3.5/6", false, "Meeting 3 5 6", false, false}, // listed under the cleaned name
        {End::Done, "Memo", true, "Memo", false, true},                     // no recipient: told, kept current
        {End::Done, "Letter", true, "Letter", true, false},                 // sent to the default recipient
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(&row - cases);
        const auto& [end, typed, autoSend, stored, queued, told] = row;
        if (queued)
            SetRecipients(1);
        m_view.told.clear();
        Open(FileTape(/*fast=*/false));
        ASSERT_TRUE(m_dialog->HasTape());
        PumpUntil([this] { return Seconds(m_dialog->WavePath()) > 0; }, 5s); // the tape's first sound is in its file
        if (end == End::Cancel) {
            m_dialog->reject();
            m_poster.Pump();
            EXPECT_FALSE(PathExists(Current("Tape 7.wav")) || PathExists(Current("Tape 7.dat")));
            continue;
        }
        if (end == End::Close) { // nothing pumps the loop between
            m_dialog.reset();
            m_session->Close();
            m_session =
                std::make_unique<DictationSession>(SessionServices{m_settings, *m_backend, m_poster, &m_queue}, m_view);
            EXPECT_EQ(m_session->Names(), std::vector<std::string>{stored});
            EXPECT_GT(Seconds(Current("Tape 8.wav")), 0.0);
            continue;
        }
        m_dialog->findChild<QLineEdit*>()->setText(QString::fromUtf8(typed));
        m_dialog->findChild<QLineEdit*>()->setModified(true);
        m_dialog->findChild<QPlainTextEdit*>()->setPlainText(QStringLiteral("Two copies\nplease"));
        m_dialog->findChild<QCheckBox*>()->setChecked(autoSend);
        m_dialog->accept();
        m_poster.Pump();
        const std::string folder = queued ? "Sent Files/" : "Current Files/";
        EXPECT_TRUE(PathExists(m_folder / (folder + stored + ".wav")));
        EXPECT_EQ(m_folder.Read(folder + stored + ".txt"), std::string("Two copies\r\nplease") + '\0');
        EXPECT_EQ(m_queue.queued.size(), queued ? 1u : 0u);
        EXPECT_EQ(!m_view.told.empty(), told);
    }
}

TEST_F(DockTransfer, TheInputLineIsTheLineInUnlessTheSettingsChoseOneAndARenameOntoAnotherDictationIsRefused) {
    const std::vector<std::string> lines = {"Internal Microphone", "Line In", "Headset Microphone"};
    Open(FileTape(/*fast=*/false, lines));
    EXPECT_EQ(m_dialog->findChildren<QComboBox*>().at(1)->currentIndex(), 2)
        << "entry 0 is the server's choice; the LINE rule takes line 1";
    m_dialog->reject();
    ASSERT_TRUE(WriteIntValue(m_settings.settingsFile, SettingsKeys::kDockSoundInChan, 2));
    Open(FileTape(/*fast=*/false, lines));
    EXPECT_EQ(m_dialog->findChildren<QComboBox*>().at(1)->currentIndex(), 3);

    // The tape keeps its name and the user is told.
    ASSERT_TRUE(WriteFileAtomically(Current("Letter.wav"), "RIFF"));
    m_dialog->findChild<QLineEdit*>()->setText(QStringLiteral("Letter"));
    m_dialog->findChild<QLineEdit*>()->setModified(true);
    m_dialog->accept();
    m_poster.Pump();
    EXPECT_THAT(m_warned, ::testing::HasSubstr("Tape 8"));
    EXPECT_EQ(m_folder.Read("Current Files/Letter.wav"), "RIFF");
    EXPECT_TRUE(PathExists(Current("Tape 8.wav")));
}

} // namespace
