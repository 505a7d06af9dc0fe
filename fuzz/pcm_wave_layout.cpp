// fuzz_pcm_wave_layout: the file device's reader of wave file chunks, on any bytes. What it reports must lie
// inside the bytes and describe 16-bit PCM.
#include "platform/internal/audio/PcmWaveLayout.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto readAt = [data, size](void* buffer, size_t bytes, int64_t offset) -> int64_t {
        if (offset < 0 || static_cast<uint64_t>(offset) > size)
            return -1;
        const size_t take = bytes < size - static_cast<size_t>(offset) ? bytes : size - static_cast<size_t>(offset);
        if (take > 0)
            std::memcpy(buffer, data + offset, take);
        return static_cast<int64_t>(take);
    };
    const auto layout = audio_internal::ReadPcmWaveLayout(readAt, static_cast<int64_t>(size));
    if (layout) {
        const int64_t end = layout->dataOffset + layout->frames * layout->format.BytesPerFrame();
        if (!layout->format.IsValid() || layout->dataOffset < 12 || layout->frames < 0 ||
            end > static_cast<int64_t>(size))
            std::abort();
    }
    return 0;
}
