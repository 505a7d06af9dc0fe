// SendByEmail: delivers a package as the attachment of an e-mail to the recipient's address, over the SMTP
// server of the user's mail settings.
#pragma once

#include "send/SendContext.h"
#include "send/TransportReport.h"

#include <string>
#include <string_view>

class TypistRecipient;

// True only when the mail server accepted the message. Otherwise (mail not configured, server down, address
// refused) the failure is reported through `report`; the package stays in place either way.
bool SendByEmail(TransportReport& report, std::string_view dictationName, const TypistRecipient& recipient,
                 const std::string& packagePath, const SendContext& context);
