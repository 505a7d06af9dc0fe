#include "controls/EventReader.h"

#include <cerrno>
#include <cstring>
#include <linux/input.h>
#include <unistd.h>

EventReader::Result EventReader::Read(int fd) {
    unsigned char buffer[64 * sizeof(input_event)];
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got > 0)
        return Feed(buffer, static_cast<size_t>(got));
    Result result;
    if (got < 0 && (errno == EAGAIN || errno == EINTR))
        return result;
    result.gone = true;
    result.error = got < 0 ? errno : 0;
    return result;
}

EventReader::Result EventReader::Feed(const unsigned char* data, size_t size) {
    m_partial.insert(m_partial.end(), data, data + size);
    Result result;
    size_t at = 0;
    for (; at + sizeof(input_event) <= m_partial.size(); at += sizeof(input_event)) {
        input_event event;
        std::memcpy(&event, m_partial.data() + at, sizeof event);
        if (event.type == EV_SYN && event.code == SYN_DROPPED) {
            result.dropped = true;
            m_skipping = true;
        } else if (event.type == EV_SYN && event.code == SYN_REPORT) {
            m_skipping = false;
        } else if (event.type == EV_KEY && !m_skipping && event.value >= 0 && event.value <= 2) {
            const int64_t ms = static_cast<int64_t>(event.input_event_sec) * 1000 + event.input_event_usec / 1000;
            result.buttons.push_back({event.code, static_cast<ButtonEvent::State>(event.value), ms});
        }
    }
    m_partial.erase(m_partial.begin(), m_partial.begin() + static_cast<std::ptrdiff_t>(at));
    return result;
}
