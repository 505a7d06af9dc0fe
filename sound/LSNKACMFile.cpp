#include "sound/LSNKACMFile.h"

#include "platform/CodecStream.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <fcntl.h>

namespace {

int32_t RateOf(const WaveFormatRecord& format) {
    return format.samplesPerSec > INT32_MAX ? 0 : static_cast<int32_t>(format.samplesPerSec);
}

uint8_t ChannelsOf(const WaveFormatRecord& format) {
    return format.channels > UINT8_MAX ? 0 : static_cast<uint8_t>(format.channels);
}

constexpr uint64_t kMaxRiffSize = UINT32_MAX;

} // namespace

LSNKACMFile::LSNKACMFile(const std::string& path, const WaveFormatRecord& format)
    : LSoundSinkBase(RateOf(format), kFullScale16, ChannelsOf(format)), m_format(format) {
    // The codec first: a format that cannot be written leaves no empty file behind.
    if (format.channels != m_channels || format.channels == 0)
        m_stream.reset();
    else
        m_stream = CodecStream::Open(format, CodecStream::Direction::Encode);
    if (!m_stream) {
        MarkError();
        return;
    }
    m_file = LFile::Open(path, O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (!m_file.IsOpen()) {
        MarkError();
        return;
    }
    m_source.resize(static_cast<size_t>(kMaxFramesPerCall) * m_channels * 2);
    m_destination.resize(m_stream->DestinationSizeFor(m_source.size()));
    const std::vector<uint8_t> record = m_format.Serialize();
    // A record of odd size is followed by a pad byte, as every RIFF chunk of odd size is.
    m_headerBytes = 20 + record.size() + (record.size() % 2) + 8;
    if (m_destination.empty() || !WriteHeader(0))
        MarkError();
}

LSNKACMFile::~LSNKACMFile() {
    (void)Finish();
}

bool LSNKACMFile::WriteHeader(uint32_t dataBytes) {
    const std::vector<uint8_t> record = m_format.Serialize();
    std::vector<uint8_t> header(m_headerBytes, 0);
    const auto put32 = [&header](size_t offset, uint32_t value) {
        for (int i = 0; i < 4; ++i)
            header[offset + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
    };
    std::memcpy(&header[0], "RIFF", 4);
    put32(4, static_cast<uint32_t>(m_headerBytes - 8 + dataBytes));
    std::memcpy(&header[8], "WAVEfmt ", 8);
    put32(16, static_cast<uint32_t>(record.size()));
    std::memcpy(&header[20], record.data(), record.size());
    // (a pad byte of 0 follows a record of odd size)
    std::memcpy(&header[m_headerBytes - 8], "data", 4);
    put32(m_headerBytes - 4, dataBytes);
    return m_file.WriteAt(header.data(), header.size(), 0);
}

bool LSNKACMFile::Convert(uint32_t flags) {
    size_t offset = 0;
    bool ok = true;
    for (;;) {
        const CodecStream::Result result = m_stream->Convert(std::span(m_source.data() + offset, m_sourceFill - offset),
                                                             std::span(m_destination), flags);
        offset += result.consumed;
        if (result.failed) {
            ok = false;
            break;
        }
        if (result.produced > 0) {
            if (m_headerBytes - 8 + m_dataBytes + result.produced > kMaxRiffSize ||
                !m_file.WriteAt(m_destination.data(), result.produced,
                                static_cast<int64_t>(m_headerBytes + m_dataBytes))) {
                ok = false;
                break;
            }
            m_dataBytes += result.produced;
        }
        if (result.consumed == 0 && result.produced < m_destination.size())
            break;
    }
    m_sourceFill -= offset;
    if (m_sourceFill > 0)
        std::memmove(m_source.data(), m_source.data() + offset, m_sourceFill);
    if (!ok)
        MarkError();
    return ok;
}

void LSNKACMFile::Write(const int32_t* samples, int32_t frames) {
    if (frames <= 0)
        return;
    m_length = static_cast<int32_t>(std::min<int64_t>(static_cast<int64_t>(m_length) + frames, INT32_MAX));
    if (IsInError() || m_finished)
        return;
    size_t remaining = static_cast<size_t>(frames) * m_channels;
    while (remaining > 0) {
        const size_t room = (m_source.size() - m_sourceFill) / 2;
        const size_t count = std::min(room, remaining);
        uint8_t* to = m_source.data() + m_sourceFill;
        for (size_t i = 0; i < count; ++i) {
            const int16_t value = LSF16::FromPipeline(samples[i]);
            std::memcpy(to + i * 2, &value, 2);
        }
        samples += count;
        remaining -= count;
        m_sourceFill += count * 2;
        if (!Convert(CodecStream::kBlockAlign))
            return;
    }
}

bool LSNKACMFile::Finish() {
    if (m_finished)
        return m_finishResult;
    m_finished = true;
    if (!m_file.IsOpen())
        return m_finishResult = false;
    if (!IsInError())
        Convert(CodecStream::kEnd);
    // The header states what reached the file, even after a failure; a block written only in part is cut off.
    const bool headerWritten = WriteHeader(static_cast<uint32_t>(m_dataBytes));
    if (IsInError())
        (void)m_file.Truncate(static_cast<int64_t>(m_headerBytes + m_dataBytes));
    m_file.Close();
    if (!headerWritten)
        MarkError();
    m_finishResult = !IsInError();
    return m_finishResult;
}
