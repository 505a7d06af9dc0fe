// DesktopNotifications: shows a bubble through the desktop's notification service (org.freedesktop.Notifications
// on the session bus). It does not wait for the service: without one, or without a session bus, nothing is shown
// and the program carries on.
//
//   DesktopNotifications notifications;          // the session bus
//   notifications.Show("Dictation delivered", "Delivered to Anna: 0007");
#pragma once

#include <QDBusConnection>
#include <string>

class DesktopNotifications {
public:
    static constexpr const char* kService = "org.freedesktop.Notifications";
    static constexpr const char* kPath = "/org/freedesktop/Notifications";

    explicit DesktopNotifications(QDBusConnection bus = QDBusConnection::sessionBus());

    // True when the bubble was handed to the bus; false without a bus.
    bool Show(const std::string& summary, const std::string& body);

private:
    QDBusConnection m_bus;
};
