// SendNetFixtures: what the send tests share: a transport report that records what it was told, sent dictation
// records written by hand, and status files built byte by byte.
#pragma once

#include "SendContext.h"
#include "TempFolder.h"
#include "TransportReport.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

class RecordingReport final : public TransportReport {
public:
    void PublishProgress(float done) override;
    void ReportFailure(const std::string& text) override;
    bool StopRequested() const override { return m_stop.load(); }

    void RequestStop() { m_stop = true; }
    // Called with each published value (on the sending thread).
    std::function<void(float)> onProgress;

    std::vector<float> Progress() const;
    std::vector<std::string> Failures() const;

private:
    mutable std::mutex m_mutex;
    std::vector<float> m_progress;
    std::vector<std::string> m_failures;
    std::atomic<bool> m_stop{false};
};

// A program folder with "settings.ini" and "Sent Files/" inside a temporary folder.
struct ProgramFolder {
    TempFolder folder;
    SendContext context;

    ProgramFolder();
    // Writes "Sent Files/<name>.dat" with the given keys (a negative number writes no "number").
    std::string WriteSent(const std::string& name, int32_t number, const std::string& status = "Sent",
                          int64_t sendDate = 1700000000, const std::string& recipient = "Jane (/typing)") const;
    std::string SentStatus(const std::string& name) const;
    void SetUserId(int32_t userId) const;
};

// The bytes of a status file: the version word, then one 20-byte record per entry (text cut to 16 bytes).
std::string StatusBytes(const std::vector<std::pair<uint32_t, std::string>>& records, uint32_t version = 0);

class Status;
struct StatusPassSummary;
class TypistRecipient;

// Saves `recipient` as recipient `index` and sets "sendcount" to index + 1.
void AddRecipient(const ProgramFolder& program, int index, const TypistRecipient& recipient);
// Starts one pass of the status worker and pumps its notes until it ended (two notes); returns its summary.
StatusPassSummary RunStatusPass(Status& status);
