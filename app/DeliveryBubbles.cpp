#include "app/DeliveryBubbles.h"

#include "platform/Alarm.h"

#include <algorithm>
#include <utility>

namespace {

// "Anna", "Anna and Ben", "Anna, Ben and Cleo": each recipient once, in the order delivered.
std::string RecipientList(const std::vector<DeliveryNotice>& deliveries) {
    std::vector<std::string> names;
    for (const DeliveryNotice& delivery : deliveries)
        if (std::find(names.begin(), names.end(), delivery.recipient) == names.end())
            names.push_back(delivery.recipient);
    std::string text;
    for (size_t index = 0; index < names.size(); ++index) {
        if (index > 0)
            text += index + 1 == names.size() ? " and " : ", ";
        text += names[index];
    }
    return text;
}

} // namespace

DeliveryBubbles::DeliveryBubbles(Alarm& alarm, Clock clock, std::function<bool()> enabled, Show show)
    : m_alarm(alarm), m_clock(std::move(clock)), m_enabled(std::move(enabled)), m_show(std::move(show)) {}

DeliveryBubbles::~DeliveryBubbles() {
    m_alarm.Cancel();
}

void DeliveryBubbles::Delivered(const DeliveryNotice& delivery) {
    Add(kDelivered, delivery);
}

void DeliveryBubbles::Failed(const std::string& text) {
    Add(kFailed, {{}, text});
}

void DeliveryBubbles::Add(int kind, DeliveryNotice notice) {
    if (!m_enabled())
        return;
    m_kinds[kind].waiting.push_back(std::move(notice));
    ShowDue();
}

void DeliveryBubbles::ShowDue() {
    const auto now = m_clock();
    for (int kind : {kDelivered, kFailed}) {
        Kind& state = m_kinds[kind];
        if (state.waiting.empty() || (state.shown && now - *state.shown < kGap))
            continue;
        state.shown = now;
        const Bubble bubble = Gathered(kind, std::exchange(state.waiting, {}));
        if (m_enabled())
            m_show(bubble);
    }
    SetAlarm();
}

void DeliveryBubbles::SetAlarm() {
    std::optional<std::chrono::steady_clock::time_point> due;
    for (const Kind& state : m_kinds)
        if (!state.waiting.empty() && (!due || *state.shown + kGap < *due))
            due = *state.shown + kGap;
    if (!due)
        return;
    const auto delay = std::chrono::ceil<std::chrono::milliseconds>(*due - m_clock());
    m_alarm.Set(std::max(delay, std::chrono::milliseconds(0)), [this] { ShowDue(); });
}

Bubble DeliveryBubbles::Gathered(int kind, const std::vector<DeliveryNotice>& waiting) {
    const size_t count = waiting.size();
    if (kind == kFailed)
        return {"Delivery failed",
                count == 1 ? waiting.front().dictation
                           : std::to_string(count) + " deliveries failed; the last: " + waiting.back().dictation};
    if (count == 1)
        return {"Dictation delivered", "Delivered to " + waiting.front().recipient + ": " + waiting.front().dictation};
    return {"Dictations delivered", "Delivered " + std::to_string(count) + " dictations to " + RecipientList(waiting)};
}
