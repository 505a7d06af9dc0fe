#include "BGSend.h"
#include "FileOps.h"
#include "IniValues.h"
#include "PackageReader.h"
#include "QueueFixture.h"
#include "SettingsKeys.h"
#include "WorkerProbe.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>

namespace {

bool OnPath(const std::string& program) {
    return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

std::string CommandOutput(const std::string& command) {
    std::string output;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    if (!pipe)
        return output;
    std::array<char, 512> buffer{};
    while (const size_t got = std::fread(buffer.data(), 1, buffer.size(), pipe.get()))
        output.append(buffer.data(), got);
    return output;
}

TEST(SendToAFolder, AGsmPackageArrivesThatTheTypistsSideCanOpenAndPlay) {
    QueueFixture fixture;
    fixture.MakeFolderRecipient(0, "Ann", fixture.Typist() + " ", QueueFixture::GsmFormat());
    (void)WriteStringValue(fixture.Settings(), SettingsKeys::kUser, "Zoë Doctor");
    ASSERT_TRUE(FlushProfile(fixture.Settings()));
    const std::string wave = fixture.MakeSentDictation("Dictation 17", 17, 3.0);
    fixture.Temp().Write("Sent Files/Dictation 17.txt", std::string("Please type this.") + '\0');

    WorkerProbe probe;
    BGSend queue(fixture.Context());
    probe.Attach(queue);
    ASSERT_TRUE(queue.Open(fixture.Program()));
    ASSERT_TRUE(queue.Add(wave, 0));
    ASSERT_TRUE(probe.WaitForEndings(1));
    EXPECT_EQ(queue.TakeFailure(), std::nullopt);
    EXPECT_TRUE(queue.TakeNotices().empty());

    ASSERT_EQ(fixture.AllNames(fixture.Typist()), (std::vector<std::string>{"dct00042-00017.dct"}));
    std::string problem;
    const auto package = ReadTypistPackage(fixture.Typist() + "dct00042-00017.dct", problem);
    ASSERT_TRUE(package) << problem;
    EXPECT_EQ(package->userId, 42u);
    EXPECT_EQ(package->number, 17u);
    EXPECT_EQ(package->date, 1700000000u);
    EXPECT_EQ(package->name, "Dictation 17");
    EXPECT_EQ(package->details[0], "Zo\xEB Doctor");
    EXPECT_EQ(package->priority, 50);
    EXPECT_EQ(package->notes, "Please type this.");
    const auto* audio = reinterpret_cast<const uint8_t*>(package->audio.data());
    EXPECT_EQ(ReadLe16(audio + 20), 49); // GSM 6.10
    EXPECT_EQ(ReadLe16(audio + 22), 1);
    EXPECT_EQ(ReadLe32(audio + 24), 8000u);

    const std::string extracted = fixture.Temp() / "typist.wav";
    ASSERT_TRUE(ExtractTypistAudio(*package, extracted));
    if (!OnPath("ffprobe"))
        GTEST_SKIP() << "ffprobe is not on PATH: the extracted audio was not played back";
    const std::string probeOutput =
        CommandOutput("ffprobe -v error -show_entries stream=codec_name,sample_rate,channels:format=duration -of "
                      "default=noprint_wrappers=1 '" +
                      extracted + "'");
    EXPECT_NE(probeOutput.find("codec_name=gsm_ms"), std::string::npos) << probeOutput;
    EXPECT_NE(probeOutput.find("sample_rate=8000"), std::string::npos) << probeOutput;
    EXPECT_NE(probeOutput.find("channels=1"), std::string::npos) << probeOutput;
    const size_t at = probeOutput.find("duration=");
    ASSERT_NE(at, std::string::npos) << probeOutput;
    EXPECT_NEAR(std::strtod(probeOutput.c_str() + at + 9, nullptr), 3.0, 0.05);
}

} // namespace
