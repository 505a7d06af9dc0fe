#include "BGSend.h"

#include "FileOps.h"
#include "IniValues.h"
#include "PackageReader.h"
#include "Poster.h"
#include "QueueFixture.h"
#include "RecipientList.h"
#include "RecordKeys.h"
#include "SendQueueFile.h"
#include "SettingsKeys.h"
#include "TypistRecipient.h"
#include "WorkerProbe.h"

#include <fstream>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace {

// A transport that records what it was handed and answers as told.
struct RecordingTransport {
    std::mutex mutex;
    std::vector<std::string> names;
    std::vector<std::string> recipients;
    bool answer = true;

    DeliveryFunction Function() {
        return [this](TransportReport& report, const DeliveryRequest& request) {
            std::lock_guard lock(mutex);
            names.push_back(request.dictationName);
            recipients.push_back(request.recipient.Name());
            if (!answer)
                report.ReportFailure("refused " + request.dictationName);
            return answer;
        };
    }
    std::vector<std::string> Names() {
        std::lock_guard lock(mutex);
        return names;
    }
};

class SendQueueTest : public ::testing::Test {
protected:
    void SetUp() override { fixture.MakeFolderRecipient(0, "Ann", fixture.Typist(), QueueFixture::GsmFormat()); }
    std::vector<QueueEntry> Entries() const { return SendQueueFile(fixture.Program() + "bgsend.dat").Entries(); }
    std::string Delivery(const std::string& name) const {
        return ReadStringValue(fixture.RecordPath(name), RecordKeys::kDelivery);
    }

    QueueFixture fixture;
};

TEST_F(SendQueueTest, ThreeAddsInARowAreQueuedInOrderAndMoveUpByOneAfterADelivery) {
    WorkerProbe probe;
    int calls = 0;
    SendTransports transports;
    transports.lan = probe.HeldTransport([&](TransportReport& report, const DeliveryRequest&) {
        if (++calls == 1)
            return true;
        report.ReportFailure("refused");
        return false;
    });
    BGSend queue(fixture.Context(), transports);
    probe.Attach(queue);
    ASSERT_TRUE(queue.Open(fixture.Program()));
    const std::string a = fixture.MakeSentDictation("a", 1), b = fixture.MakeSentDictation("b", 2),
                      c = fixture.MakeSentDictation("c", 3);
    ASSERT_TRUE(queue.Add(a, 0));
    ASSERT_TRUE(queue.Add(b, 0));
    ASSERT_TRUE(queue.Add(c, 0));
    EXPECT_EQ(queue.GetCount(), 3);
    EXPECT_EQ(Entries(), (std::vector<QueueEntry>{{a, 0}, {b, 0}, {c, 0}}));

    ASSERT_TRUE(probe.WaitUntilHeld());
    probe.Release(); // a is delivered
    ASSERT_TRUE(probe.WaitUntilHeld());
    probe.Release(); // b is refused: the worker stops with it first
    ASSERT_TRUE(probe.WaitForEndings(1));
    EXPECT_EQ(Entries(), (std::vector<QueueEntry>{{b, 0}, {c, 0}}));
    EXPECT_EQ(Delivery("a"), "Delivered");
    EXPECT_EQ(Delivery("b"), "Pending");
    EXPECT_EQ(queue.TakeFailure(), "refused");
    EXPECT_EQ(queue.TakeFailure(), std::nullopt);
}

TEST_F(SendQueueTest, ANewQueueOnTheSameFolderFinishesWhatTheFormerOneLeft) {
    const std::string a = fixture.MakeSentDictation("a", 1), b = fixture.MakeSentDictation("b", 2);
    {
        WorkerProbe probe;
        RecordingTransport refusing;
        refusing.answer = false;
        BGSend queue(fixture.Context(), {refusing.Function(), refusing.Function(), refusing.Function()});
        probe.Attach(queue);
        ASSERT_TRUE(queue.Open(fixture.Program()));
        ASSERT_TRUE(queue.Add(a, 0));
        ASSERT_TRUE(probe.WaitForEndings(1));
        ASSERT_TRUE(queue.Add(b, 0)); // starts the worker again: a is retried and refused again
        ASSERT_TRUE(probe.WaitForEndings(2));
        EXPECT_EQ(refusing.Names(), (std::vector<std::string>{"a", "a"}));
    }
    ASSERT_EQ(Entries().size(), 2u);

    WorkerProbe probe({SendStage::Converting});
    PumpPoster poster;
    BGSend queue(fixture.Context());
    probe.Attach(queue);
    queue.SetNotify(&poster, [] {});
    ASSERT_TRUE(queue.Open(fixture.Program()));
    ASSERT_TRUE(probe.WaitUntilHeld());
    EXPECT_FLOAT_EQ(queue.ShownProgress(), 2.0f); // the pending work shows before anything is sent
    probe.ReleaseForever();
    ASSERT_TRUE(probe.WaitForEndings(1));
    EXPECT_EQ(queue.GetCount(), 0);
    EXPECT_FLOAT_EQ(queue.ShownProgress(), 0.0f);
    EXPECT_EQ(fixture.VisibleNames(fixture.Typist()),
              (std::vector<std::string>{"dct00042-00001.dct", "dct00042-00002.dct"}));
    EXPECT_EQ(Delivery("a"), "Delivered");
    EXPECT_EQ(Delivery("b"), "Delivered");
    // Nothing of the sends is left beside the dictations.
    for (const std::string& name : fixture.AllNames(fixture.Sent()))
        EXPECT_TRUE(name.ends_with(".wav") || name.ends_with(".dat")) << name;
    EXPECT_GT(poster.Pump(), 2u);
}

TEST_F(SendQueueTest, AnEntryAddedWhileTheWorkerEndsIsSentWithoutAnotherAdd) {
    WorkerProbe probe({SendStage::Ending});
    BGSend queue(fixture.Context());
    probe.Attach(queue);
    ASSERT_TRUE(queue.Open(fixture.Program()));
    const std::string a = fixture.MakeSentDictation("a", 1), b = fixture.MakeSentDictation("b", 2);
    ASSERT_TRUE(queue.Add(a, 0));
    // The worker has found the queue empty and is held on its way out.
    ASSERT_TRUE(probe.WaitUntilHeld());
    EXPECT_EQ(queue.GetCount(), 0);

    bool added = false;
    std::thread adder([&] { added = queue.Add(b, 0); });
    ASSERT_TRUE(WorkerProbe::WaitFor([&] { return queue.GetCount() == 1; }));
    probe.Release();
    adder.join();
    EXPECT_TRUE(added);
    probe.ReleaseForever();
    ASSERT_TRUE(probe.WaitForEndings(2)); // a new worker took b
    EXPECT_EQ(queue.GetCount(), 0);
    EXPECT_EQ(fixture.VisibleNames(fixture.Typist()),
              (std::vector<std::string>{"dct00042-00001.dct", "dct00042-00002.dct"}));
}

TEST_F(SendQueueTest, TheWorkerRemovesTheFirstEntryOnlyWhenItStillNamesTheDictationJustSent) {
    WorkerProbe probe;
    RecordingTransport recording;
    SendTransports transports;
    int calls = 0;
    transports.lan = [&](TransportReport& report, const DeliveryRequest& request) {
        if (++calls == 1)
            return probe.HeldTransport(recording.Function())(report, request);
        return recording.Function()(report, request);
    };
    BGSend queue(fixture.Context(), transports);
    probe.Attach(queue);
    ASSERT_TRUE(queue.Open(fixture.Program()));
    const std::string a = fixture.MakeSentDictation("a", 1), b = fixture.MakeSentDictation("b", 2),
                      c = fixture.MakeSentDictation("c", 3);
    ASSERT_TRUE(queue.Add(a, 0));
    ASSERT_TRUE(queue.Add(b, 0));
    ASSERT_TRUE(probe.WaitUntilHeld()); // a is in its transport
    // The queue is cleared (as the user's Cancel does) and c is queued, all while a is being sent.
    ASSERT_TRUE(queue.SetCount(0));
    ASSERT_TRUE(queue.Add(c, 0));
    EXPECT_EQ(Entries(), (std::vector<QueueEntry>{{c, 0}}));
    probe.ReleaseForever();
    ASSERT_TRUE(probe.WaitForEndings(1));
    EXPECT_EQ(recording.Names(), (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(queue.GetCount(), 0);
}

TEST_F(SendQueueTest, CancelAllStopsTheWorkerEmptiesTheQueueAndMarksTheDroppedDictationsNotSent) {
    WorkerProbe probe;
    SendTransports transports;
    transports.lan = probe.HeldTransport([](TransportReport& report, const DeliveryRequest&) {
        return !report.StopRequested(); // it was stopped while held: not delivered
    });
    BGSend queue(fixture.Context(), transports);
    probe.Attach(queue);
    ASSERT_TRUE(queue.Open(fixture.Program()));
    ASSERT_TRUE(queue.Add(fixture.MakeSentDictation("a", 1), 0));
    ASSERT_TRUE(queue.Add(fixture.MakeSentDictation("b", 2), 0));
    ASSERT_TRUE(probe.WaitUntilHeld());
    queue.CancelAll();
    EXPECT_FALSE(queue.IsRunning());
    EXPECT_EQ(queue.GetCount(), 0);
    EXPECT_EQ(Delivery("a"), "Not sent");
    EXPECT_EQ(Delivery("b"), "Not sent");
    EXPECT_EQ(queue.TakeFailure(), std::nullopt);
    EXPECT_TRUE(fixture.VisibleNames(fixture.Typist()).empty());
    // The stopped send left no package or converted audio behind.
    EXPECT_EQ(fixture.VisibleNames(fixture.Sent()), (std::vector<std::string>{"a.dat", "a.wav", "b.dat", "b.wav"}));
}

TEST_F(SendQueueTest, AStopDuringTheConversionLeavesTheEntryQueuedAndNoTemporaries) {
    WorkerProbe probe({SendStage::Converted1});
    BGSend queue(fixture.Context());
    probe.Attach(queue);
    ASSERT_TRUE(queue.Open(fixture.Program()));
    const std::string a = fixture.MakeSentDictation("a", 1, 5.0);
    ASSERT_TRUE(queue.Add(a, 0));
    ASSERT_TRUE(probe.WaitUntilHeld());
    EXPECT_TRUE(PathExists(fixture.Sent() + "a.tmp"));
    EXPECT_TRUE(queue.Stop()); // the held worker is let go as it is asked to stop
    EXPECT_EQ(Entries(), (std::vector<QueueEntry>{{a, 0}}));
    EXPECT_EQ(fixture.VisibleNames(fixture.Sent()), (std::vector<std::string>{"a.dat", "a.wav"}));
    EXPECT_EQ(Delivery("a"), "Pending");
}

TEST_F(SendQueueTest, AFailedFolderDeliveryIsReportedAndKeepsTheDictationQueuedAndItsPackage) {
    fixture.MakeFolderRecipient(0, "Ann", fixture.Temp() / "no such share", QueueFixture::GsmFormat());
    WorkerProbe probe;
    BGSend queue(fixture.Context());
    probe.Attach(queue);
    ASSERT_TRUE(queue.Open(fixture.Program()));
    const std::string a = fixture.MakeSentDictation("a", 1);
    ASSERT_TRUE(queue.Add(a, 0));
    ASSERT_TRUE(probe.WaitForEndings(1));
    const std::optional<std::string> failure = queue.TakeFailure();
    ASSERT_TRUE(failure);
    EXPECT_TRUE(failure->starts_with("Unable to find the folder " + fixture.Temp().Path() + "no such share.\n\n"))
        << *failure;
    EXPECT_TRUE(failure->ends_with("Click Cancel to clear all pending send files."));
    EXPECT_EQ(Entries(), (std::vector<QueueEntry>{{a, 0}}));
    EXPECT_TRUE(PathExists(fixture.Sent() + "dct00042-00001.dct"));
    EXPECT_EQ(Delivery("a"), "Pending");
}

TEST_F(SendQueueTest, UserIdZeroIsToldOnceAndTheSendsStillGo) {
    fixture.SetUserId(0);
    const auto zeroNotices = [](const std::vector<std::string>& notices) {
        return std::count_if(notices.begin(), notices.end(), [](const std::string& text) {
            return text.find("Settings menu, User Settings...") != std::string::npos;
        });
    };
    {
        WorkerProbe probe;
        BGSend queue(fixture.Context());
        probe.Attach(queue);
        ASSERT_TRUE(queue.Open(fixture.Program()));
        ASSERT_TRUE(queue.Add(fixture.MakeSentDictation("a", 1), 0));
        ASSERT_TRUE(queue.Add(fixture.MakeSentDictation("b", 2), 0));
        ASSERT_TRUE(WorkerProbe::WaitFor([&] { return queue.GetCount() == 0 && probe.Endings() > 0; }));
        queue.Finish();
        EXPECT_EQ(zeroNotices(queue.TakeNotices()), 1);
    }
    WorkerProbe probe;
    BGSend queue(fixture.Context());
    probe.Attach(queue);
    ASSERT_TRUE(queue.Open(fixture.Program()));
    ASSERT_TRUE(queue.Add(fixture.MakeSentDictation("c", 3), 0));
    ASSERT_TRUE(probe.WaitForEndings(1));
    EXPECT_EQ(zeroNotices(queue.TakeNotices()), 0);
    EXPECT_EQ(fixture.VisibleNames(fixture.Typist()),
              (std::vector<std::string>{"dct00000-00001.dct", "dct00000-00002.dct", "dct00000-00003.dct"}));
}

TEST_F(SendQueueTest, AMissingWaveFileIsReportedOnceAndTakenOffTheQueue) {
    WorkerProbe probe;
    BGSend queue(fixture.Context());
    probe.Attach(queue);
    ASSERT_TRUE(queue.Open(fixture.Program()));
    const std::string gone = fixture.MakeSentDictation("gone", 1);
    RemoveFile(gone);
    ASSERT_TRUE(queue.Add(gone, 0));
    ASSERT_TRUE(queue.Add(fixture.MakeSentDictation("kept", 2), 0));
    ASSERT_TRUE(WorkerProbe::WaitFor([&] { return queue.GetCount() == 0; }));
    ASSERT_TRUE(probe.WaitForEndings(1));
    const std::vector<std::string> notices = queue.TakeNotices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find("gone"), std::string::npos);
    EXPECT_TRUE(queue.TakeNotices().empty());
    EXPECT_EQ(Delivery("gone"), "Not sent");
    EXPECT_EQ(Delivery("kept"), "Delivered");
    EXPECT_EQ(fixture.VisibleNames(fixture.Typist()), (std::vector<std::string>{"dct00042-00002.dct"}));
}

TEST_F(SendQueueTest, EntriesThatNameNoSentWaveFileAreDroppedWithANotice) {
    const std::string kept = fixture.MakeSentDictation("kept", 7);
    SendQueueFile file(fixture.Program() + "bgsend.dat");
    ASSERT_TRUE(file.Replace({{"/etc/passwd", 0}, {fixture.Sent() + "../escape.wav", 0}, {kept, 0}}));
    WorkerProbe probe;
    BGSend queue(fixture.Context());
    probe.Attach(queue);
    ASSERT_TRUE(queue.Open(fixture.Program()));
    ASSERT_TRUE(WorkerProbe::WaitFor([&] { return probe.Endings() > 0; }));
    EXPECT_EQ(queue.GetCount(), 0);
    const std::vector<std::string> notices = queue.TakeNotices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_TRUE(notices[0].starts_with("2 damaged entries")) << notices[0];
    EXPECT_EQ(fixture.VisibleNames(fixture.Typist()), (std::vector<std::string>{"dct00042-00007.dct"}));
}

TEST_F(SendQueueTest, AddRefusesWhatIsNotASentWaveFileAndDoesNotQueueAPathTwice) {
    WorkerProbe probe({SendStage::Converting}); // before the queue, so the queue's worker ends first
    BGSend queue(fixture.Context());
    const std::string a = fixture.MakeSentDictation("a", 1);
    EXPECT_FALSE(queue.Add(a, 0)); // not open yet
    EXPECT_FALSE(queue.Open(fixture.Program().substr(0, fixture.Program().size() - 1)));
    probe.Attach(queue);
    ASSERT_TRUE(queue.Open(fixture.Program()));
    EXPECT_FALSE(queue.Add(fixture.Sent() + "notes.txt", 0));
    EXPECT_FALSE(queue.Add(fixture.Temp() / "elsewhere.wav", 0));
    EXPECT_FALSE(queue.Add(fixture.Sent() + std::string(300, 'x') + ".wav", 0));
    ASSERT_TRUE(queue.Add(a, 0));
    ASSERT_TRUE(queue.Add(a, 0));
    EXPECT_EQ(queue.GetCount(), 1);
    EXPECT_TRUE(queue.IsQueued(a));
    EXPECT_FALSE(queue.IsQueued(fixture.Sent() + "b.wav"));
}

TEST_F(SendQueueTest, AQueueFileThatCannotBeWrittenFailsAddAndTellsTheUser) {
    MakeFolders(fixture.Program() + "bgsend.dat/"); // a folder where the file should be: no rewrite succeeds
    BGSend queue(fixture.Context());
    ASSERT_TRUE(queue.Open(fixture.Program()));
    EXPECT_FALSE(queue.Add(fixture.MakeSentDictation("a", 1), 0));
    EXPECT_EQ(queue.GetCount(), 0);
    EXPECT_FALSE(queue.IsRunning());
    EXPECT_FALSE(queue.SetCount(2));
    EXPECT_EQ(queue.TakeNotices(), (std::vector<std::string>{BGSend::kFileSystemErrorText}));
    EXPECT_STREQ(BGSend::kFileSystemErrorText, "Tallowin internal files are read only or corrupt.");
}

TEST_F(SendQueueTest, RemoveTakesADictationOutOfTheQueueAndMarksItNotSent) {
    WorkerProbe probe({SendStage::Converting});
    BGSend queue(fixture.Context());
    probe.Attach(queue);
    ASSERT_TRUE(queue.Open(fixture.Program()));
    const std::string a = fixture.MakeSentDictation("a", 1), b = fixture.MakeSentDictation("b", 2);
    ASSERT_TRUE(queue.Add(a, 0));
    ASSERT_TRUE(queue.Add(b, 0));
    ASSERT_TRUE(probe.WaitUntilHeld());
    EXPECT_TRUE(queue.Remove(b));
    EXPECT_FALSE(queue.Remove(b));
    EXPECT_FALSE(queue.IsQueued(b));
    EXPECT_EQ(Delivery("b"), "Not sent");
    EXPECT_EQ(Entries(), (std::vector<QueueEntry>{{a, 0}}));
}

TEST_F(SendQueueTest, DeletingARecipientRenumbersTheQueueAndGivesItsEntriesToTheNewDefault) {
    WorkerProbe probe;
    RecordingTransport refusing;
    refusing.answer = false;
    BGSend queue(fixture.Context(), {refusing.Function(), refusing.Function(), refusing.Function()});
    probe.Attach(queue);
    ASSERT_TRUE(queue.Open(fixture.Program()));
    std::vector<std::string> waves;
    for (int i = 0; i < 4; ++i) {
        waves.push_back(fixture.MakeSentDictation("d" + std::to_string(i), i + 1));
        ASSERT_TRUE(queue.Add(waves.back(), i));
    }
    ASSERT_TRUE(WorkerProbe::WaitFor([&] { return probe.Endings() > 0 && !queue.IsRunning(); }));
    // As the recipient list leaves it after deleting recipient 1 of four, with recipient 3 (now 2) the default.
    (void)WriteIntValue(fixture.Settings(), SettingsKeys::kSendCount, 3);
    (void)WriteIntValue(fixture.Settings(), SettingsKeys::kSendDefault, 2);
    ASSERT_TRUE(FlushProfile(fixture.Settings()));
    ASSERT_TRUE(queue.RenumberRecipients(1));
    EXPECT_EQ(Entries(), (std::vector<QueueEntry>{{waves[0], 0}, {waves[1], 2}, {waves[2], 1}, {waves[3], 2}}));
}

TEST_F(SendQueueTest, AnUnusableRecipientFormatFallsBackToTheDefaultWithANotice) {
    // The format area of the recipient's file zeroed: no usable format.
    const std::string recipientPath = RecipientPath(fixture.Program(), 0);
    std::string bytes = ReadFileBytes(recipientPath).value();
    std::fill(bytes.begin() + TypistRecipient::kFormatOffset,
              bytes.begin() + TypistRecipient::kFormatOffset + TypistRecipient::kFormatSize, '\0');
    ASSERT_TRUE(WriteFileAtomically(recipientPath, bytes));

    WorkerProbe probe;
    BGSend queue(fixture.Context());
    probe.Attach(queue);
    ASSERT_TRUE(queue.Open(fixture.Program()));
    ASSERT_TRUE(queue.Add(fixture.MakeSentDictation("a", 1), 0));
    ASSERT_TRUE(probe.WaitForEndings(1));
    const std::vector<std::string> notices = queue.TakeNotices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find("cannot be used"), std::string::npos);
    std::string problem;
    const auto package = ReadTypistPackage(fixture.Typist() + "dct00042-00001.dct", problem);
    ASSERT_TRUE(package) << problem;
    const WaveFormatRecord expected = TypistRecipient::DefaultFormat();
    EXPECT_EQ(ReadLe16(reinterpret_cast<const uint8_t*>(package->audio.data()) + 20), expected.formatTag);
    EXPECT_EQ(ReadLe32(reinterpret_cast<const uint8_t*>(package->audio.data()) + 24), expected.samplesPerSec);
}

TEST_F(SendQueueTest, StrandedSentDictationsAreQueuedAgainToTheRecipientTheyName) {
    fixture.MakeFolderRecipient(1, "Bea", fixture.Typist(), QueueFixture::GsmFormat());
    const std::string beaText = RecipientList(fixture.Program(), fixture.Settings()).Load(1).DisplayText(false);
    const std::string stranded = fixture.MakeSentDictation("stranded", 1, 1.0, beaText);
    const std::string unknown = fixture.MakeSentDictation("unknown", 2, 1.0, "Nobody (nowhere)");
    const std::string delivered = fixture.MakeSentDictation("delivered", 3, 1.0, beaText);
    (void)WriteStringValue(fixture.RecordPath("delivered"), RecordKeys::kDelivery, "Delivered");
    const std::string cancelled = fixture.MakeSentDictation("cancelled", 4, 1.0, beaText);
    (void)WriteStringValue(fixture.RecordPath("cancelled"), RecordKeys::kDelivery, "Not sent");
    const std::string typed = fixture.MakeSentDictation("typed", 5, 1.0, beaText);
    (void)WriteStringValue(fixture.RecordPath("typed"), RecordKeys::kSendStatus, "Typed");
    ASSERT_TRUE(FlushProfile(fixture.RecordPath("delivered")) && FlushProfile(fixture.RecordPath("cancelled")) &&
                FlushProfile(fixture.RecordPath("typed")));

    WorkerProbe probe({SendStage::Converting});
    BGSend queue(fixture.Context());
    probe.Attach(queue);
    ASSERT_TRUE(queue.Open(fixture.Program()));
    EXPECT_EQ(queue.RequeueStranded(), 2);
    std::vector<QueueEntry> entries = Entries();
    std::sort(entries.begin(), entries.end(),
              [](const QueueEntry& x, const QueueEntry& y) { return x.wavePath < y.wavePath; });
    EXPECT_EQ(entries, (std::vector<QueueEntry>{{stranded, 1}, {unknown, 0}}));
    EXPECT_EQ(queue.RequeueStranded(), 0);
}

TEST_F(SendQueueTest, ProgressCountsDownFromTheQueueLengthInFewNotes) {
    WorkerProbe probe;
    PumpPoster poster;
    std::vector<float> shown;
    BGSend queue(fixture.Context());
    probe.Attach(queue);
    queue.SetNotify(&poster, [&] { shown.push_back(queue.ShownProgress()); });
    ASSERT_TRUE(queue.Open(fixture.Program()));
    ASSERT_TRUE(queue.Add(fixture.MakeSentDictation("a", 1, 20.0), 0));
    ASSERT_TRUE(probe.WaitForEndings(1));
    queue.Finish();
    poster.Pump();
    ASSERT_FALSE(shown.empty());
    EXPECT_FLOAT_EQ(shown.back(), 0.0f);
    // Conversion (to 0.5 below the count), packaging (to 0.7), the copy (0.8), then the removal: a dozen or so
    // notes for twenty blocks, never one per block.
    EXPECT_LT(shown.size(), 16u);
    EXPECT_GT(shown.size(), 4u);
}

} // namespace
