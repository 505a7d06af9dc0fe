#include "EmailTransport.h"

// Scaffold until the transport lands: every send by this method fails visibly and stays queued.
bool SendByEmail(TransportReport& report, std::string_view, const TypistRecipient&, const std::string&, const SendContext&) {
    report.ReportFailure("This build cannot send by this method yet.");
    return false;
}
