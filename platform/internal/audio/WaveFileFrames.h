// WaveFileFrames: reads the frames of a 16-bit PCM wave file in a wanted format, as a sound server would deliver
// them: channels mixed down or copied up, the rate changed by linear interpolation. One thread at a time.
#pragma once

#include "PcmWaveLayout.h"
#include "platform/AudioTypes.h"
#include "platform/LFile.h"

#include <cstdint>
#include <string>
#include <vector>

namespace audio_internal {

class WaveFileFrames {
public:
    // False when the file cannot be read or is not 16-bit PCM.
    [[nodiscard]] bool Open(const std::string& path, const PcmFormat& wanted);

    // Fills up to `frames` frames of the wanted format into `samples`; returns how many (fewer only at the end).
    int64_t Read(int16_t* samples, int64_t frames);

    bool AtEnd() const { return m_ended; }
    const PcmWaveLayout& Layout() const { return m_layout; }

private:
    // The next frame of the file in the wanted channel count; false at the end of the data.
    bool NextInput(int32_t* frame);

    LFile m_file;
    PcmWaveLayout m_layout;
    PcmFormat m_wanted;
    std::vector<uint8_t> m_chunk; // raw file frames
    size_t m_chunkFrames = 0;
    size_t m_chunkNext = 0;
    int64_t m_fileFrame = 0; // next frame of the file to read into the chunk

    uint64_t m_step = 0;     // input frames per output frame, 32.32 fixed point
    uint64_t m_fraction = 0; // position between m_current and m_next, 32.32
    std::vector<int32_t> m_current, m_next;
    bool m_hasNext = false;
    bool m_ended = false;
};

} // namespace audio_internal
