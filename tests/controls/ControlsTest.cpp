#include "SessionTestSupport.h"
#include "app/ControlsRouter.h"
#include "app/DictationTransport.h"
#include "controls/ButtonBehaviour.h"
#include "controls/ButtonWatch.h"
#include "controls/DictationControls.h"
#include "controls/InputDevices.h"

#include <fcntl.h>
#include <filesystem>
#include <libevdev/libevdev-uinput.h>
#include <linux/input.h>

namespace {

constexpr int kGone = -1; // a step where the device is pulled out
constexpr int kRewind = BTN_0, kPlay = BTN_1, kForward = BTN_2, kRecord = BTN_3, kStop = BTN_4;

DeviceControls Learnt(DeviceBehaviour behaviour) {
    return {true, behaviour, {kRecord, kPlay, kStop, kRewind, kForward}}; // in the order of ControlCommand
}

std::string TransportState(const DictationTransport& transport) {
    if (transport.IsRewinding())
        return "rewind";
    if (transport.IsForwarding())
        return "forward";
    if (transport.IsRecording())
        return "record";
    return transport.IsPlaying() ? "play" : "-";
}

using ControlsSessionTest = SessionTest;

} // namespace

TEST_F(ControlsSessionTest, ButtonsDriveTheSessionAsTheHandExpects) {
    struct Step {
        int code; // kGone: the device is pulled out
        ButtonEvent::State state;
        int64_t ms;
        const char* after; // the transport's state after the step
    };
    struct Row {
        const char* name;
        DeviceBehaviour behaviour;
        std::vector<Step> steps;
    };
    constexpr auto kDown = ButtonEvent::State::Press, kUp = ButtonEvent::State::Release;
    constexpr auto kPedal = DeviceBehaviour::Pedal;
    const std::vector<Row> rows{
        {"a pedal plays only while pressed, whatever its auto-repeat",
         kPedal,
         {{kPlay, kDown, 0, "play"}, {kPlay, ButtonEvent::State::Repeat, 250, "play"}, {kPlay, kUp, 900, "-"}}},
        {"rewinding while playing, then playing on",
         kPedal,
         {{kPlay, kDown, 0, "play"},
          {kRewind, kDown, 400, "rewind"},
          {kRewind, kUp, 900, "play"},
          {kPlay, kUp, 1500, "-"}}},
        {"the waiting pedal released first",
         kPedal,
         {{kPlay, kDown, 0, "play"},
          {kForward, kDown, 400, "forward"},
          {kPlay, kUp, 600, "forward"},
          {kForward, kUp, 900, "-"}}},
        {"a pedal pulled out mid-press stops playing", kPedal, {{kPlay, kDown, 0, "play"}, {kGone, kUp, 500, "-"}}},
        {"an unlearnt button does nothing", kPedal, {{KEY_A, kDown, 0, "-"}, {KEY_A, kUp, 50, "-"}}},
        {"hold rule: a tap locks playing, stop ends it",
         DeviceBehaviour::MicrophoneHoldRule,
         {{kPlay, kDown, 0, "play"}, {kPlay, kUp, 100, "play"}, {kStop, kDown, 2000, "-"}, {kStop, kUp, 2100, "-"}}},
        {"microphone: record while held, however short",
         DeviceBehaviour::MicrophoneHeld,
         {{kRecord, kDown, 0, "record"}, {kRecord, kUp, 100, "-"}}},
    };
    AddDictation("Dictation 1", 30.0);
    DictationSession& session = Open();
    ControlsRouter router(session, m_poster, m_settings.settingsFile, m_folder / "no-input");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ButtonBehaviour behaviour(Learnt(row.behaviour));
        const int64_t start = m_now;
        for (const Step& step : row.steps) {
            m_now = start + step.ms;
            const std::vector<ControlAction> actions =
                step.code == kGone ? behaviour.Gone() : behaviour.Take({step.code, step.state, step.ms});
            for (const ControlAction& action : actions)
                router.Run(action);
            m_poster.Pump();
            EXPECT_EQ(TransportState(session.Transport()), step.after) << "at " << step.ms << " ms";
        }
        session.Stop();
        m_now = start + 100000;
    }
    EXPECT_TRUE(m_view.told.empty());
}

TEST(ButtonWatchTest, ReadsKeyRecordsFromAPipeUntilItCloses) {
    int ends[2];
    ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
    UniqueFd writer(ends[1]);
    PumpPoster poster;
    std::vector<ButtonEvent> got;
    bool gone = false;
    ButtonWatch watch(UniqueFd(ends[0]), poster,
                      {[&](const ButtonEvent& event) { got.push_back(event); }, [&] { gone = true; }});
    EXPECT_FALSE(watch.Grabbed());
    // A key record inside a report the kernel dropped is not trusted: the press of Stop never arrives.
    const input_event events[] = {
        {{}, EV_KEY, kPlay, 1},       {{}, EV_REL, REL_X, 5}, {{}, EV_SYN, SYN_REPORT, 0}, {{}, EV_KEY, kPlay, 0},
        {{}, EV_SYN, SYN_DROPPED, 0}, {{}, EV_KEY, kStop, 1}, {{}, EV_SYN, SYN_REPORT, 0}, {{}, EV_KEY, kRewind, 2}};
    ASSERT_EQ(::write(writer.Get(), events, sizeof events), static_cast<ssize_t>(sizeof events));
    writer.Reset();
    for (int wait = 0; !gone && wait < 600; ++wait)
        poster.WaitAndPump(std::chrono::milliseconds(100));
    EXPECT_TRUE(gone);
    const std::vector<ButtonEvent> expected{{kPlay, ButtonEvent::State::Press, 0},
                                            {kPlay, ButtonEvent::State::Release, 0},
                                            {kRewind, ButtonEvent::State::Repeat, 0}};
    EXPECT_EQ(got, expected);

    const input_event split{{}, EV_KEY, kStop, 1};
    const auto* bytes = reinterpret_cast<const unsigned char*>(&split);
    EventReader reader; // a record split across reads waits for its rest
    EXPECT_TRUE(reader.Feed(bytes, 5).buttons.empty());
    EXPECT_EQ(reader.Feed(bytes + 5, sizeof split - 5).buttons,
              (std::vector<ButtonEvent>{{kStop, ButtonEvent::State::Press, 0}}));
}

TEST(ControlSettingsTest, ADeviceFoundAgainUnderANewEventNumberKeepsItsChoice) {
    TempFolder folder;
    const std::string input = folder / "input", settings = folder / "settings.ini";
    folder.Write("input/event3", "");
    folder.Write("input/event7", "");
    std::filesystem::create_directory(input + "/by-id");
    const std::string link = input + "/by-id/usb-Pedal-event-kbd";
    const DeviceControls chosen = Learnt(DeviceBehaviour::MicrophoneHeld);
    for (const char* name : {"Pedal", "Odd ]name"}) {
        SCOPED_TRACE(name);
        const bool linked = std::string(name) == "Pedal";
        std::filesystem::remove(link);
        if (linked)
            std::filesystem::create_symlink("../event3", link);
        const std::string before = DeviceIdentity(input, input + "/event3", 0x05f3, 0x00ff, name);
        EXPECT_EQ(before, linked ? "usb-Pedal-event-kbd" : std::string("05f3:00ff:") + name);
        ASSERT_TRUE(SaveDeviceControls(settings, before, chosen));
        std::filesystem::remove(link);
        if (linked)
            std::filesystem::create_symlink("../event7", link);
        const std::string after = DeviceIdentity(input, input + "/event7", 0x05f3, 0x00ff, name);
        EXPECT_EQ(after, before);
        EXPECT_EQ(LoadDeviceControls(settings, after), chosen);
    }
    EXPECT_EQ(LoadDeviceControls(settings, "05f3:00ff:Other"), DeviceControls{});
}

// A virtual pedal through /dev/uinput, plugged in while the controls run: it is found, its press reaches the owner
// as an action, and while it is enabled its keys reach no other reader; disabled, it ends what it drove and lets go.
TEST(ControlsDeviceTest, AVirtualPedalPluggedInIsFoundReadAndGrabbed) {
    if (::access("/dev/uinput", W_OK) != 0)
        GTEST_SKIP() << "this machine has no writable /dev/uinput, so no virtual pedal can be made";
    TempFolder folder;
    const std::string settings = folder / "settings.ini";
    const std::string identity = UsbIdText(0x7e57, 0x0001) + ":Tallowin test pedal"; // no by-id link: virtual
    ASSERT_TRUE(SaveDeviceControls(settings, identity, Learnt(DeviceBehaviour::Pedal)));
    PumpPoster poster;
    std::vector<ControlAction> actions;
    DictationControls controls(poster, settings, [&](const ControlAction& action) { actions.push_back(action); });
    const auto pumpUntil = [&](const std::function<bool()>& done) {
        for (int wait = 0; !done() && wait < 600; ++wait)
            poster.WaitAndPump(std::chrono::milliseconds(100));
    };

    libevdev* pedal = libevdev_new();
    libevdev_set_name(pedal, "Tallowin test pedal");
    libevdev_set_id_bustype(pedal, BUS_USB);
    libevdev_set_id_vendor(pedal, 0x7e57);
    libevdev_set_id_product(pedal, 0x0001);
    for (int code : {kRewind, kPlay, kForward})
        libevdev_enable_event_code(pedal, EV_KEY, code, nullptr);
    libevdev_uinput* device = nullptr;
    const int made = libevdev_uinput_create_from_device(pedal, LIBEVDEV_UINPUT_OPEN_MANAGED, &device);
    libevdev_free(pedal);
    ASSERT_EQ(made, 0);
    const std::unique_ptr<libevdev_uinput, void (*)(libevdev_uinput*)> owner(device, libevdev_uinput_destroy);
    if (libevdev_uinput_get_devnode(device) == nullptr)
        GTEST_SKIP() << "the virtual pedal got no node in /dev/input (no devtmpfs here)";
    pumpUntil([&] { return !controls.Watched().empty(); });
    ASSERT_EQ(controls.Watched().size(), 1u) << "the pedal plugged in was not found";
    const UniqueFd other(::open(libevdev_uinput_get_devnode(device), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    ASSERT_TRUE(other.Valid());
    const auto press = [&](int value) {
        libevdev_uinput_write_event(device, EV_KEY, kPlay, value);
        libevdev_uinput_write_event(device, EV_SYN, SYN_REPORT, 0);
    };
    press(1);
    pumpUntil([&] { return !actions.empty(); });
    input_event seen{};
    EXPECT_LT(::read(other.Get(), &seen, sizeof seen), 0) << "a grabbed key reached another reader";

    ASSERT_TRUE(SaveDeviceControls(settings, identity, DeviceControls{}));
    controls.Reload();
    using Phase = ControlAction::Phase;
    EXPECT_EQ(actions,
              (std::vector<ControlAction>{{ControlCommand::Play, Phase::Begin}, {ControlCommand::Play, Phase::End}}));
    press(0); // let go: the other reader hears it now
    for (int wait = 0; seen.type != EV_KEY && wait < 100; ++wait)
        if (::read(other.Get(), &seen, sizeof seen) < 0)
            ::usleep(50000);
    EXPECT_EQ(seen.code, kPlay);
}
