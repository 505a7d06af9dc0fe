// TransportReport: what a transport tells the send queue while it delivers one package (how far it got, why it
// failed) and what it asks of it (whether to stop). The queue implements it; tests use a recording one.
#pragma once

#include <string>
#include <string_view>

// The advice that ends a send failure's text: OK keeps the dictation queued, Cancel clears the queue.
inline constexpr std::string_view kSendRetryAdvice = "\n\nClick OK to continue to attempt to send when you send your "
                                                     "next file. Click Cancel to clear all pending send files.";

class TransportReport {
public:
    virtual ~TransportReport() = default;

    // `done`: the fraction of the current dictation's work finished, 0 to 1. The queue publishes it only when it
    // moves the shown progress by more than 0.04.
    virtual void PublishProgress(float done) = 0;
    // Leaves `text` for the main window, which shows it with OK (keep the queue) and Cancel (clear it). The
    // dictation stays first in the queue.
    virtual void ReportFailure(const std::string& text) = 0;
    // True once the queue's worker is asked to stop; long operations end early when it turns true.
    virtual bool StopRequested() const = 0;
};
