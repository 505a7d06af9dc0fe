// AlsaPcm: owns one open ALSA PCM, set up for interleaved 16-bit frames of one format, non-blocking; playback
// starts with the first frames written, capture by hand. Used by one thread at a time (its device guards it).
#pragma once

#include "platform/AudioTypes.h"

#include <alsa/asoundlib.h>
#include <cstdint>
#include <string>

namespace audio_internal {

class AlsaPcm {
public:
    AlsaPcm() = default;
    ~AlsaPcm() { Close(); }
    AlsaPcm(const AlsaPcm&) = delete;
    AlsaPcm& operator=(const AlsaPcm&) = delete;

    // Opens `name` for `direction` at exactly `format`, with periods of about `periodFrames` and a buffer of about
    // `bufferFrames`. False when the device is missing, busy or cannot take the format.
    [[nodiscard]] bool Open(const std::string& name, AudioDirection direction, const PcmFormat& format,
                            snd_pcm_uframes_t periodFrames, snd_pcm_uframes_t bufferFrames);
    void Close();

    snd_pcm_t* Handle() const { return m_pcm; }
    bool IsOpen() const { return m_pcm != nullptr; }
    snd_pcm_uframes_t PeriodFrames() const { return m_periodFrames; }
    snd_pcm_uframes_t BufferFrames() const { return m_bufferFrames; }
    bool CanPause() const { return m_canPause; }

    // After an error of a transfer call: overruns, underruns and suspends are recovered (true); other errors mean
    // the device is gone (false).
    bool Recover(int error);

private:
    snd_pcm_t* m_pcm = nullptr;
    snd_pcm_uframes_t m_periodFrames = 0;
    snd_pcm_uframes_t m_bufferFrames = 0;
    bool m_canPause = false;
};

} // namespace audio_internal
