#include "controls/DictationControls.h"

#include "controls/ButtonBehaviour.h"
#include "controls/ButtonWatch.h"
#include "controls/ControlSettings.h"
#include "platform/Poster.h"

#include <array>
#include <cerrno>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>

struct DictationControls::Entry {
    InputDeviceInfo info;
    DeviceControls controls;
    ButtonBehaviour behaviour;
    std::unique_ptr<ButtonWatch> watch;
};

namespace {

// A rescan once the folder changed, and once more this long after the last change, by when udev has given the new
// node its permissions and its by-id link.
constexpr int kSettleMs = 1000;
constexpr uint32_t kFolderChanges = IN_CREATE | IN_DELETE | IN_ATTRIB | IN_MOVED_TO | IN_MOVED_FROM;

} // namespace

DictationControls::DictationControls(Poster& poster, std::string settingsFile, ActionSink sink, std::string inputFolder)
    : m_poster(poster), m_settingsFile(std::move(settingsFile)), m_sink(std::move(sink)),
      m_inputFolder(std::move(inputFolder)), m_alive(std::make_shared<DictationControls*>(this)),
      m_inotify(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)), m_wake(::eventfd(0, EFD_CLOEXEC)) {
    Rescan();
    m_hotPlug = std::thread([this] { RunHotPlug(); });
}

DictationControls::~DictationControls() {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_wake.Get(), &one, sizeof one);
    m_hotPlug.join();
    m_alive.reset();
}

void DictationControls::Reload() {
    Rescan();
}

std::vector<InputDeviceInfo> DictationControls::Watched() const {
    std::vector<InputDeviceInfo> watched;
    for (const auto& [identity, entry] : m_watched)
        if (identity != m_learning || entry->controls.enabled)
            watched.push_back(entry->info);
    return watched;
}

std::vector<InputDeviceInfo> DictationControls::Failed() const {
    return m_failed;
}

bool DictationControls::StartLearning(const std::string& identity, std::function<void(int code)> pressed) {
    StopLearning();
    m_learning = identity;
    m_learnt = std::move(pressed);
    if (const auto found = m_watched.find(identity); found != m_watched.end())
        for (const ControlAction& action : found->second->behaviour.Gone())
            m_sink(action);
    Rescan();
    return m_watched.contains(identity);
}

void DictationControls::StopLearning() {
    if (m_learning.empty())
        return;
    m_learning.clear();
    m_learnt = nullptr;
    Rescan();
}

void DictationControls::Rescan() {
    std::map<std::string, std::unique_ptr<Entry>> kept;
    m_failed.clear();
    for (InputDeviceInfo& info : ListButtonDevices(m_inputFolder)) {
        const DeviceControls controls = LoadDeviceControls(m_settingsFile, info.identity);
        if (!controls.enabled && info.identity != m_learning)
            continue;
        const auto found = m_watched.find(info.identity);
        if (found != m_watched.end() && found->second->info.eventPath == info.eventPath) {
            Entry& entry = *found->second;
            if (entry.controls != controls) {
                for (const ControlAction& action : entry.behaviour.Gone())
                    m_sink(action);
                entry.controls = controls;
                entry.behaviour = ButtonBehaviour(controls);
            }
            kept[info.identity] = std::move(found->second);
            m_watched.erase(found);
            continue;
        }
        const std::string identity = info.identity;
        const std::weak_ptr<DictationControls*> alive = m_alive;
        ButtonWatch::Events events{[alive, identity](const ButtonEvent& event) {
                                       if (const auto self = alive.lock())
                                           (*self)->OnButton(identity, event);
                                   },
                                   [alive, identity] {
                                       if (const auto self = alive.lock())
                                           (*self)->OnGone(identity);
                                   }};
        ButtonWatch::Opened opened = ButtonWatch::Open(info.eventPath, info.name, m_poster, std::move(events));
        if (!opened.watch) {
            info.openError = opened.error;
            m_failed.push_back(std::move(info));
            continue;
        }
        kept[identity] = std::make_unique<Entry>(
            Entry{std::move(info), controls, ButtonBehaviour(controls), std::move(opened.watch)});
    }
    // What is left is disabled, gone, or found again under another event number.
    for (const auto& [identity, entry] : m_watched)
        for (const ControlAction& action : entry->behaviour.Gone())
            m_sink(action);
    m_watched = std::move(kept);
}

void DictationControls::OnButton(const std::string& identity, const ButtonEvent& event) {
    if (identity == m_learning) {
        if (event.state == ButtonEvent::State::Press && m_learnt)
            m_learnt(event.code);
        return;
    }
    if (const auto found = m_watched.find(identity); found != m_watched.end())
        for (const ControlAction& action : found->second->behaviour.Take(event))
            m_sink(action);
}

void DictationControls::OnGone(const std::string& identity) {
    const auto found = m_watched.find(identity);
    if (found == m_watched.end())
        return;
    for (const ControlAction& action : found->second->behaviour.Gone())
        m_sink(action);
    m_watched.erase(found);
}

void DictationControls::RunHotPlug() {
    const std::string byId = m_inputFolder + "/by-id";
    const auto watchFolders = [&] {
        ::inotify_add_watch(m_inotify.Get(), m_inputFolder.c_str(), kFolderChanges);
        ::inotify_add_watch(m_inotify.Get(), byId.c_str(), kFolderChanges); // fails until the first link comes
    };
    watchFolders();
    const std::weak_ptr<DictationControls*> alive = m_alive;
    const auto postRescan = [&] {
        m_poster.Post([alive] {
            if (const auto self = alive.lock())
                (*self)->Rescan();
        });
    };
    bool settling = false;
    for (;;) {
        std::array<pollfd, 2> fds{{{m_inotify.Get(), POLLIN, 0}, {m_wake.Get(), POLLIN, 0}}};
        const int ready = ::poll(fds.data(), fds.size(), settling ? kSettleMs : -1);
        if (ready < 0 && errno != EINTR)
            return;
        if (fds[1].revents != 0)
            return;
        if (ready == 0) {
            settling = false;
            postRescan();
            continue;
        }
        if ((fds[0].revents & POLLIN) == 0)
            continue;
        std::array<char, 4096> buffer;
        while (::read(m_inotify.Get(), buffer.data(), buffer.size()) > 0) {
        }
        watchFolders();
        settling = true;
        postRescan();
    }
}
