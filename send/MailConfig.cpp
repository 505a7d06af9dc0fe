// MailConfig: the mail settings in "settings.ini" and the password file beside it.
#include "send/MailConfig.h"

#include "platform/FileOps.h"
#include "platform/SecretFile.h"
#include "store/IniValues.h"

#include <algorithm>

std::string MailPasswordPath(const SendContext& context) {
    return JoinPath(context.programFolder, kMailPasswordFileName);
}

std::string_view MailSecurityText(MailSecurity security) {
    switch (security) {
    case MailSecurity::None:
        return "none";
    case MailSecurity::StartTls:
        return "starttls";
    case MailSecurity::Smtps:
        return "smtps";
    }
    return "starttls";
}

MailSecurity ParseMailSecurity(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    if (lower == "none")
        return MailSecurity::None;
    if (lower == "smtps")
        return MailSecurity::Smtps;
    return MailSecurity::StartTls;
}

MailSettings LoadMailSettings(const SendContext& context) {
    const std::string& file = context.settingsFile;
    MailSettings settings;
    settings.server = ReadStringValue(file, MailKeys::kServer);
    const int32_t port = ReadIntValue(file, MailKeys::kPort);
    settings.port = port > 0 && port <= 65535 ? static_cast<uint16_t>(port) : 0;
    settings.sender = ReadStringValue(file, MailKeys::kSender);
    settings.user = ReadStringValue(file, MailKeys::kUser);
    settings.security = ParseMailSecurity(ReadStringValue(file, MailKeys::kSecurity));
    settings.verifyCertificate = ReadBoolValue(file, MailKeys::kVerify);
    settings.password = ReadSecretFile(MailPasswordPath(context)).value_or(std::string());
    return settings;
}

bool SaveMailSettings(const SendContext& context, const MailSettings& settings) {
    const std::string& file = context.settingsFile;
    bool saved = WriteStringValue(file, MailKeys::kServer, settings.server);
    saved = WriteIntValue(file, MailKeys::kPort, settings.port) && saved;
    saved = WriteStringValue(file, MailKeys::kSender, settings.sender) && saved;
    saved = WriteStringValue(file, MailKeys::kUser, settings.user) && saved;
    saved = WriteStringValue(file, MailKeys::kSecurity, MailSecurityText(settings.security)) && saved;
    saved = WriteBoolValue(file, MailKeys::kVerify, settings.verifyCertificate) && saved;
    saved = FlushProfile(file) && saved;
    const std::string passwordPath = MailPasswordPath(context);
    if (settings.password.empty())
        saved = RemoveFile(passwordPath) && saved;
    else
        saved = WriteSecretFile(passwordPath, settings.password) && saved;
    return saved;
}

bool IsMailConfigured(const SendContext& context) {
    MailSettings settings;
    settings.server = ReadStringValue(context.settingsFile, MailKeys::kServer);
    settings.sender = ReadStringValue(context.settingsFile, MailKeys::kSender);
    return MailSender::IsConfigured(settings);
}
