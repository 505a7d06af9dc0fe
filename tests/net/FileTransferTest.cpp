#include "FileTransfer.h"

#include "FileOps.h"
#include "NetTestPrinters.h"
#include "TempFolder.h"
#include "TestServer.h"

#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>
#include <optional>
#include <random>

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kUser = "typist";
constexpr const char* kPassword = "secret word";
constexpr const char* kPackage = "dct00042-00017.dct";

std::string RandomBytes(size_t count, unsigned seed = 42) {
    std::mt19937 generator(seed);
    std::string bytes(count, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(generator() & 0xFF);
    return bytes;
}

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace

class FileTransferTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(MakeFolders(Root() + "incoming")); }

    void TearDown() override {
        if (HasFailure())
            for (const std::string& log : m_logs)
                std::cout << "--- " << log << ":\n" << ReadFileBytes(log, 20000).value_or("<none>") << "\n";
    }

    std::string Root() const { return m_folder / "root/"; }

    std::unique_ptr<TestServer> StartServer(std::vector<std::string> extra = {},
                                            TestServer::Family family = TestServer::Family::Ipv4, uint16_t port = 0) {
        std::vector<std::string> arguments = {"--root", Root(), "--user", kUser, "--password", kPassword};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        m_logs.push_back(m_folder / ("ftp-server-" + std::to_string(m_logs.size()) + ".log"));
        return std::make_unique<TestServer>("ftp_server.py", arguments, m_logs.back(), family, port);
    }

    static FileTransferOptions QuickOptions() {
        FileTransferOptions options;
        options.connectTimeout = std::chrono::seconds(5);
        options.responseTimeout = std::chrono::seconds(5);
        options.stallTimeout = std::chrono::seconds(5);
        return options;
    }

    // Opens `ftp`, logs on to `server` and changes into "incoming".
    static FtpResult LogOnToIncoming(FileTransfer& ftp, const TestServer& server) {
        if (const FtpResult result = ftp.Open(); result != FtpResult::Done)
            return result;
        if (const FtpResult result = ftp.Connect(server.Address(), kUser, kPassword); result != FtpResult::Done)
            return result;
        return ftp.SetDirectory("incoming");
    }

    std::string LocalFile(const std::string& name, const std::string& bytes) const {
        return m_folder.Write("local/" + name, bytes);
    }

    std::vector<std::string> ServerFiles(const std::string& folder = "incoming") const {
        std::vector<std::string> names = ListFolder(Root() + folder).value_or(std::vector<std::string>{"<none>"});
        std::sort(names.begin(), names.end());
        return names;
    }

    TempFolder m_folder;
    std::vector<std::string> m_logs;
};

TEST_F(FileTransferTest, AnUploadArrivesWholeUnderItsFinalNameAndAResendReplacesIt) {
    auto server = StartServer();
    ASSERT_TRUE(server->Started());
    std::vector<double> fractions;
    FileTransferOptions options = QuickOptions();
    options.progress = [&](double fraction) { fractions.push_back(fraction); };
    FileTransfer ftp(options);
    ASSERT_EQ(LogOnToIncoming(ftp, *server), FtpResult::Done) << ftp.LastError();

    const std::string bytes = RandomBytes(1 << 20);
    ASSERT_EQ(ftp.PutFile(LocalFile("first.dct", bytes), kPackage), FtpResult::Done) << ftp.LastError();
    EXPECT_EQ(ReadFileBytes(Root() + "incoming/" + kPackage), bytes);
    EXPECT_EQ(ServerFiles(), std::vector<std::string>{kPackage});
    ASSERT_FALSE(fractions.empty());
    EXPECT_TRUE(std::is_sorted(fractions.begin(), fractions.end()));
    EXPECT_EQ(fractions.back(), 1.0);

    ASSERT_EQ(ftp.PutFile(LocalFile("second.dct", "second"), kPackage), FtpResult::Done) << ftp.LastError();
    EXPECT_EQ(ReadFileBytes(Root() + "incoming/" + kPackage), "second");
    EXPECT_EQ(ServerFiles(), std::vector<std::string>{kPackage});
}

TEST_F(FileTransferTest, AServerThatWillNotRenameOverAFileStillGetsTheResendInPlace) {
    m_folder.Write(std::string("root/incoming/") + kPackage, "older upload");
    auto server = StartServer({"--no-replace"});
    FileTransfer ftp(QuickOptions());
    ASSERT_EQ(LogOnToIncoming(ftp, *server), FtpResult::Done) << ftp.LastError();
    ASSERT_EQ(ftp.PutFile(LocalFile("package.dct", "resent"), kPackage), FtpResult::Done) << ftp.LastError();
    EXPECT_EQ(ReadFileBytes(Root() + "incoming/" + kPackage), "resent");
    EXPECT_EQ(ServerFiles(), std::vector<std::string>{kPackage});
}

TEST_F(FileTransferTest, AWrongPasswordIsALogOnRefusal) {
    auto server = StartServer();
    FileTransfer ftp(QuickOptions());
    ASSERT_EQ(ftp.Open(), FtpResult::Done);
    EXPECT_EQ(ftp.Connect(server->Address(), kUser, "wrong"), FtpResult::LogOnRefused);
    EXPECT_NE(ftp.LastError().find("530"), std::string::npos) << ftp.LastError();
    EXPECT_EQ(ftp.SetDirectory("incoming"), FtpResult::NotConnected);
}

TEST_F(FileTransferTest, AMissingDirectoryIsReportedAndTheCurrentDirectoryStays) {
    auto server = StartServer();
    FileTransfer ftp(QuickOptions());
    ASSERT_EQ(LogOnToIncoming(ftp, *server), FtpResult::Done) << ftp.LastError();
    EXPECT_EQ(ftp.SetDirectory("missing"), FtpResult::NoSuchDirectory);
    ASSERT_EQ(ftp.PutFile(LocalFile("package.dct", "bytes"), kPackage), FtpResult::Done) << ftp.LastError();
    EXPECT_EQ(ServerFiles(), std::vector<std::string>{kPackage});
}

TEST_F(FileTransferTest, DirectoriesChangeRelativelyOrFromTheRoot) {
    ASSERT_TRUE(MakeFolders(Root() + "incoming/sub folder"));
    auto server = StartServer();
    FileTransfer ftp(QuickOptions());
    ASSERT_EQ(LogOnToIncoming(ftp, *server), FtpResult::Done) << ftp.LastError();
    ASSERT_EQ(ftp.SetDirectory("sub folder/"), FtpResult::Done) << ftp.LastError();
    ASSERT_EQ(ftp.PutFile(LocalFile("a", "a"), "a.dct"), FtpResult::Done) << ftp.LastError();
    ASSERT_EQ(ftp.SetDirectory("/"), FtpResult::Done) << ftp.LastError();
    ASSERT_EQ(ftp.PutFile(LocalFile("b", "b"), "b.dct"), FtpResult::Done) << ftp.LastError();
    ASSERT_EQ(ftp.SetDirectory("/incoming/./sub folder/.."), FtpResult::Done) << ftp.LastError();
    ASSERT_EQ(ftp.PutFile(LocalFile("c", "c"), "c.dct"), FtpResult::Done) << ftp.LastError();
    EXPECT_EQ(ServerFiles("incoming/sub folder"), std::vector<std::string>{"a.dct"});
    EXPECT_EQ(ServerFiles(""), (std::vector<std::string>{"b.dct", "incoming"}));
    EXPECT_EQ(ServerFiles(), (std::vector<std::string>{"c.dct", "sub folder"}));
}

TEST_F(FileTransferTest, AServerThatIsDownCannotBeConnectedToAndThatIsKnownQuickly) {
    const uint16_t port = UnusedPort();
    FileTransfer ftp(QuickOptions());
    ASSERT_EQ(ftp.Open(), FtpResult::Done);
    const auto start = Clock::now();
    EXPECT_EQ(ftp.Connect("127.0.0.1:" + std::to_string(port), kUser, kPassword), FtpResult::CouldNotConnect);
    EXPECT_LT(SecondsSince(start), 3.0);
    EXPECT_FALSE(ftp.LastError().empty());
    EXPECT_EQ(ftp.Connect("user@127.0.0.1", kUser, kPassword), FtpResult::CouldNotConnect);
}

TEST_F(FileTransferTest, AServerStoppingMidUploadLeavesNoFinalFileAndAResendReplacesTheLeftover) {
    const std::string bytes = RandomBytes(2 << 20, 7);
    const std::string package = LocalFile("package.dct", bytes);
    {
        auto server = StartServer({"--die-after-bytes", "262144"});
        FileTransfer ftp(QuickOptions());
        ASSERT_EQ(LogOnToIncoming(ftp, *server), FtpResult::Done) << ftp.LastError();
        const FtpResult result = ftp.PutFile(package, kPackage);
        EXPECT_TRUE(result == FtpResult::TransferFailed || result == FtpResult::CouldNotConnect)
            << ::testing::PrintToString(result) << " " << ftp.LastError();
    }
    EXPECT_FALSE(PathExists(Root() + "incoming/" + kPackage));
    EXPECT_TRUE(PathExists(Root() + "incoming/" + FileTransfer::TemporaryNameFor(kPackage)));

    auto server = StartServer();
    FileTransfer ftp(QuickOptions());
    ASSERT_EQ(LogOnToIncoming(ftp, *server), FtpResult::Done) << ftp.LastError();
    ASSERT_EQ(ftp.PutFile(package, kPackage), FtpResult::Done) << ftp.LastError();
    EXPECT_EQ(ReadFileBytes(Root() + "incoming/" + kPackage), bytes);
    EXPECT_EQ(ServerFiles(), std::vector<std::string>{kPackage});
}

TEST_F(FileTransferTest, UploadsAreRenamedOnlyWhenTheServerHoldsEveryByte) {
    struct Variant {
        std::vector<std::string> serverOptions;
        FtpResult expected;
    };
    // Without SIZE the size comes from the directory listing.
    for (const Variant& variant : {Variant{{"--short-store"}, FtpResult::TransferFailed},
                                   Variant{{"--short-store", "--no-size"}, FtpResult::TransferFailed},
                                   Variant{{"--no-size"}, FtpResult::Done}}) {
        SCOPED_TRACE(::testing::PrintToString(variant.serverOptions));
        RemoveFile(Root() + "incoming/" + kPackage);
        auto server = StartServer(variant.serverOptions);
        FileTransfer ftp(QuickOptions());
        ASSERT_EQ(LogOnToIncoming(ftp, *server), FtpResult::Done) << ftp.LastError();
        EXPECT_EQ(ftp.PutFile(LocalFile("package.dct", "twelve bytes"), kPackage), variant.expected) << ftp.LastError();
        EXPECT_EQ(ServerFiles(), variant.expected == FtpResult::Done ? std::vector<std::string>{kPackage}
                                                                     : std::vector<std::string>{});
    }
}

TEST_F(FileTransferTest, AStatusFileIsRenamedFetchedAndDeleted) {
    const std::string status = RandomBytes(5000, 3);
    m_folder.Write("root/incoming/s0000042.sta", status);
    auto server = StartServer();
    std::vector<double> fractions;
    FileTransferOptions options = QuickOptions();
    options.progress = [&](double fraction) { fractions.push_back(fraction); };
    FileTransfer ftp(options);
    ASSERT_EQ(LogOnToIncoming(ftp, *server), FtpResult::Done) << ftp.LastError();

    ASSERT_EQ(ftp.RenameRemote("s0000042.sta", "s0000042.sta.pickup"), FtpResult::Done) << ftp.LastError();
    const std::string local = m_folder / "Temp.sta";
    ASSERT_EQ(ftp.GetFile("s0000042.sta.pickup", local), FtpResult::Done) << ftp.LastError();
    EXPECT_EQ(ReadFileBytes(local), status);
    EXPECT_FALSE(fractions.empty() || fractions.back() != 1.0);
    ASSERT_EQ(ftp.DeleteFile("s0000042.sta.pickup"), FtpResult::Done) << ftp.LastError();
    EXPECT_EQ(ServerFiles(), std::vector<std::string>{});
}

TEST_F(FileTransferTest, MissingRemoteFilesAreReportedAndAFailedFetchKeepsTheLocalFile) {
    auto server = StartServer();
    FileTransfer ftp(QuickOptions());
    ASSERT_EQ(LogOnToIncoming(ftp, *server), FtpResult::Done) << ftp.LastError();
    const std::string local = m_folder.Write("keep/Temp.sta", "keep me");
    EXPECT_EQ(ftp.GetFile("s0000042.sta", local), FtpResult::NoSuchFile);
    EXPECT_EQ(ReadFileBytes(local), "keep me");
    EXPECT_EQ(ListFolder(m_folder / "keep"), std::vector<std::string>{"Temp.sta"});
    EXPECT_EQ(ftp.RenameRemote("s0000042.sta", "other.sta"), FtpResult::NoSuchFile);
    EXPECT_EQ(ftp.DeleteFile("s0000042.sta"), FtpResult::NoSuchFile);
    // The session goes on after the failures.
    EXPECT_EQ(ftp.PutFile(LocalFile("package.dct", "x"), kPackage), FtpResult::Done) << ftp.LastError();
}

TEST_F(FileTransferTest, TheStopHookEndsARunningUploadWithinAboutASecond) {
    auto server = StartServer({"--read-limit", "65536"});
    std::optional<Clock::time_point> stopAsked;
    FileTransferOptions options = QuickOptions();
    options.progress = [&](double fraction) {
        if (fraction > 0 && !stopAsked)
            stopAsked = Clock::now();
    };
    options.shouldStop = [&] { return stopAsked.has_value(); };
    FileTransfer ftp(options);
    ASSERT_EQ(LogOnToIncoming(ftp, *server), FtpResult::Done) << ftp.LastError();
    EXPECT_EQ(ftp.PutFile(LocalFile("package.dct", RandomBytes(4 << 20)), kPackage), FtpResult::Stopped);
    ftp.Close();
    ASSERT_TRUE(stopAsked);
    EXPECT_LT(SecondsSince(*stopAsked), 2.5);
    EXPECT_FALSE(PathExists(Root() + "incoming/" + kPackage));
}

TEST_F(FileTransferTest, AStopAskedBeforehandEndsAnOperationBeforeItStarts) {
    auto server = StartServer();
    FileTransferOptions options = QuickOptions();
    bool stop = false;
    options.shouldStop = [&] { return stop; };
    FileTransfer ftp(options);
    ASSERT_EQ(LogOnToIncoming(ftp, *server), FtpResult::Done) << ftp.LastError();
    stop = true;
    EXPECT_EQ(ftp.PutFile(LocalFile("package.dct", "x"), kPackage), FtpResult::Stopped);
    EXPECT_EQ(ServerFiles(), std::vector<std::string>{});
}

TEST_F(FileTransferTest, AfterAStopRequestClosingDoesNotWaitForAServerThatNoLongerAnswers) {
    auto server = StartServer();
    bool stop = false;
    FileTransferOptions options = QuickOptions();
    options.shouldStop = [&] { return stop; };
    FileTransfer ftp(options);
    ASSERT_EQ(LogOnToIncoming(ftp, *server), FtpResult::Done) << ftp.LastError();
    server->Freeze();
    stop = true;
    const auto start = Clock::now();
    ftp.Close();
    EXPECT_LT(SecondsSince(start), 1.0);
}

TEST_F(FileTransferTest, NamesThatCouldReachTheServerAsCommandsOrPathsAreRefused) {
    m_folder.Write("root/incoming/keep.dct", "keep");
    auto server = StartServer();
    FileTransfer ftp(QuickOptions());
    const std::string package = LocalFile("package.dct", "x");
    ASSERT_EQ(ftp.Open(), FtpResult::Done);
    EXPECT_EQ(ftp.PutFile(package, kPackage), FtpResult::NotConnected);
    ASSERT_EQ(LogOnToIncoming(ftp, *server), FtpResult::Done) << ftp.LastError();
    EXPECT_EQ(ftp.PutFile(package, "x.dct\r\nDELE keep.dct"), FtpResult::BadName);
    EXPECT_EQ(ftp.RenameRemote("keep.dct", "../keep.dct"), FtpResult::BadName);
    EXPECT_EQ(ftp.DeleteFile(""), FtpResult::BadName);
    EXPECT_EQ(ftp.GetFile("..", m_folder / "x"), FtpResult::BadName);
    EXPECT_EQ(ftp.SetDirectory("in\r\ncoming"), FtpResult::BadName);
    EXPECT_EQ(ftp.PutFile(m_folder / "local/missing.dct", kPackage), FtpResult::TransferFailed);
    EXPECT_EQ(ServerFiles(), std::vector<std::string>{"keep.dct"});
}

TEST_F(FileTransferTest, AServerIsReachedAsAnFtpAddressAndOverIpv6) {
    auto server = StartServer();
    FileTransfer ftp(QuickOptions());
    ASSERT_EQ(ftp.Open(), FtpResult::Done);
    EXPECT_EQ(ftp.Connect("ftp://" + server->Address() + "/", kUser, kPassword), FtpResult::Done) << ftp.LastError();

    auto v6 = StartServer({}, TestServer::Family::Ipv6);
    if (!v6->Started())
        GTEST_SKIP() << "no IPv6 loopback here";
    EXPECT_EQ(ftp.Connect(v6->Address(), kUser, kPassword), FtpResult::Done) << ftp.LastError();
    ASSERT_EQ(ftp.SetDirectory("incoming"), FtpResult::Done) << ftp.LastError();
    EXPECT_EQ(ftp.PutFile(LocalFile("package.dct", "six"), kPackage), FtpResult::Done) << ftp.LastError();
}

TEST_F(FileTransferTest, AServerWithoutAPortIsLookedForOnPort21) {
    auto server = StartServer({}, TestServer::Family::Ipv4, FileTransfer::kDefaultPort);
    if (!server->Started())
        GTEST_SKIP() << "port 21 cannot be bound here";
    FileTransfer ftp(QuickOptions());
    ASSERT_EQ(ftp.Open(), FtpResult::Done);
    EXPECT_EQ(ftp.Connect("127.0.0.1", kUser, kPassword), FtpResult::Done) << ftp.LastError();
}
