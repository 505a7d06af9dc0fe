// A send killed at each of its stages (the queue runs in a child process that pauses there) and a restart.
#include "PackageReader.h"
#include "SendFixture.h"
#include "WorkerProbe.h"
#include "platform/Profile.h"
#include "send/BGSend.h"
#include "send/LanTransport.h"
#include "send/SendQueueFile.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

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

class KilledSendTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override { f.AddRecipient(0, SendFixture::FolderRecipient(f.typist)); }

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

    SendFixture f;
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
    EXPECT_EQ(SendQueueFile(f.program + "bgsend.dat").Entries(), (std::vector<QueueEntry>{{wave, 0}}));

    ASSERT_EQ(ExitCode(RunQueue("")), 0);
    EXPECT_EQ(SendFixture::List(f.typist, true), Names{"dct00042-00001.dct"});
    std::string problem;
    const auto package = ReadTypistPackage(f.typist + "dct00042-00001.dct", problem);
    ASSERT_TRUE(package) << problem;
    EXPECT_EQ(package->name, "a");
    ProfileForget(f.program + "bgsend.dat");
    EXPECT_EQ(SendQueueFile(f.program + "bgsend.dat").Count(), 0);
    ProfileForget(f.RecordPath("a"));
    EXPECT_EQ(ReadStringValue(f.RecordPath("a"), RecordKeys::kDelivery), "Delivered");
    // Only the dictation is left in "Sent Files/": no converted audio, package or part of one.
    EXPECT_EQ(SendFixture::List(f.sent, true), (Names{"a.dat", "a.wav"}));
}

INSTANTIATE_TEST_SUITE_P(AtEachStage, KilledSendTest,
                         ::testing::Values("converting", "converted", "packaging", "packaged", "copying", "copied"));

} // namespace
