// SendByFtp: delivers a package by uploading it into the recipient's FTP directory (plain or explicit TLS), then
// picks up the typist side's status file for this user from there and merges it into the sent dictations.
#pragma once

#include "send/SendContext.h"
#include "send/TransportReport.h"

#include <string>

class TypistRecipient;

// True only when the upload completed; the local package is then deleted. Otherwise the failure is reported
// through `report` (connect, certificate, log-on, directory or upload message) and the local package is kept.
bool SendByFtp(TransportReport& report, const TypistRecipient& recipient, const std::string& packagePath,
               const SendContext& context);
