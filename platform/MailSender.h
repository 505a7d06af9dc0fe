// MailSender: sends one e-mail with an optional file attachment to one recipient over SMTP (plain, STARTTLS or
// SMTPS), and says whether the server accepted it and, if not, which step failed and why.
// Runs on the calling thread (the send worker); its stop hook runs there too. libcurl stays inside.
//
//   MailSender sender(settings);
//   MailOutcome outcome = sender.Send({"typist@example.com", "Tallowin Dictation", body, packagePath});
//   if (outcome.result != MailResult::Delivered) Report(outcome.text);
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

enum class MailSecurity {
    None,     // clear text (a log-on password travels unprotected)
    StartTls, // plain connection upgraded with STARTTLS; refused when the server does not offer it
    Smtps     // TLS from the first byte ("SMTPS", usually port 465)
};

struct MailSettings {
    std::string server; // "host" or "host:port" (an IPv6 address in brackets)
    uint16_t port = 0;  // 0: the port in `server`, else the security's usual one (25, 587, 465)
    std::string sender; // the From address, e.g. "me@example.com"
    std::string user;   // empty: no log-on
    std::string password;
    MailSecurity security = MailSecurity::StartTls;
    bool verifyCertificate = true; // refuse a server whose certificate is not trusted
    // A PEM file of certificates to trust in place of the system's bundle file (the system's certificate folder
    // stays in use); empty: the system's certificates only.
    std::string certificateAuthorities;
    std::chrono::milliseconds connectTimeout{30000};
    std::chrono::milliseconds responseTimeout{30000};
    std::chrono::milliseconds stallTimeout{60000};
    // Asked before sending and at least once a second while sending; true ends the send with Stopped.
    std::function<bool()> shouldStop;
};

struct MailMessage {
    std::string to;             // one recipient address
    std::string subject;        // one line; line breaks become blanks
    std::string body;           // plain text, UTF-8; any line ending
    std::string attachmentPath; // empty: no attachment; else sent under its file name as application/octet-stream
};

enum class MailResult {
    Delivered,            // the server accepted the message for delivery
    NotConfigured,        // no server or no sender address
    InvalidAddress,       // the sender or recipient address cannot be an address
    AttachmentUnreadable, // the attachment file cannot be read
    CouldNotConnect,      // server unreachable or silent, or no trusted secure connection
    LogOnRefused,
    SenderRefused,
    RecipientRefused,
    MessageRefused, // refused at or after DATA (size, content)
    Failed,         // the connection broke off or stalled
    Stopped
};

struct MailOutcome {
    MailResult result = MailResult::Failed;
    std::string text; // for every result but Delivered: what failed, in words, with the server's reply
};

class MailSender {
public:
    explicit MailSender(MailSettings settings) : m_settings(std::move(settings)) {}

    // A server and a sender address are present.
    static bool IsConfigured(const MailSettings& settings);

    [[nodiscard]] MailOutcome Send(const MailMessage& message) const;

private:
    MailSettings m_settings;
};
