// EventReader: the key events in a stream of Linux `struct input_event` records, read from a file descriptor (an
// event device, or a pipe in tests). Records may arrive split across reads; a partial one waits for the rest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct ButtonEvent {
    enum class State { Release = 0, Press = 1, Repeat = 2 };
    int code = 0; // evdev key code (KEY_* or BTN_*)
    State state = State::Press;
    int64_t timeMs = 0; // the event's own time stamp, in milliseconds

    bool operator==(const ButtonEvent&) const = default;
};

class EventReader {
public:
    struct Result {
        std::vector<ButtonEvent> buttons;
        // The kernel dropped events (its buffer overflowed): the reader skipped to the next report, and a release
        // may be lost; the caller should ask the device which buttons are really down.
        bool dropped = false;
        // End of stream or a read error (ENODEV when the device was pulled out): nothing more will come.
        bool gone = false;
        int error = 0; // errno of the failed read; 0 at end of stream
    };

    // Reads what `fd` has now (once; a non-blocking fd with nothing to read gives an empty result).
    Result Read(int fd);
    // The same on bytes already read: how the records in `data` (after any partial record kept) turn out.
    Result Feed(const unsigned char* data, size_t size);

private:
    std::vector<unsigned char> m_partial;
    bool m_skipping = false; // after a drop, until the next report
};
