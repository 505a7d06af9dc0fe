// FtpDelivery: uploads of packages into a recipient's FTP directory over a kept session, each followed by the
// pick-up of this user's status file.
#include "send/FtpTransport.h"

#include "platform/FileOps.h"
#include "platform/TlsWording.h"
#include "send/TypistRecipient.h"
#include "store/IniValues.h"
#include "store/SettingsKeys.h"

#include <utility>

namespace {

constexpr const char* kRetryAdvice =
    "\n\nClick OK to keep this recipient's dictations queued: connecting is tried again in a few minutes and when "
    "you send your next file. Click Cancel to take this recipient's dictations off the send queue.";

constexpr const char* kNoConnection = "Unable to connect to Internet.";

// Progress of the steps (fractions of this dictation's work done).
constexpr float kConnecting = 0.75f;
constexpr float kChangingDirectory = 0.78f;
constexpr float kUploading = 0.8f;
constexpr float kUploaded = 0.95f;

// Everything a session depends on, as one text: a kept session serves a recipient with the same text.
std::string SessionSettings(const TypistRecipient& recipient) {
    std::string settings;
    for (const RecipientField field : {RecipientField::FtpServer, RecipientField::FtpUser, RecipientField::FtpPassword,
                                       RecipientField::FtpDirectory})
        settings += recipient.Text(field) + '\0';
    settings += recipient.FtpOverTls() ? 'T' : 'P';
    settings += recipient.VerifyServerCertificate() ? 'V' : 'U';
    return settings;
}

// What a failed upload over a kept session may mean: the server ended the idle connection.
bool MayBeDeadSession(FtpResult result) {
    return result == FtpResult::CouldNotConnect || result == FtpResult::TransferFailed;
}

} // namespace

FtpDelivery::FtpDelivery() = default;

FtpDelivery::~FtpDelivery() {
    Close();
}

void FtpDelivery::Close() {
    EndSession();
    m_report = nullptr;
}

void FtpDelivery::EndSession() {
    m_ftp.reset();
    m_settings.clear();
}

std::optional<FtpDelivery::Failure> FtpDelivery::KeepSession(const TypistRecipient& recipient) {
    std::string settings = SessionSettings(recipient);
    if (m_ftp && settings == m_settings)
        return std::nullopt;
    EndSession();

    FileTransferOptions options;
    options.security = recipient.FtpOverTls() ? FtpSecurity::ExplicitTls : FtpSecurity::Plain;
    options.verifyCertificate = recipient.VerifyServerCertificate();
    options.shouldStop = [this] { return m_report != nullptr && m_report->StopRequested(); };
    options.progress = [this](double fraction) {
        if (m_uploading && m_report != nullptr)
            m_report->PublishProgress(kUploading + static_cast<float>(fraction) * (kUploaded - kUploading));
    };
    auto ftp = std::make_unique<FileTransfer>(options);
    if (const FtpResult result = ftp->Open(); result != FtpResult::Done)
        return Failure{result, kNoConnection};

    m_report->PublishProgress(kConnecting);
    const FtpResult connected =
        ftp->Connect(recipient.Text(RecipientField::FtpServer), recipient.Text(RecipientField::FtpUser),
                     recipient.Text(RecipientField::FtpPassword));
    if (connected != FtpResult::Done)
        return Failure{connected,
                       connected == FtpResult::CouldNotConnect ? kNoConnection : "Unable to log onto server."};

    m_report->PublishProgress(kChangingDirectory);
    const FtpResult entered = ftp->SetDirectory(recipient.Text(RecipientField::FtpDirectory));
    if (entered != FtpResult::Done)
        return Failure{entered,
                       entered == FtpResult::CouldNotConnect ? kNoConnection : "Unable to find server directory."};
    m_ftp = std::move(ftp);
    m_settings = std::move(settings);
    return std::nullopt;
}

std::optional<FtpDelivery::Failure> FtpDelivery::Upload(const std::string& packagePath) {
    m_report->PublishProgress(kUploading);
    m_uploading = true;
    const FtpResult uploaded = m_ftp->PutFile(packagePath, FileNameOf(packagePath));
    m_uploading = false;
    if (uploaded != FtpResult::Done)
        return Failure{uploaded, "Unable to send the file to the server."};
    return std::nullopt;
}

void FtpDelivery::Report(const Failure& failure, const TypistRecipient& recipient) const {
    // A stop request ends the send quietly: the dictation stays queued for the next start.
    if (failure.result != FtpResult::Stopped && !m_report->StopRequested()) {
        const std::string first =
            failure.result == FtpResult::UntrustedCertificate
                ? UntrustedCertificateText("server " + recipient.Text(RecipientField::FtpServer)) + "."
                : std::string(failure.text);
        m_report->ReportFailure(first + kRetryAdvice);
    }
}

bool FtpDelivery::Deliver(TransportReport& report, const TypistRecipient& recipient, const std::string& packagePath,
                          const SendContext& context) {
    m_report = &report;
    const bool kept = m_ftp && SessionSettings(recipient) == m_settings;
    std::optional<Failure> failure = KeepSession(recipient);
    if (!failure)
        failure = Upload(packagePath);
    if (failure && kept && MayBeDeadSession(failure->result) && !report.StopRequested()) {
        // The kept session may have been ended by the server since the last package: log on afresh, once.
        EndSession();
        failure = KeepSession(recipient);
        if (!failure)
            failure = Upload(packagePath);
    }
    if (failure) {
        Report(*failure, recipient);
        Close();
        return false;
    }
    report.PublishProgress(kUploaded);

    // Delivered: the package lies complete under its name on the server.
    (void)RemoveFile(packagePath);

    // The status pick-up never makes a delivery fail; a missing status file is the normal case.
    const int32_t userId = ReadIntValue(context.settingsFile, SettingsKeys::kUserId);
    m_pickUp.result = PickUpFtpStatus(*m_ftp, userId, context);
    m_pickUp.failure.clear();
    if (m_pickUp.result.outcome != StatusPickupOutcome::Failed) {
        m_pickUpFailureTold = false;
    } else {
        m_pickUp.failure = m_ftp->LastError().empty() ? "the status file could not be fetched" : m_ftp->LastError();
        // Told once until a pick-up works again, not after every package.
        if (!std::exchange(m_pickUpFailureTold, true))
            report.ReportNotice("The dictation reached the server " + recipient.Text(RecipientField::FtpServer) +
                                ", but the typist's status file could not be picked up there (" + m_pickUp.failure +
                                "). The progress of your sent work may be behind; it is picked up again with your "
                                "next send.");
    }
    return true;
}

bool SendByFtp(TransportReport& report, const TypistRecipient& recipient, const std::string& packagePath,
               const SendContext& context) {
    FtpDelivery delivery;
    return delivery.Deliver(report, recipient, packagePath, context);
}
