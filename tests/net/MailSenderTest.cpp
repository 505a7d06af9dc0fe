#include "MailSender.h"

#include "FileOps.h"
#include "NetTestPrinters.h"
#include "TempFolder.h"
#include "TestServer.h"

#include <gtest/gtest.h>

namespace {

constexpr const char* kSender = "ann.author@example.com";
constexpr const char* kTypist = "typist@example.com";

std::string AllByteValues(size_t repeats) {
    std::string bytes;
    for (size_t i = 0; i < repeats * 256; ++i)
        bytes += static_cast<char>(i & 0xFF);
    return bytes;
}

} // namespace

class MailSenderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(MakeFolders(m_folder / "mail")); }

    void TearDown() override {
        if (HasFailure())
            std::cout << ReadFileBytes(m_folder / "server.log", 20000).value_or("<no log>") << "\n";
    }

    std::unique_ptr<TestServer> StartServer(std::vector<std::string> extra = {}) {
        std::vector<std::string> arguments = {"--folder", m_folder / "mail"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        auto server = std::make_unique<TestServer>("smtp_server.py", arguments, m_folder / "server.log");
        EXPECT_TRUE(server->Started());
        return server;
    }

    std::vector<std::string> TlsArguments(const std::string& mode) {
        EXPECT_TRUE(MakeSelfSignedCertificate(m_folder.Path()));
        return {"--mode", mode, "--tls-cert", m_folder / "cert.pem", "--tls-key", m_folder / "key.pem"};
    }

    static MailSettings Settings(const std::string& server, MailSecurity security = MailSecurity::None) {
        MailSettings settings;
        settings.server = server;
        settings.sender = kSender;
        settings.security = security;
        settings.connectTimeout = std::chrono::seconds(5);
        settings.responseTimeout = std::chrono::seconds(5);
        settings.stallTimeout = std::chrono::seconds(5);
        return settings;
    }

    MailMessage Message(std::string attachmentPath = {}) const {
        return {kTypist, "Tallowin Dictation", "File: Letter 12\n", std::move(attachmentPath)};
    }

    // A part of the n-th message the server accepted, as the email package read it.
    std::string Saved(const std::string& name, int message = 0) const {
        return ReadFileBytes(m_folder / ("mail/message-" + std::to_string(message) + "/" + name)).value_or("<none>");
    }

    bool NothingSaved() const { return ListFolder(m_folder / "mail").value_or(std::vector<std::string>{"?"}).empty(); }

    TempFolder m_folder;
};

TEST_F(MailSenderTest, AMessageArrivesWithItsSubjectBodyAndAttachment) {
    auto server = StartServer();
    const std::string body = "File: Letter 12\nFrom: Ann Author\nEmail: ann.author@example.com\n\n"
                             ".A line that starts with a dot\nGr\xC3\xBC\xC3\x9F"
                             "e, with a line that is much longer than seventy-six characters so that it has to be "
                             "wrapped on the way\n";
    const std::string attachment = AllByteValues(40);
    const std::string path = m_folder.Write("Sent Files/dct00042-00017.dct", attachment);

    MailSender sender(Settings(server->Address()));
    const MailOutcome outcome = sender.Send({kTypist, "Tallowin Dictation", body, path});
    ASSERT_EQ(outcome.result, MailResult::Delivered) << outcome.text;
    EXPECT_EQ(Saved("envelope-from.txt"), kSender);
    EXPECT_EQ(Saved("envelope-to.txt"), kTypist);
    EXPECT_EQ(Saved("from.txt"), kSender);
    EXPECT_EQ(Saved("to.txt"), kTypist);
    EXPECT_EQ(Saved("has-date.txt"), "yes");
    EXPECT_EQ(Saved("subject.txt"), "Tallowin Dictation");
    EXPECT_EQ(Saved("body.txt"), body);
    EXPECT_EQ(Saved("attachment-0-name.txt"), "dct00042-00017.dct");
    EXPECT_EQ(Saved("attachment-0-type.txt"), "application/octet-stream");
    EXPECT_EQ(Saved("attachment-0-encoding.txt"), "base64");
    EXPECT_EQ(Saved("attachment-0.bin"), attachment);
}

TEST_F(MailSenderTest, ASubjectBeyondAsciiArrivesIntactAndLineBreaksInItBecomeBlanks) {
    auto server = StartServer();
    MailSender sender(Settings(server->Address()));
    MailMessage message = Message();
    message.subject =
        "Diktat f\xC3\xBCr Frau M\xC3\xBCller \xE2\x80\x94 bitte bis morgen fertig schreiben, danke sch\xC3\xB6n";
    ASSERT_EQ(sender.Send(message).result, MailResult::Delivered);
    EXPECT_EQ(Saved("subject.txt"), message.subject);
    EXPECT_EQ(Saved("attachment-0-name.txt"), "<none>");

    message.subject = "Two\r\nBcc: someone@example.com";
    ASSERT_EQ(sender.Send(message).result, MailResult::Delivered);
    EXPECT_EQ(Saved("subject.txt", 1), "Two  Bcc: someone@example.com");
    EXPECT_EQ(Saved("envelope-to.txt", 1), kTypist);
}

TEST_F(MailSenderTest, ARefusedRecipientFailsWithATextNamingIt) {
    auto server = StartServer({"--refuse", "nobody@example.com"});
    MailSender sender(Settings(server->Address()));
    MailMessage message = Message();
    message.to = "nobody@example.com";
    const MailOutcome outcome = sender.Send(message);
    EXPECT_EQ(outcome.result, MailResult::RecipientRefused);
    EXPECT_NE(outcome.text.find("nobody@example.com"), std::string::npos) << outcome.text;
    EXPECT_NE(outcome.text.find("550"), std::string::npos) << outcome.text;
    EXPECT_TRUE(NothingSaved());
}

TEST_F(MailSenderTest, AMessageRefusedAfterItsDataIsNotDelivered) {
    auto server = StartServer({"--refuse-data"});
    const MailOutcome outcome = MailSender(Settings(server->Address())).Send(Message());
    EXPECT_EQ(outcome.result, MailResult::MessageRefused);
    EXPECT_NE(outcome.text.find("554"), std::string::npos) << outcome.text;
}

TEST_F(MailSenderTest, AServerThatIsDownFailsWithATextNamingIt) {
    const std::string address = "127.0.0.1:" + std::to_string(UnusedPort());
    const MailOutcome outcome = MailSender(Settings(address)).Send(Message());
    EXPECT_EQ(outcome.result, MailResult::CouldNotConnect);
    EXPECT_NE(outcome.text.find(address), std::string::npos) << outcome.text;
}

TEST_F(MailSenderTest, TheLogOnIsCheckedByTheServer) {
    auto server = StartServer({"--user", "mailer", "--password", "right one"});
    MailSettings settings = Settings(server->Address());
    settings.user = "mailer";
    settings.password = "wrong";
    MailOutcome outcome = MailSender(settings).Send(Message());
    EXPECT_EQ(outcome.result, MailResult::LogOnRefused) << outcome.text;
    EXPECT_NE(outcome.text.find("mailer"), std::string::npos) << outcome.text;
    settings.password = "right one";
    outcome = MailSender(settings).Send(Message());
    EXPECT_EQ(outcome.result, MailResult::Delivered) << outcome.text;
}

TEST_F(MailSenderTest, StartTlsIsRequiredAndTheServersCertificateChecked) {
    auto server = StartServer(TlsArguments("starttls"));
    MailSettings settings = Settings(server->Address(), MailSecurity::StartTls);
    MailOutcome outcome = MailSender(settings).Send(Message());
    EXPECT_EQ(outcome.result, MailResult::CouldNotConnect);
    EXPECT_NE(outcome.text.find("not trusted"), std::string::npos) << outcome.text;

    settings.certificateAuthorities = m_folder / "cert.pem";
    outcome = MailSender(settings).Send(Message());
    EXPECT_EQ(outcome.result, MailResult::Delivered) << outcome.text;
    settings.certificateAuthorities.clear();
    settings.verifyCertificate = false;
    outcome = MailSender(settings).Send(Message());
    EXPECT_EQ(outcome.result, MailResult::Delivered) << outcome.text;
    EXPECT_EQ(Saved("subject.txt", 1), "Tallowin Dictation");
}

TEST_F(MailSenderTest, AServerWithoutStartTlsGetsNothingWhenItIsRequired) {
    auto server = StartServer();
    const MailOutcome outcome = MailSender(Settings(server->Address(), MailSecurity::StartTls)).Send(Message());
    EXPECT_EQ(outcome.result, MailResult::CouldNotConnect);
    EXPECT_NE(outcome.text.find("STARTTLS"), std::string::npos) << outcome.text;
    EXPECT_TRUE(NothingSaved());
}

TEST_F(MailSenderTest, SmtpsCarriesTheMessageOverTlsFromTheStart) {
    auto server = StartServer(TlsArguments("smtps"));
    MailSettings settings = Settings(server->Address(), MailSecurity::Smtps);
    settings.certificateAuthorities = m_folder / "cert.pem";
    const MailOutcome outcome = MailSender(settings).Send(Message(m_folder.Write("a.dct", "attached")));
    ASSERT_EQ(outcome.result, MailResult::Delivered) << outcome.text;
    EXPECT_EQ(Saved("attachment-0.bin"), "attached");
}

TEST_F(MailSenderTest, MailWithoutServerOrSenderIsNotConfigured) {
    MailSettings settings;
    EXPECT_FALSE(MailSender::IsConfigured(settings));
    settings.server = "mail.example.com";
    EXPECT_FALSE(MailSender::IsConfigured(settings));
    settings.sender = kSender;
    EXPECT_TRUE(MailSender::IsConfigured(settings));
    settings.server = "  ";
    EXPECT_FALSE(MailSender::IsConfigured(settings));
    EXPECT_EQ(MailSender(settings).Send(Message()).result, MailResult::NotConfigured);
}

TEST_F(MailSenderTest, BadAddressesAndAMissingAttachmentFailBeforeAnythingIsSent) {
    auto server = StartServer();
    MailSettings settings = Settings(server->Address());
    MailMessage message = Message();
    for (const char* to : {"typist@example.com>\r\nRCPT TO:<other@example.com", "one@example.com, two@example.com",
                           "no-at-sign", "@example.com", ""}) {
        message.to = to;
        EXPECT_EQ(MailSender(settings).Send(message).result, MailResult::InvalidAddress) << to;
    }
    settings.sender = "Ann <ann@example.com>";
    EXPECT_EQ(MailSender(settings).Send(Message()).result, MailResult::InvalidAddress);
    settings.sender = kSender;
    const MailOutcome outcome = MailSender(settings).Send(Message(m_folder / "missing.dct"));
    EXPECT_EQ(outcome.result, MailResult::AttachmentUnreadable);
    EXPECT_NE(outcome.text.find("missing.dct"), std::string::npos) << outcome.text;
    EXPECT_TRUE(NothingSaved());
}

TEST_F(MailSenderTest, AStopRequestEndsTheSend) {
    auto server = StartServer();
    MailSettings settings = Settings(server->Address());
    settings.shouldStop = [] { return true; };
    EXPECT_EQ(MailSender(settings).Send(Message()).result, MailResult::Stopped);
    EXPECT_TRUE(NothingSaved());
}
