// DeliveryBubbles: the desktop bubbles that say a dictation was delivered or a delivery failed, at most one per
// minute of each kind: what comes within the minute waits and is gathered into one bubble when the minute is over
// ("Delivered 3 dictations to Anna"). Nothing is shown or kept while the user has turned the bubbles off. The clock
// and the alarm come from the owner, so tests drive the minute. Owner's thread only.
//
//   DeliveryBubbles bubbles(alarm, std::chrono::steady_clock::now, [&] { return enabled; }, ShowOnDesktop);
//   bubbles.Delivered({"Anna", "0007"});   // shown now, or gathered until its minute is over
#pragma once

#include "send/SendQueue.h"

#include <array>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class Alarm;

struct Bubble {
    std::string summary;
    std::string body;
    bool operator==(const Bubble&) const = default;
};

class DeliveryBubbles {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    using Show = std::function<void(const Bubble&)>;

    static constexpr std::chrono::minutes kGap{1};

    DeliveryBubbles(Alarm& alarm, Clock clock, std::function<bool()> enabled, Show show);
    ~DeliveryBubbles();
    DeliveryBubbles(const DeliveryBubbles&) = delete;
    DeliveryBubbles& operator=(const DeliveryBubbles&) = delete;

    void Delivered(const DeliveryNotice& delivery);
    void Failed(const std::string& text);

private:
    // One kind of bubble: when it was last shown and the texts waiting for its minute to end.
    struct Kind {
        std::optional<std::chrono::steady_clock::time_point> shown;
        std::vector<DeliveryNotice> waiting; // a failure keeps its text in `dictation`
    };
    enum { kDelivered, kFailed };

    void Add(int kind, DeliveryNotice notice);
    void ShowDue();
    void SetAlarm();
    static Bubble Gathered(int kind, const std::vector<DeliveryNotice>& waiting);

    Alarm& m_alarm;
    Clock m_clock;
    std::function<bool()> m_enabled;
    Show m_show;
    std::array<Kind, 2> m_kinds;
};
