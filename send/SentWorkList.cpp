// SentWorkList: the lines of the work-progress and recovery list.
#include "send/SentWorkList.h"

#include "platform/FileOps.h"
#include "store/DictationName.h"
#include "store/IniValues.h"
#include "store/RecordKeys.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

constexpr size_t kDateLength = 10; // "YYYY-MM-DD"

std::string LocalDateText(int64_t seconds) {
    const auto time = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (::localtime_r(&time, &local) == nullptr)
        return "0000-00-00";
    char text[32];
    std::snprintf(text, sizeof text, "%.4d-%.2d-%.2d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    return text;
}

bool IsRecordName(const std::string& name) {
    return name.size() > kRecordExtension.size() && name.front() != '.' && name.ends_with(kRecordExtension);
}

} // namespace

std::string SentWorkText(std::string_view dateText, std::string_view name, std::string_view recipient,
                         std::string_view status) {
    std::string text;
    text.reserve(dateText.size() + name.size() + recipient.size() + status.size() + 30);
    text.append(dateText).append(" ").append(name).append(": Sent to [").append(recipient);
    text.append("] status [").append(status).append("]");
    return text;
}

std::string SentWorkName(std::string_view text) {
    if (text.size() <= kDateLength + 1 || text[kDateLength] != ' ')
        return {};
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon < kDateLength + 1)
        return {};
    return std::string(text.substr(kDateLength + 1, colon - kDateLength - 1));
}

std::vector<SentWorkLine> ListSentWork(const std::string& sentFolder, std::optional<int64_t> now) {
    std::vector<SentWorkLine> lines;
    const std::optional<std::vector<std::string>> names = ListFolder(sentFolder);
    if (!names)
        return lines;
    const int64_t today = now ? *now : static_cast<int64_t>(std::time(nullptr));
    lines.reserve(names->size());
    for (const std::string& fileName : *names) {
        if (!IsRecordName(fileName))
            continue;
        const std::string path = JoinPath(sentFolder, fileName);
        SentWorkLine line;
        const int64_t sendDate = ReadDateValue(path, RecordKeys::kSendDate);
        line.dateText = LocalDateText(sendDate > 0 ? sendDate : today);
        line.name = fileName.substr(0, fileName.size() - kRecordExtension.size());
        line.recipient = ReadStringValue(path, RecordKeys::kRecipient);
        line.status = ReadStringValue(path, RecordKeys::kSendStatus);
        line.delivery = ReadStringValue(path, RecordKeys::kDelivery);
        line.text = SentWorkText(line.dateText, line.name, line.recipient, line.status);
        lines.push_back(std::move(line));
    }

    // The order of a list sorted without regard to case; the folded texts are made once, not per comparison.
    std::vector<std::pair<std::string, size_t>> keys;
    keys.reserve(lines.size());
    for (size_t i = 0; i < lines.size(); ++i)
        keys.emplace_back(FoldCase(lines[i].text), i);
    std::sort(keys.begin(), keys.end(), [&lines](const auto& a, const auto& b) {
        if (a.first != b.first)
            return a.first < b.first;
        return lines[a.second].text < lines[b.second].text;
    });
    std::vector<SentWorkLine> sorted;
    sorted.reserve(lines.size());
    for (const auto& key : keys)
        sorted.push_back(std::move(lines[key.second]));
    return sorted;
}
