// The delivery bubbles over a private session bus with a notification service of the test's own that records what
// it is sent: shown, gathered within the minute (a clock and an alarm the test drives), none when turned off, and
// nothing (and no hang) without the service.
#include "TempFolder.h"
#include "app/DeliveryBubbles.h"
#include "platform/Alarm.h"
#include "store/IniValues.h"
#include "store/SettingsKeys.h"
#include "ui/DesktopNotifications.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QThread>
#include <fstream>
#include <gtest/gtest.h>
#include <mutex>
#include <signal.h>

using namespace std::chrono_literals;

namespace {

// A session bus of the test's own, with no services to start.
class PrivateBus {
public:
    explicit PrivateBus(const TempFolder& folder) {
        std::ofstream(folder.Path() + "bus.conf")
            << "<busconfig><type>session</type><keep_umask/><listen>unix:tmpdir=" << folder.Path()
            << "</listen><auth>EXTERNAL</auth><policy context=\"default\"><allow send_destination=\"*\" "
            << "eavesdrop=\"true\"/><allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>";
        QProcess daemon;
        daemon.start("dbus-daemon", {QString::fromStdString("--config-file=" + folder.Path() + "bus.conf"), "--fork",
                                     "--print-address=1", "--print-pid=1"});
        daemon.waitForFinished();
        const QStringList lines = QString::fromUtf8(daemon.readAllStandardOutput()).split('\n');
        if (lines.size() >= 2) {
            address = lines[0];
            pid = lines[1].toInt();
        }
    }
    ~PrivateBus() {
        if (pid > 0)
            kill(pid, SIGTERM);
    }
    QString address;
    pid_t pid = 0;
};

// The notification service: records each bubble's summary and body, answers on its own thread.
class RecordingService final : public QDBusVirtualObject {
public:
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.member() == "Notify") {
            const std::lock_guard lock(m_mutex);
            const QList<QVariant> args = message.arguments();
            m_shown.push_back(args.value(3).toString().toStdString() + " | " + args.value(4).toString().toStdString());
        }
        return connection.send(message.createReply(QVariant::fromValue(0u)));
    }
    std::vector<std::string> Shown() {
        const std::lock_guard lock(m_mutex);
        return m_shown;
    }

private:
    std::mutex m_mutex;
    std::vector<std::string> m_shown;
};

class HandAlarm final : public Alarm {
public:
    void Set(std::chrono::milliseconds delay, std::function<void()> work) override {
        this->delay = delay;
        m_work = std::move(work);
    }
    void Cancel() override { m_work = nullptr; }
    void Fire() { std::exchange(m_work, nullptr)(); }
    bool IsSet() const { return static_cast<bool>(m_work); }
    std::chrono::milliseconds delay{};

private:
    std::function<void()> m_work;
};

struct Happening {
    int second;
    std::string recipient; // empty: a failure
    std::string text;      // the dictation, or the failure
};

struct BubbleCase {
    const char* name;
    std::optional<bool> setting; // nothing: never written (on)
    bool service;
    std::vector<Happening> happenings;
    std::vector<std::string> shownAtOnce;
    std::vector<std::string> shownAfterTheMinute;
    std::vector<std::chrono::milliseconds> alarms; // from the last event, then from alarm to alarm
};

} // namespace

TEST(DesktopBubbles, AreSentAtMostOncePerMinuteAndKindGatheringTheRestNoneWhenOffOrWithoutAService) {
    const std::vector<BubbleCase> cases{
        {"one delivery",
         std::nullopt,
         true,
         {{0, "Anna", "0007"}},
         {"Dictation delivered | Delivered to Anna: 0007"},
         {},
         {}},
        {"gathered",
         true,
         true,
         {{0, "Anna", "1"}, {5, "", "Unable to connect"}, {10, "Anna", "2"}, {20, "Ben", "3"}, {30, "", "Refused"}},
         {"Dictation delivered | Delivered to Anna: 1", "Delivery failed | Unable to connect"},
         {"Dictations delivered | Delivered 2 dictations to Anna and Ben", "Delivery failed | Refused"},
         {30s, 5s}}, // the deliveries' minute ends 30 s after the last event, the failures' 5 s later
        {"turned off", false, true, {{0, "Anna", "1"}, {5, "", "Unable to connect"}}, {}, {}, {}},
        {"no service", true, false, {{0, "Anna", "1"}, {10, "Anna", "2"}}, {}, {}, {50s}},
    };
    for (const BubbleCase& test : cases) {
        SCOPED_TRACE(test.name);
        TempFolder folder;
        const std::string settingsFile = folder.Path() + "settings.ini";
        if (test.setting) {
            ASSERT_TRUE(WriteBoolValue(settingsFile, SettingsKeys::kDesktopNotices, *test.setting));
        }
        PrivateBus bus(folder);
        ASSERT_FALSE(bus.address.isEmpty()) << "dbus-daemon did not start";
        const QString senderName = QStringLiteral("sender-") + test.name;
        const QString serviceName = QStringLiteral("service-") + test.name;
        {
            QDBusConnection sender = QDBusConnection::connectToBus(bus.address, senderName);
            QDBusConnection serviceBus = QDBusConnection::connectToBus(bus.address, serviceName);
            QThread thread;
            RecordingService service;
            service.moveToThread(&thread);
            thread.start();
            if (test.service) {
                ASSERT_TRUE(serviceBus.registerService(DesktopNotifications::kService));
                ASSERT_TRUE(serviceBus.registerVirtualObject(DesktopNotifications::kPath, &service));
            }
            // Every Notify the sender made reaches the service before the answer to a later call.
            const auto shown = [&] {
                (void)sender.call(QDBusMessage::createMethodCall(DesktopNotifications::kService,
                                                                 DesktopNotifications::kPath,
                                                                 DesktopNotifications::kService, "GetCapabilities"));
                return service.Shown();
            };

            HandAlarm alarm;
            std::chrono::steady_clock::time_point now{};
            DesktopNotifications notifications(sender);
            DeliveryBubbles bubbles(
                alarm, [&] { return now; }, [&] { return ReadBoolValue(settingsFile, SettingsKeys::kDesktopNotices); },
                [&](const Bubble& bubble) { EXPECT_TRUE(notifications.Show(bubble.summary, bubble.body)); });
            for (const Happening& happening : test.happenings) {
                now = std::chrono::steady_clock::time_point(std::chrono::seconds(happening.second));
                if (happening.recipient.empty())
                    bubbles.Failed(happening.text);
                else
                    bubbles.Delivered({happening.recipient, happening.text});
            }
            EXPECT_EQ(shown(), test.shownAtOnce);
            std::vector<std::chrono::milliseconds> alarms; // each fired as it comes due
            while (alarm.IsSet() && alarms.size() < 3) {
                alarms.push_back(alarm.delay);
                now += alarm.delay;
                alarm.Fire();
            }
            EXPECT_EQ(alarms, test.alarms);
            std::vector<std::string> all = test.shownAtOnce;
            all.insert(all.end(), test.shownAfterTheMinute.begin(), test.shownAfterTheMinute.end());
            EXPECT_EQ(shown(), all);
            serviceBus.unregisterObject(DesktopNotifications::kPath);
            thread.quit();
            thread.wait();
        }
        QDBusConnection::disconnectFromBus(senderName);
        QDBusConnection::disconnectFromBus(serviceName);
    }
}
