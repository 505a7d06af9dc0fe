// SendByEmail: the package as the attachment of an e-mail to the recipient, over the user's mail server.
#include "send/EmailTransport.h"

#include "platform/MailSender.h"
#include "send/MailConfig.h"
#include "send/TypistRecipient.h"
#include "store/IniValues.h"
#include "store/SettingsKeys.h"

namespace {

constexpr const char* kSubject = "Tallowin Dictation";
constexpr const char* kDownloadAddress = "https://www.orrindale.example/carrowmere";

constexpr float kSending = 0.8f;

std::string Body(std::string_view dictationName, const SendContext& context) {
    return "File: " + std::string(dictationName) +
           "\nFrom: " + ReadStringValue(context.settingsFile, SettingsKeys::kUser) +
           "\nEmail: " + ReadStringValue(context.settingsFile, SettingsKeys::kUserEmail) +
           "\n\nPlease open the attached file to load the file into Carrowmere.\n\nYou must have Carrowmere "
           "installed to open the file. Carrowmere can be downloaded free at " +
           kDownloadAddress + ".";
}

} // namespace

bool SendByEmail(TransportReport& report, std::string_view dictationName, const TypistRecipient& recipient,
                 const std::string& packagePath, const SendContext& context) {
    if (!IsMailConfigured(context)) {
        report.ReportFailure(std::string("E-mail is not set up.\n\nChoose Mail Settings... in the Settings menu and "
                                         "enter your mail server and e-mail address.") +
                             std::string(kSendRetryAdvice));
        return false;
    }
    MailSettings settings = LoadMailSettings(context);
    settings.shouldStop = [&report] { return report.StopRequested(); };

    report.PublishProgress(kSending);
    const MailSender sender(std::move(settings));
    const MailOutcome outcome = sender.Send(
        {recipient.Text(RecipientField::EmailAddress), kSubject, Body(dictationName, context), packagePath});
    if (outcome.result == MailResult::Delivered)
        return true;
    if (outcome.result != MailResult::Stopped && !report.StopRequested())
        report.ReportFailure("Unable to send e-mail to " + recipient.Text(RecipientField::EmailAddress) + ".\n\n" +
                             outcome.text + std::string(kSendRetryAdvice));
    return false;
}
