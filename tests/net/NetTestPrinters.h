// NetTestPrinters: names for the network results in test failure messages.
#pragma once

#include "FileTransfer.h"
#include "MailSender.h"

#include <ostream>

inline void PrintTo(FtpResult result, std::ostream* out) {
    static constexpr const char* kNames[] = {"Done",         "CouldNotConnect", "LogOnRefused",   "NoSuchDirectory",
                                             "NoSuchFile",   "Refused",         "TransferFailed", "Stopped",
                                             "NotConnected", "BadName"};
    *out << kNames[static_cast<int>(result)];
}

inline void PrintTo(MailResult result, std::ostream* out) {
    static constexpr const char* kNames[] = {
        "Delivered",       "NotConfigured", "InvalidAddress", "AttachmentUnreadable",
        "CouldNotConnect", "LogOnRefused",  "SenderRefused",  "RecipientRefused",
        "MessageRefused",  "Failed",        "Stopped"};
    *out << kNames[static_cast<int>(result)];
}
