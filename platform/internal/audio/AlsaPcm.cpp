#include "AlsaPcm.h"

#include <cerrno>
#include <chrono>
#include <thread>

namespace audio_internal {

bool AlsaPcm::Open(const std::string& name, AudioDirection direction, const PcmFormat& format,
                   snd_pcm_uframes_t periodFrames, snd_pcm_uframes_t bufferFrames) {
    Close();
    const snd_pcm_stream_t stream =
        direction == AudioDirection::Playback ? SND_PCM_STREAM_PLAYBACK : SND_PCM_STREAM_CAPTURE;
    if (snd_pcm_open(&m_pcm, name.c_str(), stream, SND_PCM_NONBLOCK) < 0) {
        m_pcm = nullptr;
        return false;
    }
    snd_pcm_hw_params_t* hardware = nullptr;
    snd_pcm_hw_params_alloca(&hardware);
    snd_pcm_sw_params_t* software = nullptr;
    snd_pcm_sw_params_alloca(&software);
    m_periodFrames = periodFrames;
    m_bufferFrames = std::max(bufferFrames, 2 * periodFrames);
    snd_pcm_uframes_t boundary = 0;
    const bool ready =
        snd_pcm_hw_params_any(m_pcm, hardware) >= 0 &&
        snd_pcm_hw_params_set_access(m_pcm, hardware, SND_PCM_ACCESS_RW_INTERLEAVED) >= 0 &&
        snd_pcm_hw_params_set_format(m_pcm, hardware, SND_PCM_FORMAT_S16) >= 0 &&
        snd_pcm_hw_params_set_channels(m_pcm, hardware, format.channels) >= 0 &&
        snd_pcm_hw_params_set_rate(m_pcm, hardware, format.rate, 0) >= 0 &&
        snd_pcm_hw_params_set_period_size_near(m_pcm, hardware, &m_periodFrames, nullptr) >= 0 &&
        snd_pcm_hw_params_set_buffer_size_near(m_pcm, hardware, &m_bufferFrames) >= 0 &&
        snd_pcm_hw_params(m_pcm, hardware) >= 0 &&
        snd_pcm_hw_params_get_period_size(hardware, &m_periodFrames, nullptr) >= 0 &&
        snd_pcm_hw_params_get_buffer_size(hardware, &m_bufferFrames) >= 0 &&
        snd_pcm_sw_params_current(m_pcm, software) >= 0 && snd_pcm_sw_params_get_boundary(software, &boundary) >= 0 &&
        // Playback starts with its first frames (we write none while it is held); capture is
        // started by hand. (ALSA's pulse plugin drops frames written before a start by hand.)
        snd_pcm_sw_params_set_start_threshold(m_pcm, software, direction == AudioDirection::Playback ? 1 : boundary) >=
            0 &&
        snd_pcm_sw_params_set_avail_min(m_pcm, software, m_periodFrames) >= 0 &&
        snd_pcm_sw_params(m_pcm, software) >= 0 && snd_pcm_prepare(m_pcm) >= 0;
    if (!ready) {
        Close();
        return false;
    }
    m_canPause = snd_pcm_hw_params_can_pause(hardware) != 0;
    return true;
}

void AlsaPcm::Close() {
    if (m_pcm)
        snd_pcm_close(m_pcm);
    m_pcm = nullptr;
}

bool AlsaPcm::Recover(int error) {
    if (!m_pcm)
        return false;
    if (error == -EINTR || error == -EAGAIN)
        return true;
    if (error == -ESTRPIPE) {
        // A suspended device: resume it, giving up after about a second.
        for (int attempt = 0; attempt < 20; ++attempt) {
            const int resumed = snd_pcm_resume(m_pcm);
            if (resumed == 0)
                return true;
            if (resumed != -EAGAIN)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return snd_pcm_prepare(m_pcm) >= 0;
    }
    if (error == -EPIPE)
        return snd_pcm_prepare(m_pcm) >= 0;
    return false;
}

} // namespace audio_internal
