// The program as a new user meets it: the main window on a fresh data folder with the real send queue, recording on a
// private sound server, and sends that arrive in a shared folder, by e-mail and on an FTP server (loopback servers).
#include "ChildProcess.h"
#include "MainWindowTestSupport.h"
#include "PackageReader.h"
#include "PulseServer.h"
#include "TestServer.h"
#include "app/FilesListBox.h"
#include "platform/FileOps.h"
#include "send/BGSend.h"
#include "send/MailConfig.h"
#include "send/TypistRecipient.h"
#include "sound/WaveFile.h"
#include "store/IniValues.h"
#include "store/RecordKeys.h"
#include "store/SettingsKeys.h"

#include <QTest>
#include <csignal>

namespace {

class NewUser : public MainWindowTest {
protected:
    NewUser() { EXPECT_FALSE(PathExists(m_settings.settingsFile)); }
    ~NewUser() override { // the window closes before the queue stops
        Close();
        m_bgsend.reset();
        QTest::qWait(30);
    }

    MainDialog& Open() {
        m_bgsend =
            std::make_unique<BGSend>(SendContext{m_folder.Path(), m_settings.settingsFile, m_settings.sentFolder});
        EXPECT_TRUE(m_bgsend->Open(m_folder.Path()));
        MainWindowTest::Open(m_bgsend.get()).show();
        return *m_form;
    }
    // "<caption>: <text>" of every box shown.
    QStringList Boxes() const {
        QStringList boxes;
        for (const ShownMessage& box : m_messages)
            boxes << box.caption + ": " + box.text;
        return boxes;
    }
    // A press and release to the focused list box, 100 ms apart, then a second for the release to settle.
    void Tap(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        Send(Control(MainDialog::kList), QEvent::KeyPress, key, modifiers);
        m_now += 100;
        Send(Control(MainDialog::kList), QEvent::KeyRelease, key, modifiers);
        m_now += 1000;
        SettleKeys();
    }
    // A tap of Space locks recording on; the position runs while sound comes in; a second tap stops.
    void RecordFor(double seconds, int deadlineMs) {
        Tap(Qt::Key_Space);
        ASSERT_TRUE(Transport().IsRecording());
        const auto wanted = static_cast<int32_t>(seconds * 10000);
        EXPECT_TRUE(QTest::qWaitFor([&] { return Transport().Position() >= wanted; }, deadlineMs))
            << Transport().Position();
        Tap(Qt::Key_Space);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !Transport().IsRecording(); }, 3000));
    }
    std::vector<std::string> ListedNames() const {
        return static_cast<FilesListBox*>(Control(MainDialog::kList))->Names();
    }

    // A recipient of `method` with its address `fields` and GSM 6.10 at 8000 Hz mono, stored and counted.
    void SaveRecipient(int index, SendMethod method, std::vector<std::pair<RecipientField, std::string>> fields) {
        TypistRecipient recipient;
        recipient.SetMethod(method);
        for (const auto& [field, text] : fields)
            recipient.SetText(field, text);
        const WaveFormatRecord gsm{WaveFormatRecord::kTagGsm610, 1, 8000, 1625, 65, 0, {0x40, 0x01}}; // 320 a block
        EXPECT_TRUE(recipient.SetFormat(gsm) && recipient.Save(RecipientPath(m_folder.Path(), index)));
        SetSetting(SettingsKeys::kSendCount, index + 1);
    }
    void SetSetting(const IntKey& key, int value) {
        ASSERT_TRUE(WriteIntValue(m_settings.settingsFile, key, value) && FlushProfile(m_settings.settingsFile));
    }
    std::string SentValue(const std::string& name, const StringKey& key) const {
        return ReadStringValue(m_settings.sentFolder + name + ".dat", key);
    }

    // The package as the typist's side reads it: its number, its name, and GSM 6.10 audio that opens; and the
    // dictation's record in "Sent Files/" with the status and, once the queue has it, the delivery.
    void ExpectArrived(const std::string& package, uint32_t number, const std::string& name, const char* status) {
        std::string problem;
        const std::optional<TypistPackage> read = ReadTypistPackage(package, problem);
        ASSERT_TRUE(read) << package << ": " << problem;
        EXPECT_EQ(std::to_string(read->userId) + " " + std::to_string(read->number) + " " + read->name,
                  "0 " + std::to_string(number) + " " + name);
        const std::string audio = m_folder / ("typist-" + std::to_string(number) + ".wav");
        ASSERT_TRUE(ExtractTypistAudio(*read, audio));
        const WaveOpenResult opened = OpenWaveFileWithReason(audio);
        ASSERT_TRUE(opened.source) << "the package's audio does not open";
        EXPECT_TRUE(opened.layout.format.formatTag == WaveFormatRecord::kTagGsm610 &&
                    opened.source->GetLength() >= 8000);
        EXPECT_TRUE(QTest::qWaitFor([&] { return SentValue(name, RecordKeys::kSendStatus) == status; }, 2000))
            << SentValue(name, RecordKeys::kSendStatus);
        EXPECT_TRUE(QTest::qWaitFor([&] { return SentValue(name, RecordKeys::kDelivery) == "Delivered"; }, 2000));
    }

    std::unique_ptr<BGSend> m_bgsend;
};

} // namespace

class NewUserOn : public NewUser, public ::testing::WithParamInterface<SoundServerKind> {};

INSTANTIATE_TEST_SUITE_P(Servers, NewUserOn, ::testing::Values(SoundServerKind::PulseAudio, SoundServerKind::PipeWire),
                         [](const auto& kind) {
                             return kind.param == SoundServerKind::PulseAudio ? "PulseAudio" : "PipeWire";
                         });

TEST_P(NewUserOn, RecordsAndPlaysOnTheSoundServer) {
    if (const std::string why = PulseServer::SkipReason(GetParam()); !why.empty())
        GTEST_SKIP() << why;
    PulseServer* server = PulseServer::Shared(GetParam());
    ASSERT_NE(server, nullptr) << "the private sound server did not start";
    // The back end the program itself chooses when told to use the sound server at this address.
    ::setenv("TALLOWIN_AUDIO", "pulse", 1);
    ::setenv("PULSE_SERVER", server->Address().c_str(), 1);
    m_backend = CreateAudioBackend();
    ::unsetenv("TALLOWIN_AUDIO");
    ::unsetenv("PULSE_SERVER");
    ASSERT_NE(m_backend, nullptr);
    Open();
    Tap(Qt::Key_N, Qt::ControlModifier);

    // The "speaker": a tone into the sink the microphone hears, well above the recorder's -15 dB start level.
    ASSERT_TRUE(WriteWave(m_folder / "voice.wav", Tone(6 * 8000, 20000), 8000, 1));
    ChildProcess speaker(
        FindProgram("paplay"),
        {{"paplay", "--server=" + server->Address(), "--device=test", m_folder / "voice.wav"}, {}, {}, {}});
    RecordFor(1.5, 4000);
    speaker.Kill(SIGKILL);

    // What was recorded is the tone the microphone heard, not silence.
    const WaveOpenResult recorded = OpenWaveFileWithReason(m_settings.currentFolder + "Dictation 1.wav");
    ASSERT_TRUE(recorded.source) << "no readable recording";
    const int32_t frames = recorded.source->GetLength();
    ASSERT_GE(frames, 8000) << "less than a second was recorded";
    std::vector<int32_t> samples(static_cast<size_t>(frames));
    recorded.source->Read(samples.data(), frames);
    const auto [low, high] = std::minmax_element(samples.begin(), samples.end());
    EXPECT_GT(std::max(-int64_t(*low), int64_t(*high)), int64_t(recorded.source->FullScale()) / 8);

    // A tap of Enter plays from the start (the position stood at the end); Escape stops.
    Tap(Qt::Key_Return);
    ASSERT_TRUE(Transport().IsPlaying());
    EXPECT_TRUE(QTest::qWaitFor([&] { return Transport().Position() > 2000; }, 3000)) << Transport().Position();
    Tap(Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !Transport().IsPlaying(); }, 2000));

    EXPECT_TRUE(m_messages.empty()) << Boxes().join("\n").toStdString();
}

TEST_F(NewUser, SendsArriveInTheSharedFolderByMailAndOnTheFtpServer) {
    const std::string typist = m_folder / "typist/";
    const std::string ftpRoot = m_folder / "ftproot/";
    ASSERT_TRUE(MakeFolders(typist) && MakeFolders(ftpRoot + "incoming") && MakeFolders(m_folder / "mail"));
    TestServer ftp("ftp_server.py", {"--root", ftpRoot, "--user", "typist", "--password", "s3cret"},
                   m_folder / "ftp.log");
    TestServer smtp("smtp_server.py", {"--folder", m_folder / "mail"}, m_folder / "smtp.log");
    if (!ftp.Started() || !smtp.Started())
        GTEST_SKIP() << "the test servers could not start (python3-pyftpdlib or python3-aiosmtpd missing?)";

    UseInput(Tone(6 * 8000, 20000)); // a loud tone as fast as the recorder takes it
    MainDialog& form = Open();
    for (int i = 0; i < 3; ++i) {
        Tap(Qt::Key_N, Qt::ControlModifier);
        RecordFor(1.5, 5000);
    }
    ASSERT_EQ(ListedNames(), (std::vector<std::string>{"Dictation 1", "Dictation 2", "Dictation 3"}));

    // A shared folder, e-mail with the user's mail settings, and FTP, where the typist's side has already left word
    // (a status file of user 0) that dictation 1 is typed.
    SaveRecipient(0, SendMethod::Lan, {{RecipientField::Folder, typist}});
    SaveRecipient(1, SendMethod::Email, {{RecipientField::EmailAddress, "typist@example.com"}});
    MailSettings mail;
    mail.server = smtp.Address();
    mail.sender = "author@example.com";
    mail.security = MailSecurity::None;
    ASSERT_TRUE(SaveMailSettings(SendContext{m_folder.Path(), m_settings.settingsFile, {}}, mail));
    SaveRecipient(2, SendMethod::Ftp,
                  {{RecipientField::FtpServer, ftp.Address()},
                   {RecipientField::FtpUser, "typist"},
                   {RecipientField::FtpPassword, "s3cret"},
                   {RecipientField::FtpDirectory, "incoming"}});
    ASSERT_TRUE(WriteFileAtomically(ftpRoot + "incoming/s0000000.sta",
                                    std::string(4, '\0') + std::string("\1\0\0\0Typed", 9) + std::string(11, '\0')));

    // Each Ctrl+S sends the current dictation to the default recipient, which the user changes between.
    for (int recipient = 0; recipient < 3; ++recipient) {
        SetSetting(SettingsKeys::kSendDefault, recipient);
        form.Session().Select("Dictation " + std::to_string(3 - recipient));
        Tap(Qt::Key_S, Qt::ControlModifier);
    }
    const std::string ftpPackage = ftpRoot + "incoming/dct00000-00001.dct";
    const std::string mailed = m_folder / "mail/message-0/";
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return PathExists(ftpPackage) && PathExists(mailed + "attachment-0-name.txt") && !m_bgsend->GetCount(); },
        60000)) // about 6 s on an idle machine; a loaded one with the sanitizers takes several times that
        << m_folder.Read("ftp.log") << m_folder.Read("smtp.log");
    ExpectArrived(typist + "dct00000-00003.dct", 3, "Dictation 3", "Sent");
    ExpectArrived(mailed + "attachment-0.bin", 2, "Dictation 2", "Sent");
    EXPECT_EQ(m_folder.Read("mail/message-0/attachment-0-name.txt"), "dct00000-00002.dct");
    EXPECT_EQ(m_folder.Read("mail/message-0/envelope-to.txt"), "typist@example.com");
    ExpectArrived(ftpPackage, 1, "Dictation 1", "Typed");

    // The user-id notice arrives through the window's status timer once the worker has run, and only once.
    const auto notices = [this] { return Boxes().filter("Your user id is 0.").size(); };
    EXPECT_TRUE(QTest::qWaitFor([&] { return notices() > 0; }, 12000)) << Boxes().join("\n").toStdString();
    form.StatusTick();
    form.StatusTick();
    EXPECT_EQ(m_messages.size(), 1u);
}
