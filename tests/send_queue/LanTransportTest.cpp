#include "LanTransport.h"

#include "FileOps.h"
#include "ReadOnlyView.h"
#include "TempFolder.h"
#include "TypistRecipient.h"

#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

class RecordingReport final : public TransportReport {
public:
    void PublishProgress(float done) override { progress.push_back(done); }
    void ReportFailure(const std::string& text) override { failures.push_back(text); }
    bool StopRequested() const override { return ++asked > stopAfter; }

    std::vector<float> progress;
    std::vector<std::string> failures;
    mutable int asked = 0;
    int stopAfter = 1 << 30;
};

class FolderDeliveryTest : public ::testing::Test {
protected:
    TypistRecipient RecipientFor(const std::string& folder) const {
        TypistRecipient recipient;
        recipient.SetMethod(SendMethod::Lan);
        recipient.SetText(RecipientField::Folder, folder);
        return recipient;
    }
    std::string Package(size_t bytes) const {
        std::string content(bytes, '\0');
        for (size_t i = 0; i < bytes; ++i)
            content[i] = static_cast<char>(i * 7 + i / 251);
        return temp.Write("sent/dct00042-00017.dct", content);
    }
    static std::vector<std::string> Names(const std::string& folder) {
        return ListFolder(folder).value_or(std::vector<std::string>{"<unlistable>"});
    }

    TempFolder temp;
    RecordingReport report;
};

TEST(LanFolder, TrailingBlanksAndSlashesGoAndBackslashesBecomeSlashes) {
    EXPECT_EQ(LanFolderPath("F:\\typing\\ "), "F:/typing");
    EXPECT_EQ(LanFolderPath("/srv/typist// \\ "), "/srv/typist");
    EXPECT_EQ(LanFolderPath("/srv/my typist"), "/srv/my typist");
    EXPECT_EQ(LanFolderPath(" / "), "");
    EXPECT_EQ(LanFolderPath(""), "");
}

TEST_F(FolderDeliveryTest, ThePackageArrivesWholeUnderItsOwnNameAndTheLocalOneGoes) {
    const std::string package = Package(100000);
    const std::string content = ReadFileBytes(package).value();
    MakeFolders(temp / "share/typing");
    temp.Write("share/typing/dct00042-00017.dct", "an earlier copy");
    ASSERT_TRUE(SendByLan(report, RecipientFor(temp.Path() + "share\\typing\\ "), package));
    EXPECT_EQ(Names(temp / "share/typing"), (std::vector<std::string>{"dct00042-00017.dct"}));
    EXPECT_EQ(temp.Read("share/typing/dct00042-00017.dct"), content);
    EXPECT_FALSE(PathExists(package));
    EXPECT_TRUE(report.failures.empty());
    EXPECT_EQ(report.progress, (std::vector<float>{0.8f}));
}

TEST_F(FolderDeliveryTest, AMissingFolderIsReportedAndThePackageKept) {
    const std::string package = Package(1000);
    EXPECT_FALSE(SendByLan(report, RecipientFor(temp / "nowhere/"), package));
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_EQ(report.failures[0], "Unable to find the folder " + temp.Path() +
                                      "nowhere.\n\nClick OK to continue to attempt to send when you send your "
                                      "next file. Click Cancel to clear all pending send files.");
    EXPECT_TRUE(PathExists(package));
    EXPECT_FALSE(PathExists(temp / "nowhere"));

    report.failures.clear();
    MakeFolders("typing"); // relative to the working folder: not taken
    EXPECT_FALSE(SendByLan(report, RecipientFor("typing\\"), package));
    ::rmdir("typing");
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_TRUE(report.failures[0].starts_with("Unable to find the folder typing."));

    report.failures.clear();
    EXPECT_FALSE(SendByLan(report, RecipientFor("  "), package));
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_TRUE(report.failures[0].starts_with("Unable to find the folder \"  \"."));
}

TEST_F(FolderDeliveryTest, AReadOnlyFolderIsReportedAndThePackageKept) {
    const std::string package = Package(1000);
    MakeFolders(temp / "share");
    MakeFolders(temp / "view");
    const ReadOnlyView view(temp / "share", temp / "view");
    if (!view.Mounted())
        GTEST_SKIP() << "read-only bind mounts are not permitted here";
    EXPECT_FALSE(SendByLan(report, RecipientFor(temp / "view"), package));
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_TRUE(report.failures[0].starts_with("Unable to copy the dictation to the folder " + temp.Path() + "view."));
    EXPECT_TRUE(PathExists(package));
    EXPECT_TRUE(Names(temp / "share").empty());
}

TEST_F(FolderDeliveryTest, AFullDiskIsReportedLeavesNoPartAndKeepsThePackage) {
    const std::string package = Package(300000);
    const std::string disk = temp / "disk";
    MakeFolders(disk);
    if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here: " << std::strerror(errno);
    struct Unmount {
        std::string path;
        ~Unmount() { ::umount2(path.c_str(), MNT_DETACH); }
    } unmount{disk};
    EXPECT_FALSE(SendByLan(report, RecipientFor(disk), package));
    ASSERT_EQ(report.failures.size(), 1u);
    EXPECT_TRUE(report.failures[0].starts_with("Unable to copy the dictation to the folder " + disk + "."));
    EXPECT_TRUE(Names(disk).empty());
    EXPECT_TRUE(PathExists(package));
}

TEST_F(FolderDeliveryTest, AStopDuringTheCopyLeavesNothingInTheFolderAndReportsNothing) {
    const std::string package = Package(200000);
    MakeFolders(temp / "share");
    report.stopAfter = 2; // two chunks are copied, then the queue is stopping
    EXPECT_FALSE(SendByLan(report, RecipientFor(temp / "share"), package));
    EXPECT_TRUE(report.failures.empty());
    EXPECT_TRUE(Names(temp / "share").empty());
    EXPECT_TRUE(PathExists(package));
}

} // namespace
