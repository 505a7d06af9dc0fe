// MailConfig: the user's outgoing mail settings (SMTP server, port, sender address, log-on, security) kept in
// section "mail" of "settings.ini"; the log-on password lives in its own owner-only file in the program's
// folder, never in "settings.ini".
//
//   MailSettings settings = LoadMailSettings(context);   // what the e-mail transport sends with
//   settings.server = "mail.example.com:587";
//   if (!SaveMailSettings(context, settings)) { /* tell the user: not saved */ }
#pragma once

#include "platform/MailSender.h"
#include "send/SendContext.h"
#include "store/IniKey.h"

#include <string>

namespace MailKeys {

inline constexpr std::string_view kSection = "mail";

inline constexpr StringKey kServer{kSection, "server", ""};             // "host" or "host:port"
inline constexpr IntKey kPort{kSection, "port", 0};                     // 0: the port in "server", else the usual one
inline constexpr StringKey kSender{kSection, "sender", ""};             // the From address
inline constexpr StringKey kUser{kSection, "user", ""};                 // empty: no log-on
inline constexpr StringKey kSecurity{kSection, "security", "starttls"}; // "none", "starttls" or "smtps"
inline constexpr BoolKey kVerify{kSection, "verify", true};             // refuse untrusted certificates

} // namespace MailKeys

// The file in the program's folder that holds the mail log-on password (mode 0600).
inline constexpr std::string_view kMailPasswordFileName = "mailpassword";

std::string MailPasswordPath(const SendContext& context);

// The stored settings with the password; a missing "settings.ini" or password file gives empty fields.
// Timeouts and the stop hook are left at MailSettings' defaults for the caller to set.
MailSettings LoadMailSettings(const SendContext& context);

// Writes the settings (server, port, sender, user, security, verify) and flushes "settings.ini", then replaces
// the password file (removing it for an empty password). False when anything could not be stored.
[[nodiscard]] bool SaveMailSettings(const SendContext& context, const MailSettings& settings);

// A server and a sender address are stored.
bool IsMailConfigured(const SendContext& context);

// The texts of the security choices in "settings.ini", and back; an unknown text reads as STARTTLS.
std::string_view MailSecurityText(MailSecurity security);
MailSecurity ParseMailSecurity(std::string_view text);
