#include "AlsaWaveIn.h"

#include "platform/MixerLevel.h"

#include <algorithm>
#include <cerrno>

namespace audio_internal {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds kShortestWait{2};
constexpr std::chrono::milliseconds kLongestWait{100};
constexpr std::chrono::seconds kSilentDeviceLimit{3};
constexpr std::chrono::milliseconds kStopWait{1000};

} // namespace

bool AlsaWaveIn::OpenStream(const WaveInOptions& options) {
    if (options.device > 0)
        return false;
    auto capture = std::make_shared<Capture>();
    const auto period = static_cast<snd_pcm_uframes_t>(options.framesPerBlock);
    const auto buffer = std::max<snd_pcm_uframes_t>(8 * period, options.format.rate / 2);
    if (!capture->pcm.Open(m_shared->pcmName, AudioDirection::Recording, options.format, period, buffer))
        return false;
    capture->channels = options.format.channels;
    capture->rate = options.format.rate;
    capture->scratch.assign(static_cast<size_t>(capture->pcm.PeriodFrames()) * capture->channels, 0);
    m_capture = std::move(capture);
    return true;
}

void AlsaWaveIn::StartStream() {
    if (!m_capture)
        return;
    {
        std::lock_guard lock(m_capture->mutex);
        m_capture->stop = m_capture->ended = false;
        m_capture->progress = Clock::now();
    }
    snd_pcm_t* pcm = m_capture->pcm.Handle();
    if (snd_pcm_state(pcm) != SND_PCM_STATE_PREPARED)
        snd_pcm_prepare(pcm);
    snd_pcm_start(pcm);
    m_thread = std::thread(Run, m_capture, this);
    m_watchdog = std::thread([this] { Watch(); });
}

void AlsaWaveIn::StopStream() {
    if (!m_capture || !m_thread.joinable())
        return;
    bool ended = false;
    {
        std::unique_lock lock(m_capture->mutex);
        m_capture->stop = true;
        m_capture->changed.notify_all();
        ended = m_capture->changed.wait_for(lock, kStopWait, [this] { return m_capture->ended; });
        if (!ended)
            m_capture->abandoned = true;
    }
    m_watchdog.join();
    if (ended) {
        m_thread.join();
        snd_pcm_drop(m_capture->pcm.Handle());
    } else {
        // Hung inside the device: leave the thread with its device; this one is gone for good.
        m_thread.detach();
        m_capture.reset();
    }
}

void AlsaWaveIn::CloseStream() {
    m_capture.reset();
}

void AlsaWaveIn::Watch() {
    const std::shared_ptr<Capture> capture = m_capture;
    std::unique_lock lock(capture->mutex);
    while (!capture->stop && !capture->ended) {
        capture->changed.wait_for(lock, std::chrono::milliseconds(250));
        if (!capture->stop && !capture->ended && Clock::now() - capture->progress > kSilentDeviceLimit) {
            // The capture thread is stuck in the device or the device stopped delivering.
            ReportLost();
            break;
        }
    }
}

void AlsaWaveIn::Run(std::shared_ptr<Capture> capture, AlsaWaveIn* self) {
    snd_pcm_t* pcm = capture->pcm.Handle();
    const auto period = static_cast<snd_pcm_sframes_t>(capture->scratch.size() / capture->channels);
    Clock::time_point lastData = Clock::now();
    // Calls into the device object, unless it stopped waiting for this thread; false when the thread is to end.
    auto reach = [&](auto&& call) {
        std::lock_guard lock(capture->mutex);
        capture->progress = Clock::now();
        if (!capture->abandoned)
            call();
        return !capture->stop && !capture->abandoned;
    };
    // Recovers from an error; false (the loss reported) when the device is gone.
    auto recover = [&](int error) {
        if (error == -EPIPE)
            reach([&] { self->CountOverrun(); });
        if (!capture->pcm.Recover(error)) {
            reach([&] { self->ReportLost(); });
            return false;
        }
        snd_pcm_start(pcm);
        return true;
    };
    for (;;) {
        const snd_pcm_sframes_t available = snd_pcm_avail(pcm);
        if (available < 0) {
            if (!recover(static_cast<int>(available)) || !reach([] {}))
                break;
            continue;
        }
        if (available >= period) {
            const snd_pcm_sframes_t got =
                snd_pcm_readi(pcm, capture->scratch.data(), static_cast<snd_pcm_uframes_t>(period));
            if (got > 0) {
                lastData = Clock::now();
                if (!reach([&] {
                        self->SetFeedGain(GainForMixerLevel(self->m_shared->recordLevel));
                        self->Feed(capture->scratch.data(), got);
                    }))
                    break;
                continue;
            }
            if (got != -EAGAIN && got != 0) {
                if (!recover(static_cast<int>(got)) || !reach([] {}))
                    break;
                continue;
            }
        }
        if (Clock::now() - lastData > kSilentDeviceLimit) {
            reach([&] { self->ReportLost(); }); // a sound card delivers all the time; this one stopped
            break;
        }
        // Sleep until about a period has come: some devices (ALSA's pulse plugin) wake a poll for every scrap.
        const auto missing = std::chrono::milliseconds((period - available) * 1000 / capture->rate);
        std::unique_lock lock(capture->mutex);
        capture->progress = Clock::now();
        if (capture->changed.wait_for(lock, std::clamp(missing, kShortestWait, kLongestWait),
                                      [&] { return capture->stop || capture->abandoned; }))
            break;
    }
    std::lock_guard lock(capture->mutex);
    capture->ended = true;
    capture->changed.notify_all();
}

} // namespace audio_internal
