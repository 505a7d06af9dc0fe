#include "ChildProcess.h"
#include "FileOps.h"
#include "IniValues.h"
#include "PackageReader.h"
#include "Profile.h"
#include "QueueFixture.h"
#include "RecordKeys.h"
#include "SendQueueFile.h"

#include <csignal>
#include <gtest/gtest.h>
#include <thread>

namespace {

constexpr std::chrono::seconds kWait{60};

class KilledSendTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        fixture.MakeFolderRecipient(0, "Ann", fixture.Typist(), QueueFixture::GsmFormat());
        wave = fixture.MakeSentDictation("a", 1, 30.0);
    }
    ChildProcess::Options Options(std::vector<std::string> extra, std::string pauseAt) const {
        ChildProcess::Options options;
        options.arguments = {SEND_QUEUE_DRIVER, fixture.Program(), fixture.Sent(), fixture.Settings()};
        options.arguments.insert(options.arguments.end(), extra.begin(), extra.end());
        if (!pauseAt.empty())
            options.environment.push_back({"TALLOWIN_QUEUE_PAUSE", pauseAt});
        options.outputFile = fixture.Temp() / ("driver-" + pauseAt + ".log");
        return options;
    }

    QueueFixture fixture;
    std::string wave;
};

TEST_P(KilledSendTest, ARestartAfterAKillFinishesTheSendOnceAndLosesNothing) {
    const std::string marker = fixture.Program() + "paused";
    {
        ChildProcess first(SEND_QUEUE_DRIVER, Options({wave}, GetParam()));
        ASSERT_TRUE(first.Started());
        const auto deadline = std::chrono::steady_clock::now() + kWait;
        while (!PathExists(marker) && !first.HasEnded() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        ASSERT_TRUE(PathExists(marker)) << "the driver never reached " << GetParam();
        first.Kill(SIGKILL);
        first.Wait(kWait);
    }
    RemoveFile(marker);
    if (std::string_view(GetParam()) == "packaging") // as a package write cut short by the kill leaves it
        fixture.Temp().Write("Sent Files/.dct00042-00001.dct.part", std::string(1000, 'x'));
    ProfileForget(fixture.Program() + "bgsend.dat");
    EXPECT_EQ(SendQueueFile(fixture.Program() + "bgsend.dat").Entries(), (std::vector<QueueEntry>{{wave, 0}}));

    ChildProcess second(SEND_QUEUE_DRIVER, Options({}, ""));
    ASSERT_EQ(second.Wait(kWait), 0) << fixture.Temp().Read("driver-.log");

    EXPECT_EQ(fixture.AllNames(fixture.Typist()), (std::vector<std::string>{"dct00042-00001.dct"}));
    std::string problem;
    const auto package = ReadTypistPackage(fixture.Typist() + "dct00042-00001.dct", problem);
    ASSERT_TRUE(package) << problem;
    EXPECT_EQ(package->name, "a");
    ProfileForget(fixture.Program() + "bgsend.dat");
    EXPECT_EQ(SendQueueFile(fixture.Program() + "bgsend.dat").Count(), 0);
    ProfileForget(fixture.RecordPath("a"));
    EXPECT_EQ(ReadStringValue(fixture.RecordPath("a"), RecordKeys::kDelivery), "Delivered");
    // Only the dictation is left in "Sent Files/": no converted audio, package or part of one.
    EXPECT_EQ(fixture.AllNames(fixture.Sent()), (std::vector<std::string>{"a.dat", "a.wav"}));
}

INSTANTIATE_TEST_SUITE_P(AtEachStage, KilledSendTest,
                         ::testing::Values("converting", "converted", "packaging", "packaged", "copying", "copied"));

} // namespace
