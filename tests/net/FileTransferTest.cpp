// FTP and FTPS sessions against the FTP test server on loopback, and servers that misbehave or die.
#include "platform/FileTransfer.h"

#include "TempFolder.h"
#include "TestServer.h"
#include "platform/FileOps.h"

#include <algorithm>
#include <gmock/gmock.h>
#include <optional>

namespace {

using namespace std::chrono_literals;
using namespace ::testing;
using Clock = std::chrono::steady_clock;
using Files = std::vector<std::string>;
using R = FtpResult;

constexpr const char* kUser = "typist";
constexpr const char* kPassword = "secret word";
constexpr const char* kPackage = "dct00042-00017.dct";

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

class FileTransferTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(MakeFolders(Root() + "incoming")); }

    std::string Root() const { return m_folder / "root/"; }
    std::string Log(size_t server) const { return m_folder / ("server-" + std::to_string(server) + ".log"); }
    std::optional<std::string> Uploaded() const { return ReadFileBytes(Root() + "incoming/" + kPackage); }
    std::string Local(const std::string& bytes) const { return m_folder.Write("local/package.dct", bytes); }
    Files ServerFiles(const std::string& folder = "incoming") const {
        Files names = ListFolder(Root() + folder).value_or(Files{"<none>"});
        std::sort(names.begin(), names.end());
        return names;
    }

    std::unique_ptr<TestServer> StartServer(std::vector<std::string> extra = {},
                                            TestServer::Family family = TestServer::Family::Ipv4) {
        extra.insert(extra.begin(), {"--root", Root(), "--user", kUser, "--password", kPassword});
        return std::make_unique<TestServer>("ftp_server.py", extra, Log(m_servers++), family);
    }

    static FileTransferOptions Options(FtpSecurity security = FtpSecurity::Plain) {
        FileTransferOptions options;
        options.security = security;
        options.connectTimeout = options.responseTimeout = options.stallTimeout = 5s;
        return options;
    }

    static R LogOn(FileTransfer& ftp, const TestServer& server) {
        R result = ftp.Open();
        result = result == R::Done ? ftp.Connect(server.Address(), kUser, kPassword) : result;
        return result == R::Done ? ftp.SetDirectory("incoming") : result;
    }
    static void ExpectDone(const FileTransfer& ftp, R result) { EXPECT_EQ(result, R::Done) << ftp.LastError(); }

    TempFolder m_folder;
    size_t m_servers = 0;
};

TEST_F(FileTransferTest, AnUploadReplacesTheFinalNameWithProgressOnlyWhenTheServerHoldsEveryByte) {
    // Without SIZE the size comes from the directory listing; a server may refuse to rename over a file.
    const std::string bytes = RandomBytes(1 << 20);
    const std::pair<Files, R> cases[] = {{{}, R::Done},
                                         {{"--no-replace"}, R::Done},
                                         {{"--short-store"}, R::TransferFailed},
                                         {{"--short-store", "--no-size"}, R::TransferFailed},
                                         {{"--no-size"}, R::Done}};
    for (const auto& [serverOptions, expected] : cases) {
        SCOPED_TRACE(::testing::PrintToString(serverOptions));
        m_folder.Write("root/incoming/" + std::string(kPackage), "older upload");
        auto server = StartServer(serverOptions);
        std::vector<double> fractions;
        FileTransferOptions options = Options();
        options.progress = [&](double fraction) { fractions.push_back(fraction); };
        FileTransfer ftp(options);
        ASSERT_EQ(LogOn(ftp, *server), R::Done) << ftp.LastError();
        EXPECT_EQ(ftp.PutFile(Local(bytes), kPackage), expected) << ftp.LastError();
        EXPECT_EQ(Uploaded(), expected == R::Done ? bytes : "older upload");
        EXPECT_EQ(ServerFiles(), Files{kPackage});
        ASSERT_FALSE(fractions.empty());
        EXPECT_TRUE(std::is_sorted(fractions.begin(), fractions.end()));
        EXPECT_EQ(fractions.back(), 1.0);
    }
}

TEST_F(FileTransferTest, ASessionMovesBetweenDirectoriesAndFetchesRenamesAndDeletesFilesGoingOnAfterFailures) {
    ASSERT_TRUE(MakeFolders(Root() + "incoming/sub folder"));
    const std::string status = RandomBytes(5000, 3), local = Local("x"), fetched = m_folder / "Temp.sta";
    m_folder.Write("root/incoming/s0000042.sta", status);
    m_folder.Write("root/incoming/keep.dct", "keep");
    auto server = StartServer();
    double fraction = 0;
    FileTransferOptions options = Options();
    options.progress = [&](double value) { fraction = value; };
    FileTransfer ftp(options);
    ASSERT_EQ(ftp.Open(), R::Done);
    EXPECT_EQ(ftp.PutFile(local, kPackage), R::NotConnected);
    ASSERT_EQ(LogOn(ftp, *server), R::Done) << ftp.LastError();
    // A status file is renamed, fetched and deleted; a failed fetch keeps the local file.
    ExpectDone(ftp, ftp.RenameRemote("s0000042.sta", "s0000042.sta.pickup"));
    ExpectDone(ftp, ftp.GetFile("s0000042.sta.pickup", fetched));
    EXPECT_EQ(fraction, 1.0);
    ExpectDone(ftp, ftp.DeleteFile("s0000042.sta.pickup"));
    EXPECT_EQ(ftp.GetFile("s0000042.sta", fetched), R::NoSuchFile);
    EXPECT_EQ(ReadFileBytes(fetched), status);
    EXPECT_EQ(ftp.RenameRemote("s0000042.sta", "other.sta"), R::NoSuchFile);
    EXPECT_EQ(ftp.DeleteFile("s0000042.sta"), R::NoSuchFile);
    // Names that could reach the server as commands or paths, and a missing local file.
    EXPECT_EQ(ftp.PutFile(local, "x.dct\r\nDELE keep.dct"), R::BadName);
    EXPECT_EQ(ftp.RenameRemote("keep.dct", "../keep.dct"), R::BadName);
    EXPECT_EQ(ftp.DeleteFile(""), R::BadName);
    EXPECT_EQ(ftp.DeleteFile("."), R::BadName);
    EXPECT_EQ(ftp.GetFile("..", fetched), R::BadName);
    EXPECT_EQ(ftp.SetDirectory("in\r\ncoming"), R::BadName);
    EXPECT_EQ(ftp.PutFile(m_folder / "local/missing.dct", kPackage), R::TransferFailed);
    // Directories change relatively or from the root; a missing one leaves the current directory.
    EXPECT_EQ(ftp.SetDirectory("missing"), R::NoSuchDirectory);
    for (const auto& [directory, name] : std::vector<std::pair<std::string, std::string>>{
             {"sub folder/", "a.dct"}, {"/", "b.dct"}, {"/incoming/./sub folder/..", "c.dct"}}) {
        ExpectDone(ftp, ftp.SetDirectory(directory));
        ExpectDone(ftp, ftp.PutFile(local, name));
    }
    EXPECT_EQ(ServerFiles("incoming/sub folder"), Files{"a.dct"});
    EXPECT_EQ(ServerFiles(""), (Files{"b.dct", "incoming"}));
    EXPECT_EQ(ServerFiles(), (Files{"c.dct", "keep.dct", "sub folder"}));
}

TEST_F(FileTransferTest, AWrongPasswordOrAServerThatIsDownIsKnownQuicklyAndAServerIsReachedByAnyFormOfItsAddress) {
    auto server = StartServer();
    FileTransfer ftp(Options());
    ASSERT_EQ(ftp.Open(), R::Done);
    EXPECT_EQ(ftp.Connect(server->Address(), kUser, "wrong"), R::LogOnRefused);
    EXPECT_THAT(ftp.LastError(), HasSubstr("530"));
    EXPECT_EQ(ftp.SetDirectory("incoming"), R::NotConnected);
    const auto start = Clock::now();
    EXPECT_EQ(ftp.Connect("127.0.0.1:" + std::to_string(UnusedPort()), kUser, kPassword), R::CouldNotConnect);
    EXPECT_LT(SecondsSince(start), 3.0);
    EXPECT_EQ(ftp.Connect("user@127.0.0.1", kUser, kPassword), R::CouldNotConnect);

    // As an FTP address and over IPv6.
    ExpectDone(ftp, ftp.Connect("ftp://" + server->Address() + "/", kUser, kPassword));
    auto v6 = StartServer({}, TestServer::Family::Ipv6);
    if (!v6->Started())
        GTEST_SKIP() << "no IPv6 loopback here";
    ASSERT_EQ(LogOn(ftp, *v6), R::Done) << ftp.LastError();
    ExpectDone(ftp, ftp.PutFile(Local("six"), kPackage));
}

TEST_F(FileTransferTest, AStopEndsAnOperationBeforeItStartsOrWithinAboutASecondAndCloseWaitsForNoServer) {
    auto server = StartServer({"--read-limit", "65536"});
    bool stop = false;
    std::optional<Clock::time_point> stopAsked;
    FileTransferOptions options = Options();
    options.shouldStop = [&] { return stop || stopAsked.has_value(); };
    options.progress = [&](double fraction) { stopAsked = fraction > 0 && !stopAsked ? Clock::now() : stopAsked; };
    FileTransfer ftp(options);
    ASSERT_EQ(LogOn(ftp, *server), R::Done) << ftp.LastError();
    stop = true;
    EXPECT_EQ(ftp.PutFile(Local("x"), kPackage), R::Stopped);
    stop = false;
    EXPECT_EQ(ftp.PutFile(Local(RandomBytes(4 << 20)), kPackage), R::Stopped);
    ftp.Close();
    ASSERT_TRUE(stopAsked);
    EXPECT_LT(SecondsSince(*stopAsked), 2.5);
    EXPECT_FALSE(Uploaded());
    stopAsked.reset();
    ASSERT_EQ(LogOn(ftp, *server), R::Done) << ftp.LastError();
    server->Freeze();
    stop = true;
    const auto start = Clock::now();
    ftp.Close();
    EXPECT_LT(SecondsSince(start), 1.0);
}

TEST_F(FileTransferTest, ATlsServerIsRefusedUntilItsCertificateIsTrustedOrUncheckedAndAPlainOneIsSentNoLogOn) {
    ASSERT_TRUE(MakeSelfSignedCertificate(m_folder.Path()));
    auto tls = StartServer({"--tls-cert", m_folder / "cert.pem", "--tls-key", m_folder / "key.pem"});
    auto plain = StartServer({"--log-commands"});
    const std::string bytes = RandomBytes(300000);
    for (const auto& [server, verify, authorities, expected] :
         std::vector<std::tuple<TestServer*, bool, std::string, R>>{{tls.get(), true, "", R::UntrustedCertificate},
                                                                    {tls.get(), true, m_folder / "cert.pem", R::Done},
                                                                    {tls.get(), false, "", R::Done},
                                                                    {plain.get(), true, "", R::CouldNotConnect}}) {
        FileTransferOptions options = Options(FtpSecurity::ExplicitTls);
        options.verifyCertificate = verify;
        options.certificateAuthorities = authorities;
        FileTransfer ftp(options);
        EXPECT_EQ(LogOn(ftp, *server), expected) << ftp.LastError();
        if (expected == R::Done) {
            ExpectDone(ftp, ftp.PutFile(Local(bytes), kPackage));
            ExpectDone(ftp, ftp.GetFile(kPackage, m_folder / "back.dct"));
            EXPECT_EQ(ReadFileBytes(m_folder / "back.dct"), bytes);
        }
    }
    plain->Stop();
    EXPECT_THAT(ReadFileBytes(Log(1)).value_or(""), AllOf(HasSubstr("<- AUTH TLS"), Not(HasSubstr("<- USER"))));
}

} // namespace
