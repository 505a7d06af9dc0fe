// The real presses and releases of held keys among the repeats a held key makes, flagged or not, on a clock the
// test drives.
#include "app/HeldKeys.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct KeyEvent {
    HeldCommand command;
    bool press;
    int64_t atMs;
    bool flagged = false;
};

// What the keys did, as "P:Record@0 R:Record@4000": each real press and each settled release with its time.
std::string RealEdges(const std::vector<KeyEvent>& events) {
    HeldKeys keys;
    std::string edges;
    const auto name = [](HeldCommand command) {
        return command == HeldCommand::Record ? "Record" : command == HeldCommand::Forward ? "Forward" : "Other";
    };
    const auto settle = [&](int64_t now) {
        for (const HeldKeys::Released& up : keys.Settle(now))
            edges += std::string(" R:") + name(up.command) + "@" + std::to_string(up.atMs);
    };
    for (const KeyEvent& event : events) {
        settle(event.atMs);
        if (!event.press)
            keys.Release(event.command, event.atMs, event.flagged);
        else if (keys.Press(event.command, event.atMs, event.flagged))
            edges += std::string(" P:") + name(event.command) + "@" + std::to_string(event.atMs);
    }
    if (const std::optional<int64_t> next = keys.NextSettleMs())
        settle(*next);
    return edges;
}

// A key held from `fromMs` to `toMs` with auto-repeat every 33 ms, each repeat a release and a press `gapMs` apart,
// flagged or not.
void Hold(std::vector<KeyEvent>& events, HeldCommand command, int64_t fromMs, int64_t toMs, int64_t gapMs,
          bool flagged) {
    events.push_back({command, true, fromMs});
    for (int64_t at = fromMs + 500; at + gapMs < toMs; at += 33) {
        events.push_back({command, false, at, flagged});
        events.push_back({command, true, at + gapMs, flagged});
    }
    events.push_back({command, false, toMs});
}

} // namespace

TEST(HeldKeys, AHoldIsOnePressAndOneReleaseWhateverTheRepeatsLookLikeAndTapsAndTwoKeysAreTheirOwn) {
    const HeldCommand record = HeldCommand::Record;
    const HeldCommand forward = HeldCommand::Forward;
    std::vector<std::pair<std::vector<KeyEvent>, std::string>> table = {
        {{{record, true, 0}, {record, false, 100}}, " P:Record@0 R:Record@100"},
        {{{record, true, 0}, {record, false, 100}, {record, true, 300}, {record, false, 400}},
         " P:Record@0 R:Record@100 P:Record@300 R:Record@400"},
        // Repeats as presses alone (detectable auto-repeat); a flagged release is never the real one.
        {{{record, true, 0}, {record, true, 500}, {record, true, 533, true}, {record, false, 900}},
         " P:Record@0 R:Record@900"},
        {{{record, true, 0}, {record, false, 500, true}, {record, false, 900}}, " P:Record@0 R:Record@900"},
        {{{record, false, 50}}, ""},
        // Another key's press does not take a release back.
        {{{record, true, 0}, {record, false, 100}, {forward, true, 105}, {forward, false, 300}},
         " P:Record@0 P:Forward@105 R:Record@100 R:Forward@300"},
    };
    for (const int64_t gapMs : {1, 5, 20, 40}) {
        for (const bool flagged : {false, true}) {
            table.emplace_back(std::vector<KeyEvent>{}, " P:Record@0 R:Record@4000");
            Hold(table.back().first, record, 0, 4000, gapMs, flagged);
        }
    }
    table.emplace_back(std::vector<KeyEvent>{}, " P:Record@0 P:Forward@10 R:Forward@2000 R:Record@3000");
    Hold(table.back().first, record, 0, 3000, 2, false);
    Hold(table.back().first, forward, 10, 2000, 3, false);
    std::stable_sort(table.back().first.begin(), table.back().first.end(),
                     [](const KeyEvent& a, const KeyEvent& b) { return a.atMs < b.atMs; });
    for (size_t row = 0; row < table.size(); ++row)
        EXPECT_EQ(RealEdges(table[row].first), table[row].second) << "row " << row;
}
