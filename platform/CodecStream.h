// CodecStream: one conversion stream between 16-bit PCM (interleaved, native order; same rate and channels) and a
// wave format (PCM, A-law, mu-law, IMA ADPCM, MS ADPCM, GSM 6.10, MPEG layer-3). The codec libraries stay inside.
// Used by one thread at a time.
//
//   std::unique_ptr<CodecStream> decoder = CodecStream::Open(format, CodecStream::Direction::Decode);
//   CodecStream::Result step = decoder->Convert(source, destination, CodecStream::kBlockAlign);
//   // step.consumed bytes of `source` were taken, step.produced bytes of `destination` were filled
#pragma once

#include "platform/WaveFormatRecord.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

class CodecStream {
public:
    enum class Direction {
        Encode, // 16-bit PCM in, the format's bytes out
        Decode  // the format's bytes in, 16-bit PCM out
    };

    // Convert flags. Without kEnd only whole codec blocks are taken (kBlockAlign states that explicitly).
    static constexpr uint32_t kBlockAlign = 1;
    static constexpr uint32_t kStart = 2; // reset the codec before converting
    static constexpr uint32_t kEnd = 4;   // take everything: pad the last block, flush the codec

    struct Result {
        size_t consumed = 0; // source bytes taken
        size_t produced = 0; // destination bytes filled
        bool failed = false; // the encoder rejected data (decoders replace a bad block with silence instead)
    };

    // A stream for `format`, or null when no codec here can convert it in that direction.
    static std::unique_ptr<CodecStream> Open(const WaveFormatRecord& format, Direction direction);
    // True when a stream from 16-bit PCM of the record's rate and channels to `format` opens.
    static bool CanEncode(const WaveFormatRecord& format);

    virtual ~CodecStream() = default;
    CodecStream(const CodecStream&) = delete;
    CodecStream& operator=(const CodecStream&) = delete;

    Direction GetDirection() const { return m_direction; }
    const WaveFormatRecord& Format() const { return m_format; }
    // The PCM side: 16 bits, the format's rate and channels.
    const WaveFormatRecord& Pcm() const { return m_pcm; }

    // Destination bytes enough for converting `sourceBytes` (whole blocks, the padded last block included).
    virtual size_t DestinationSizeFor(size_t sourceBytes) const = 0;
    // Source bytes whose conversion fits in `destinationBytes`: whole blocks, at least one.
    virtual size_t SourceSizeFor(size_t destinationBytes) const = 0;

    // Frames that `bytes` of the format decode to: whole blocks × frames per block plus what a partial last block
    // holds; an estimate for formats without blocks (MPEG layer-3): from the byte rate decoding has shown so far,
    // else from the record's.
    virtual int64_t FramesForBytes(int64_t bytes) const = 0;
    // The byte offset where decoding starts to reach `frame`: the start of its block; for MPEG layer-3 an estimate
    // far enough before it to refill the bit reservoir and the overlap of the frames before. FramesForBytes of the
    // result is the frame that decoding from there yields first.
    virtual int64_t BytesForFrames(int64_t frame) const = 0;
    // Frames in one codec block (IMA/MS ADPCM, GSM 6.10; one frame for PCM, A-law and mu-law); 0 when the format
    // has no fixed blocks (MPEG layer-3).
    virtual int64_t FramesPerBlock() const = 0;
    // Bytes of one codec block: a frame's for PCM, A-law and mu-law, the record's block align for ADPCM and GSM 6.10,
    // 1 for MPEG layer-3 (its frames may start at any byte).
    virtual int64_t BytesPerBlock() const = 0;

    // Converts from `source` into `destination`. Output the destination cannot take waits inside the stream and
    // comes first in the next call; source bytes are taken only while the destination has room.
    virtual Result Convert(std::span<const uint8_t> source, std::span<uint8_t> destination, uint32_t flags) = 0;

protected:
    CodecStream(const WaveFormatRecord& format, Direction direction);

    WaveFormatRecord m_format;
    WaveFormatRecord m_pcm;
    Direction m_direction;
};
