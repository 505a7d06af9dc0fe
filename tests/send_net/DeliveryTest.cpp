// Delivery by folder copy, by FTP (plain and over TLS) and by e-mail against real loopback servers: what arrives,
// what every kind of failure tells the user, and the status pick-up from an FTP directory.
#include "ReadOnlyView.h"
#include "SendNetFixtures.h"
#include "TestServer.h"
#include "platform/FileTransfer.h"
#include "send/EmailTransport.h"
#include "send/FtpTransport.h"
#include "send/LanTransport.h"
#include "send/MailConfig.h"

#include <algorithm>
#include <filesystem>
#include <random>
#include <sys/mount.h>
#include <sys/stat.h>

namespace {

using Names = std::vector<std::string>;

constexpr const char* kUser = "typist";
constexpr const char* kPassword = "secret word";
constexpr const char* kPackageName = "dct00042-00017.dct";
constexpr const char* kTypist = "typist@example.com";
const std::string kFtpAdvice = "\n\nClick OK to continue to attempt to connect when you send your next file. Click "
                               "Cancel to clear all pending send files.";

std::string RandomBytes(size_t count) {
    std::mt19937 generator(7);
    std::string bytes(count, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(generator() & 0xFF);
    return bytes;
}

Names Files(const std::string& folder) {
    Names names = ListFolder(folder).value_or(Names{"<unlistable>"});
    std::sort(names.begin(), names.end());
    return names;
}

class DeliveryTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(MakeFolders(Root() + "incoming") && MakeFolders(m_program.folder / "mail")); }
    void TearDown() override {
        for (size_t i = 0; HasFailure() && i < m_servers; ++i)
            std::cout << ReadFileBytes(m_program.folder / ("server-" + std::to_string(i) + ".log"), 20000).value_or("")
                      << "\n";
    }

    std::string Root() const { return m_program.folder / "root/"; }
    Names ServerFiles() const { return Files(Root() + "incoming"); }
    std::string Package(const std::string& bytes) const {
        return m_program.folder.Write(std::string("Sent Files/") + kPackageName, bytes);
    }

    std::unique_ptr<TestServer> StartServer(const std::string& script, std::vector<std::string> arguments) {
        auto server = std::make_unique<TestServer>(
            script, arguments, m_program.folder / ("server-" + std::to_string(m_servers++) + ".log"));
        EXPECT_TRUE(server->Started());
        return server;
    }
    std::unique_ptr<TestServer> StartFtp(std::vector<std::string> extra = {}) {
        extra.insert(extra.begin(), {"--root", Root(), "--user", kUser, "--password", kPassword});
        return StartServer("ftp_server.py", extra);
    }
    std::unique_ptr<TestServer> StartFtps() {
        EXPECT_TRUE(MakeSelfSignedCertificate(m_program.folder.Path()));
        return StartFtp({"--tls-cert", m_program.folder / "cert.pem", "--tls-key", m_program.folder / "key.pem"});
    }
    std::unique_ptr<TestServer> StartSmtp(std::vector<std::string> extra = {}) {
        extra.insert(extra.begin(), {"--folder", m_program.folder / "mail"});
        return StartServer("smtp_server.py", extra);
    }
    static MailSettings MailTo(const std::string& server) {
        MailSettings settings;
        settings.server = server;
        settings.sender = "ann@example.com";
        settings.security = MailSecurity::None;
        return settings;
    }
    static TypistRecipient Ftp(const std::string& server, const std::string& password = kPassword,
                               const std::string& directory = "incoming", std::optional<bool> tlsVerify = {}) {
        TypistRecipient recipient;
        recipient.SetMethod(SendMethod::Ftp);
        recipient.SetText(RecipientField::FtpServer, server);
        recipient.SetText(RecipientField::FtpUser, kUser);
        recipient.SetText(RecipientField::FtpPassword, password);
        recipient.SetText(RecipientField::FtpDirectory, directory);
        recipient.SetFtpOverTls(tlsVerify.has_value());
        recipient.SetVerifyServerCertificate(tlsVerify.value_or(true));
        return recipient;
    }
    static TypistRecipient Folder(const std::string& folder) {
        TypistRecipient recipient;
        recipient.SetMethod(SendMethod::Lan);
        recipient.SetText(RecipientField::Folder, folder);
        return recipient;
    }
    static TypistRecipient Email() {
        TypistRecipient recipient;
        recipient.SetText(RecipientField::EmailAddress, kTypist);
        return recipient;
    }

    // The program's folder holds no fetched status file or private folder after a send.
    void ExpectNoLocalLeftovers() const {
        for (const std::string& name : Files(m_program.folder.Path()))
            EXPECT_TRUE(name == "settings.ini" || name == "Sent Files" || name == "root" || name == "mail" ||
                        name.ends_with(".log") || name.starts_with("Recipient ") || name.ends_with(".pem"))
                << name;
    }

    ProgramFolder m_program;
    RecordingReport m_report;
    size_t m_servers = 0;
};

TEST_F(DeliveryTest, EveryKindOfFailedDeliveryIsReportedOnceAndKeepsThePackage) {
    const auto ftp = StartFtp();
    const auto ftps = StartFtps();
    const auto smtp = StartSmtp({"--refuse", kTypist});
    const std::string down = "127.0.0.1:" + std::to_string(UnusedPort());
    const std::string package = Package(RandomBytes(300000));
    const std::string disk = m_program.folder / "disk", view = m_program.folder / "view";
    const bool small = MakeFolders(disk) && ::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k") == 0;
    struct Unmount {
        std::string path;
        ~Unmount() { ::umount2(path.c_str(), MNT_DETACH); }
    } unmount{small ? disk : ""};
    const ReadOnlyView readOnly(m_program.folder / "root", MakeFolders(view) ? view : "");
    const auto ftpTo = [&](TypistRecipient to) {
        return [&, to](RecordingReport& report) { return SendByFtp(report, to, package, m_program.context); };
    };
    const auto mailTo = [&](std::string server) {
        return [&, server](RecordingReport& report) {
            return (server.empty() || SaveMailSettings(m_program.context, MailTo(server))) &&
                   SendByEmail(report, "Letter", Email(), package, m_program.context);
        };
    };
    const auto copyTo = [&](std::string folder) {
        return [&, folder](RecordingReport& report) { return SendByLan(report, Folder(folder), package); };
    };
    const std::string missing = "Unable to find the folder ",
                      copyFailed = "Unable to copy the dictation to the folder ";
    const std::string mailFailed = std::string("Unable to send e-mail to ") + kTypist + ".\n\n";
    const struct {
        std::string failure;
        std::function<bool(RecordingReport&)> send;
        bool runs = true;
        std::string contains = "";
    } cases[] = {{"Unable to log onto server." + kFtpAdvice, ftpTo(Ftp(ftp->Address(), "wrong"))},
                 {"Unable to find server directory." + kFtpAdvice, ftpTo(Ftp(ftp->Address(), kPassword, "no/such"))},
                 {"Unable to connect to Internet." + kFtpAdvice, ftpTo(Ftp(down))},
                 {"Unable to connect to Internet." + kFtpAdvice, // an untrusted certificate while verification is on
                  ftpTo(Ftp(ftps->Address(), kPassword, "incoming", true))},
                 {"E-mail is not set up.\n\nChoose Mail Settings... in the Settings menu", mailTo("")},
                 {mailFailed, mailTo(smtp->Address()), true, "550"}, // the server's own words
                 {mailFailed, mailTo(down)},
                 {missing + m_program.folder.Path() + "nowhere." + std::string(kSendRetryAdvice),
                  copyTo(m_program.folder / "nowhere/")},
                 {missing + "typing.",
                  [&](RecordingReport& report) { // relative to the working folder: not taken
                      return MakeFolders("typing") && SendByLan(report, Folder("typing\\"), package);
                  }},
                 {missing + "\"  \".", copyTo("  ")},
                 {copyFailed + view + ".", copyTo(view), readOnly.Mounted()},
                 {copyFailed + disk + ".", copyTo(disk), small}};
    for (const auto& [failure, send, runs, contains] : cases) {
        if (!runs) {
            std::cout << "not permitted here: " << failure << "\n";
            continue;
        }
        RecordingReport report;
        const std::string working = std::filesystem::current_path();
        std::filesystem::current_path(m_program.folder.Path());
        EXPECT_FALSE(send(report)) << failure;
        std::filesystem::current_path(working);
        ASSERT_EQ(report.failures.size(), 1u) << failure;
        EXPECT_TRUE(report.failures[0].starts_with(failure)) << report.failures[0];
        EXPECT_NE(report.failures[0].find(contains), std::string::npos) << report.failures[0];
        EXPECT_TRUE(report.failures[0].ends_with("Click Cancel to clear all pending send files."));
        EXPECT_TRUE(PathExists(package)) << failure;
    }
    EXPECT_EQ(Files(Root()), Names{"incoming"});
    EXPECT_TRUE(ServerFiles().empty());
    EXPECT_EQ(Files(m_program.folder / "mail"), Names{});
    EXPECT_EQ(Files(disk), Names{});
}

TEST_F(DeliveryTest, AFolderDeliveryCopiesThePackageWholeUnderItsOwnNameAndTheLocalOneGoes) {
    EXPECT_EQ(LanFolderPath("F:\\typing\\ "), "F:/typing");
    EXPECT_EQ(LanFolderPath("/srv/my typist// \\ "), "/srv/my typist");
    EXPECT_EQ(LanFolderPath(" / "), "");
    const std::string bytes = RandomBytes(100000);
    m_program.folder.Write("share/dct00042-00017.dct", "an earlier copy");
    ASSERT_TRUE(SendByLan(m_report, Folder(m_program.folder.Path() + "share\\ "), Package(bytes)));
    EXPECT_EQ(Files(m_program.folder / "share"), Names{kPackageName});
    EXPECT_EQ(m_program.folder.Read(std::string("share/") + kPackageName), bytes);
    EXPECT_FALSE(PathExists(m_program.context.sentFolder + kPackageName));
    EXPECT_TRUE(m_report.failures.empty());
    EXPECT_EQ(m_report.progress, (std::vector<float>{0.8f}));
    // A stop during the copy leaves nothing in the folder and reports nothing.
    RecordingReport stopping;
    stopping.stopAfterAsks = 2; // two chunks are copied, then the queue is stopping
    const std::string package = Package(RandomBytes(200000));
    EXPECT_FALSE(SendByLan(stopping, Folder(m_program.folder / "share"), package));
    EXPECT_TRUE(stopping.failures.empty());
    EXPECT_EQ(Files(m_program.folder / "share"), Names{kPackageName});
    EXPECT_TRUE(PathExists(package));
}

TEST_F(DeliveryTest, AnFtpPackageArrivesOverTlsTheLocalCopyGoesAndOnlyOurStatusFileIsMergedAndRemoved) {
    const auto server = StartFtps(); // its certificate untrusted, with verification off
    m_program.WriteSent("Letter", 17);
    m_program.WriteSent("Memo", 18);
    const std::string foreign = StatusBytes({{17, "Done"}}, 2);
    m_program.folder.Write("root/incoming/s0000042.sta", foreign);
    RecordingReport first;
    ASSERT_TRUE(
        SendByFtp(first, Ftp(server->Address(), kPassword, "incoming", false), Package("abc"), m_program.context));
    EXPECT_EQ(ReadFileBytes(Root() + "incoming/s0000042.sta"), foreign); // not ours: left as it was
    EXPECT_EQ(m_program.SentStatuses({"Letter"}), Names{"Sent"});

    m_program.folder.Write("root/incoming/s0000042.sta", StatusBytes({{17, "Typing"}, {18, "Done"}, {17, "Checked"}}));
    m_program.folder.Write("root/incoming/s0000007.sta", StatusBytes({{17, "Someone else"}}));
    const std::string bytes = RandomBytes(300000);
    ASSERT_TRUE(
        SendByFtp(m_report, Ftp(server->Address(), kPassword, "incoming", false), Package(bytes), m_program.context));
    EXPECT_TRUE(m_report.failures.empty());
    EXPECT_EQ(ServerFiles(), (Names{kPackageName, "s0000007.sta"}));
    EXPECT_EQ(ReadFileBytes(Root() + "incoming/" + kPackageName), bytes);
    EXPECT_FALSE(PathExists(m_program.context.sentFolder + kPackageName));
    ASSERT_GE(m_report.progress.size(), 3u);
    EXPECT_TRUE(std::is_sorted(m_report.progress.begin(), m_report.progress.end()));
    EXPECT_EQ(std::tie(m_report.progress[0], m_report.progress[1], m_report.progress[2]),
              std::tuple(0.75f, 0.78f, 0.8f));
    EXPECT_EQ(m_program.SentStatuses({"Letter", "Memo"}), (Names{"Checked", "Done"}));
    ExpectNoLocalLeftovers();
}

TEST_F(DeliveryTest, AServerLostMidUploadKeepsThePackageAndTheResendDeliversItOnce) {
    auto server = StartFtp({"--read-limit", "2000000"});
    const std::string bytes = RandomBytes(4000000);
    const std::string package = Package(bytes);
    m_report.onProgress = [&server](float done) {
        if (done > 0.83f && server->Running())
            server->Stop(); // the server dies with a part of the file received
    };
    EXPECT_FALSE(SendByFtp(m_report, Ftp(server->Address()), package, m_program.context));
    EXPECT_EQ(m_report.failures, Names{"Unable to send the file to the server." + kFtpAdvice});
    EXPECT_TRUE(PathExists(package));
    EXPECT_EQ(ServerFiles(), Names{FileTransfer::TemporaryNameFor(kPackageName)});
    server = StartFtp();
    RecordingReport again;
    ASSERT_TRUE(SendByFtp(again, Ftp(server->Address()), package, m_program.context));
    EXPECT_EQ(ServerFiles(), Names{kPackageName});
    EXPECT_EQ(ReadFileBytes(Root() + "incoming/" + kPackageName), bytes);
    EXPECT_FALSE(PathExists(package));
}

TEST_F(DeliveryTest, AStopRequestEndsAnUploadToAFrozenServerQuietly) {
    const auto server = StartFtp({"--read-limit", "2000000"});
    const std::string package = Package(RandomBytes(4000000));
    m_report.onProgress = [this, &server](float done) {
        if (done > 0.83f && !m_report.StopRequested()) {
            server->Freeze(); // answers nothing from now on
            m_report.stop = true;
        }
    };
    EXPECT_FALSE(SendByFtp(m_report, Ftp(server->Address()), package, m_program.context));
    EXPECT_TRUE(m_report.failures.empty()); // the queue is stopping: nothing to tell the user
    EXPECT_TRUE(PathExists(package));
}

TEST_F(DeliveryTest, TheStatusWorkerCollectsFromFtpRecipientsToo) {
    const auto server = StartFtp();
    m_program.AddRecipient(0, Ftp(server->Address()));
    m_program.WriteSent("Letter", 17);
    m_program.folder.Write("root/incoming/s0000042.sta", StatusBytes({{17, "Done"}}));
    Status status(m_program.context);
    status.SetNetworkTimeout(std::chrono::seconds(10));
    const StatusPassSummary pass = RunStatusPass(status);
    EXPECT_EQ(pass.recipientsVisited, 1u);
    EXPECT_EQ(pass.filesMerged, 1u);
    EXPECT_EQ(m_program.SentStatuses({"Letter"}), Names{"Done"});
    EXPECT_TRUE(ServerFiles().empty());
    ExpectNoLocalLeftovers();
}

TEST_F(DeliveryTest, AnEmailCarriesTheSubjectTheBodyAndThePackageWhichStaysForTheAgePurge) {
    const auto server = StartSmtp();
    ASSERT_TRUE(SaveMailSettings(m_program.context, MailTo(server->Address())));
    ASSERT_TRUE(WriteStringValue(m_program.context.settingsFile, SettingsKeys::kUser, "Ann Author"));
    ASSERT_TRUE(WriteStringValue(m_program.context.settingsFile, SettingsKeys::kUserEmail, "ann@example.com"));
    const std::string bytes = RandomBytes(5000);
    const std::string package = Package(bytes);
    ASSERT_TRUE(SendByEmail(m_report, "Letter to bank", Email(), package, m_program.context));
    EXPECT_TRUE(m_report.failures.empty());
    EXPECT_EQ(m_report.progress, std::vector<float>{0.8f});
    const auto saved = [&](const std::string& name) { return m_program.folder.Read("mail/message-0/" + name); };
    EXPECT_EQ(saved("subject.txt"), "Tallowin Dictation");
    EXPECT_EQ(saved("envelope-to.txt"), kTypist);
    EXPECT_EQ(saved("body.txt"), "File: Letter to bank\nFrom: Ann Author\nEmail: ann@example.com\n\nPlease open the "
                                 "attached file to load the file into Carrowmere.\n\nYou must have Carrowmere "
                                 "installed to open the file. Carrowmere can be downloaded free at "
                                 "https://www.orrindale.example/carrowmere.");
    EXPECT_EQ(saved("attachment-0-name.txt"), kPackageName);
    EXPECT_EQ(saved("attachment-0.bin"), bytes);
    EXPECT_TRUE(PathExists(package));
}

TEST_F(DeliveryTest, MailSettingsRoundTripWithThePasswordInAnOwnerOnlyFileOfItsOwn) {
    EXPECT_FALSE(IsMailConfigured(m_program.context));
    EXPECT_EQ(LoadMailSettings(m_program.context).security, MailSecurity::StartTls);
    MailSettings settings;
    settings.server = "mail.example.com:2525";
    settings.port = 587;
    settings.sender = "ann@example.com";
    settings.user = "ann";
    settings.password = "pass word ü";
    settings.security = MailSecurity::Smtps;
    settings.verifyCertificate = false;
    ASSERT_TRUE(SaveMailSettings(m_program.context, settings));
    EXPECT_TRUE(IsMailConfigured(m_program.context));
    const MailSettings loaded = LoadMailSettings(m_program.context);
    EXPECT_EQ(std::tie(loaded.server, loaded.port, loaded.sender, loaded.user, loaded.password),
              std::tie(settings.server, settings.port, settings.sender, settings.user, settings.password));
    EXPECT_EQ(loaded.security, MailSecurity::Smtps);
    EXPECT_FALSE(loaded.verifyCertificate);
    EXPECT_EQ(m_program.folder.Read("settings.ini").find("pass word"), std::string::npos);
    struct stat info {};
    ASSERT_EQ(::stat(MailPasswordPath(m_program.context).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    settings.password.clear(); // an empty password removes the file
    settings.security = MailSecurity::StartTls;
    ASSERT_TRUE(SaveMailSettings(m_program.context, settings));
    EXPECT_FALSE(PathExists(MailPasswordPath(m_program.context)));
    EXPECT_TRUE(LoadMailSettings(m_program.context).password.empty());
}

} // namespace
