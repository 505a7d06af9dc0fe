// FtpDelivery: delivers packages by uploading them into the recipient's FTP directory (plain or explicit TLS), then
// picks up the typist side's status file for this user from there and merges it into the sent dictations. The
// logged-on session stays open from one package to the next while the recipient's FTP settings stay the same, so
// a run of packages costs one log-on; SendByFtp delivers one package over a session of its own.
#pragma once

#include "platform/FileTransfer.h"
#include "send/SendContext.h"
#include "send/StatusPickup.h"
#include "send/TransportReport.h"

#include <memory>
#include <optional>
#include <string>

class TypistRecipient;

// The last status pick-up of a delivery: its result, and why it failed (empty unless the outcome is Failed).
struct FtpPickUpReport {
    StatusPickupResult result;
    std::string failure;
};

class FtpDelivery {
public:
    FtpDelivery();
    ~FtpDelivery(); // closes the kept session
    FtpDelivery(const FtpDelivery&) = delete;
    FtpDelivery& operator=(const FtpDelivery&) = delete;

    // True only when the upload completed; the local package is then deleted. Otherwise the failure is reported
    // through `report` (connect, certificate, log-on, directory or upload message) and the local package is kept.
    // A kept session that turned out dead is logged on afresh once before the upload counts as failed.
    bool Deliver(TransportReport& report, const TypistRecipient& recipient, const std::string& packagePath,
                 const SendContext& context);

    // The status pick-up after the last delivered package.
    const FtpPickUpReport& LastPickUp() const { return m_pickUp; }

    // Ends the kept session (cut at once when the last report asks to stop). Safe to call more than once.
    void Close();

private:
    // A step that failed and the first line of the message for it.
    struct Failure {
        FtpResult result;
        const char* text;
    };
    // Ends the kept session; the report stays for the next one.
    void EndSession();
    // Opens a session for `recipient`, logged on and in its directory, unless one for the same settings is kept.
    std::optional<Failure> KeepSession(const TypistRecipient& recipient);
    // Uploads the package into the session's directory.
    std::optional<Failure> Upload(const std::string& packagePath);
    // Reports `failure` (nothing when stopped).
    void Report(const Failure& failure, const TypistRecipient& recipient) const;

    std::unique_ptr<FileTransfer> m_ftp;
    std::string m_settings;              // the recipient settings the kept session was opened with
    TransportReport* m_report = nullptr; // the report of the running delivery, for the session's hooks
    bool m_uploading = false;
    FtpPickUpReport m_pickUp;
    bool m_pickUpFailureTold = false;
};

// One package over a session of its own (see FtpDelivery::Deliver).
bool SendByFtp(TransportReport& report, const TypistRecipient& recipient, const std::string& packagePath,
               const SendContext& context);
