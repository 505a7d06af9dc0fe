// LSRCACMWave: source that decodes the data chunk of a compressed wave file (any codec of the codec layer) into
// 16-bit frames, fullScale 0x7fff0. Owns the file. Pulled by one thread at a time.
//
//   LSRCACMWave reader(std::move(file), format, dataOffset, dataBytes, factFrames);
//   if (!reader.IsInvalid()) reader.Read(block.data(), 8192);   // an invalid reader fills silence
#pragma once

#include "platform/LFile.h"
#include "platform/WaveFormatRecord.h"
#include "sound/LSoundSource.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class CodecStream;

class LSRCACMWave final : public LSoundSourceBase {
public:
    // `file` is open on the wave file; the data chunk's `dataBytes` bytes start at `dataOffset`. `factFrames` is
    // the frame count of a fact chunk when the file has one. Invalid when the codec cannot decode `format`.
    LSRCACMWave(LFile file, const WaveFormatRecord& format, int64_t dataOffset, int64_t dataBytes,
                std::optional<int64_t> factFrames);
    ~LSRCACMWave() override;

    // Silence before frame 0 and after the end; an invalid reader fills silence too.
    void Read(int32_t* samples, int32_t frames) override;
    // Resets the codec; lands on `frame` by decoding from the block before it and discarding the difference.
    void Seek(int32_t frame) override;
    int32_t GetPosition() override;
    // The length as estimated now; exact once the end of the data was decoded.
    int32_t GetLength() override;

private:
    bool SetUp(const WaveFormatRecord& format, std::optional<int64_t> factFrames);
    // Moves decoded frames to `samples` (as pipeline samples), at most `frames`, and no further than the length
    // where it is exact. The count moved.
    int64_t TakeDecoded(int32_t* samples, int64_t frames);
    // Refills the destination buffer from the data, `owed` frames still wanted; sets the end flag at the end.
    void Decode(int64_t owed);
    void FillSource();
    void DiscardFrames(int64_t frames);

    LFile m_file;
    std::unique_ptr<CodecStream> m_stream;
    int64_t m_framesPerBlock = 0; // 0 for formats without fixed blocks (MPEG layer-3)
    int64_t m_dataOffset = 0;
    int64_t m_dataBytes = 0;
    int64_t m_bytesRead = 0; // of the data, into the source buffer
    std::vector<uint8_t> m_source;
    size_t m_sourceFill = 0;
    std::vector<uint8_t> m_destination; // 8192 frames of 16-bit samples
    size_t m_destinationFill = 0;
    size_t m_destinationTaken = 0;
    std::vector<int32_t> m_scratch; // frames decoded and thrown away after a seek
    bool m_end = false;
    bool m_lengthExact = false;    // block formats: nothing past the length is delivered
    bool m_lengthFromFact = false; // the length came from a fact chunk
    int64_t m_position = 0;
    int64_t m_length = 0;
};
