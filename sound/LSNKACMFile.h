// LSNKACMFile: sink that encodes 16-bit frames (fullScale 0x7fff0) with a codec of the codec layer into a new wave
// file: a 46 + extra byte header, then the codec's output; no fact chunk. Used by one thread at a time.
//
//   LSNKACMFile sink(path, CodecCatalog::MakeFormat("gsm", 8000, 1).value());
//   sink.Write(block.data(), frames);
//   bool written = sink.Finish();   // else the destructor finishes, unreported
#pragma once

#include "platform/LFile.h"
#include "platform/WaveFormatRecord.h"
#include "sound/LSoundSink.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CodecStream;

class LSNKACMFile final : public LSoundSinkBase {
public:
    // Creates `path` (replacing a file there) and writes the header with 0 data bytes. In error when the file cannot
    // be created or the codec cannot encode `format` from PCM of its rate and channels.
    LSNKACMFile(const std::string& path, const WaveFormatRecord& format);
    ~LSNKACMFile() override;

    // Encodes whole codec blocks; a partial block waits for more frames or the finish. A failed write puts the sink
    // in error at once.
    void Write(const int32_t* samples, int32_t frames) override;
    // Encodes the rest (the last block padded with silence), rewrites the header with the data size and closes
    // the file. True when all of it reached the file. Later calls return the first answer.
    [[nodiscard]] bool Finish();

private:
    bool Convert(uint32_t flags);
    bool WriteHeader(uint32_t dataBytes);

    LFile m_file;
    WaveFormatRecord m_format;
    std::unique_ptr<CodecStream> m_stream;
    std::vector<uint8_t> m_source; // 8192 PCM frames, 16-bit
    size_t m_sourceFill = 0;
    std::vector<uint8_t> m_destination;
    size_t m_headerBytes = 0; // up to the data chunk's contents
    uint64_t m_dataBytes = 0;
    bool m_finished = false;
    bool m_finishResult = false;
};
