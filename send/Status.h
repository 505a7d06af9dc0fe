// Status: the status worker. One pass over all typist recipients collects this user's status file from each
// folder (LAN) recipient's folder and each FTP recipient's server directory and merges it into the sent
// dictations; the work-progress list refreshes on its start and end notes. Runs at idle priority on its own
// thread; the owner attaches and detaches its list with SetNotify.
//
//   Status status(context);
//   status.SetNotify(&poster, [this] { RefreshList(); });
//   status.Start(ThreadPriority::Idle);   // a pass already running goes on
#pragma once

#include "platform/LThread.h"
#include "send/SendContext.h"

#include <chrono>
#include <cstddef>
#include <cstdint>

class TypistRecipient;

// What the last finished pass did.
struct StatusPassSummary {
    size_t recipientsVisited = 0; // folder and FTP recipients looked at
    size_t filesMerged = 0;       // status files read and merged
    size_t recordsWritten = 0;    // dictation records whose status changed
    size_t failures = 0;          // status files present but not read, not removed, or servers not reached
};

class Status final : public LThreadNotify {
public:
    explicit Status(SendContext context);
    ~Status() override;

    // Timeout for reaching an FTP server and for each of its replies (default 30 s).
    void SetNetworkTimeout(std::chrono::milliseconds timeout);
    // Whether FTP recipients are visited too (default true).
    void SetCollectFromFtp(bool collect);

    StatusPassSummary LastPass() const;

protected:
    void Run() override;

private:
    void VisitFtp(const TypistRecipient& recipient, int64_t userId, StatusPassSummary& summary);

    const SendContext m_context;
    std::chrono::milliseconds m_networkTimeout{30000}; // under m_lock
    bool m_collectFromFtp = true;                      // under m_lock
    StatusPassSummary m_lastPass;                      // under m_lock
};
