// Delivery by FTP against a real server on loopback, and the status pick-up from its directory.
#include "FtpTransport.h"

#include "FileOps.h"
#include "FileTransfer.h"
#include "SendNetFixtures.h"
#include "Status.h"
#include "TestServer.h"
#include "TypistRecipient.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>

namespace {

constexpr const char* kUser = "typist";
constexpr const char* kPassword = "secret word";
constexpr const char* kPackageName = "dct00042-00017.dct";
constexpr const char* kAdvice = "\n\nClick OK to continue to attempt to connect when you send your next file. Click "
                                "Cancel to clear all pending send files.";

std::string RandomBytes(size_t count) {
    std::mt19937 generator(7);
    std::string bytes(count, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(generator() & 0xFF);
    return bytes;
}

} // namespace

class FtpTransportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(MakeFolders(Root() + "incoming"));
        m_program.SetUserId(42);
    }

    void TearDown() override {
        if (HasFailure())
            for (const std::string& log : m_logs)
                std::cout << "--- " << log << ":\n" << ReadFileBytes(log, 20000).value_or("<none>") << "\n";
    }

    std::string Root() const { return m_program.folder / "root/"; }

    std::unique_ptr<TestServer> StartServer(std::vector<std::string> extra = {}) {
        std::vector<std::string> arguments = {"--root", Root(), "--user", kUser, "--password", kPassword};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        m_logs.push_back(m_program.folder / ("ftp-" + std::to_string(m_logs.size()) + ".log"));
        auto server = std::make_unique<TestServer>("ftp_server.py", arguments, m_logs.back());
        EXPECT_TRUE(server->Started());
        return server;
    }

    static TypistRecipient Recipient(const std::string& server, const std::string& password = kPassword,
                                     const std::string& directory = "incoming") {
        TypistRecipient recipient;
        recipient.SetMethod(SendMethod::Ftp);
        recipient.SetText(RecipientField::FtpServer, server);
        recipient.SetText(RecipientField::FtpUser, kUser);
        recipient.SetText(RecipientField::FtpPassword, password);
        recipient.SetText(RecipientField::FtpDirectory, directory);
        return recipient;
    }

    std::string Package(const std::string& bytes) const {
        return m_program.folder.Write(std::string("Sent Files/") + kPackageName, bytes);
    }

    std::vector<std::string> Files(const std::string& folder) const {
        std::vector<std::string> names = ListFolder(folder).value_or(std::vector<std::string>{"<none>"});
        std::sort(names.begin(), names.end());
        return names;
    }

    std::vector<std::string> ServerFiles() const { return Files(Root() + "incoming"); }

    // The program's folder holds no fetched status file or private folder after a send.
    void ExpectNoLocalLeftovers() const {
        for (const std::string& name : Files(m_program.folder.Path()))
            EXPECT_TRUE(name == "settings.ini" || name == "Sent Files" || name == "root" || name.ends_with(".log") ||
                        name.starts_with("Recipient ") || name.ends_with(".pem"))
                << name;
    }

    ProgramFolder m_program;
    RecordingReport m_report;
    std::vector<std::string> m_logs;
};

TEST_F(FtpTransportTest, APackageArrivesUnderItsNameAndTheLocalCopyGoes) {
    auto server = StartServer();
    const std::string bytes = RandomBytes(300000);
    const std::string package = Package(bytes);
    ASSERT_TRUE(SendByFtp(m_report, Recipient(server->Address()), package, m_program.context));
    EXPECT_TRUE(m_report.Failures().empty());
    EXPECT_EQ(ServerFiles(), std::vector<std::string>{kPackageName});
    EXPECT_EQ(ReadFileBytes(Root() + "incoming/" + kPackageName), bytes);
    EXPECT_FALSE(PathExists(package));
    const std::vector<float> progress = m_report.Progress();
    ASSERT_GE(progress.size(), 3u);
    EXPECT_EQ(std::vector<float>(progress.begin(), progress.begin() + 3), (std::vector<float>{0.75f, 0.78f, 0.8f}));
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    ExpectNoLocalLeftovers();
}

TEST_F(FtpTransportTest, AWrongPasswordGivesTheLogOnMessageAndKeepsThePackage) {
    auto server = StartServer();
    const std::string package = Package("abc");
    EXPECT_FALSE(SendByFtp(m_report, Recipient(server->Address(), "wrong"), package, m_program.context));
    EXPECT_EQ(m_report.Failures(), std::vector<std::string>{std::string("Unable to log onto server.") + kAdvice});
    EXPECT_TRUE(PathExists(package));
}

TEST_F(FtpTransportTest, AMissingDirectoryGivesTheDirectoryMessageAndKeepsThePackage) {
    auto server = StartServer();
    const std::string package = Package("abc");
    EXPECT_FALSE(SendByFtp(m_report, Recipient(server->Address(), kPassword, "no/such"), package, m_program.context));
    EXPECT_EQ(m_report.Failures(), std::vector<std::string>{std::string("Unable to find server directory.") + kAdvice});
    EXPECT_TRUE(PathExists(package));
    EXPECT_TRUE(ServerFiles().empty());
}

TEST_F(FtpTransportTest, AServerThatIsDownGivesTheConnectMessage) {
    const std::string package = Package("abc");
    const std::string server = "127.0.0.1:" + std::to_string(UnusedPort());
    EXPECT_FALSE(SendByFtp(m_report, Recipient(server), package, m_program.context));
    EXPECT_EQ(m_report.Failures(), std::vector<std::string>{std::string("Unable to connect to Internet.") + kAdvice});
    EXPECT_TRUE(PathExists(package));
}

TEST_F(FtpTransportTest, AServerLostMidUploadKeepsThePackageAndTheResendDeliversItOnce) {
    auto server = StartServer({"--read-limit", "2000000"});
    const std::string bytes = RandomBytes(4000000);
    const std::string package = Package(bytes);
    m_report.onProgress = [&server](float done) {
        if (done > 0.83f && server->Running())
            server->Stop(); // the server dies with a part of the file received
    };
    EXPECT_FALSE(SendByFtp(m_report, Recipient(server->Address()), package, m_program.context));
    ASSERT_EQ(m_report.Failures().size(), 1u);
    EXPECT_EQ(m_report.Failures()[0], std::string("Unable to send the file to the server.") + kAdvice);
    EXPECT_TRUE(PathExists(package));
    EXPECT_EQ(ServerFiles(), std::vector<std::string>{FileTransfer::TemporaryNameFor(kPackageName)});

    server = StartServer();
    RecordingReport again;
    ASSERT_TRUE(SendByFtp(again, Recipient(server->Address()), package, m_program.context));
    EXPECT_EQ(ServerFiles(), std::vector<std::string>{kPackageName});
    EXPECT_EQ(ReadFileBytes(Root() + "incoming/" + kPackageName), bytes);
    EXPECT_FALSE(PathExists(package));
}

TEST_F(FtpTransportTest, AStopRequestEndsAnUploadToAFrozenServerQuietly) {
    auto server = StartServer({"--read-limit", "2000000"});
    const std::string package = Package(RandomBytes(4000000));
    m_report.onProgress = [this, &server](float done) {
        if (done > 0.83f && !m_report.StopRequested()) {
            server->Freeze(); // answers nothing from now on
            m_report.RequestStop();
        }
    };
    EXPECT_FALSE(SendByFtp(m_report, Recipient(server->Address()), package, m_program.context));
    EXPECT_TRUE(m_report.Failures().empty()); // the queue is stopping: nothing to tell the user
    EXPECT_TRUE(PathExists(package));
}

TEST_F(FtpTransportTest, TheStatusFileIsMergedAndRemovedFromTheServer) {
    auto server = StartServer();
    m_program.WriteSent("Letter", 17);
    m_program.WriteSent("Memo", 18);
    m_program.folder.Write("root/incoming/s0000042.sta", StatusBytes({{17, "Typing"}, {18, "Done"}, {17, "Checked"}}));
    m_program.folder.Write("root/incoming/s0000007.sta", StatusBytes({{17, "Someone else"}}));
    ASSERT_TRUE(SendByFtp(m_report, Recipient(server->Address()), Package("abc"), m_program.context));
    EXPECT_EQ(m_program.SentStatus("Letter"), "Checked");
    EXPECT_EQ(m_program.SentStatus("Memo"), "Done");
    EXPECT_EQ(ServerFiles(), (std::vector<std::string>{kPackageName, "s0000007.sta"}));
    ExpectNoLocalLeftovers();
}

TEST_F(FtpTransportTest, AForeignOrMissingStatusFileNeverFailsTheDelivery) {
    auto server = StartServer();
    m_program.WriteSent("Letter", 17);
    const std::string foreign = StatusBytes({{17, "Done"}}, 2);
    m_program.folder.Write("root/incoming/s0000042.sta", foreign);
    ASSERT_TRUE(SendByFtp(m_report, Recipient(server->Address()), Package("abc"), m_program.context));
    EXPECT_EQ(ReadFileBytes(Root() + "incoming/s0000042.sta"), foreign); // left as it was
    EXPECT_EQ(m_program.SentStatus("Letter"), "Sent");

    ASSERT_TRUE(RemoveFile(Root() + "incoming/s0000042.sta"));
    ASSERT_TRUE(SendByFtp(m_report, Recipient(server->Address()), Package("def"), m_program.context));
    EXPECT_TRUE(m_report.Failures().empty());
    EXPECT_EQ(ServerFiles(), std::vector<std::string>{kPackageName});
    ExpectNoLocalLeftovers();
}

TEST_F(FtpTransportTest, TheStatusWorkerCollectsFromFtpRecipientsToo) {
    auto server = StartServer();
    AddRecipient(m_program, 0, Recipient(server->Address()));
    m_program.WriteSent("Letter", 17);
    m_program.folder.Write("root/incoming/s0000042.sta", StatusBytes({{17, "Done"}}));
    Status status(m_program.context);
    status.SetNetworkTimeout(std::chrono::seconds(10));
    const StatusPassSummary pass = RunStatusPass(status);
    EXPECT_EQ(pass.recipientsVisited, 1u);
    EXPECT_EQ(pass.filesMerged, 1u);
    EXPECT_EQ(m_program.SentStatus("Letter"), "Done");
    EXPECT_TRUE(ServerFiles().empty());
    ExpectNoLocalLeftovers();
}

class FtpsTransportTest : public FtpTransportTest {
protected:
    void SetUp() override {
        FtpTransportTest::SetUp();
        ASSERT_TRUE(MakeSelfSignedCertificate(m_program.folder.Path()));
    }

    std::unique_ptr<TestServer> StartTlsServer() {
        return StartServer({"--tls-cert", m_program.folder / "cert.pem", "--tls-key", m_program.folder / "key.pem"});
    }

    static TypistRecipient TlsRecipient(const std::string& server, bool verify) {
        TypistRecipient recipient = Recipient(server);
        recipient.SetFtpOverTls(true);
        recipient.SetVerifyServerCertificate(verify);
        return recipient;
    }
};

TEST_F(FtpsTransportTest, AnUntrustedCertificateIsRefusedWhileVerificationIsOn) {
    auto server = StartTlsServer();
    const std::string package = Package("abc");
    EXPECT_FALSE(SendByFtp(m_report, TlsRecipient(server->Address(), true), package, m_program.context));
    EXPECT_EQ(m_report.Failures(), std::vector<std::string>{std::string("Unable to connect to Internet.") + kAdvice});
    EXPECT_TRUE(PathExists(package));
    EXPECT_TRUE(ServerFiles().empty());
}

TEST_F(FtpsTransportTest, WithVerificationOffThePackageGoesOverTls) {
    auto server = StartTlsServer();
    const std::string bytes = RandomBytes(100000);
    const std::string package = Package(bytes);
    m_program.WriteSent("Letter", 17);
    m_program.folder.Write("root/incoming/s0000042.sta", StatusBytes({{17, "Done"}}));
    ASSERT_TRUE(SendByFtp(m_report, TlsRecipient(server->Address(), false), package, m_program.context));
    EXPECT_EQ(ReadFileBytes(Root() + "incoming/" + kPackageName), bytes);
    EXPECT_EQ(m_program.SentStatus("Letter"), "Done");
    EXPECT_EQ(ServerFiles(), std::vector<std::string>{kPackageName});
}
