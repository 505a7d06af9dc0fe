// LameEncoderStream: 16-bit PCM into MPEG layer-3 through libmp3lame, at the constant bit rate the record's byte
// rate states.
#pragma once

#include "BufferedCodecStream.h"

#include <memory>

struct lame_global_struct;

class LameEncoderStream final : public BufferedCodecStream {
public:
    // Null unless the record's rate and bit rate are a layer-3 pair and the channels are 1 or 2.
    static std::unique_ptr<LameEncoderStream> Open(const WaveFormatRecord& format, const CodecLayout& layout);
    ~LameEncoderStream() override;

    // True when `bitsPerSecond` is a layer-3 bit rate at `rate`.
    static bool IsLayer3BitRate(uint32_t rate, uint32_t bitsPerSecond);

protected:
    size_t Step(std::span<const uint8_t> source, bool end, std::vector<uint8_t>& output, bool& failed) override;
    void Flush(std::vector<uint8_t>& output, bool& failed) override;
    void Reset() override;

private:
    LameEncoderStream(const WaveFormatRecord& format, const CodecLayout& layout);

    bool Start();
    void Stop();

    lame_global_struct* m_lame = nullptr;
    bool m_flushed = false; // the encoder was flushed and must start again before more audio
    std::vector<int16_t> m_samples;
};
