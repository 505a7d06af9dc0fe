// The background send queue: its file (which paths may be queued, damaged counts, a file that cannot be written), its
// worker (order, restarts, races with the main thread, stops, damaged entries) and a send killed at each stage.
#include "send/BGSend.h"

#include "PackageReader.h"
#include "SendFixture.h"
#include "WorkerProbe.h"
#include "platform/Poster.h"
#include "platform/Profile.h"
#include "send/LanTransport.h"
#include "send/RecipientList.h"
#include "send/SendQueueFile.h"

#include <csignal>
#include <filesystem>
#include <gmock/gmock.h>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

namespace {

using Entries = std::vector<QueueEntry>;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

auto Notice(const ::testing::Matcher<const std::string&>& text) {
    return ::testing::Field(&QueueNotice::text, text);
}

TEST(SendQueueFile, OnlyAWaveFileDirectlyInsideTheSentFolderMayBeQueued) {
    const std::string sent = "/home/u/Sent Files/";
    for (const char* name : {"Dictation 7.wav", "Tape 2.WAV", "Zo\xC3\xAB 1.wav"})
        EXPECT_TRUE(IsSentWavePath(sent + name, sent)) << name;
    for (const std::string& path : {sent + ".wav", sent + ".hidden.wav", sent + "Dictation 7.dat",
                                    sent + "../Dictation 7.wav", std::string("/home/u/Current Files/Dictation 7.wav"),
                                    std::string(), sent + "a\vb.wav"}) // the queue file would keep \v as a blank
        EXPECT_FALSE(IsSentWavePath(path, sent)) << path;
    EXPECT_FALSE(IsSentWavePath(sent + "a.wav", "/home/u/Sent Files")); // a folder must end in '/'
}

TEST(SendQueueFile, ADamagedCountIsReadAsFarAsItMakesSenseAndAnUnwritableFileTakesNothing) {
    TempFolder temp;
    const auto queue = [&](const std::string& text) {
        const std::string path = temp.Write("bgsend.dat", "[bgsend]\n" + text);
        ProfileForget(path);
        return SendQueueFile(path);
    };
    EXPECT_EQ(queue("count=-4").Count(), 0);
    EXPECT_EQ(queue("count=two").Count(), 0);
    EXPECT_EQ(queue("count=2x").Count(), 2);
    EXPECT_EQ(queue("count=99999999999999999999").Count(), SendQueueFile::kMaxCount);
    SendQueueFile file = queue("count=2\nfile0=/s/a.wav\nsendto0=x\nfile1=/s/b.wav\nsendto1=3\n");
    EXPECT_EQ(file.Entries(), (std::vector<QueueEntry>{{"/s/a.wav", 0}, {"/s/b.wav", 3}}));
    ASSERT_TRUE(file.Replace({{"/s/b.wav", 3}}));
    EXPECT_EQ(file.Entry(1), (QueueEntry{"", 0})); // a former entry does not linger past the count
    SendQueueFile gone(temp / "gone/bgsend.dat");  // its folder does not exist
    EXPECT_FALSE(gone.Append({"/s/a.wav", 0}));
    EXPECT_FALSE(gone.WriteCount(3));
    EXPECT_EQ(gone.Count(), 0);
}

class SendQueueTest : public ::testing::Test {
protected:
    void SetUp() override { f.AddRecipient(0, SendFixture::FolderRecipient(f.typist)); }

    // A fresh probe holding at `holdAt`, for the next queue (which replaces the former one).
    void Probe(std::set<SendStage> holdAt = {}) {
        queue.reset();
        probe = std::make_unique<WorkerProbe>(std::move(holdAt));
    }
    // A queue over the fixture's folders with the probe attached, telling its progress through the poster, opened.
    BGSend& Open(SendTransports transports = {}) {
        queue.reset();
        queue = std::make_unique<BGSend>(f.context, std::move(transports));
        probe->Attach(*queue);
        queue->SetNotify(&poster, [] {});
        EXPECT_TRUE(queue->Open(f.program));
        return *queue;
    }
    static SendTransports Lan(DeliveryFunction lan) { return {{}, std::move(lan), {}, {}}; }
    // Sent dictations "a", "b", ... numbered from 1, each queued in turn to its recipient; their wave paths.
    Names Add(const std::vector<int>& recipients, double seconds = 1.0) {
        Names waves;
        for (size_t i = 0; i < recipients.size(); ++i) {
            waves.push_back(
                f.MakeSentDictation(std::string(1, static_cast<char>('a' + i)), static_cast<int>(i) + 1, seconds));
            EXPECT_TRUE(queue->Add(waves.back(), recipients[i]));
        }
        return waves;
    }
    Entries Queued() const { return SendQueueFile(f.program + "bgsend.dat").Entries(); }
    Names Deliveries(const Names& names) const { return f.Values(names, RecordKeys::kDelivery); }
    Names Arrived() const { return SendFixture::List(f.typist); }

    SendFixture f;
    PumpPoster poster;
    std::unique_ptr<WorkerProbe> probe = std::make_unique<WorkerProbe>();
    std::unique_ptr<BGSend> queue;
};

// A dictation queued while the worker is on its way out must not wait for the next Send.
TEST_F(SendQueueTest, AnEntryAddedWhileTheWorkerEndsIsSentWithoutAnotherAdd) {
    Probe({SendStage::Ending});
    BGSend& queue = Open();
    Add({0});
    ASSERT_TRUE(probe->WaitUntilHeld()); // the worker found the queue empty and is held on its way out
    bool added = false;
    std::thread adder([&] { added = queue.Add(f.MakeSentDictation("b", 2), 0); });
    ASSERT_TRUE(WorkerProbe::WaitFor([&] { return queue.GetCount() == 1; }));
    probe->ReleaseForever();
    adder.join();
    EXPECT_TRUE(added);
    ASSERT_TRUE(probe->WaitForEndings(2)); // a new worker took b
    EXPECT_EQ(Arrived(), (Names{"dct00042-00001.dct", "dct00042-00002.dct"}));
}

TEST_F(SendQueueTest, RemoveAndCancelRecipientMarkTheDroppedDictationsNotSentAndStopTheSendUnderWay) {
    f.AddRecipient(1, SendFixture::FolderRecipient(f.typist, "Bea"));
    BGSend& queue = Open(Lan(probe->HeldTransport([](TransportReport& report, const DeliveryRequest& request) {
        return SendByLan(report, request.recipient, request.packagePath); // stopped while held: copies nothing
    })));
    const Names waves = Add({0, 0, 0, 1});
    const std::string& other = waves[3];
    ASSERT_TRUE(probe->WaitUntilHeld()); // a is in its transport
    EXPECT_TRUE(queue.Remove(waves[1]));
    EXPECT_FALSE(queue.Remove(waves[1]));
    EXPECT_EQ(Deliveries({"a", "b", "c"}), (Names{"Pending", "Not sent", "Pending"}));
    EXPECT_EQ(Queued(), (Entries{{waves[0], 0}, {waves[2], 0}, {other, 1}}));
    queue.CancelRecipient(0);
    EXPECT_EQ(Queued(), (Entries{{other, 1}})); // the other recipient's dictation stays and goes
    EXPECT_EQ(Deliveries({"a", "b", "c", "d"}), (Names{"Not sent", "Not sent", "Not sent", "Pending"}));
    probe->ReleaseForever();
    ASSERT_TRUE(WorkerProbe::WaitFor([&] { return queue.GetCount() == 0 && !queue.IsRunning(); }));
    EXPECT_EQ(queue.TakeFailure(), std::nullopt);
    EXPECT_EQ(Deliveries({"d"}), Names{"Delivered"});
    EXPECT_EQ(SendFixture::List(f.typist, true), Names{"dct00042-00004.dct"});
    EXPECT_EQ(SendFixture::List(f.sent, true).size(), 8u); // the four dictations and no package
}

TEST_F(SendQueueTest, ARecipientWhoseServerIsDownWaitsForItsRetriesWhileTheOthersAndLaterDictationsGoAhead) {
    TypistRecipient ftp = SendFixture::FolderRecipient(f.typist, "Bob");
    ftp.SetMethod(SendMethod::Ftp);
    f.AddRecipient(1, ftp);
    const std::string server = f.temp / "server/";
    ASSERT_TRUE(MakeFolders(server));
    std::atomic<bool> serverUp = false;
    std::atomic<int> minutes = 0, attempts = 0, endingsAtAttempt = 0;
    SendTransports transports;
    transports.ftp = [&](TransportReport& report, const DeliveryRequest& request) {
        endingsAtAttempt = probe->Endings();
        ++attempts;
        if (serverUp)
            return SendByLan(report, SendFixture::FolderRecipient(server), request.packagePath);
        report.ReportFailure("Unable to connect to Internet.");
        return false;
    };
    BGSend& queue = Open(transports);
    queue.SetClock([&] { return std::chrono::steady_clock::time_point() + std::chrono::minutes(minutes); });
    const Names waves = {f.MakeSentDictation("x", 1), f.MakeSentDictation("bad", 2), f.MakeSentDictation("a", 3),
                         f.MakeSentDictation("y", 4)};
    ASSERT_TRUE(MakeFolders(f.sent + "bad.txt/")); // notes that cannot be read: that dictation alone is dropped
    for (size_t i = 0; i < waves.size(); ++i)
        ASSERT_TRUE(queue.Add(waves[i], i % 3 == 0 ? 1 : 0));
    ASSERT_TRUE(WorkerProbe::WaitFor([&] {
        return Queued().size() == 2 && Deliveries({"a", "y"}) == Names{"Delivered", "Waiting to retry"};
    }));
    EXPECT_EQ(Queued(), (Entries{{waves[0], 1}, {waves[3], 1}}));
    EXPECT_EQ(Deliveries({"x", "bad", "a", "y"}),
              (Names{"Waiting to retry", "Not sent", "Delivered", "Waiting to retry"}));
    EXPECT_EQ(queue.TakeFailure(), (QueueFailure{"Unable to connect to Internet.", 1}));
    EXPECT_THAT(queue.TakeNotices(), ElementsAre(Notice(HasSubstr("notes of the dictation bad"))));
    for (const int minute : {1, 3, 8, 18, 28}) { // the retries come 1, 2, 5, 10, 10 minutes apart
        const int before = attempts;
        minutes = minute;
        serverUp = minute == 28;
        queue.RetryDue();
        ASSERT_TRUE(WorkerProbe::WaitFor([&] { return attempts > before && probe->Endings() > endingsAtAttempt; }))
            << minute;
        EXPECT_EQ(queue.GetCount(), serverUp ? 0 : 2) << minute;
    }
    EXPECT_EQ(queue.TakeFailure(), std::nullopt); // told once across the retries
    EXPECT_EQ(SendFixture::List(server), (Names{"dct00042-00001.dct", "dct00042-00004.dct"}));
}

TEST_F(SendQueueTest, AFullDiskPausesTheWholeQueueOnceToldUntilARetryFindsSpace) {
    const std::string second = f.temp / "second/";
    ASSERT_TRUE(MakeFolders(second));
    f.AddRecipient(1, SendFixture::FolderRecipient(second));
    BGSend& queue = Open();
    int minutes = 0;
    queue.SetClock([&] { return std::chrono::steady_clock::time_point() + std::chrono::minutes(minutes); });
    ASSERT_TRUE(MakeFolders(f.sent + "a.tmp/")); // the converted audio of "a" cannot be written
    const Names waves = {f.MakeSentDictation("a", 1), f.MakeSentDictation("b", 2)};
    ASSERT_TRUE(queue.Add(waves[0], 0) && queue.Add(waves[1], 1));
    ASSERT_TRUE(probe->WaitForEndings(1));
    minutes = 1;
    queue.RetryDue(); // still no space: not told again
    ASSERT_TRUE(probe->WaitForEndings(2));
    EXPECT_EQ(Arrived(), Names{});
    EXPECT_EQ(SendFixture::List(second), Names{}); // the other recipient waits too
    EXPECT_THAT(queue.TakeNotices(), ElementsAre(Notice(HasSubstr("the disk may be full"))));
    EXPECT_EQ(queue.TakeFailure(), std::nullopt);

    std::filesystem::remove(f.sent + "a.tmp");
    minutes = 3;
    queue.RetryDue();
    ASSERT_TRUE(probe->WaitForEndings(3));
    EXPECT_EQ(Arrived(), Names{"dct00042-00001.dct"});
    EXPECT_EQ(SendFixture::List(second), Names{"dct00042-00002.dct"});
}

TEST_F(SendQueueTest, AStopDuringTheConversionLeavesTheEntryQueuedAndNoTemporaries) {
    Probe({SendStage::Converted1});
    BGSend& queue = Open();
    const Names waves = Add({0}, 5.0);
    ASSERT_TRUE(probe->WaitUntilHeld());
    EXPECT_TRUE(queue.Stop()); // the held worker is let go as it is asked to stop
    EXPECT_EQ(Queued(), (Entries{{waves[0], 0}}));
    EXPECT_EQ(SendFixture::List(f.sent, true), (Names{"a.dat", "a.wav"}));
    EXPECT_EQ(Deliveries({"a"}), Names{"Pending"});
}

TEST_F(SendQueueTest, DamagedEntriesMissingWavesAndAnUnusableFormatGetOneNoticeEachAndTheRestIsSentInTheDefault) {
    const std::string recipient = RecipientPath(f.program, 0); // its format area zeroed
    std::string bytes = ReadFileBytes(recipient).value();
    std::fill_n(bytes.begin() + TypistRecipient::kFormatOffset, TypistRecipient::kFormatSize, '\0');
    ASSERT_TRUE(WriteFileAtomically(recipient, bytes));
    const std::string gone = f.MakeSentDictation("gone", 2), kept = f.MakeSentDictation("kept", 1);
    RemoveFile(gone);
    ASSERT_TRUE(SendQueueFile(f.program + "bgsend.dat")
                    .Replace({{"/etc/passwd", 0}, {f.sent + "../escape.wav", 0}, {gone, 0}, {kept, 0}}));
    BGSend& queue = Open();
    ASSERT_TRUE(probe->WaitForEndings(1));
    EXPECT_EQ(queue.GetCount(), 0);
    // The format is told of with each dictation, before its wave is read.
    const auto unusableFormat = Notice(HasSubstr("cannot be used"));
    EXPECT_THAT(queue.TakeNotices(), ElementsAre(Notice(StartsWith("2 damaged entries")), unusableFormat,
                                                 Notice(HasSubstr("gone")), unusableFormat));
    EXPECT_EQ(Deliveries({"gone", "kept"}), (Names{"Not sent", "Delivered"}));
    EXPECT_EQ(Arrived(), Names{"dct00042-00001.dct"});
    // The package read on the typist's side: its audio's format tag and rate are the default's.
    std::string problem;
    const auto package = ReadTypistPackage(f.typist + "dct00042-00001.dct", problem);
    ASSERT_TRUE(package && package->audio.size() >= 28) << problem;
    const auto* audio = reinterpret_cast<const uint8_t*>(package->audio.data());
    const WaveFormatRecord fallback = TypistRecipient::DefaultFormat();
    EXPECT_EQ(std::tuple(ReadLe16(audio + 20), ReadLe32(audio + 24)),
              std::tuple(fallback.formatTag, fallback.samplesPerSec));
}

TEST_F(SendQueueTest, AddRefusesWhatIsNotASentWaveFileOrCannotBeWrittenAndQueuesAPathOnce) {
    Probe({SendStage::Converting});
    BGSend queue(f.context);
    probe->Attach(queue);
    const std::string a = f.MakeSentDictation("a", 1);
    EXPECT_FALSE(queue.Add(a, 0)); // not open yet
    EXPECT_FALSE(queue.Open(f.program.substr(0, f.program.size() - 1)));
    // A folder where the queue file should be: no rewrite succeeds, and the user is told.
    ASSERT_TRUE(MakeFolders(f.program + "bgsend.dat/"));
    ASSERT_TRUE(queue.Open(f.program));
    EXPECT_FALSE(queue.Add(a, 0));
    EXPECT_FALSE(queue.SetCount(2));
    EXPECT_EQ(queue.GetCount(), 0);
    EXPECT_EQ(queue.TakeNotices(),
              (std::vector<QueueNotice>{{BGSend::kFileSystemErrorText, BGSend::kFileSystemErrorCaption}}));
    ASSERT_EQ(::rmdir((f.program + "bgsend.dat").c_str()), 0);
    for (const std::string& bad :
         {f.sent + "notes.txt", f.temp / "elsewhere.wav", f.sent + std::string(300, 'x') + ".wav"})
        EXPECT_FALSE(queue.Add(bad, 0)) << bad;
    ASSERT_TRUE(queue.Add(a, 0));
    ASSERT_TRUE(queue.Add(a, 0));
    EXPECT_EQ(queue.GetCount(), 1);
    EXPECT_TRUE(queue.IsQueued(a));
    EXPECT_FALSE(queue.IsQueued(f.sent + "b.wav"));
}

TEST_F(SendQueueTest, DeletingARecipientRenumbersTheQueueAndGivesItsEntriesToTheNewDefault) {
    const DeliveryFunction refuse = [](TransportReport&, const DeliveryRequest&) { return false; };
    BGSend& queue = Open({refuse, refuse, refuse, {}});
    const Names waves = Add({0, 1, 2, 3});
    ASSERT_TRUE(probe->WaitForEndings(1) && WorkerProbe::WaitFor([&] { return !queue.IsRunning(); }));
    // As the recipient list leaves it after deleting recipient 1 of four, with recipient 3 (now 2) the default.
    ASSERT_TRUE(f.SetInt(SettingsKeys::kSendCount, 3) && f.SetInt(SettingsKeys::kSendDefault, 2));
    ASSERT_TRUE(queue.RenumberRecipients(1));
    EXPECT_EQ(Queued(), (Entries{{waves[0], 0}, {waves[1], 2}, {waves[2], 1}, {waves[3], 2}}));
}

TEST_F(SendQueueTest, StrandedSentDictationsAreQueuedAgainToTheRecipientTheyName) {
    f.AddRecipient(1, SendFixture::FolderRecipient(f.typist, "Bea"));
    const std::string bea = RecipientList(f.program, f.settings).Load(1).DisplayText(false);
    const std::string stranded = f.MakeSentDictation("stranded", 1, 1.0, bea);
    const std::string unknown = f.MakeSentDictation("unknown", 2, 1.0, "Nobody (nowhere)");
    const std::pair<const char*, StringKey> done[] = {
        {"Delivered", RecordKeys::kDelivery}, {"Not sent", RecordKeys::kDelivery}, {"Typed", RecordKeys::kSendStatus}};
    for (int i = 0; i < 3; ++i) {
        f.MakeSentDictation("done" + std::to_string(i), 3 + i, 1.0, bea);
        (void)WriteStringValue(f.RecordPath("done" + std::to_string(i)), done[i].second, done[i].first);
    }
    Probe({SendStage::Converting});
    BGSend& queue = Open();
    EXPECT_EQ(queue.RequeueStranded(), 2);
    EXPECT_THAT(Queued(), ::testing::UnorderedElementsAre(QueueEntry{stranded, 1}, QueueEntry{unknown, 0}));
    EXPECT_EQ(queue.RequeueStranded(), 0);
}

TEST_F(SendQueueTest, TheWorkerRemovesTheFirstEntryOnlyWhenItStillNamesTheDictationJustSent) {
    Names sent;
    const DeliveryFunction held = probe->HeldTransport([](TransportReport&, const DeliveryRequest&) { return true; });
    BGSend& queue = Open(Lan([&](TransportReport& report, const DeliveryRequest& request) {
        sent.push_back(request.dictationName);
        return sent.size() > 1 || held(report, request);
    }));
    Add({0, 0});
    ASSERT_TRUE(probe->WaitUntilHeld()); // a is in its transport
    // The queue is cleared (as the user's Cancel does) and c is queued, all while a is being sent.
    ASSERT_TRUE(queue.SetCount(0));
    const std::string c = f.MakeSentDictation("c", 3);
    ASSERT_TRUE(queue.Add(c, 0));
    probe->ReleaseForever();
    ASSERT_TRUE(probe->WaitForEndings(1));
    EXPECT_EQ(sent, (Names{"a", "c"}));
    EXPECT_EQ(queue.GetCount(), 0);
}

// Passes everything on to the queue, calling `onSecondAsk` once the copy has written its first chunk.
struct PausingReport final : TransportReport {
    PausingReport(TransportReport& queue, std::function<void()> onSecondAsk)
        : queue(queue), onSecondAsk(std::move(onSecondAsk)) {}
    void PublishProgress(float done) override { queue.PublishProgress(done); }
    void ReportFailure(const std::string& text) override { queue.ReportFailure(text); }
    void ReportNotice(const std::string& text) override { queue.ReportNotice(text); }
    bool StopRequested() const override {
        if (++asked == 2)
            onSecondAsk();
        return queue.StopRequested();
    }

    TransportReport& queue;
    std::function<void()> onSecondAsk;
    mutable int asked = 0;
};

// A send killed at each of its stages (the queue runs in a child process that pauses there) and a restart.
class KilledSendTest : public SendQueueTest, public ::testing::WithParamInterface<const char*> {
protected:
    // A child process that runs a fresh queue on the fixture's folders (queueing `wave` when given) until the
    // queue is empty: exit 0, or 2 when a send failed, 3 on a time-out. At the stage `pauseAt` it writes the
    // marker file and waits to be killed.
    pid_t RunQueue(const std::string& wave, const std::string& pauseAt = "") {
        const pid_t child = ::fork();
        if (child != 0)
            return child;
        const auto pauseIf = [&](const std::string& stage) {
            if (stage == pauseAt && WriteFileAtomically(Marker(), stage))
                for (;;)
                    ::pause();
        };
        SendTransports transports;
        transports.lan = [&](TransportReport& report, const DeliveryRequest& request) {
            PausingReport pausing(report, [&] { pauseIf("copying"); });
            const bool delivered = SendByLan(pausing, request.recipient, request.packagePath);
            if (delivered)
                pauseIf("copied");
            return delivered;
        };
        std::atomic<int> endings = 0;
        BGSend queue(f.context, transports);
        queue.SetStageHook([&](SendStage stage) {
            pauseIf(std::array{"converting", "converted", "packaging", "packaged", "ending"}[static_cast<int>(stage)]);
            endings += stage == SendStage::Ending;
        });
        if (!queue.Open(f.program) || (queue.RequeueStranded(), !wave.empty() && !queue.Add(wave, 0)))
            ::_exit(3);
        for (int seen = 0; queue.GetCount() > 0; seen = endings) {
            if (!WorkerProbe::WaitFor([&] { return endings > seen; }, std::chrono::seconds(60)))
                ::_exit(3);
            if (queue.TakeFailure())
                ::_exit(2);
        }
        ::_exit(0);
    }
    std::string Marker() const { return f.program + "paused"; }
    static int ExitCode(pid_t child) {
        int status = 0;
        return ::waitpid(child, &status, 0) == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

TEST_P(KilledSendTest, ARestartAfterAKillFinishesTheSendOnceAndLosesNothing) {
    const std::string wave = f.MakeSentDictation("a", 1, 30.0);
    const pid_t first = RunQueue(wave, GetParam());
    int status = 0; // until the child paused at the stage, or ended without reaching it
    WorkerProbe::WaitFor([&] { return PathExists(Marker()) || ::waitpid(first, &status, WNOHANG) != 0; },
                         std::chrono::seconds(60));
    ::kill(first, SIGKILL);
    ExitCode(first);
    ASSERT_TRUE(RemoveFile(Marker())) << "the queue never reached " << GetParam();
    if (std::string_view(GetParam()) == "packaging") // as a package write cut short by the kill leaves it
        f.temp.Write("Sent Files/.dct00042-00001.dct.part", std::string(1000, 'x'));
    ProfileForget(f.program + "bgsend.dat");
    EXPECT_EQ(Queued(), (Entries{{wave, 0}}));

    ASSERT_EQ(ExitCode(RunQueue("")), 0);
    EXPECT_EQ(SendFixture::List(f.typist, true), Names{"dct00042-00001.dct"});
    std::string problem;
    const auto package = ReadTypistPackage(f.typist + "dct00042-00001.dct", problem);
    ASSERT_TRUE(package) << problem;
    ProfileForget(f.program + "bgsend.dat");
    EXPECT_TRUE(Queued().empty());
    ProfileForget(f.RecordPath("a"));
    EXPECT_EQ(ReadStringValue(f.RecordPath("a"), RecordKeys::kDelivery), "Delivered");
    // Only the dictation is left in "Sent Files/": no converted audio, package or part of one.
    EXPECT_EQ(SendFixture::List(f.sent, true), (Names{"a.dat", "a.wav"}));
}

INSTANTIATE_TEST_SUITE_P(AtEachStage, KilledSendTest,
                         ::testing::Values("converting", "converted", "packaging", "packaged", "copying", "copied"));

} // namespace
