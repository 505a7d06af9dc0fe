#include "WaveOutBase.h"

#include "platform/Poster.h"

namespace audio_internal {

WaveOutBase::WaveOutBase(std::shared_ptr<PlaybackLevelHub> hub) : m_hub(std::move(hub)) {}

WaveOutBase::~WaveOutBase() = default;

bool WaveOutBase::Open(const WaveOutOptions& options, Poster* poster, WaveOutNotify* notify) {
    Close();
    if (!options.format.IsValid() || options.device < -1 || options.device > 127)
        return false;
    const uint16_t level = m_hub->Level();
    {
        std::lock_guard lock(m_mutex);
        m_options = options;
        m_poster = poster;
        m_notify = notify;
        m_lost = false;
        m_paused = false;
        m_written = m_done = m_queuedFrames = 0;
        m_blockEnds.clear();
        m_openToken = std::make_shared<int>(0);
        if (!OpenStream(options, level)) {
            m_openToken.reset();
            return false;
        }
        m_open = true;
    }
    m_hub->Add(this);
    if (m_hub->Level() != level) // changed while the stream was being opened
        SetLevel(m_hub->Level());
    return true;
}

int64_t WaveOutBase::Write(std::span<const int16_t> samples) {
    std::lock_guard lock(m_mutex);
    const size_t channels = m_options.format.channels;
    if (!m_open || m_lost || samples.empty() || samples.size() % channels != 0)
        return -1;
    if (!QueueFrames(samples))
        return -1;
    m_queuedFrames += static_cast<int64_t>(samples.size() / channels);
    m_blockEnds.push_back(m_queuedFrames);
    return m_written++;
}

int64_t WaveOutBase::DoneBlocks() {
    std::lock_guard lock(m_mutex);
    if (!m_open)
        return m_done;
    if (m_lost) {
        m_done = m_written;
        m_blockEnds.clear();
        return m_done;
    }
    if (m_blockEnds.empty())
        return m_done;
    const int64_t played = m_queuedFrames - UnplayedFrames();
    while (!m_blockEnds.empty() && m_blockEnds.front() <= played) {
        m_blockEnds.pop_front();
        ++m_done;
    }
    return m_done;
}

int64_t WaveOutBase::WrittenBlocks() const {
    std::lock_guard lock(m_mutex);
    return m_written;
}

void WaveOutBase::Pause() {
    std::lock_guard lock(m_mutex);
    if (!m_open || m_paused)
        return;
    m_paused = true;
    PauseStream();
}

void WaveOutBase::Restart() {
    std::lock_guard lock(m_mutex);
    if (!m_open || !m_paused)
        return;
    m_paused = false;
    RestartStream();
}

void WaveOutBase::Reset() {
    std::lock_guard lock(m_mutex);
    if (!m_open)
        return;
    FlushStream();
    m_done = m_written;
    m_blockEnds.clear();
}

void WaveOutBase::Close() {
    m_hub->Remove(this);
    std::lock_guard lock(m_mutex);
    if (!m_open)
        return;
    CloseStream();
    m_open = false;
    m_openToken.reset();
    m_done = m_written;
    m_blockEnds.clear();
}

void WaveOutBase::SetLevel(uint16_t mixerLevel) {
    std::lock_guard lock(m_mutex);
    if (m_open)
        SetStreamLevel(mixerLevel);
}

bool WaveOutBase::IsOpen() const {
    std::lock_guard lock(m_mutex);
    return m_open;
}

bool WaveOutBase::IsPaused() const {
    std::lock_guard lock(m_mutex);
    return m_paused;
}

void WaveOutBase::ReportLost() {
    if (m_lost.exchange(true))
        return;
    // m_poster, m_notify and m_openToken change only in Open and Close, which end the stream that reports first.
    if (m_poster && m_notify)
        m_poster->Post([notify = m_notify, weak = std::weak_ptr<int>(m_openToken)] {
            if (weak.lock())
                notify->OnWaveOutLost();
        });
}

} // namespace audio_internal
