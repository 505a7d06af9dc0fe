// TransportReport: what a transport tells the send queue while it delivers one package (how far it got, why it
// failed) and what it asks of it (whether to stop). The queue implements it; tests use a recording one.
#pragma once

#include <string>
#include <string_view>

// The advice that ends a send failure's text: OK keeps the recipient's dictations queued, Cancel takes them off.
inline constexpr std::string_view kSendRetryAdvice =
    "\n\nClick OK to keep this recipient's dictations queued: sending is tried again in a few minutes and when you "
    "send your next file. Click Cancel to take this recipient's dictations off the send queue.";

class TransportReport {
public:
    virtual ~TransportReport() = default;

    // `done`: the fraction of the current dictation's work finished, 0 to 1. The queue publishes it only when it
    // moves the shown progress by more than 0.04.
    virtual void PublishProgress(float done) = 0;
    // Leaves `text` for the main window, which shows it with OK (keep the recipient's dictations queued) and
    // Cancel (take them off). The dictation stays queued; the recipient waits for its retry.
    virtual void ReportFailure(const std::string& text) = 0;
    // Leaves `text` for the main window to show with OK only; it does not affect the delivery.
    virtual void ReportNotice(const std::string& text) = 0;
    // True once the queue's worker is asked to stop; long operations end early when it turns true.
    virtual bool StopRequested() const = 0;
};
