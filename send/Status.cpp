// Status: the status worker's pass over the typist recipients.
#include "send/Status.h"

#include "platform/FileTransfer.h"
#include "send/RecipientList.h"
#include "send/StatusPickup.h"
#include "send/TypistRecipient.h"
#include "store/IniValues.h"
#include "store/SettingsKeys.h"

#include <mutex>

namespace {

void Count(const StatusPickupResult& picked, StatusPassSummary& summary) {
    summary.recordsWritten += picked.merge.recordsWritten;
    summary.filesMerged += picked.filesMerged;
    switch (picked.outcome) {
    case StatusPickupOutcome::Merged:
        break;
    case StatusPickupOutcome::NotRemoved:
        ++summary.failures;
        break;
    case StatusPickupOutcome::NotRead:
    case StatusPickupOutcome::Failed:
        ++summary.failures;
        break;
    case StatusPickupOutcome::NoStatusFile:
    case StatusPickupOutcome::Stopped:
        break;
    }
}

} // namespace

Status::Status(SendContext context) : m_context(std::move(context)) {}

Status::~Status() {
    Finish();
}

void Status::SetNetworkTimeout(std::chrono::milliseconds timeout) {
    std::lock_guard lock(m_lock);
    m_networkTimeout = timeout;
}

void Status::SetCollectFromFtp(bool collect) {
    std::lock_guard lock(m_lock);
    m_collectFromFtp = collect;
}

StatusPassSummary Status::LastPass() const {
    std::lock_guard lock(m_lock);
    return m_lastPass;
}

void Status::Run() {
    StatusPassSummary summary;
    const RecipientList recipients(m_context.programFolder, m_context.settingsFile);
    const int32_t userId = ReadIntValue(m_context.settingsFile, SettingsKeys::kUserId);
    bool collectFromFtp = true;
    {
        std::lock_guard lock(m_lock);
        collectFromFtp = m_collectFromFtp;
    }
    const int count = recipients.Count();
    for (int index = 0; index < count && ShouldRun(); ++index) {
        const TypistRecipient recipient = recipients.Load(index);
        if (recipient.MethodValue() == static_cast<uint32_t>(SendMethod::Lan)) {
            ++summary.recipientsVisited;
            Count(PickUpFolderStatus(recipient.Text(RecipientField::Folder), userId, m_context.sentFolder), summary);
        } else if (recipient.MethodValue() == static_cast<uint32_t>(SendMethod::Ftp) && collectFromFtp) {
            ++summary.recipientsVisited;
            VisitFtp(recipient, userId, summary);
        }
    }
    std::lock_guard lock(m_lock);
    m_lastPass = summary;
}

void Status::VisitFtp(const TypistRecipient& recipient, int64_t userId, StatusPassSummary& summary) {
    FileTransferOptions options;
    options.security = recipient.FtpOverTls() ? FtpSecurity::ExplicitTls : FtpSecurity::Plain;
    options.verifyCertificate = recipient.VerifyServerCertificate();
    {
        std::lock_guard lock(m_lock);
        options.connectTimeout = m_networkTimeout;
        options.responseTimeout = m_networkTimeout;
        options.stallTimeout = m_networkTimeout;
    }
    options.shouldStop = [this] { return !ShouldRun(); };
    FileTransfer ftp(options);
    if (ftp.Open() != FtpResult::Done ||
        ftp.Connect(recipient.Text(RecipientField::FtpServer), recipient.Text(RecipientField::FtpUser),
                    recipient.Text(RecipientField::FtpPassword)) != FtpResult::Done ||
        ftp.SetDirectory(recipient.Text(RecipientField::FtpDirectory)) != FtpResult::Done) {
        if (ShouldRun())
            ++summary.failures;
        return;
    }
    Count(PickUpFtpStatus(ftp, userId, m_context), summary);
}
