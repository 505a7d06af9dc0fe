#include "AlsaWaveOut.h"

#include "SampleGain.h"

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace audio_internal {

bool AlsaWaveOut::OpenStream(const WaveOutOptions& options, uint16_t mixerLevel) {
    if (options.device > 0)
        return false;
    std::lock_guard lock(m_deviceMutex);
    const snd_pcm_uframes_t rate = options.format.rate;
    if (!m_pcm.Open(m_shared->pcmName, AudioDirection::Playback, options.format,
                    std::max<snd_pcm_uframes_t>(rate / 40, 16), std::max<snd_pcm_uframes_t>(rate / 4, 64)))
        return false;
    m_channels = options.format.channels;
    m_queue.Clear();
    m_inDevice = 0;
    m_tail.reset();
    m_gain = GainForMixerLevel(mixerLevel);
    m_held = false;
    m_stop = false;
    m_thread = std::thread([this] { Run(); });
    return true;
}

bool AlsaWaveOut::QueueFrames(std::span<const int16_t> samples) {
    {
        std::lock_guard lock(m_deviceMutex);
        m_queue.Push(samples);
    }
    m_wake.notify_all();
    return true;
}

int64_t AlsaWaveOut::UnplayedFrames() {
    std::lock_guard lock(m_deviceMutex);
    int64_t inDevice = 0;
    if (m_pcm.IsOpen() && m_inDevice > 0) {
        const snd_pcm_state_t state = snd_pcm_state(m_pcm.Handle());
        if (state == SND_PCM_STATE_RUNNING) {
            inDevice = RunningDelay();
        } else {
            m_tail.reset();
            if (state == SND_PCM_STATE_PREPARED || state == SND_PCM_STATE_PAUSED)
                inDevice = m_inDevice; // not started, or held: nothing more was played
            // an underrun (or any other state): the device played all it had
        }
    }
    return static_cast<int64_t>(m_queue.Size() / m_channels) + inDevice;
}

int64_t AlsaWaveOut::RunningDelay() {
    snd_pcm_sframes_t delay = 0;
    if (snd_pcm_delay(m_pcm.Handle(), &delay) != 0)
        return 0;
    const int64_t unplayed = std::clamp<int64_t>(delay, 0, m_inDevice);
    const auto now = std::chrono::steady_clock::now();
    if (!m_queue.Empty()) { // frames are still to come: the delay is all there is to go by
        m_tail.reset();
        return unplayed;
    }
    if (!m_tail || m_tail->written != m_inDevice) { // the last frames were just written
        m_tail = Tail{now, m_inDevice, unplayed};
        return unplayed;
    }
    const int64_t elapsed = std::chrono::duration_cast<std::chrono::microseconds>(now - m_tail->since).count() *
                            OpenOptions().format.rate / 1000000;
    return std::min(unplayed, std::max<int64_t>(0, m_tail->unplayed - elapsed));
}

void AlsaWaveOut::PauseStream() {
    std::lock_guard lock(m_deviceMutex);
    m_held = true;
    if (!m_pcm.IsOpen() || snd_pcm_state(m_pcm.Handle()) != SND_PCM_STATE_RUNNING)
        return;
    if (!m_pcm.CanPause() || snd_pcm_pause(m_pcm.Handle(), 1) < 0)
        DropDevice(); // a device that cannot hold drops the quarter second it had
}

void AlsaWaveOut::RestartStream() {
    {
        std::lock_guard lock(m_deviceMutex);
        m_held = false;
        if (m_pcm.IsOpen()) {
            const snd_pcm_state_t state = snd_pcm_state(m_pcm.Handle());
            if (state == SND_PCM_STATE_PAUSED)
                snd_pcm_pause(m_pcm.Handle(), 0);
            else if (state == SND_PCM_STATE_PREPARED && m_inDevice > 0)
                snd_pcm_start(m_pcm.Handle());
        }
    }
    m_wake.notify_all();
}

void AlsaWaveOut::FlushStream() {
    std::lock_guard lock(m_deviceMutex);
    m_queue.Clear();
    DropDevice();
}

void AlsaWaveOut::CloseStream() {
    {
        std::lock_guard lock(m_deviceMutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
    std::lock_guard lock(m_deviceMutex);
    if (m_pcm.IsOpen())
        snd_pcm_drop(m_pcm.Handle());
    m_pcm.Close();
    m_queue.Clear();
}

void AlsaWaveOut::SetStreamLevel(uint16_t mixerLevel) {
    std::lock_guard lock(m_deviceMutex);
    m_gain = GainForMixerLevel(mixerLevel);
}

void AlsaWaveOut::DropDevice() {
    if (!m_pcm.IsOpen())
        return;
    snd_pcm_drop(m_pcm.Handle());
    snd_pcm_prepare(m_pcm.Handle());
    m_inDevice = 0;
    m_tail.reset();
}

bool AlsaWaveOut::FillDevice() {
    snd_pcm_t* pcm = m_pcm.Handle();
    const snd_pcm_state_t state = snd_pcm_state(pcm);
    if (state == SND_PCM_STATE_DISCONNECTED)
        return false;
    if (state == SND_PCM_STATE_XRUN) {
        // It ran dry: everything it had was played; start again with what is queued now.
        if (!m_pcm.Recover(-EPIPE))
            return false;
        m_inDevice = 0;
    }
    for (int recoveries = 0; !m_queue.Empty() && recoveries < 3;) {
        const snd_pcm_sframes_t room = snd_pcm_avail_update(pcm);
        if (room < 0) {
            ++recoveries;
            if (!m_pcm.Recover(static_cast<int>(room)))
                return false;
            m_inDevice = 0;
            continue;
        }
        if (room == 0)
            break;
        const std::span<const int16_t> run = m_queue.Front(static_cast<size_t>(room) * m_channels);
        m_scratch.assign(run.begin(), run.end());
        ApplyGain(m_scratch.data(), m_scratch.size(), m_gain);
        const snd_pcm_sframes_t written =
            snd_pcm_writei(pcm, m_scratch.data(), static_cast<snd_pcm_uframes_t>(run.size() / m_channels));
        if (written == -EAGAIN)
            break;
        if (written < 0) {
            ++recoveries;
            if (!m_pcm.Recover(static_cast<int>(written)))
                return false;
            m_inDevice = 0;
            continue;
        }
        m_queue.Pop(static_cast<size_t>(written) * m_channels);
        m_inDevice += written;
    }
    if (!m_held && m_inDevice > 0 && snd_pcm_state(pcm) == SND_PCM_STATE_PREPARED)
        snd_pcm_start(pcm);
    return true;
}

void AlsaWaveOut::Run() {
    const auto busyWait = std::chrono::milliseconds(std::max<int64_t>(
        5, static_cast<int64_t>(m_pcm.PeriodFrames() * 500 / std::max(OpenOptions().format.rate, 1u))));
    std::unique_lock lock(m_deviceMutex);
    while (!m_stop) {
        if (!m_held && !m_queue.Empty() && !FillDevice()) {
            lock.unlock();
            ReportLost();
            return;
        }
        m_wake.wait_for(lock, m_queue.Empty() ? std::chrono::milliseconds(100) : busyWait);
    }
}

} // namespace audio_internal
