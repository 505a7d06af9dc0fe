// Delivery by folder copy, FTP (plain and TLS) and e-mail against loopback servers and every failure's text; the
// status files read defensively and merged, the status worker, and the work-progress list.
#include "ReadOnlyView.h"
#include "SendFixture.h"
#include "TestServer.h"
#include "VsftpdServer.h"
#include "platform/FileTransfer.h"
#include "platform/Poster.h"
#include "send/EmailTransport.h"
#include "send/FtpTransport.h"
#include "send/LanTransport.h"
#include "send/MailConfig.h"
#include "send/SentWorkList.h"
#include "send/Status.h"
#include "send/StatusFile.h"
#include "send/TransportReport.h"

#include <functional>
#include <gmock/gmock.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A transport report that records what it was told and asks to stop when the test says so.
struct RecordingReport final : TransportReport {
    void PublishProgress(float done) override {
        if (onProgress)
            onProgress(done);
    }
    void ReportFailure(const std::string& text) override { failures.push_back(text); }
    void ReportNotice(const std::string& text) override { notices.push_back(text); }
    bool StopRequested() const override { return stop; }

    std::vector<std::string> failures;
    std::vector<std::string> notices;
    std::function<void(float)> onProgress; // called with each published value
    bool stop = false;
};

// The bytes of a status file: the version word, then one 20-byte record per entry (text cut to 16 bytes).
std::string StatusBytes(const std::vector<std::pair<uint32_t, std::string>>& records, uint32_t version = 0) {
    const auto word = [](uint32_t value) {
        return std::string{static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
                           static_cast<char>(value >> 24)};
    };
    std::string bytes = word(version);
    for (const auto& [number, text] : records)
        bytes += word(number) + (text.substr(0, 16) + std::string(16, '\0')).substr(0, 16);
    return bytes;
}

// Starts one pass of the status worker and pumps its notes until it ended (two notes); returns its summary as
// (recipients visited, files merged, records written, failures).
std::tuple<size_t, size_t, size_t, size_t> RunStatusPass(Status& status) {
    PumpPoster poster;
    int notes = 0;
    status.SetNotify(&poster, [&notes] { ++notes; });
    status.Start(ThreadPriority::Idle);
    while (notes < 2 && poster.WaitAndPump(std::chrono::seconds(60)) > 0) {
    }
    status.SetNotify(nullptr, {});
    EXPECT_EQ(notes, 2);
    status.Finish();
    const StatusPassSummary pass = status.LastPass();
    return {pass.recipientsVisited, pass.filesMerged, pass.recordsWritten, pass.failures};
}

constexpr const char* kUser = "typist";
constexpr const char* kPassword = "secret word";
constexpr const char* kPackageName = "dct00042-00017.dct";
constexpr const char* kTypist = "typist@example.com";
const std::string kFtpAdvice = "\n\nClick OK to keep this recipient's dictations queued: connecting is tried again "
                               "in a few minutes and when you send your next file. Click Cancel to take this "
                               "recipient's dictations off the send queue.";

class DeliveryTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(MakeFolders(Root() + "incoming") && MakeFolders(f.temp / "mail")); }

    std::string Root() const { return f.temp / "root/"; }
    Names ServerFiles() const { return SendFixture::List(Root() + "incoming", true); }
    std::string Package(const std::string& bytes) const {
        return f.temp.Write(std::string("Sent Files/") + kPackageName, bytes);
    }

    std::unique_ptr<TestServer> StartServer(const std::string& script, std::vector<std::string> arguments) {
        auto server = std::make_unique<TestServer>(script, arguments,
                                                   f.temp / ("server-" + std::to_string(m_servers++) + ".log"));
        EXPECT_TRUE(server->Started());
        return server;
    }
    std::unique_ptr<TestServer> StartFtp(std::vector<std::string> extra = {}) {
        extra.insert(extra.begin(), {"--root", Root(), "--user", kUser, "--password", kPassword});
        return StartServer("ftp_server.py", extra);
    }
    std::unique_ptr<TestServer> StartFtps() {
        EXPECT_TRUE(MakeSelfSignedCertificate(f.temp.Path()));
        return StartFtp({"--tls-cert", f.temp / "cert.pem", "--tls-key", f.temp / "key.pem"});
    }
    static TypistRecipient Ftp(const std::string& server, const std::string& password = kPassword,
                               const std::string& directory = "incoming", std::optional<bool> tlsVerify = {},
                               const std::string& user = kUser) {
        TypistRecipient recipient;
        recipient.SetMethod(SendMethod::Ftp);
        recipient.SetText(RecipientField::FtpServer, server);
        recipient.SetText(RecipientField::FtpUser, user);
        recipient.SetText(RecipientField::FtpPassword, password);
        recipient.SetText(RecipientField::FtpDirectory, directory);
        recipient.SetFtpOverTls(tlsVerify.has_value());
        recipient.SetVerifyServerCertificate(tlsVerify.value_or(true));
        return recipient;
    }

    SendFixture f;
    RecordingReport m_report;
    size_t m_servers = 0;
};

TEST_F(DeliveryTest, EveryKindOfFailedDeliveryIsReportedOnceAndKeepsThePackage) {
    const auto ftp = StartFtp();
    const auto ftps = StartFtps();
    const auto smtp = StartServer("smtp_server.py", {"--folder", f.temp / "mail", "--refuse", kTypist});
    const std::string down = "127.0.0.1:" + std::to_string(UnusedPort());
    const std::string package = Package(RandomBytes(300000));
    const std::string disk = f.temp / "disk", view = f.temp / "view";
    const bool small = MakeFolders(disk) && ::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k") == 0;
    struct Unmount {
        std::string path;
        ~Unmount() { ::umount2(path.c_str(), MNT_DETACH); }
    } unmount{small ? disk : ""};
    const ReadOnlyView readOnly(f.temp / "root", MakeFolders(view) ? view : "");
    const auto ftpTo = [&](TypistRecipient to) {
        return [&, to](RecordingReport& report) { return SendByFtp(report, to, package, f.context); };
    };
    TypistRecipient typist;
    typist.SetText(RecipientField::EmailAddress, kTypist);
    MailSettings mail;
    mail.sender = "ann@example.com";
    mail.security = MailSecurity::None;
    const auto mailTo = [&](std::string server) {
        return [&, server](RecordingReport& report) {
            mail.server = server;
            return (server.empty() || SaveMailSettings(f.context, mail)) &&
                   SendByEmail(report, "Letter", typist, package, f.context);
        };
    };
    const auto copyTo = [&](std::string folder) {
        return [&, folder](RecordingReport& report) {
            return SendByLan(report, SendFixture::FolderRecipient(folder), package);
        };
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
                 {"The certificate of the server " + ftps->Address() + " is not trusted." + kFtpAdvice,
                  ftpTo(Ftp(ftps->Address(), kPassword, "incoming", true))},
                 {"E-mail is not set up.\n\nChoose Mail Settings... in the Settings menu", mailTo("")},
                 {mailFailed, mailTo(smtp->Address()), true, "550"}, // the server's own words
                 {mailFailed, mailTo(down)},
                 {missing + f.temp.Path() + "nowhere." + std::string(kSendRetryAdvice), copyTo(f.temp / "nowhere/")},
                 {missing + "..", copyTo("./")}, // the working folder, named relative to it: not taken
                 {missing + "\"  \".", copyTo("  ")},
                 {copyFailed + view + ".", copyTo(view), readOnly.Mounted()},
                 {copyFailed + disk + ".", copyTo(disk), small}};
    for (const auto& [failure, send, runs, contains] : cases) {
        if (!runs)
            continue; // mounting is not permitted here
        RecordingReport report;
        EXPECT_FALSE(send(report)) << failure;
        EXPECT_THAT(report.failures,
                    ::testing::ElementsAre(::testing::AllOf(
                        ::testing::StartsWith(failure), ::testing::HasSubstr(contains),
                        ::testing::EndsWith("Click Cancel to take this recipient's dictations off the send queue."))));
        EXPECT_TRUE(PathExists(package)) << failure;
    }
    EXPECT_TRUE(ServerFiles().empty());
    EXPECT_EQ(SendFixture::List(disk, true), Names{});
}

TEST_F(DeliveryTest, AFolderDeliveryCopiesThePackageWholeUnderItsOwnNameAndTheLocalOneGoes) {
    const std::string bytes = RandomBytes(100000);
    f.temp.Write("share/dct00042-00017.dct", "an earlier copy");
    ASSERT_TRUE(SendByLan(m_report, SendFixture::FolderRecipient(f.temp.Path() + "share\\ "), Package(bytes)));
    EXPECT_EQ(SendFixture::List(f.temp / "share", true), Names{kPackageName});
    EXPECT_EQ(f.temp.Read(std::string("share/") + kPackageName), bytes);
    EXPECT_FALSE(PathExists(f.sent + kPackageName));
}

TEST_F(DeliveryTest, AnFtpPackageArrivesOverTlsTheLocalCopyGoesOnlyOurStatusFileIsMergedAndTheStatusWorkerFetchesToo) {
    const auto server = StartFtps(); // its certificate untrusted, with verification off
    f.WriteSent("Letter", 17);
    f.WriteSent("Memo", 18);
    const std::string foreign = StatusBytes({{17, "Done"}}, 2);
    f.temp.Write("root/incoming/s0000042.sta", foreign);
    RecordingReport first;
    ASSERT_TRUE(SendByFtp(first, Ftp(server->Address(), kPassword, "incoming", false), Package("abc"), f.context));
    EXPECT_EQ(ReadFileBytes(Root() + "incoming/s0000042.sta"), foreign); // not ours: left as it was
    EXPECT_EQ(f.Values({"Letter"}, RecordKeys::kSendStatus), Names{"Sent"});

    f.temp.Write("root/incoming/s0000042.sta", StatusBytes({{17, "Typing"}, {18, "Done"}, {17, "Checked"}}));
    f.temp.Write("root/incoming/s0000007.sta", StatusBytes({{17, "Someone else"}}));
    const std::string bytes = RandomBytes(300000);
    ASSERT_TRUE(SendByFtp(m_report, Ftp(server->Address(), kPassword, "incoming", false), Package(bytes), f.context));
    EXPECT_EQ(ServerFiles(), (Names{kPackageName, "s0000007.sta"}));
    EXPECT_EQ(ReadFileBytes(Root() + "incoming/" + kPackageName), bytes);
    EXPECT_FALSE(PathExists(f.sent + kPackageName));
    EXPECT_EQ(f.Values({"Letter", "Memo"}, RecordKeys::kSendStatus), (Names{"Checked", "Done"}));

    f.AddRecipient(0, Ftp(server->Address(), kPassword, "incoming", false));
    f.temp.Write("root/incoming/s0000042.sta", StatusBytes({{18, "Typed"}}));
    // Left by a pick-up that ended between the rename and the delete: merged first, so the waiting file wins.
    f.temp.Write("root/incoming/s0000042.sta.0123456789abcdef.tmp", StatusBytes({{17, "Proofed"}, {18, "Typing"}}));
    Status status(f.context);
    status.SetNetworkTimeout(std::chrono::seconds(10));
    EXPECT_EQ(RunStatusPass(status), std::tuple(1u, 2u, 3u, 0u));
    EXPECT_EQ(f.Values({"Letter", "Memo"}, RecordKeys::kSendStatus), (Names{"Proofed", "Typed"}));
    EXPECT_EQ(ServerFiles(), (Names{kPackageName, "s0000007.sta"}));
    // No fetched status file or private folder is left.
    EXPECT_THAT(SendFixture::List(f.program, true),
                ::testing::Each(::testing::MatchesRegex(
                    "settings\\.ini|Sent Files|root|mail|typist|.*\\.log|Recipient .*|.*\\.pem")));
}

TEST_F(DeliveryTest, AServerLostOrStoppedMidUploadKeepsThePackageAndTheResendDeliversItOnce) {
    const std::string bytes = RandomBytes(4000000);
    const std::string package = Package(bytes);
    // The server dies with a part of the file received; or it answers nothing from then on while the queue is
    // stopping, which is nothing to tell the user.
    for (const bool stop : {false, true}) {
        SCOPED_TRACE(stop ? "stopped" : "lost");
        auto server = StartFtp({"--read-limit", "2000000"});
        RecordingReport report;
        report.onProgress = [&](float done) {
            if (done > 0.83f && server->Running() && !report.stop) {
                stop ? server->Freeze() : server->Stop();
                report.stop = stop;
            }
        };
        EXPECT_FALSE(SendByFtp(report, Ftp(server->Address()), package, f.context));
        EXPECT_EQ(report.failures, stop ? Names{} : Names{"Unable to send the file to the server." + kFtpAdvice});
        EXPECT_TRUE(PathExists(package));
        EXPECT_EQ(ServerFiles(), Names{FileTransfer::TemporaryNameFor(kPackageName)});
    }
    const auto server = StartFtp();
    ASSERT_TRUE(SendByFtp(m_report, Ftp(server->Address()), package, f.context));
    EXPECT_EQ(ServerFiles(), Names{kPackageName});
    EXPECT_EQ(ReadFileBytes(Root() + "incoming/" + kPackageName), bytes);
    EXPECT_FALSE(PathExists(package));
}

TEST_F(DeliveryTest, PackagesInARowShareOneLogOnArriveOnceAfterADropAndAFailedStatusPickUpIsReported) {
    const auto dropping = StartFtp({"--drop-after", "7"});
    const auto failing = StartFtp({"--fail-fetch"}); // the last two packages' recipient
    FtpDelivery delivery;
    Names sent;
    for (int number = 1; number <= 22; ++number) {
        const std::string name = "dct00042-000" + std::to_string(10 + number) + ".dct";
        if (number == 21)
            f.temp.Write("root/incoming/s0000042.sta", StatusBytes({{17, "Typed"}}));
        ASSERT_TRUE(delivery.Deliver(m_report, Ftp((number < 21 ? dropping : failing)->Address()),
                                     f.temp.Write("Sent Files/" + name, name), f.context));
        EXPECT_EQ(m_report.notices.size(), number >= 21 ? 1u : 0u); // told once while it keeps failing
        sent.push_back(name);
    }
    sent.push_back("s0000042.sta");
    EXPECT_EQ(ServerFiles(), sent);
    // A second log-on only after the server dropped the connection.
    const std::string log = ReadFileBytes(f.temp / "server-0.log").value_or("");
    size_t logOns = 0;
    for (size_t at = log.find("logged in."); at != std::string::npos; at = log.find("logged in.", at + 1))
        ++logOns;
    EXPECT_EQ(logOns, 2u);
}

TEST_F(DeliveryTest, AStockVsftpdOverTlsTakesEveryPackageAndGivesUpEveryStatusFile) {
    ASSERT_TRUE(MakeFolders(f.temp / "anonymous/incoming") && MakeFolders(f.temp / "vsftpd"));
    VsftpdServer server(f.temp / "vsftpd", f.temp / "anonymous");
    if (!server.Problem().empty())
        GTEST_SKIP() << server.Problem();
    f.WriteSent("Letter", 17);
    FtpDelivery delivery;
    for (int repeat = 0; repeat < 16; ++repeat) {
        const std::string status = "Typed " + std::to_string(repeat);
        f.temp.Write("anonymous/incoming/s0000042.sta", StatusBytes({{17, status}}));
        ASSERT_TRUE(
            delivery.Deliver(m_report, Ftp(server.Address(), "", "incoming", false, ""), Package("abc"), f.context));
        EXPECT_EQ(f.Values({"Letter"}, RecordKeys::kSendStatus), Names{status});
        if (repeat % 2 == 1)
            delivery.Close(); // half the pick-ups on a fresh session, half on a kept one
    }
}

// A file's inode and modification time, which stay as they are while nothing rewrites the file.
std::pair<ino_t, long> Stamp(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? std::pair(info.st_ino, info.st_mtim.tv_nsec) : std::pair(ino_t{}, 0L);
}

TEST(StatusFile, WholeRecordsAreReadInFileOrderCleanedAndFilesOfAnotherVersionOrAHugeSizeOrNoFilesAreNot) {
    SendFixture f;
    EXPECT_EQ(ReadStatusFile(f.temp.Write("one.sta", StatusBytes({{17, "Done"}}))),
              (std::vector<StatusRecord>{{17, "Done"}}));
    // Single-byte texts of at most 15 characters, control characters as blanks, trimmed as a record gives them.
    const auto parsed =
        ParseStatusBytes(StatusBytes({{5, "Tap\xE9 1"}, {6, "a\r\nb\tc"}, {7, "  \"x\"  "}, {8, "ABCDEFGHIJKLMNOP"}}) +
                         std::string(19, 'x')); // not a whole record
    EXPECT_EQ(parsed, (std::vector<StatusRecord>{{5, "Tapé 1"}, {6, "a  b c"}, {7, "x"}, {8, "ABCDEFGHIJKLMNO"}}));
    EXPECT_FALSE(ParseStatusBytes(std::string("\0\0\0", 3))); // shorter than its header

    f.WriteSent("Letter", 17);
    const std::string other = f.temp.Write("other.sta", StatusBytes({{17, "Done"}}, 1));
    const std::string sparse = f.temp.Write("sparse.sta", StatusBytes({{17, "Done"}}));
    ASSERT_EQ(::truncate(sparse.c_str(), static_cast<off_t>(kStatusFileLimit) + 1), 0);
    const std::string pipe = f.temp / "pipe.sta";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0); // read at once: nobody writes into the pipe
    for (const std::string& path : {other, sparse, pipe, f.temp.Path(), f.temp / "missing.sta"}) {
        EXPECT_TRUE(ReadStatusFile(path).empty()) << path;
        EXPECT_FALSE(ApplyStatusFile(path, f.sent).fileRead) << path;
    }
    EXPECT_EQ(f.Values({"Letter"}, RecordKeys::kSendStatus), Names{"Sent"});
}

TEST(StatusMerge, TheLastMatchingRecordWinsAndOnlyRecordFilesWhoseStatusChangesAreRewrittenOnce) {
    SendFixture f;
    for (const auto& [name, number, status] : {std::tuple{"Letter", 17, "Sent"},
                                               {"Letter copy", 17, "Sent"},
                                               {"Same", 18, "Done"},
                                               {"No number", -1, "Sent"}})
        f.WriteSent(name, number, status);
    // Neither is a record file: the three matched below are the others.
    f.temp.Write("Sent Files/.hidden.dat", "[file]\nnumber=17\nsendstatus=Sent\n");
    f.temp.Write("Sent Files/Letter.txt", "[file]\nnumber=17\n");
    const auto same = Stamp(f.RecordPath("Same"));
    const std::string file = f.temp.Write(
        "in.sta", StatusBytes({{17, "Typing"}, {18, "Done"}, {17, "Proofing"}, {17, "Done"}, {99, "x"}, {0, "Zero"}}));
    const StatusMergeResult merged = ApplyStatusFile(file, f.sent);
    EXPECT_EQ(std::tie(merged.fileRead, merged.records, merged.matched, merged.recordsWritten, merged.allWritten),
              std::tuple(true, 6u, 3u, 2u, true));
    EXPECT_EQ(f.Values({"Letter", "Letter copy", "No number"}, RecordKeys::kSendStatus),
              (Names{"Done", "Done", "Sent"}));
    EXPECT_EQ(Stamp(f.RecordPath("Same")), same);
}

TEST(StatusWorker, OurStatusFileInARecipientsFolderIsMergedAndDeletedAfterOneLeftByAnInterruptedPickUp) {
    // A folder recipient (its folder with a trailing slash and blank) and an e-mail one naming the same folder,
    // which the worker passes by; two sent dictations.
    SendFixture f;
    f.AddRecipient(0, SendFixture::FolderRecipient(f.typist + "/ "));
    TypistRecipient email;
    email.SetText(RecipientField::Folder, f.typist);
    f.AddRecipient(1, email);
    f.WriteSent("Letter", 17);
    f.WriteSent("Memo", 18);
    Status status(f.context);
    f.temp.Write("typist/s0000042.sta.0123456789abcdef.tmp", StatusBytes({{17, "Typing"}, {18, "Done"}}));
    f.temp.Write("typist/s0000042.sta", StatusBytes({{17, "Checked"}}));
    f.temp.Write("typist/s0000043.sta", StatusBytes({{17, "Other user"}}));
    EXPECT_EQ(RunStatusPass(status), std::tuple(1u, 2u, 3u, 0u));
    EXPECT_EQ(f.Values({"Letter", "Memo"}, RecordKeys::kSendStatus), (Names{"Checked", "Done"}));
    EXPECT_EQ(SendFixture::List(f.typist, true), Names{"s0000043.sta"}); // another user's file stays
    EXPECT_EQ(RunStatusPass(status), std::tuple(1u, 0u, 0u, 0u));        // no status file: the quiet normal case

    // A file under our name that is not a status file of ours stays under its name.
    const std::string foreign = StatusBytes({{17, "Done"}}, 3);
    f.temp.Write("typist/s0000042.sta", foreign);
    EXPECT_EQ(RunStatusPass(status), std::tuple(1u, 0u, 0u, 1u));
    EXPECT_EQ(f.temp.Read("typist/s0000042.sta"), foreign);
}

TEST(SentWorkList, EachSentRecordGivesOneLineInListOrderWithDefaultsForMissingKeys) {
    // Noon UTC: the same date in every time zone within twelve hours of UTC.
    constexpr int64_t kDecember6Noon = 1733486400, kMarch1Noon = 1709294400; // 2024-12-06, 2024-03-01
    SendFixture f;
    f.WriteSent("letter to bank", 1, "Typing", kDecember6Noon, "Jane (/typing)");
    f.WriteSent("Memo", 2, "Sent", kMarch1Noon, "Lee (ftp.example.com:2121)");
    f.temp.Write("Sent Files/Bare.dat", "[file]\nnumber=4\n");
    f.temp.Write("Sent Files/Failed.dat", "[file]\nsenddate=-5\nsendstatus=Sent\ndelivery=Not sent\n");
    f.temp.Write("Sent Files/Memo.wav", "RIFF");
    f.temp.Write("Sent Files/.Memo.dat.tmp", "[file]\n");
    const std::vector<SentWorkLine> lines = ListSentWork(f.sent, kMarch1Noon);
    Names texts;
    for (const SentWorkLine& line : lines)
        texts.push_back(line.text);
    ASSERT_EQ(texts, (Names{"2024-03-01 Bare: Sent to [Unknown Recipient] status [Unknown Status]",
                            "2024-03-01 Failed: Sent to [Unknown Recipient] status [Sent]",
                            "2024-03-01 Memo: Sent to [Lee (ftp.example.com:2121)] status [Sent]",
                            "2024-12-06 letter to bank: Sent to [Jane (/typing)] status [Typing]"}));
    EXPECT_EQ(lines[1].delivery, "Not sent"); // the queue's delivery state is a column of its own
    EXPECT_EQ(SentWorkName("2024-12-06 Letter: Sent to [a: b] status [Sent]"), "Letter");
    EXPECT_EQ(SentWorkName("garbage"), "");
    EXPECT_TRUE(ListSentWork("/nonexistent/Sent Files/").empty());
}

} // namespace
