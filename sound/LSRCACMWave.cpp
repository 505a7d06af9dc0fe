#include "sound/LSRCACMWave.h"

#include "platform/CodecStream.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

int32_t ToInt32(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

int32_t RateOf(const WaveFormatRecord& format) {
    return format.samplesPerSec > INT32_MAX ? 0 : static_cast<int32_t>(format.samplesPerSec);
}

uint8_t ChannelsOf(const WaveFormatRecord& format) {
    return format.channels > UINT8_MAX ? 0 : static_cast<uint8_t>(format.channels);
}

} // namespace

LSRCACMWave::LSRCACMWave(LFile file, const WaveFormatRecord& format, int64_t dataOffset, int64_t dataBytes,
                         std::optional<int64_t> factFrames)
    : LSoundSourceBase(RateOf(format), kFullScale16, ChannelsOf(format)), m_file(std::move(file)),
      m_dataOffset(std::max<int64_t>(dataOffset, 0)), m_dataBytes(std::max<int64_t>(dataBytes, 0)) {
    if (IsInvalid() || !SetUp(format, factFrames)) {
        MarkInvalid();
        m_stream.reset();
        m_length = 0;
    }
}

LSRCACMWave::~LSRCACMWave() = default;

bool LSRCACMWave::SetUp(const WaveFormatRecord& format, std::optional<int64_t> factFrames) {
    if (!m_file.IsOpen())
        return false;
    m_stream = CodecStream::Open(format, CodecStream::Direction::Decode);
    if (!m_stream)
        return false;
    m_framesPerBlock = m_stream->FramesPerBlock();
    m_destination.resize(static_cast<size_t>(kMaxFramesPerCall) * m_channels * 2);
    const size_t sourceBytes = m_stream->SourceSizeFor(m_destination.size());
    if (sourceBytes == 0)
        return false;
    m_source.resize(sourceBytes);

    // The data cannot reach past the end of the file, whatever its size field says.
    const int64_t fileSize = m_file.Size();
    if (fileSize >= 0)
        m_dataBytes = std::min(m_dataBytes, std::max<int64_t>(fileSize - m_dataOffset, 0));

    // Block formats know their length from the block count: their byte rate is only a claim (some writers state
    // twice the real one). A fact chunk, where it is plausible, also leaves out the padding of the last block.
    // Other formats take the fact chunk as their length until the end of the data is decoded.
    m_length = m_stream->FramesForBytes(m_dataBytes);
    m_lengthExact = m_framesPerBlock > 0;
    if (factFrames && *factFrames > 0 && (!m_lengthExact || *factFrames <= m_length)) {
        m_length = *factFrames;
        m_lengthFromFact = true;
    } else if (!m_lengthExact && format.avgBytesPerSec == 0 && m_dataBytes > 0) {
        // No byte rate to estimate from: decoding the first frames shows one.
        m_scratch.resize(m_channels);
        Read(m_scratch.data(), 1);
        Seek(0);
    }
    return true;
}

void LSRCACMWave::Read(int32_t* samples, int32_t frames) {
    if (frames <= 0)
        return;
    const size_t channels = m_channels;
    m_position += frames;
    if (IsInvalid()) {
        std::fill_n(samples, static_cast<size_t>(frames) * channels, 0);
        return;
    }
    int64_t lead = 0;
    if (m_position <= 0)
        lead = frames;
    else if (frames > m_position)
        lead = frames - m_position;
    std::fill_n(samples, static_cast<size_t>(lead) * channels, 0);
    int32_t* out = samples + static_cast<size_t>(lead) * channels;
    int64_t owed = frames - lead;
    while (owed > 0) {
        const int64_t taken = TakeDecoded(out, owed);
        out += static_cast<size_t>(taken) * channels;
        owed -= taken;
        if (owed == 0)
            break;
        if (m_end) {
            std::fill_n(out, static_cast<size_t>(owed) * channels, 0);
            break;
        }
        Decode(owed);
    }
}

int64_t LSRCACMWave::TakeDecoded(int32_t* samples, int64_t frames) {
    const size_t frameBytes = static_cast<size_t>(m_channels) * 2;
    int64_t available = static_cast<int64_t>((m_destinationFill - m_destinationTaken) / frameBytes);
    bool atLength = false;
    if (m_lengthExact) {
        // The frame index of the next frame delivered is the position less what this call still owes.
        const int64_t room = std::max<int64_t>(m_length - (m_position - frames), 0);
        if (room <= available) {
            available = room;
            atLength = true;
        }
    }
    const int64_t count = std::min(available, frames);
    const size_t samplesToTake = static_cast<size_t>(count) * m_channels;
    const uint8_t* from = m_destination.data() + m_destinationTaken;
    for (size_t i = 0; i < samplesToTake; ++i) {
        int16_t value;
        std::memcpy(&value, from + i * 2, 2);
        samples[i] = LSF16::ToPipeline(value);
    }
    m_destinationTaken += samplesToTake * 2;
    if (atLength && count == available) {
        // Whatever was decoded past the length is the padding of the last block.
        m_end = true;
        m_destinationFill = 0;
        m_destinationTaken = 0;
    }
    return count;
}

void LSRCACMWave::FillSource() {
    const int64_t wanted =
        std::min<int64_t>(static_cast<int64_t>(m_source.size() - m_sourceFill), m_dataBytes - m_bytesRead);
    if (wanted <= 0)
        return;
    const int64_t got =
        m_file.ReadAt(m_source.data() + m_sourceFill, static_cast<size_t>(wanted), m_dataOffset + m_bytesRead);
    if (got < wanted)
        m_dataBytes = m_bytesRead + std::max<int64_t>(got, 0); // the file ended early: its end is the data's end
    if (got > 0) {
        m_sourceFill += static_cast<size_t>(got);
        m_bytesRead += got;
    }
}

void LSRCACMWave::Decode(int64_t owed) {
    FillSource();
    const bool full = m_sourceFill == m_source.size();
    if (!m_lengthExact && !m_lengthFromFact)
        m_length = (m_position - owed) +
                   m_stream->FramesForBytes(m_dataBytes - m_bytesRead + static_cast<int64_t>(m_sourceFill));
    const uint32_t flags = full ? CodecStream::kBlockAlign : CodecStream::kEnd;
    const CodecStream::Result result =
        m_stream->Convert(std::span(m_source.data(), m_sourceFill), std::span(m_destination), flags);
    m_destinationFill = result.produced;
    m_destinationTaken = 0;
    const int64_t produced = static_cast<int64_t>(result.produced / (static_cast<size_t>(m_channels) * 2));
    const bool stuck = result.consumed == 0 && result.produced == 0;
    if ((!full && produced < owed && result.produced < m_destination.size()) || stuck) {
        m_end = true;
        const int64_t end = m_position - (owed - produced);
        m_length = m_lengthExact ? std::min(m_length, end) : end;
    }
    m_sourceFill -= result.consumed;
    if (m_sourceFill > 0)
        std::memmove(m_source.data(), m_source.data() + result.consumed, m_sourceFill);
}

void LSRCACMWave::DiscardFrames(int64_t frames) {
    m_scratch.resize(static_cast<size_t>(kMaxFramesPerCall) * m_channels);
    while (frames > 0) {
        const int32_t count = static_cast<int32_t>(std::min<int64_t>(frames, kMaxFramesPerCall));
        Read(m_scratch.data(), count);
        frames -= count;
    }
}

void LSRCACMWave::Seek(int32_t frame) {
    if (IsInvalid()) {
        m_position = frame;
        return;
    }
    m_stream->Convert({}, {}, CodecStream::kStart);
    m_sourceFill = 0;
    m_destinationFill = 0;
    m_destinationTaken = 0;
    m_end = false;
    if (frame <= 0) {
        m_bytesRead = 0;
    } else if (frame < m_length) {
        // Decoding starts at the block holding the frame (formats without blocks: where the byte rate puts it).
        const int64_t offset = m_stream->BytesForFrames(frame);
        const int64_t frameAtOffset = m_stream->FramesForBytes(offset);
        m_bytesRead = std::clamp<int64_t>(offset, 0, m_dataBytes);
        const int64_t skip = frame - frameAtOffset;
        // Within a block every frame before the wanted one is decoded and dropped; a byte-rate estimate only
        // lands this way when it is close.
        if (skip >= 1 && (m_framesPerBlock > 0 || skip <= kMaxFramesPerCall)) {
            m_position = frameAtOffset;
            DiscardFrames(skip);
        }
    } else {
        m_bytesRead = m_dataBytes;
        m_end = true;
    }
    m_position = frame;
}

int32_t LSRCACMWave::GetPosition() {
    return ToInt32(m_position);
}

int32_t LSRCACMWave::GetLength() {
    return ToInt32(m_length);
}
