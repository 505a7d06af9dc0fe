#include "PcmCodecStream.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t kFramesPerStep = 8192;

} // namespace

PcmCodecStream::PcmCodecStream(const WaveFormatRecord& format, Direction direction, const CodecLayout& layout)
    : BufferedCodecStream(format, direction, layout) {}

size_t PcmCodecStream::Step(std::span<const uint8_t> source, bool end, std::vector<uint8_t>& output, bool&) {
    const bool encode = GetDirection() == Direction::Encode;
    const size_t inFrameBytes = encode ? PcmFrameBytes() : static_cast<size_t>(m_layout.bytesPerBlock);
    const size_t frames = std::min(source.size() / inFrameBytes, kFramesPerStep);
    if (frames == 0)
        return end ? source.size() : 0; // a stray partial frame at the end carries nothing
    const size_t samples = frames * static_cast<size_t>(m_layout.channels);
    const size_t start = output.size();
    if (m_layout.bitsPerSample == 16) {
        output.resize(start + samples * 2);
        std::memcpy(output.data() + start, source.data(), samples * 2);
    } else if (encode) {
        output.resize(start + samples);
        for (size_t i = 0; i < samples; ++i) {
            int16_t value;
            std::memcpy(&value, source.data() + i * 2, 2);
            output[start + i] = static_cast<uint8_t>(std::min((value + 128) >> 8, 127) + 128); // rounded
        }
    } else {
        output.resize(start + samples * 2);
        for (size_t i = 0; i < samples; ++i) {
            const int16_t value = static_cast<int16_t>((source[i] - 128) * 256);
            std::memcpy(output.data() + start + i * 2, &value, 2);
        }
    }
    return frames * inFrameBytes;
}
