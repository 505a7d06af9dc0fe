// PcmCodecStream: the conversions between 16-bit PCM and the PCM formats (8-bit unsigned, 16-bit), without a codec
// library.
#pragma once

#include "BufferedCodecStream.h"

class PcmCodecStream final : public BufferedCodecStream {
public:
    PcmCodecStream(const WaveFormatRecord& format, Direction direction, const CodecLayout& layout);

protected:
    size_t Step(std::span<const uint8_t> source, bool end, std::vector<uint8_t>& output, bool& failed) override;
    void Reset() override {}
};
