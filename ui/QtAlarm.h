// QtAlarm: the Alarm of the windowed program, a single-shot timer of the Qt event loop on the owner's thread.
//
//   QtAlarm alarm;
//   alarm.Set(std::chrono::milliseconds(60), [this] { SettleKeys(); });
#pragma once

#include "platform/Alarm.h"

#include <QTimer>

class QtAlarm final : public Alarm {
public:
    QtAlarm();
    QtAlarm(const QtAlarm&) = delete;
    QtAlarm& operator=(const QtAlarm&) = delete;

    void Set(std::chrono::milliseconds delay, std::function<void()> work) override;
    void Cancel() override;

private:
    QTimer m_timer;
    std::function<void()> m_work;
};
