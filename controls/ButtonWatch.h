// ButtonWatch: one input device read on a worker thread, its button events posted to the owner's thread. A device
// node is opened through libevdev and grabbed (EVIOCGRAB) for as long as the watch lives, so its keys reach no other
// reader (a pedal that sends keystrokes does not type into the document); the grab is released and the thread
// stopped when the watch is destroyed. A watch over any other descriptor (a pipe of input_event records) reads the
// same way without grabbing. The callbacks run through the poster, never after the watch is destroyed.
#pragma once

#include "controls/EventReader.h"
#include "controls/UniqueFd.h"

#include <functional>
#include <memory>
#include <string>
#include <thread>

class Poster;

class ButtonWatch {
public:
    struct Events {
        std::function<void(const ButtonEvent&)> button;
        // The device is gone (pulled out, or the stream ended); no more events come. Called once.
        std::function<void()> gone;
    };

    struct Opened {
        std::unique_ptr<ButtonWatch> watch; // null on failure
        std::string error;                  // why not, for the user: names the device and what to do
    };
    // Opens the event device, grabs it and starts reading. `name` names it in the error.
    static Opened Open(const std::string& eventPath, const std::string& name, Poster& poster, Events events);

    // Reads `fd` (owned from now on), without grabbing.
    ButtonWatch(UniqueFd fd, Poster& poster, Events events);
    ~ButtonWatch();
    ButtonWatch(const ButtonWatch&) = delete;
    ButtonWatch& operator=(const ButtonWatch&) = delete;

    // Whether this watch holds the device's grab.
    bool Grabbed() const { return m_grabbed; }

private:
    struct Device; // the libevdev handle and its grab
    ButtonWatch(UniqueFd fd, std::unique_ptr<Device> device, Poster& poster, Events events);
    void Run();

    UniqueFd m_fd;
    UniqueFd m_wake; // eventfd that stops the thread
    std::unique_ptr<Device> m_device;
    bool m_grabbed = false;
    Poster& m_poster;
    std::shared_ptr<Events> m_events; // posted work holds it weakly
    std::thread m_thread;
};
