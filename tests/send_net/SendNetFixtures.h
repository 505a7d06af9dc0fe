// SendNetFixtures: a transport report that records what it was told, status file bytes, one status worker pass.
#pragma once

#include "SendFixture.h"
#include "platform/Poster.h"
#include "send/Status.h"
#include "send/TransportReport.h"

#include <functional>

// A transport report that records what it was told and asks to stop when the test says so.
struct RecordingReport final : TransportReport {
    void PublishProgress(float done) override {
        progress.push_back(done);
        if (onProgress)
            onProgress(done);
    }
    void ReportFailure(const std::string& text) override { failures.push_back(text); }
    void ReportNotice(const std::string& text) override { notices.push_back(text); }
    bool StopRequested() const override { return stop || ++asked > stopAfterAsks; }

    std::vector<float> progress;
    std::vector<std::string> failures;
    std::vector<std::string> notices;
    std::function<void(float)> onProgress; // called with each published value
    bool stop = false;
    int stopAfterAsks = 1 << 30;
    mutable int asked = 0;
};

// The bytes of a status file: the version word, then one 20-byte record per entry (text cut to 16 bytes).
inline std::string StatusBytes(const std::vector<std::pair<uint32_t, std::string>>& records, uint32_t version = 0) {
    const auto word = [](uint32_t value) {
        return std::string{static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
                           static_cast<char>(value >> 24)};
    };
    std::string bytes = word(version);
    for (const auto& [number, text] : records)
        bytes += word(number) + (text.substr(0, 16) + std::string(16, '\0')).substr(0, 16);
    return bytes;
}

// Starts one pass of the status worker and pumps its notes until it ended (two notes); returns its summary as
// (recipients visited, files merged, records written, failures).
inline std::tuple<size_t, size_t, size_t, size_t> RunStatusPass(Status& status) {
    PumpPoster poster;
    int notes = 0;
    status.SetNotify(&poster, [&notes] { ++notes; });
    status.Start(ThreadPriority::Idle);
    while (notes < 2 && poster.WaitAndPump(std::chrono::seconds(60)) > 0) {
    }
    status.SetNotify(nullptr, {});
    EXPECT_EQ(notes, 2);
    status.Finish();
    const StatusPassSummary pass = status.LastPass();
    return {pass.recipientsVisited, pass.filesMerged, pass.recordsWritten, pass.failures};
}
