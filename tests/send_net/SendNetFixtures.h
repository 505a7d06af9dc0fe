// SendNetFixtures: what the transport and status tests share: a transport report that records what it was told, a
// program folder with sent dictation records written by hand, status files built byte by byte, and one pass of
// the status worker.
#pragma once

#include "TempFolder.h"
#include "platform/FileOps.h"
#include "platform/Poster.h"
#include "send/SendContext.h"
#include "send/Status.h"
#include "send/TransportReport.h"
#include "send/TypistRecipient.h"
#include "store/IniValues.h"
#include "store/RecordKeys.h"
#include "store/SettingsKeys.h"

#include <functional>
#include <gtest/gtest.h>

// A transport report that records what it was told and asks to stop when the test says so.
struct RecordingReport final : TransportReport {
    void PublishProgress(float done) override {
        progress.push_back(done);
        if (onProgress)
            onProgress(done);
    }
    void ReportFailure(const std::string& text) override { failures.push_back(text); }
    bool StopRequested() const override { return stop || ++asked > stopAfterAsks; }

    std::vector<float> progress;
    std::vector<std::string> failures;
    std::function<void(float)> onProgress; // called with each published value
    bool stop = false;
    int stopAfterAsks = 1 << 30;
    mutable int asked = 0;
};

// A program folder with "settings.ini" and "Sent Files/" inside a temporary folder, user id 42.
struct ProgramFolder {
    TempFolder folder;
    SendContext context{folder.Path(), folder / "settings.ini", folder / "Sent Files/"};
    bool made = MakeFolders(context.sentFolder) && WriteIntValue(context.settingsFile, SettingsKeys::kUserId, 42) &&
                FlushProfile(context.settingsFile);

    // Writes "Sent Files/<name>.dat" with the given keys (a negative number writes no "number").
    std::string WriteSent(const std::string& name, int32_t number, const std::string& status = "Sent",
                          int64_t sendDate = 1700000000, const std::string& recipient = "Jane (/typing)") const {
        const std::string numberLine = number >= 0 ? "number=" + std::to_string(number) + "\n" : "";
        return folder.Write("Sent Files/" + name + ".dat",
                            "[file]\n" + numberLine + "senddate=" + std::to_string(sendDate) +
                                "\nrecipient=" + recipient + "\nsendstatus=" + status + "\n");
    }
    std::vector<std::string> SentStatuses(const std::vector<std::string>& names) const {
        std::vector<std::string> statuses;
        for (const std::string& name : names)
            statuses.push_back(ReadStringValue(context.sentFolder + name + ".dat", RecordKeys::kSendStatus));
        return statuses;
    }
    // Saves `recipient` as recipient `index` and sets "sendcount" to index + 1.
    void AddRecipient(int index, const TypistRecipient& recipient) const {
        ASSERT_TRUE(recipient.Save(RecipientPath(context.programFolder, index)));
        ASSERT_TRUE(WriteIntValue(context.settingsFile, SettingsKeys::kSendCount, index + 1));
    }
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

// Starts one pass of the status worker and pumps its notes until it ended (two notes); returns its summary.
inline StatusPassSummary RunStatusPass(Status& status) {
    PumpPoster poster;
    int notes = 0;
    status.SetNotify(&poster, [&notes] { ++notes; });
    status.Start(ThreadPriority::Idle);
    while (notes < 2 && poster.WaitAndPump(std::chrono::seconds(60)) > 0) {
    }
    status.SetNotify(nullptr, {});
    EXPECT_EQ(notes, 2);
    status.Finish();
    return status.LastPass();
}
