// SendByFtp: upload of a package into the recipient's FTP directory, then the pick-up of this user's status file.
#include "send/FtpTransport.h"

#include "platform/FileOps.h"
#include "platform/FileTransfer.h"
#include "platform/TlsWording.h"
#include "send/StatusPickup.h"
#include "send/TypistRecipient.h"
#include "store/IniValues.h"
#include "store/SettingsKeys.h"

namespace {

constexpr const char* kRetryAdvice =
    "\n\nClick OK to keep this recipient's dictations queued: connecting is tried again in a few minutes and when "
    "you send your next file. Click Cancel to take this recipient's dictations off the send queue.";

std::string Message(const std::string& first) {
    return first + kRetryAdvice;
}

// Progress of the steps (fractions of this dictation's work done).
constexpr float kConnecting = 0.75f;
constexpr float kChangingDirectory = 0.78f;
constexpr float kUploading = 0.8f;
constexpr float kUploaded = 0.95f;

} // namespace

bool SendByFtp(TransportReport& report, const TypistRecipient& recipient, const std::string& packagePath,
               const SendContext& context) {
    FileTransferOptions options;
    options.security = recipient.FtpOverTls() ? FtpSecurity::ExplicitTls : FtpSecurity::Plain;
    options.verifyCertificate = recipient.VerifyServerCertificate();
    options.shouldStop = [&report] { return report.StopRequested(); };
    bool uploading = false;
    options.progress = [&report, &uploading](double fraction) {
        if (uploading)
            report.PublishProgress(kUploading + static_cast<float>(fraction) * (kUploaded - kUploading));
    };

    // A stop request ends the send quietly: the dictation stays queued for the next start.
    const std::string server = recipient.Text(RecipientField::FtpServer);
    auto fail = [&report, &server](FtpResult result, const char* text) {
        if (result != FtpResult::Stopped && !report.StopRequested())
            report.ReportFailure(Message(result == FtpResult::UntrustedCertificate
                                             ? UntrustedCertificateText("server " + server) + "."
                                             : std::string(text)));
        return false;
    };

    FileTransfer ftp(options);
    if (const FtpResult result = ftp.Open(); result != FtpResult::Done)
        return fail(result, "Unable to connect to Internet.");

    report.PublishProgress(kConnecting);
    const FtpResult connected =
        ftp.Connect(server, recipient.Text(RecipientField::FtpUser), recipient.Text(RecipientField::FtpPassword));
    if (connected == FtpResult::CouldNotConnect)
        return fail(connected, "Unable to connect to Internet.");
    if (connected != FtpResult::Done)
        return fail(connected, "Unable to log onto server.");

    report.PublishProgress(kChangingDirectory);
    const FtpResult entered = ftp.SetDirectory(recipient.Text(RecipientField::FtpDirectory));
    if (entered == FtpResult::CouldNotConnect)
        return fail(entered, "Unable to connect to Internet.");
    if (entered != FtpResult::Done)
        return fail(entered, "Unable to find server directory.");

    report.PublishProgress(kUploading);
    uploading = true;
    const FtpResult uploaded = ftp.PutFile(packagePath, FileNameOf(packagePath));
    uploading = false;
    if (uploaded != FtpResult::Done)
        return fail(uploaded, "Unable to send the file to the server.");
    report.PublishProgress(kUploaded);

    // Delivered: the package lies complete under its name on the server.
    (void)RemoveFile(packagePath);

    // The status pick-up never makes a delivery fail; a missing status file is the normal case.
    const int32_t userId = ReadIntValue(context.settingsFile, SettingsKeys::kUserId);
    (void)PickUpFtpStatus(ftp, userId, context);
    ftp.Close();
    return true;
}
