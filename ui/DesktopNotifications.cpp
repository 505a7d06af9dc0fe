#include "ui/DesktopNotifications.h"

#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

namespace {

constexpr int kServerDecidesExpiry = -1;

} // namespace

DesktopNotifications::DesktopNotifications(QDBusConnection bus) : m_bus(std::move(bus)) {}

bool DesktopNotifications::Show(const std::string& summary, const std::string& body) {
    if (!m_bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    // Notify(app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout)
    call << QStringLiteral("Tallowin") << 0u << QStringLiteral("tallowin") << QString::fromStdString(summary)
         << QString::fromStdString(body) << QStringList() << QVariantMap() << kServerDecidesExpiry;
    return m_bus.send(call);
}
