// Mail through the SMTP test server on loopback: plain, STARTTLS and SMTPS, with refusals and bad input.
#include "platform/MailSender.h"

#include "TempFolder.h"
#include "TestServer.h"
#include "platform/FileOps.h"

#include <gmock/gmock.h>

namespace {

using R = MailResult;

constexpr const char* kSender = "ann.author@example.com";
constexpr const char* kTypist = "typist@example.com";

class MailSenderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(MakeFolders(m_folder / "mail")); }

    std::unique_ptr<TestServer> StartServer(std::vector<std::string> extra = {}) {
        extra.insert(extra.begin(), {"--folder", m_folder / "mail"});
        auto server = std::make_unique<TestServer>("smtp_server.py", extra,
                                                   m_folder / ("server-" + std::to_string(m_servers++) + ".log"));
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
        settings.connectTimeout = settings.responseTimeout = settings.stallTimeout = std::chrono::seconds(5);
        return settings;
    }
    static MailMessage Message(std::string attachmentPath = {}) {
        return {kTypist, "Tallowin Dictation", "File: Letter 12\n", std::move(attachmentPath)};
    }
    // Sends `message` with `settings`; expects `result` and a text holding each of `said`.
    static void ExpectSend(const MailSettings& settings, const MailMessage& message, R result,
                           const std::vector<std::string>& said = {}) {
        const MailOutcome outcome = MailSender(settings).Send(message);
        EXPECT_EQ(outcome.result, result) << outcome.text;
        for (const std::string& text : said)
            EXPECT_THAT(outcome.text, ::testing::HasSubstr(text));
    }

    // A part of the n-th message the server accepted, as the email package read it.
    std::string Saved(const std::string& name, int message = 0) const {
        return ReadFileBytes(m_folder / ("mail/message-" + std::to_string(message) + "/" + name)).value_or("<none>");
    }
    size_t MessagesSaved() const { return ListFolder(m_folder / "mail").value_or(std::vector<std::string>(9)).size(); }

    TempFolder m_folder;
    int m_servers = 0;
};

TEST_F(MailSenderTest, AMessageArrivesWithItsSubjectBodyAndAttachmentAndNoLineBreakReachesTheHeader) {
    auto server = StartServer();
    const std::string body = "File: Letter 12\nFrom: Ann Author\n\n.A line that starts with a dot\nGr\xC3\xBC\xC3\x9F"
                             "e, with a line that is much longer than seventy-six characters so that it has to be "
                             "wrapped on the way\n";
    const std::string attachment = RandomBytes(40 * 256);
    MailMessage message{
        kTypist,
        "Diktat f\xC3\xBCr Frau M\xC3\xBCller \xE2\x80\x94 bitte bis morgen fertig schreiben, danke sch\xC3\xB6n", body,
        m_folder.Write("Sent Files/dct00042-00017.dct", attachment)};
    ExpectSend(Settings(server->Address()), message, R::Delivered);
    for (const auto& [part, content] :
         std::vector<std::pair<std::string, std::string>>{{"envelope-from.txt", kSender},
                                                          {"envelope-to.txt", kTypist},
                                                          {"from.txt", kSender},
                                                          {"to.txt", kTypist},
                                                          {"has-date.txt", "yes"},
                                                          {"subject.txt", message.subject},
                                                          {"body.txt", body},
                                                          {"attachment-0-name.txt", "dct00042-00017.dct"},
                                                          {"attachment-0-type.txt", "application/octet-stream"},
                                                          {"attachment-0-encoding.txt", "base64"},
                                                          {"attachment-0.bin", attachment}})
        EXPECT_EQ(Saved(part), content) << part;

    message = Message();
    message.subject = "Two\r\nBcc: someone@example.com";
    ExpectSend(Settings(server->Address()), message, R::Delivered);
    EXPECT_EQ(Saved("subject.txt", 1), "Two  Bcc: someone@example.com");
}

TEST_F(MailSenderTest, RefusalsAndADeadServerFailWithATextNamingWhatWentWrong) {
    MailMessage toNobody = Message();
    toNobody.to = "nobody@example.com";
    const auto refusing = StartServer({"--refuse", "nobody@example.com"});
    ExpectSend(Settings(refusing->Address()), toNobody, R::RecipientRefused, {"nobody@example.com", "550"});
    const auto refusingData = StartServer({"--refuse-data"});
    ExpectSend(Settings(refusingData->Address()), Message(), R::MessageRefused, {"554"});
    const auto withUsers = StartServer({"--user", "mailer", "--password", "right one"});
    MailSettings settings = Settings(withUsers->Address());
    settings.user = "mailer";
    settings.password = "wrong";
    ExpectSend(settings, Message(), R::LogOnRefused, {"mailer"});
    settings.password = "right one";
    ExpectSend(settings, Message(), R::Delivered);
    const std::string address = "127.0.0.1:" + std::to_string(UnusedPort());
    ExpectSend(Settings(address), Message(), R::CouldNotConnect, {address});
    EXPECT_EQ(MessagesSaved(), 1u);
}

TEST_F(MailSenderTest, TlsIsRequiredWhereAskedForAndTheServersCertificateChecked) {
    const auto plain = StartServer();
    ExpectSend(Settings(plain->Address(), MailSecurity::StartTls), Message(), R::CouldNotConnect, {"STARTTLS"});
    EXPECT_EQ(MessagesSaved(), 0u);
    const auto startTls = StartServer(TlsArguments("starttls"));
    MailSettings settings = Settings(startTls->Address(), MailSecurity::StartTls);
    ExpectSend(settings, Message(), R::CouldNotConnect, {"not trusted"});
    settings.certificateAuthorities = m_folder / "cert.pem";
    ExpectSend(settings, Message(), R::Delivered);
    settings.certificateAuthorities.clear();
    settings.verifyCertificate = false;
    ExpectSend(settings, Message(), R::Delivered);
    const auto smtps = StartServer(TlsArguments("smtps"));
    settings = Settings(smtps->Address(), MailSecurity::Smtps);
    settings.certificateAuthorities = m_folder / "cert.pem";
    ExpectSend(settings, Message(), R::Delivered);
}

TEST_F(MailSenderTest, NothingIsSentWithoutServerOrSenderToBadAddressesWithoutTheAttachmentOrAfterAStop) {
    MailSettings settings;
    settings.server = "mail.example.com";
    EXPECT_FALSE(MailSender::IsConfigured(settings));
    settings.sender = kSender;
    EXPECT_TRUE(MailSender::IsConfigured(settings));
    settings.server = "  ";
    ExpectSend(settings, Message(), R::NotConfigured);

    auto server = StartServer();
    settings = Settings(server->Address());
    MailMessage message = Message();
    for (const char* to : {"typist@example.com>\r\nRCPT TO:<other@example.com", "no-at-sign", "@example.com", ""}) {
        message.to = to;
        ExpectSend(settings, message, R::InvalidAddress);
    }
    ExpectSend(settings, Message(m_folder / "missing.dct"), R::AttachmentUnreadable, {"missing.dct"});
    settings.sender = "Ann <ann@example.com>";
    ExpectSend(settings, Message(), R::InvalidAddress);
    settings.sender = kSender;
    settings.shouldStop = [] { return true; };
    ExpectSend(settings, Message(), R::Stopped);
    EXPECT_EQ(MessagesSaved(), 0u);
}

} // namespace
