#include "ui/QtAlarm.h"

QtAlarm::QtAlarm() {
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
        // The work may set the alarm again.
        const std::function<void()> work = std::move(m_work);
        m_work = nullptr;
        if (work)
            work();
    });
}

void QtAlarm::Set(std::chrono::milliseconds delay, std::function<void()> work) {
    m_work = std::move(work);
    m_timer.start(delay);
}

void QtAlarm::Cancel() {
    m_timer.stop();
    m_work = nullptr;
}
