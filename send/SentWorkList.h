// SentWorkList: the lines of the work-progress and recovery list, one per sent dictation record in
// "Sent Files/": "<date> <name>: Sent to [<recipient>] status [<status>]", sorted as the list shows them.
// Reads the records only; nothing is written. Safe on any thread.
//
//   for (const SentWorkLine& line : ListSentWork(settings.sentFolder)) list->addItem(line.text);
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct SentWorkLine {
    std::string dateText;  // local date of "senddate" as "YYYY-MM-DD"; today when it is missing or not above 0
    std::string name;      // the dictation's name (its record's file name without ".dat")
    std::string recipient; // "recipient", or "Unknown Recipient"
    std::string status;    // "sendstatus", or "Unknown Status"
    std::string delivery;  // the queue's "delivery" ("Pending", "Waiting to retry", "Delivered", "Not sent");
                           // empty when not recorded
    std::string text;      // the whole line
};

// The lines of the sent dictations, sorted by their text without regard to case. `now` (seconds since 1970)
// stands for the current time; nothing means the system clock.
std::vector<SentWorkLine> ListSentWork(const std::string& sentFolder, std::optional<int64_t> now = std::nullopt);

// "%s %s: Sent to [%s] status [%s]" of the parts.
std::string SentWorkText(std::string_view dateText, std::string_view name, std::string_view recipient,
                         std::string_view status);

// The dictation name of a line's text: what lies between the date and its blank and the first ':'
// ("" when the line has no such shape).
std::string SentWorkName(std::string_view text);
