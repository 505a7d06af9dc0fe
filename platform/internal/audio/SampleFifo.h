// SampleFifo: a first-in first-out queue of 16-bit samples that grows when it must and otherwise reuses its memory.
// Not locked: its owner guards it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace audio_internal {

class SampleFifo {
public:
    size_t Size() const { return m_size; }
    bool Empty() const { return m_size == 0; }
    void Clear() {
        m_head = 0;
        m_size = 0;
    }

    void Push(std::span<const int16_t> samples) {
        if (samples.empty())
            return;
        if (m_size + samples.size() > m_slots.size())
            Grow(m_size + samples.size());
        size_t tail = (m_head + m_size) % m_slots.size();
        for (size_t done = 0; done < samples.size();) {
            const size_t run = std::min(samples.size() - done, m_slots.size() - tail);
            std::copy_n(samples.data() + done, run, m_slots.data() + tail);
            done += run;
            tail = (tail + run) % m_slots.size();
        }
        m_size += samples.size();
    }

    // The longest run of queued samples that lies in one piece, at most `limit` samples.
    std::span<const int16_t> Front(size_t limit) const {
        const size_t run = std::min({m_size, m_slots.size() - m_head, limit});
        return {m_slots.data() + m_head, run};
    }

    void Pop(size_t count) {
        count = std::min(count, m_size);
        m_head = m_slots.empty() ? 0 : (m_head + count) % m_slots.size();
        m_size -= count;
        if (m_size == 0)
            m_head = 0;
    }

private:
    void Grow(size_t needed) {
        std::vector<int16_t> bigger(std::max(needed, m_slots.size() * 2));
        const size_t count = m_size;
        for (size_t done = 0; done < count;) {
            const std::span<const int16_t> run = Front(count);
            std::copy(run.begin(), run.end(), bigger.data() + done);
            done += run.size();
            Pop(run.size());
        }
        m_slots = std::move(bigger);
        m_head = 0;
        m_size = count;
    }

    std::vector<int16_t> m_slots;
    size_t m_head = 0;
    size_t m_size = 0;
};

} // namespace audio_internal
