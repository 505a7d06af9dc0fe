// AvDecoderStream: A-law, mu-law, IMA ADPCM, MS ADPCM, GSM 6.10 or MPEG layer-3 into 16-bit PCM through a libavcodec
// decoder. Block formats are fed one block a packet; layer-3 data is cut into frames by their headers first.
#pragma once

#include "AvHandles.h"
#include "BufferedCodecStream.h"

#include <memory>

class AvDecoderStream final : public BufferedCodecStream {
public:
    // Null when no decoder here takes `format`.
    static std::unique_ptr<AvDecoderStream> Open(const WaveFormatRecord& format, const CodecLayout& layout);

    // Layer-3: from the bytes and frames decoded so far once there are some (the record's byte rate may be 0 or
    // wrong, and variable bit rates have none).
    int64_t FramesForBytes(int64_t bytes) const override;
    int64_t BytesForFrames(int64_t frame) const override;

protected:
    size_t Step(std::span<const uint8_t> source, bool end, std::vector<uint8_t>& output, bool& failed) override;
    void Reset() override;

private:
    AvDecoderStream(const WaveFormatRecord& format, const CodecLayout& layout, const AVCodec* codec);

    bool OpenContext();
    // Decodes one packet; the frames it yields are appended as interleaved 16-bit samples. The frame count, or -1
    // when the decoder rejected the packet.
    int64_t Decode(const uint8_t* data, size_t bytes, std::vector<uint8_t>& output);
    void AppendFrame(const AVFrame& frame, std::vector<uint8_t>& output) const;
    size_t StepLayer3(std::span<const uint8_t> source, bool end, std::vector<uint8_t>& output);
    // Bytes before the first frame start in `source` that the frames after it confirm (all of them when there is
    // none); sets m_synced when one was found.
    size_t FindLayer3Sync(std::span<const uint8_t> source, bool end);

    const AVCodec* m_codec;
    AvCodecObjects m_av;
    std::vector<uint8_t> m_packetBuffer; // one packet and the zero padding the decoders may read past it
    bool m_synced = false;               // layer-3: the data is followed frame by frame
    bool m_fillSkipped = false;          // layer-3: restarted in mid-stream, the bytes before the first frame count
    int64_t m_skipped = 0;               // bytes passed over since the restart
    int64_t m_seenBytes = 0;             // layer-3 packets decoded, and the frames they gave
    int64_t m_seenFrames = 0;
};
