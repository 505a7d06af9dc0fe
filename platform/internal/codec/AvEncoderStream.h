// AvEncoderStream: 16-bit PCM into A-law, mu-law, IMA ADPCM, MS ADPCM or GSM 6.10 through a libavcodec encoder
// whose block size is the record's block align.
#pragma once

#include "AvHandles.h"
#include "BufferedCodecStream.h"

#include <memory>

class AvEncoderStream final : public BufferedCodecStream {
public:
    // Null when no encoder here produces exactly `format` (its block align, samples per block and extra bytes).
    static std::unique_ptr<AvEncoderStream> Open(const WaveFormatRecord& format, const CodecLayout& layout);

protected:
    size_t Step(std::span<const uint8_t> source, bool end, std::vector<uint8_t>& output, bool& failed) override;
    void Reset() override;

private:
    AvEncoderStream(const WaveFormatRecord& format, const CodecLayout& layout, const AVCodec* codec);

    bool OpenContext();
    // Encodes `frames` frames of `pcm`, padded with silence to the encoder's frame size for block codecs.
    bool Encode(const uint8_t* pcm, size_t frames, std::vector<uint8_t>& output);

    const AVCodec* m_codec;
    AvCodecObjects m_av;
    size_t m_framesPerCall = 0; // the encoder's frame size; a batch size where any count goes
    bool m_variable = false;
};
