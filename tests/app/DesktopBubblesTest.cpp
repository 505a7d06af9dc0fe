// The delivery bubbles over a private session bus with a notification service of the test's own that records what
// it is sent: shown, gathered within the minute (clock and alarm driven by hand), none when off or without a service.
#include "TempFolder.h"
#include "app/DeliveryBubbles.h"
#include "platform/Alarm.h"
#include "store/IniValues.h"
#include "store/SettingsKeys.h"
#include "ui/DesktopNotifications.h"

#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QProcess>
#include <fstream>
#include <gtest/gtest.h>
#include <signal.h>

namespace {

// Records each bubble as "summary | body" and answers every call.
class RecordingService final : public QDBusVirtualObject {
public:
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        const QList<QVariant> args = message.arguments();
        if (message.member() == "Notify")
            shown.push_back((args.value(3).toString() + " | " + args.value(4).toString()).toStdString());
        return connection.send(message.createReply(QVariant::fromValue(0u)));
    }
    std::vector<std::string> shown;
};

class HandAlarm final : public Alarm {
public:
    void Set(std::chrono::milliseconds delay, std::function<void()> work) override { set = {delay, std::move(work)}; }
    void Cancel() override { set = {}; }
    std::pair<std::chrono::milliseconds, std::function<void()>> set;
};

struct BubbleCase {
    const char* name;
    bool off, service;
    std::vector<std::tuple<int, std::string, std::string>> happenings; // second, recipient ("": failed), text
    std::vector<std::chrono::milliseconds> alarms;                     // from the last happening, then alarm to alarm
    std::vector<std::string> shown;
};

} // namespace

TEST(DesktopBubbles, AreSentAtMostOncePerMinuteAndKindGatheringTheRestNoneWhenOffOrWithoutAService) {
    const std::vector<BubbleCase> cases{
        {"gathered",
         false,
         true,
         {{0, "Anna", "1"}, {5, "", "Unable to connect"}, {10, "Anna", "2"}, {20, "Ben", "3"}, {30, "", "Refused"}},
         {std::chrono::seconds(30), std::chrono::seconds(5)},
         {"Dictation delivered | Delivered to Anna: 1", "Delivery failed | Unable to connect",
          "Dictations delivered | Delivered 2 dictations to Anna and Ben", "Delivery failed | Refused"}},
        {"off", true, true, {{0, "Anna", "1"}, {5, "", "Unable"}}, {}, {}},
        {"no service", false, false, {{0, "Anna", "1"}, {10, "Anna", "2"}}, {std::chrono::seconds(50)}, {}},
    };
    for (const BubbleCase& test : cases) {
        SCOPED_TRACE(test.name);
        TempFolder folder;
        const std::string settings = folder.Path() + "settings.ini";
        ASSERT_TRUE(!test.off || WriteBoolValue(settings, SettingsKeys::kDesktopNotices, false));
        std::ofstream(folder.Path() + "bus.conf")
            << "<busconfig><type>session</type><keep_umask/><listen>unix:tmpdir=" << folder.Path()
            << "</listen><auth>EXTERNAL</auth><policy context=\"default\"><allow send_destination=\"*\" "
            << "eavesdrop=\"true\"/><allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>";
        QProcess daemon; // prints the address, then the process id
        daemon.start("dbus-daemon", {QString::fromStdString("--config-file=" + folder.Path() + "bus.conf"), "--fork",
                                     "--print-address=1", "--print-pid=1"});
        daemon.waitForFinished();
        const QStringList printed = QString::fromUtf8(daemon.readAllStandardOutput()).split('\n');
        ASSERT_GE(printed.size(), 2) << "dbus-daemon did not start";
        QDBusConnection sender = QDBusConnection::connectToBus(printed[0], "sender");
        QDBusConnection serviceBus = QDBusConnection::connectToBus(printed[0], "service");
        RecordingService service;
        EXPECT_TRUE(!test.service || (serviceBus.registerService(DesktopNotifications::kService) &&
                                      serviceBus.registerVirtualObject(DesktopNotifications::kPath, &service)));
        HandAlarm alarm;
        std::chrono::steady_clock::time_point now{};
        DesktopNotifications notifications(sender);
        DeliveryBubbles bubbles(
            alarm, [&] { return now; }, [&] { return ReadBoolValue(settings, SettingsKeys::kDesktopNotices); },
            [&](const Bubble& bubble) { EXPECT_TRUE(notifications.Show(bubble.summary, bubble.body)); });
        for (const auto& [second, recipient, text] : test.happenings) {
            now = std::chrono::steady_clock::time_point(std::chrono::seconds(second));
            recipient.empty() ? bubbles.Failed(text) : bubbles.Delivered({recipient, text});
        }
        std::vector<std::chrono::milliseconds> alarms;
        for (; alarm.set.second && alarms.size() < 3; std::exchange(alarm.set, {}).second())
            now += alarms.emplace_back(alarm.set.first);
        EXPECT_EQ(alarms, test.alarms);
        (void)sender.call(QDBusMessage::createMethodCall(DesktopNotifications::kService, DesktopNotifications::kPath,
                                                         DesktopNotifications::kService, "GetCapabilities"),
                          QDBus::BlockWithGui);
        EXPECT_EQ(service.shown, test.shown);
        QDBusConnection::disconnectFromBus("sender");
        QDBusConnection::disconnectFromBus("service");
        kill(printed[1].toInt(), SIGTERM);
    }
}
