#include "platform/MailSender.h"

#include "internal/net/CurlSession.h"
#include "internal/net/UrlParts.h"
#include "platform/FileOps.h"
#include "platform/LFile.h"
#include "platform/TlsWording.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <random>

namespace {

bool IsBlank(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c == ' ' || c == '\t'; });
}

// A plain address "local@domain": no blanks, controls, brackets or list separators that would change what the
// server or a reader takes it for.
bool IsMailAddress(std::string_view address) {
    const size_t at = address.rfind('@');
    if (address.empty() || address.size() > 254 || at == 0 || at == std::string_view::npos || at + 1 == address.size())
        return false;
    return std::none_of(address.begin(), address.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte <= 0x20 || byte == 0x7F || std::strchr("<>()[],;:\"\\", c) != nullptr;
    });
}

std::string Base64(std::string_view bytes) {
    static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t group = static_cast<uint8_t>(bytes[i]) << 16;
        if (i + 1 < bytes.size())
            group |= static_cast<uint8_t>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size())
            group |= static_cast<uint8_t>(bytes[i + 2]);
        text += kDigits[(group >> 18) & 63];
        text += kDigits[(group >> 12) & 63];
        text += i + 1 < bytes.size() ? kDigits[(group >> 6) & 63] : '=';
        text += i + 2 < bytes.size() ? kDigits[group & 63] : '=';
    }
    return text;
}

// The subject as one header line: line breaks become blanks; text beyond printable ASCII goes in UTF-8 encoded
// words of whole characters.
std::string SubjectHeaderText(std::string_view subject) {
    std::string line(subject);
    std::replace_if(
        line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n' || c == '\0'; }, ' ');
    const bool plain = std::all_of(line.begin(), line.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 0x20 && byte < 0x7F;
    });
    if (plain)
        return line;
    std::string encoded;
    size_t start = 0;
    while (start < line.size()) {
        size_t end = std::min(line.size(), start + 45);
        while (end < line.size() && end > start + 1 && (static_cast<unsigned char>(line[end]) & 0xC0) == 0x80)
            --end; // never split a character
        if (!encoded.empty())
            encoded += ' ';
        encoded += "=?UTF-8?B?" + Base64(std::string_view(line).substr(start, end - start)) + "?=";
        start = end;
    }
    return encoded;
}

// Every line ending (CR LF, LF or CR) as CR LF, as mail text needs.
std::string WithMailLineEnds(std::string_view text) {
    std::string result;
    result.reserve(text.size() + text.size() / 32);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            result += "\r\n";
        } else if (text[i] == '\n') {
            result += "\r\n";
        } else {
            result += text[i];
        }
    }
    return result;
}

// "Tue, 02 Jan 2024 13:04:05 +0000" in English whatever the locale.
std::string MailDate() {
    static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    ::gmtime_r(&now, &utc);
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d +0000", kDays[utc.tm_wday % 7], utc.tm_mday,
                  kMonths[utc.tm_mon % 12], utc.tm_year + 1900, utc.tm_hour, utc.tm_min, utc.tm_sec);
    return text;
}

std::string MessageId(std::string_view sender) {
    std::random_device random;
    char unique[40];
    std::snprintf(unique, sizeof unique, "%08x%08x%08x", random(), random(), static_cast<unsigned>(std::time(nullptr)));
    return "<" + std::string(unique) + std::string(sender.substr(sender.rfind('@'))) + ">";
}

uint16_t UsualPort(MailSecurity security) {
    switch (security) {
    case MailSecurity::None:
        return 25;
    case MailSecurity::StartTls:
        return 587;
    case MailSecurity::Smtps:
        return 465;
    }
    return 25;
}

MailOutcome Outcome(MailResult result, std::string text) {
    return {result, std::move(text)};
}

} // namespace

bool MailSender::IsConfigured(const MailSettings& settings) {
    return !IsBlank(settings.server) && !IsBlank(settings.sender);
}

MailOutcome MailSender::Send(const MailMessage& message) const {
    const MailSettings& settings = m_settings;
    if (!IsConfigured(settings))
        return Outcome(MailResult::NotConfigured,
                       "Mail is not set up: the mail server or the sender address is missing.");
    auto address = ParseServerAddress(settings.server, UsualPort(settings.security), {"smtp", "smtps"});
    if (!address)
        return Outcome(MailResult::NotConfigured, "\"" + settings.server + "\" is not a mail server address.");
    if (settings.port != 0)
        address->port = settings.port;
    const std::string serverText = address->Text();
    if (!IsMailAddress(settings.sender))
        return Outcome(MailResult::InvalidAddress, "The sender address \"" + settings.sender + "\" is not valid.");
    if (!IsMailAddress(message.to))
        return Outcome(MailResult::InvalidAddress, "The recipient address \"" + message.to + "\" is not valid.");
    if (!IsSingleLine(settings.user) || !IsSingleLine(settings.password))
        return Outcome(MailResult::LogOnRefused, "The mail user name or password holds a line break.");

    std::string attachmentName;
    if (!message.attachmentPath.empty()) {
        LReadFile attachment(message.attachmentPath);
        if (!attachment.IsOpen() || attachment.Size() < 0)
            return Outcome(MailResult::AttachmentUnreadable,
                           "The attachment " + message.attachmentPath + " cannot be read: " + std::strerror(errno));
        attachmentName = FileNameOf(message.attachmentPath);
    }

    CurlSession session;
    if (!session.Create())
        return Outcome(MailResult::CouldNotConnect, "The network library could not be set up.");
    session.SetLimits({settings.connectTimeout, settings.responseTimeout, settings.stallTimeout});
    session.SetStopHook(settings.shouldStop);

    const bool smtps = settings.security == MailSecurity::Smtps;
    CURL* handle = session.Begin((smtps ? "smtps://" : "smtp://") + address->UrlAuthority());
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    if (settings.security == MailSecurity::StartTls)
        curl_easy_setopt(handle, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
    if (settings.security != MailSecurity::None) {
        curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, settings.verifyCertificate ? 1L : 0L);
        curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, settings.verifyCertificate ? 2L : 0L);
        if (!settings.certificateAuthorities.empty())
            curl_easy_setopt(handle, CURLOPT_CAINFO, settings.certificateAuthorities.c_str());
    }
    if (!settings.user.empty()) {
        curl_easy_setopt(handle, CURLOPT_USERNAME, settings.user.c_str());
        curl_easy_setopt(handle, CURLOPT_PASSWORD, settings.password.c_str());
    }
    const std::string from = "<" + settings.sender + ">";
    curl_easy_setopt(handle, CURLOPT_MAIL_FROM, from.c_str());
    CurlStringList recipients({"<" + message.to + ">"});
    curl_easy_setopt(handle, CURLOPT_MAIL_RCPT, recipients.Get());

    CurlStringList headers({"Date: " + MailDate(), "From: " + settings.sender, "To: " + message.to,
                            "Subject: " + SubjectHeaderText(message.subject),
                            "Message-ID: " + MessageId(settings.sender)});
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.Get());

    const std::string body = WithMailLineEnds(message.body);
    CurlMimePtr mime(curl_mime_init(handle));
    curl_mimepart* text = curl_mime_addpart(mime.get());
    curl_mime_data(text, body.data(), body.size());
    curl_mime_type(text, "text/plain; charset=UTF-8");
    curl_mime_encoder(text, "quoted-printable");
    if (!attachmentName.empty()) {
        curl_mimepart* file = curl_mime_addpart(mime.get());
        curl_mime_filedata(file, message.attachmentPath.c_str());
        curl_mime_filename(file, attachmentName.c_str());
        curl_mime_type(file, "application/octet-stream");
        curl_mime_encoder(file, "base64");
    }
    curl_easy_setopt(handle, CURLOPT_MIMEPOST, mime.get());

    const CURLcode code = session.Perform();
    const std::string detail = session.Describe(code);
    switch (code) {
    case CURLE_OK:
        return Outcome(MailResult::Delivered, "");
    case CURLE_ABORTED_BY_CALLBACK:
        return Outcome(MailResult::Stopped, "Sending the mail was stopped.");
    case CURLE_LOGIN_DENIED:
        return Outcome(MailResult::LogOnRefused,
                       "The mail server " + serverText + " refused the log-on of \"" + settings.user + "\": " + detail);
    case CURLE_USE_SSL_FAILED:
        return Outcome(MailResult::CouldNotConnect,
                       "The mail server " + serverText + " offers no secure connection (STARTTLS): " + detail);
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
        return Outcome(MailResult::CouldNotConnect,
                       UntrustedCertificateText("mail server " + serverText) + ": " + detail);
    case CURLE_SSL_CONNECT_ERROR:
        return Outcome(MailResult::CouldNotConnect,
                       "No secure connection to the mail server " + serverText + " could be set up: " + detail);
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
        return Outcome(MailResult::CouldNotConnect,
                       "Could not connect to the mail server " + serverText + ": " + detail);
    case CURLE_READ_ERROR:
        return Outcome(MailResult::AttachmentUnreadable,
                       "The attachment " + message.attachmentPath + " could not be read while sending: " + detail);
    default:
        break;
    }
    const std::string& verb = session.RefusedVerb();
    if (verb == "MAIL")
        return Outcome(MailResult::SenderRefused,
                       "The mail server " + serverText + " refused the sender \"" + settings.sender + "\": " + detail);
    if (verb == "RCPT")
        return Outcome(MailResult::RecipientRefused,
                       "The mail server " + serverText + " refused the recipient \"" + message.to + "\": " + detail);
    if (verb == "DATA")
        return Outcome(MailResult::MessageRefused, "The mail server " + serverText + " refused the message: " + detail);
    if (!session.HeardServer())
        return Outcome(MailResult::CouldNotConnect, "The mail server " + serverText + " did not answer: " + detail);
    return Outcome(MailResult::Failed, "Sending to the mail server " + serverText + " failed: " + detail);
}
