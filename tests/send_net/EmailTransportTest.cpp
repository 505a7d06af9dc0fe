// Delivery by e-mail against a real SMTP server on loopback.
#include "EmailTransport.h"

#include "FileOps.h"
#include "IniValues.h"
#include "MailConfig.h"
#include "SendNetFixtures.h"
#include "SettingsKeys.h"
#include "TestServer.h"
#include "TypistRecipient.h"

#include <gtest/gtest.h>

namespace {

constexpr const char* kTypist = "typist@example.com";

} // namespace

class EmailTransportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(MakeFolders(m_program.folder / "mail"));
        ASSERT_TRUE(WriteStringValue(m_program.context.settingsFile, SettingsKeys::kUser, "Ann Author"));
        ASSERT_TRUE(WriteStringValue(m_program.context.settingsFile, SettingsKeys::kUserEmail, "ann@example.com"));
        ASSERT_TRUE(FlushProfile(m_program.context.settingsFile));
    }

    void TearDown() override {
        if (HasFailure())
            std::cout << ReadFileBytes(m_program.folder / "smtp.log", 20000).value_or("<no log>") << "\n";
    }

    std::unique_ptr<TestServer> StartServer(std::vector<std::string> extra = {}) {
        std::vector<std::string> arguments = {"--folder", m_program.folder / "mail"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        auto server = std::make_unique<TestServer>("smtp_server.py", arguments, m_program.folder / "smtp.log");
        EXPECT_TRUE(server->Started());
        return server;
    }

    void ConfigureMail(const std::string& server) {
        MailSettings settings;
        settings.server = server;
        settings.sender = "ann@example.com";
        settings.security = MailSecurity::None;
        ASSERT_TRUE(SaveMailSettings(m_program.context, settings));
    }

    static TypistRecipient Recipient(const std::string& address = kTypist) {
        TypistRecipient recipient;
        recipient.SetText(RecipientField::EmailAddress, address);
        return recipient;
    }

    std::string Package(const std::string& bytes) const {
        return m_program.folder.Write("Sent Files/dct00042-00017.dct", bytes);
    }

    std::string Saved(const std::string& name) const { return m_program.folder.Read("mail/message-0/" + name); }

    ProgramFolder m_program;
    RecordingReport m_report;
};

TEST_F(EmailTransportTest, TheMessageCarriesTheSubjectTheBodyAndThePackage) {
    auto server = StartServer();
    ConfigureMail(server->Address());
    std::string bytes;
    for (int i = 0; i < 5000; ++i)
        bytes += static_cast<char>(i * 31);
    const std::string package = Package(bytes);
    ASSERT_TRUE(SendByEmail(m_report, "Letter to bank", Recipient(), package, m_program.context));
    EXPECT_TRUE(m_report.Failures().empty());
    EXPECT_EQ(m_report.Progress(), std::vector<float>{0.8f});
    EXPECT_EQ(Saved("subject.txt"), "Tallowin Dictation");
    EXPECT_EQ(Saved("envelope-to.txt"), kTypist);
    EXPECT_EQ(Saved("body.txt"), "File: Letter to bank\nFrom: Ann Author\nEmail: ann@example.com\n\nPlease open the "
                                 "attached file to load the file into Carrowmere.\n\nYou must have Carrowmere "
                                 "installed to open the file. Carrowmere can be downloaded free at "
                                 "https://www.orrindale.example/carrowmere.");
    EXPECT_EQ(Saved("attachment-0-name.txt"), "dct00042-00017.dct");
    EXPECT_EQ(Saved("attachment-0.bin"), bytes);
    EXPECT_TRUE(PathExists(package)); // removed later by the sent store's age purge
}

TEST_F(EmailTransportTest, WithoutMailSettingsTheUserIsToldWhereToSetThemUp) {
    const std::string package = Package("abc");
    EXPECT_FALSE(SendByEmail(m_report, "Letter", Recipient(), package, m_program.context));
    ASSERT_EQ(m_report.Failures().size(), 1u);
    EXPECT_TRUE(m_report.Failures()[0].starts_with("E-mail is not set up.\n\n"));
    EXPECT_NE(m_report.Failures()[0].find("Mail Settings... in the Settings menu"), std::string::npos);
    EXPECT_TRUE(PathExists(package));
}

TEST_F(EmailTransportTest, ARefusedRecipientIsReportedAndStaysQueued) {
    auto server = StartServer({"--refuse", kTypist});
    ConfigureMail(server->Address());
    const std::string package = Package("abc");
    EXPECT_FALSE(SendByEmail(m_report, "Letter", Recipient(), package, m_program.context));
    ASSERT_EQ(m_report.Failures().size(), 1u);
    EXPECT_TRUE(m_report.Failures()[0].starts_with(std::string("Unable to send e-mail to ") + kTypist + "."));
    EXPECT_NE(m_report.Failures()[0].find("550"), std::string::npos); // the server's own words
    EXPECT_TRUE(m_report.Failures()[0].ends_with("Click Cancel to clear all pending send files."));
    EXPECT_TRUE(PathExists(package));
    EXPECT_FALSE(PathExists(m_program.folder / "mail/message-0"));
}

TEST_F(EmailTransportTest, AServerThatIsDownIsReported) {
    ConfigureMail("127.0.0.1:" + std::to_string(UnusedPort()));
    const std::string package = Package("abc");
    EXPECT_FALSE(SendByEmail(m_report, "Letter", Recipient(), package, m_program.context));
    EXPECT_EQ(m_report.Failures().size(), 1u);
    EXPECT_TRUE(PathExists(package));
}
