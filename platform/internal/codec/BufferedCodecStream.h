// BufferedCodecStream: the convert loop shared by the codec streams: steps through the source a codec unit at a
// time while the destination has room and keeps output that does not fit for the next call.
#pragma once

#include "CodecLayout.h"
#include "platform/CodecStream.h"

#include <vector>

class BufferedCodecStream : public CodecStream {
public:
    Result Convert(std::span<const uint8_t> source, std::span<uint8_t> destination, uint32_t flags) final;

    int64_t FramesForBytes(int64_t bytes) const override;
    int64_t BytesForFrames(int64_t frame) const override;
    int64_t FramesPerBlock() const override { return m_layout.framesPerBlock; }
    int64_t BytesPerBlock() const override { return m_layout.bytesPerBlock; }
    size_t DestinationSizeFor(size_t sourceBytes) const override;
    size_t SourceSizeFor(size_t destinationBytes) const override;

protected:
    BufferedCodecStream(const WaveFormatRecord& format, Direction direction, const CodecLayout& layout);

    // Converts the next unit at the front of `source` (whole blocks; with `end` also what is left) and appends
    // the result to `output`. Returns the source bytes taken, 0 when `source` holds no unit to take. Sets `failed`
    // when the codec rejected the data.
    virtual size_t Step(std::span<const uint8_t> source, bool end, std::vector<uint8_t>& output, bool& failed) = 0;
    // Appends what the codec still holds once all source is taken at the end.
    virtual void Flush(std::vector<uint8_t>& output, bool& failed);
    // Returns the codec to its starting state.
    virtual void Reset() = 0;

    size_t PcmFrameBytes() const { return static_cast<size_t>(m_layout.channels) * 2; }

    CodecLayout m_layout;

private:
    void Drain(std::span<uint8_t> destination, Result& result);

    std::vector<uint8_t> m_pending;
    size_t m_pendingTaken = 0;
    bool m_flushed = false;
};
