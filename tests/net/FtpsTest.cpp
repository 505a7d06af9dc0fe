#include "FileOps.h"
#include "FileTransfer.h"
#include "NetTestPrinters.h"
#include "TempFolder.h"
#include "TestServer.h"

#include <gtest/gtest.h>

namespace {

constexpr const char* kUser = "typist";
constexpr const char* kPassword = "secret";

} // namespace

class FtpsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(MakeFolders(m_folder / "root/incoming"));
        ASSERT_TRUE(MakeSelfSignedCertificate(m_folder.Path()));
    }

    void TearDown() override {
        if (HasFailure())
            std::cout << ReadFileBytes(m_folder / "server.log", 20000).value_or("<no log>") << "\n";
    }

    std::unique_ptr<TestServer> StartServer(bool tls) {
        std::vector<std::string> arguments = {"--root",     m_folder / "root", "--user",        kUser,
                                              "--password", kPassword,         "--log-commands"};
        if (tls)
            arguments.insert(arguments.end(), {"--tls-cert", Certificate(), "--tls-key", m_folder / "key.pem"});
        return std::make_unique<TestServer>("ftp_server.py", arguments, m_folder / "server.log");
    }

    std::string Certificate() const { return m_folder / "cert.pem"; }

    static FileTransferOptions SecureOptions(bool verify) {
        FileTransferOptions options;
        options.security = FtpSecurity::ExplicitTls;
        options.verifyCertificate = verify;
        options.connectTimeout = std::chrono::seconds(5);
        options.responseTimeout = std::chrono::seconds(5);
        options.stallTimeout = std::chrono::seconds(5);
        return options;
    }

    TempFolder m_folder;
};

TEST_F(FtpsTest, AServerWithAnUntrustedCertificateIsRefusedWhileVerificationIsOn) {
    auto server = StartServer(true);
    FileTransfer ftp(SecureOptions(true));
    ASSERT_EQ(ftp.Open(), FtpResult::Done);
    EXPECT_EQ(ftp.Connect(server->Address(), kUser, kPassword), FtpResult::CouldNotConnect);
    EXPECT_FALSE(ftp.LastError().empty());
}

TEST_F(FtpsTest, WithVerificationOffTheSessionLogsOnAndTransfersOverTls) {
    auto server = StartServer(true);
    FileTransfer ftp(SecureOptions(false));
    ASSERT_EQ(ftp.Open(), FtpResult::Done);
    ASSERT_EQ(ftp.Connect(server->Address(), kUser, kPassword), FtpResult::Done) << ftp.LastError();
    ASSERT_EQ(ftp.SetDirectory("incoming"), FtpResult::Done) << ftp.LastError();
    const std::string bytes(300000, 'd');
    ASSERT_EQ(ftp.PutFile(m_folder.Write("package.dct", bytes), "dct00001-00002.dct"), FtpResult::Done)
        << ftp.LastError();
    EXPECT_EQ(ReadFileBytes(m_folder / "root/incoming/dct00001-00002.dct"), bytes);
    ASSERT_EQ(ftp.GetFile("dct00001-00002.dct", m_folder / "back.dct"), FtpResult::Done) << ftp.LastError();
    EXPECT_EQ(ReadFileBytes(m_folder / "back.dct"), bytes);
}

TEST_F(FtpsTest, AServerWhoseCertificateIsTrustedIsAcceptedWithVerificationOn) {
    auto server = StartServer(true);
    FileTransferOptions options = SecureOptions(true);
    options.certificateAuthorities = Certificate();
    FileTransfer ftp(options);
    ASSERT_EQ(ftp.Open(), FtpResult::Done);
    ASSERT_EQ(ftp.Connect(server->Address(), kUser, kPassword), FtpResult::Done) << ftp.LastError();
    ASSERT_EQ(ftp.SetDirectory("incoming"), FtpResult::Done) << ftp.LastError();
    EXPECT_EQ(ftp.PutFile(m_folder.Write("package.dct", "abc"), "a.dct"), FtpResult::Done) << ftp.LastError();
}

TEST_F(FtpsTest, ASecureSessionSendsNoLogOnToAServerWithoutTls) {
    auto server = StartServer(false);
    FileTransfer ftp(SecureOptions(false));
    ASSERT_EQ(ftp.Open(), FtpResult::Done);
    EXPECT_EQ(ftp.Connect(server->Address(), kUser, kPassword), FtpResult::CouldNotConnect);
    server->Stop();
    const std::string log = ReadFileBytes(m_folder / "server.log").value_or("");
    EXPECT_NE(log.find("<- AUTH TLS"), std::string::npos);
    EXPECT_EQ(log.find("<- USER"), std::string::npos);
}
