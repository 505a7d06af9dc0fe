#include "controls/ButtonWatch.h"

#include "controls/internal/OpenErrorText.h"
#include "platform/Poster.h"

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <libevdev/libevdev.h>
#include <linux/input.h>
#include <poll.h>
#include <set>
#include <sys/eventfd.h>
#include <sys/ioctl.h>

// The libevdev handle of an opened device node, holding its grab until it goes.
struct ButtonWatch::Device {
    libevdev* handle = nullptr;
    ~Device() {
        if (handle == nullptr)
            return;
        libevdev_grab(handle, LIBEVDEV_UNGRAB);
        libevdev_free(handle);
    }
};

ButtonWatch::Opened ButtonWatch::Open(const std::string& eventPath, const std::string& name, Poster& poster,
                                      Events events) {
    UniqueFd fd(::open(eventPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.Valid())
        return {nullptr, OpenErrorText(name, eventPath, errno)};
    auto device = std::make_unique<Device>();
    if (const int failed = libevdev_new_from_fd(fd.Get(), &device->handle); failed < 0)
        return {nullptr, OpenErrorText(name, eventPath, -failed)};
    if (const int failed = libevdev_grab(device->handle, LIBEVDEV_GRAB); failed < 0)
        return {nullptr, OpenErrorText(name, eventPath, -failed)};
    return {std::unique_ptr<ButtonWatch>(new ButtonWatch(std::move(fd), std::move(device), poster, std::move(events))),
            ""};
}

ButtonWatch::ButtonWatch(UniqueFd fd, Poster& poster, Events events)
    : ButtonWatch(std::move(fd), nullptr, poster, std::move(events)) {}

ButtonWatch::ButtonWatch(UniqueFd fd, std::unique_ptr<Device> device, Poster& poster, Events events)
    : m_fd(std::move(fd)), m_wake(::eventfd(0, EFD_CLOEXEC)), m_device(std::move(device)),
      m_grabbed(m_device != nullptr), m_poster(poster), m_events(std::make_shared<Events>(std::move(events))) {
    m_thread = std::thread([this] { Run(); });
}

ButtonWatch::~ButtonWatch() {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_wake.Get(), &one, sizeof one);
    m_thread.join();
    m_events.reset(); // work still queued finds no one
}

void ButtonWatch::Run() {
    EventReader reader;
    std::set<int> down; // codes pressed and not yet released, to mend a drop with
    const std::weak_ptr<Events> events = m_events;
    const auto postButton = [&](const ButtonEvent& event) {
        m_poster.Post([events, event] {
            if (const std::shared_ptr<Events> owner = events.lock())
                owner->button(event);
        });
    };
    for (;;) {
        std::array<pollfd, 2> fds{{{m_fd.Get(), POLLIN, 0}, {m_wake.Get(), POLLIN, 0}}};
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[1].revents != 0)
            return;
        const EventReader::Result result = reader.Read(m_fd.Get());
        for (const ButtonEvent& event : result.buttons) {
            if (event.state == ButtonEvent::State::Press)
                down.insert(event.code);
            else if (event.state == ButtonEvent::State::Release)
                down.erase(event.code);
            postButton(event);
        }
        std::array<unsigned char, KEY_MAX / 8 + 1> keys{};
        if (result.dropped && ::ioctl(m_fd.Get(), EVIOCGKEY(keys.size()), keys.data()) >= 0) {
            for (auto code = down.begin(); code != down.end();)
                if ((keys[*code / 8] & (1 << (*code % 8))) == 0) {
                    postButton({*code, ButtonEvent::State::Release, 0});
                    code = down.erase(code);
                } else {
                    ++code;
                }
        }
        if (result.gone)
            break;
    }
    m_poster.Post([events] {
        if (const std::shared_ptr<Events> owner = events.lock())
            owner->gone();
    });
}
