// RecordKeys: the keys of a dictation's record file (name.dat, section "file") with their read defaults.
// senddate, recipient and sendstatus are written when the dictation moves to "Sent Files/".
#pragma once

#include "store/IniKey.h"

namespace RecordKeys {

inline constexpr std::string_view kSection = "file";

inline constexpr IntKey kNumber{kSection, "number", 0};
inline constexpr DateKey kDate{kSection, "date", 0};                  // when it was started; below 1: unknown
inline constexpr StringKey kPriority{kSection, "priority", "Normal"}; // "High", "Normal" or "Low"
inline constexpr DateKey kSendDate{kSection, "senddate", 0};          // 0: never sent
inline constexpr StringKey kRecipient{kSection, "recipient", "Unknown Recipient"};
inline constexpr StringKey kSendStatus{kSection, "sendstatus", "Unknown Status"};

inline constexpr std::string_view kSentStatus = "Sent"; // sendstatus when it was queued
// How the send queue left the dictation: "Pending", "Delivered" or "Not sent"; "" before it was queued.
inline constexpr StringKey kDelivery{kSection, "delivery", ""};

} // namespace RecordKeys
