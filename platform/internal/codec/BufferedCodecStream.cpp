#include "BufferedCodecStream.h"

#include <algorithm>
#include <cstring>

namespace {

// Bounds for a decoder's source buffer where the format has no blocks: room for a few of the largest layer-3 frames
// (finding a frame start takes three), and no more than a fuzzed byte rate can make reasonable.
constexpr size_t kMinStreamSource = 8192;
constexpr size_t kMaxStreamSource = 65536;
// Worst case of the layer-3 encoder's output: 1.25 bytes a frame plus this.
constexpr size_t kLayer3Slack = 7200;

} // namespace

CodecStream::CodecStream(const WaveFormatRecord& format, Direction direction)
    : m_format(format), m_pcm(WaveFormatRecord::Pcm(format.samplesPerSec, format.channels, 16)),
      m_direction(direction) {}

BufferedCodecStream::BufferedCodecStream(const WaveFormatRecord& format, Direction direction, const CodecLayout& layout)
    : CodecStream(format, direction), m_layout(layout) {}

void BufferedCodecStream::Flush(std::vector<uint8_t>&, bool&) {}

void BufferedCodecStream::Drain(std::span<uint8_t> destination, Result& result) {
    const size_t waiting = m_pending.size() - m_pendingTaken;
    const size_t count = std::min(waiting, destination.size() - result.produced);
    if (count > 0) {
        std::memcpy(destination.data() + result.produced, m_pending.data() + m_pendingTaken, count);
        result.produced += count;
        m_pendingTaken += count;
    }
    if (m_pendingTaken == m_pending.size()) {
        m_pending.clear();
        m_pendingTaken = 0;
    }
}

CodecStream::Result BufferedCodecStream::Convert(std::span<const uint8_t> source, std::span<uint8_t> destination,
                                                 uint32_t flags) {
    if (flags & kStart) {
        Reset();
        m_pending.clear();
        m_pendingTaken = 0;
        m_flushed = false;
    }
    Result result;
    Drain(destination, result);
    const bool end = (flags & kEnd) != 0;
    while (m_pending.empty() && result.consumed < source.size() && result.produced < destination.size()) {
        const size_t taken = Step(source.subspan(result.consumed), end, m_pending, result.failed);
        if (taken == 0)
            break;
        result.consumed += taken;
        m_flushed = false;
        Drain(destination, result);
    }
    if (end && result.consumed == source.size() && !m_flushed) {
        m_flushed = true;
        Flush(m_pending, result.failed);
        Drain(destination, result);
    }
    return result;
}

int64_t BufferedCodecStream::FramesForBytes(int64_t bytes) const {
    return m_layout.FramesForBytes(bytes, m_format);
}

int64_t BufferedCodecStream::BytesForFrames(int64_t frame) const {
    if (frame <= 0)
        return 0;
    if (m_layout.HasBlocks())
        return frame / m_layout.framesPerBlock * m_layout.bytesPerBlock;
    const int64_t bytes = BytesAtByteRate(frame, m_format.avgBytesPerSec, m_format.samplesPerSec);
    return bytes - bytes % m_layout.bytesPerBlock;
}

size_t BufferedCodecStream::DestinationSizeFor(size_t sourceBytes) const {
    const size_t frameBytes = PcmFrameBytes();
    if (GetDirection() == Direction::Encode) {
        const size_t frames = sourceBytes / frameBytes;
        if (!m_layout.HasBlocks())
            return frames + frames / 4 + kLayer3Slack;
        const size_t framesPerBlock = static_cast<size_t>(m_layout.framesPerBlock);
        const size_t blocks = (frames + framesPerBlock - 1) / framesPerBlock;
        return std::max<size_t>(blocks, 1) * static_cast<size_t>(m_layout.bytesPerBlock);
    }
    if (!m_layout.HasBlocks())
        return (static_cast<size_t>(FramesForBytes(static_cast<int64_t>(sourceBytes))) + 1152) * frameBytes;
    const size_t blockBytes = static_cast<size_t>(m_layout.bytesPerBlock);
    const size_t blocks = std::max<size_t>((sourceBytes + blockBytes - 1) / blockBytes, 1);
    return blocks * static_cast<size_t>(m_layout.framesPerBlock) * frameBytes;
}

size_t BufferedCodecStream::SourceSizeFor(size_t destinationBytes) const {
    const size_t frameBytes = PcmFrameBytes();
    if (GetDirection() == Direction::Encode) {
        if (!m_layout.HasBlocks()) {
            const size_t room = destinationBytes > kLayer3Slack ? destinationBytes - kLayer3Slack : 0;
            return std::max<size_t>(room * 4 / 5, 1152) * frameBytes;
        }
        const size_t blocks = std::max<size_t>(destinationBytes / static_cast<size_t>(m_layout.bytesPerBlock), 1);
        return blocks * static_cast<size_t>(m_layout.framesPerBlock) * frameBytes;
    }
    const size_t frames = destinationBytes / frameBytes;
    if (!m_layout.HasBlocks()) {
        const int64_t bytes =
            BytesAtByteRate(static_cast<int64_t>(frames), m_format.avgBytesPerSec, m_format.samplesPerSec);
        return std::clamp<size_t>(static_cast<size_t>(std::max<int64_t>(bytes, 0)), kMinStreamSource, kMaxStreamSource);
    }
    const size_t blocks = std::max<size_t>(frames / static_cast<size_t>(m_layout.framesPerBlock), 1);
    return blocks * static_cast<size_t>(m_layout.bytesPerBlock);
}
