#include "AvDecoderStream.h"

extern "C" {
#include <libavutil/channel_layout.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

namespace {

// Packets of a stream format without blocks (A-law, mu-law) carry this many frames at most.
constexpr size_t kFramesPerPacket = 8192;
// Layer-3 frames counted for the byte rate: enough for a steady figure.
constexpr int64_t kMaxSeenFrames = 1 << 24;

int16_t FromFloat(double value) {
    const double scaled = std::nearbyint(value * 32768.0);
    return static_cast<int16_t>(std::clamp(scaled, -32768.0, 32767.0));
}

// One sample of `frame` as 16 bits.
int16_t SampleAt(const AVFrame& frame, int channel, int index) {
    const auto format = static_cast<AVSampleFormat>(frame.format);
    const int channels = frame.ch_layout.nb_channels;
    const bool planar = av_sample_fmt_is_planar(format) != 0;
    const int plane = planar ? channel : 0;
    const int offset = planar ? index : index * channels + channel;
    const uint8_t* data = frame.extended_data[plane];
    switch (av_get_packed_sample_fmt(format)) {
    case AV_SAMPLE_FMT_U8:
        return static_cast<int16_t>((data[offset] - 128) * 256);
    case AV_SAMPLE_FMT_S16:
        return reinterpret_cast<const int16_t*>(data)[offset];
    case AV_SAMPLE_FMT_S32:
        return static_cast<int16_t>(reinterpret_cast<const int32_t*>(data)[offset] >> 16);
    case AV_SAMPLE_FMT_FLT:
        return FromFloat(reinterpret_cast<const float*>(data)[offset]);
    case AV_SAMPLE_FMT_DBL:
        return FromFloat(reinterpret_cast<const double*>(data)[offset]);
    default:
        return 0;
    }
}

// What the 4-byte header of a layer-3 frame says.
struct Layer3Header {
    size_t frameBytes = 0;
    int64_t frames = 0; // samples per channel
    int version = 0;    // 3: MPEG-1, 2: MPEG-2, 0: MPEG-2.5
    int rateIndex = 0;
};

std::optional<Layer3Header> ParseLayer3Header(const uint8_t* bytes) {
    static constexpr int kMpeg1Kbits[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
    static constexpr int kMpeg2Kbits[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
    static constexpr int kRates[4][3] = {{11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};
    if (bytes[0] != 0xff || (bytes[1] & 0xe0) != 0xe0)
        return std::nullopt;
    Layer3Header header;
    header.version = (bytes[1] >> 3) & 3;
    const int layer = (bytes[1] >> 1) & 3;
    const int bitrateIndex = bytes[2] >> 4;
    header.rateIndex = (bytes[2] >> 2) & 3;
    // Layer III only; no free-format or forbidden bit rates, no reserved version or rate.
    if (header.version == 1 || layer != 1 || bitrateIndex == 0 || bitrateIndex == 15 || header.rateIndex == 3)
        return std::nullopt;
    const bool mpeg1 = header.version == 3;
    const int64_t bitsPerSecond = 1000 * (mpeg1 ? kMpeg1Kbits : kMpeg2Kbits)[bitrateIndex];
    const int rate = kRates[header.version][header.rateIndex];
    const int padding = (bytes[2] >> 1) & 1;
    header.frames = mpeg1 ? 1152 : 576;
    header.frameBytes = static_cast<size_t>(header.frames / 8 * bitsPerSecond / rate + padding);
    return header;
}

bool SameStream(const Layer3Header& a, const Layer3Header& b) {
    return a.version == b.version && a.rateIndex == b.rateIndex;
}

const char* DecoderName(CodecKind kind) {
    switch (kind) {
    case CodecKind::ALaw:
        return "pcm_alaw";
    case CodecKind::MuLaw:
        return "pcm_mulaw";
    case CodecKind::ImaAdpcm:
        return "adpcm_ima_wav";
    case CodecKind::MsAdpcm:
        return "adpcm_ms";
    case CodecKind::Gsm610:
        return "gsm_ms";
    case CodecKind::MpegLayer3:
        return "mp3"; // the fixed-point decoder: 16-bit output
    default:
        return nullptr;
    }
}

} // namespace

AvDecoderStream::AvDecoderStream(const WaveFormatRecord& format, const CodecLayout& layout, const AVCodec* codec)
    : BufferedCodecStream(format, Direction::Decode, layout), m_codec(codec) {}

std::unique_ptr<AvDecoderStream> AvDecoderStream::Open(const WaveFormatRecord& format, const CodecLayout& layout) {
    const char* name = DecoderName(layout.kind);
    if (!name)
        return nullptr;
    QuietAvLog();
    const AVCodec* codec = avcodec_find_decoder_by_name(name);
    if (!codec && layout.kind == CodecKind::MpegLayer3)
        codec = avcodec_find_decoder(AV_CODEC_ID_MP3);
    if (!codec)
        return nullptr;
    std::unique_ptr<AvDecoderStream> stream(new AvDecoderStream(format, layout, codec));
    if (!stream->OpenContext())
        return nullptr;
    return stream;
}

bool AvDecoderStream::OpenContext() {
    if (!m_av.Allocate(m_codec, m_layout.rate, m_layout.channels))
        return false;
    AVCodecContext* context = m_av.context.get();
    context->block_align = m_layout.kind == CodecKind::MpegLayer3 ? 0 : m_layout.bytesPerBlock;
    context->bits_per_coded_sample = m_layout.bitsPerSample;
    if (!m_format.extra.empty()) {
        context->extradata = static_cast<uint8_t*>(av_mallocz(m_format.extra.size() + AV_INPUT_BUFFER_PADDING_SIZE));
        if (!context->extradata)
            return false;
        std::memcpy(context->extradata, m_format.extra.data(), m_format.extra.size());
        context->extradata_size = static_cast<int>(m_format.extra.size());
    }
    if (avcodec_open2(context, m_codec, nullptr) < 0)
        return false;
    return true;
}

int64_t AvDecoderStream::FramesForBytes(int64_t bytes) const {
    if (m_seenFrames == 0 || m_seenBytes == 0 || bytes <= 0)
        return BufferedCodecStream::FramesForBytes(bytes);
    return static_cast<int64_t>(static_cast<__int128>(bytes) * m_seenFrames / m_seenBytes);
}

int64_t AvDecoderStream::BytesForFrames(int64_t frame) const {
    if (m_layout.kind != CodecKind::MpegLayer3)
        return BufferedCodecStream::BytesForFrames(frame);
    if (frame <= 0)
        return 0;
    int64_t bytes = BufferedCodecStream::BytesForFrames(frame);
    if (m_seenFrames > 0 && m_seenBytes > 0)
        bytes = static_cast<int64_t>(static_cast<__int128>(frame) * m_seenBytes / m_seenFrames);
    // A frame's data may begin in the frames before it (the bit reservoir: up to 511 bytes back at MPEG-1 rates,
    // 255 below), and its first samples overlap the frame before: start that much and two frames earlier, so
    // the frames decoded and dropped up to `frame` fill both.
    const int64_t frameSamples = m_layout.rate >= 32000 ? 1152 : 576;
    const int64_t reservoir = m_layout.rate >= 32000 ? 511 : 255;
    const auto frameBytes = static_cast<int64_t>(std::clamp<__int128>(
        static_cast<__int128>(bytes) * frameSamples / std::max<int64_t>(frame, 1), 1, int64_t{1} << 20));
    return std::max<int64_t>(bytes - reservoir - 2 * frameBytes, 0);
}

void AvDecoderStream::Reset() {
    if (m_av.context)
        avcodec_flush_buffers(m_av.context.get());
    m_synced = false;
    m_fillSkipped = true;
    m_skipped = 0;
}

void AvDecoderStream::AppendFrame(const AVFrame& frame, std::vector<uint8_t>& output) const {
    const int channels = m_layout.channels;
    const int frameChannels = frame.ch_layout.nb_channels;
    if (frameChannels < 1 || frame.nb_samples < 1)
        return;
    const size_t start = output.size();
    output.resize(start + static_cast<size_t>(frame.nb_samples) * static_cast<size_t>(channels) * 2);
    auto* out = reinterpret_cast<int16_t*>(output.data() + start);
    if (frame.format == AV_SAMPLE_FMT_S16 && frameChannels == channels) {
        std::memcpy(out, frame.extended_data[0], static_cast<size_t>(frame.nb_samples) * channels * 2);
        return;
    }
    // A stream whose channels differ from the record's (a mono frame in a stereo file) repeats its last channel.
    for (int index = 0; index < frame.nb_samples; ++index)
        for (int channel = 0; channel < channels; ++channel)
            *out++ = SampleAt(frame, std::min(channel, frameChannels - 1), index);
}

int64_t AvDecoderStream::Decode(const uint8_t* data, size_t bytes, std::vector<uint8_t>& output) {
    if (!m_av.context)
        return -1;
    m_packetBuffer.resize(bytes + AV_INPUT_BUFFER_PADDING_SIZE);
    std::memcpy(m_packetBuffer.data(), data, bytes);
    std::memset(m_packetBuffer.data() + bytes, 0, AV_INPUT_BUFFER_PADDING_SIZE);
    m_av.packet->data = m_packetBuffer.data();
    m_av.packet->size = static_cast<int>(bytes);
    const int sent = avcodec_send_packet(m_av.context.get(), m_av.packet.get());
    m_av.packet->data = nullptr;
    m_av.packet->size = 0;
    if (sent < 0)
        return -1;
    int64_t frames = 0;
    while (avcodec_receive_frame(m_av.context.get(), m_av.frame.get()) == 0) {
        frames += m_av.frame->nb_samples;
        AppendFrame(*m_av.frame, output);
        av_frame_unref(m_av.frame.get());
    }
    return frames;
}

size_t AvDecoderStream::FindLayer3Sync(std::span<const uint8_t> source, bool end) {
    // A frame start is a header followed, a frame later, by headers of the same stream: two more where the data
    // has them. A lone header-like pattern inside frame data is passed over.
    constexpr int kFramesToCheck = 3;
    for (size_t at = 0; at + 4 <= source.size(); ++at) {
        std::optional<Layer3Header> first = ParseLayer3Header(&source[at]);
        if (!first)
            continue;
        size_t next = at;
        std::optional<Layer3Header> header = first;
        bool consistent = true;
        for (int checked = 1; checked < kFramesToCheck && consistent; ++checked) {
            next += header->frameBytes;
            if (next + 4 > source.size()) {
                if (!end)
                    return at; // wait here for more data
                break;
            }
            header = ParseLayer3Header(&source[next]);
            consistent = header && SameStream(*first, *header);
        }
        if (consistent) {
            m_synced = true;
            return at;
        }
    }
    // Nothing here: keep the last bytes, a header may start in them.
    return end || source.size() < 3 ? source.size() : source.size() - 3;
}

size_t AvDecoderStream::StepLayer3(std::span<const uint8_t> source, bool end, std::vector<uint8_t>& output) {
    if (!m_synced) {
        const size_t skipped = FindLayer3Sync(source, end);
        m_skipped += static_cast<int64_t>(skipped);
        if (m_synced && m_fillSkipped) {
            // After a restart in mid-stream the bytes passed over to the first frame keep their time as silence,
            // so the frames decoded from there are where the caller's byte position says.
            output.resize(output.size() + static_cast<size_t>(FramesForBytes(m_skipped)) * PcmFrameBytes(), 0);
        }
        if (m_synced)
            m_fillSkipped = false;
        if (!m_synced || skipped > 0)
            return skipped;
    }
    if (source.size() < 4)
        return end ? source.size() : 0;
    const std::optional<Layer3Header> header = ParseLayer3Header(source.data());
    if (!header) {
        m_synced = false; // damaged data: look for the next frame
        return 1;
    }
    if (source.size() < header->frameBytes)
        return end ? source.size() : 0; // a frame cut off at the end of the data is left out
    const int64_t frames = Decode(source.data(), header->frameBytes, output);
    if (frames > 0) {
        if (m_seenFrames < kMaxSeenFrames) {
            m_seenBytes += static_cast<int64_t>(header->frameBytes);
            m_seenFrames += frames;
        }
    } else {
        // A frame the decoder cannot use (its bit reservoir lies before a seek) keeps its time as silence.
        output.resize(output.size() + static_cast<size_t>(header->frames) * PcmFrameBytes(), 0);
    }
    return header->frameBytes;
}

size_t AvDecoderStream::Step(std::span<const uint8_t> source, bool end, std::vector<uint8_t>& output, bool&) {
    if (m_layout.kind == CodecKind::MpegLayer3)
        return StepLayer3(source, end, output);
    const size_t blockBytes = static_cast<size_t>(m_layout.bytesPerBlock);
    if (m_layout.framesPerBlock == 1) {
        // A-law and mu-law: as many whole frames as a packet takes.
        const size_t frames = std::min(source.size() / blockBytes, kFramesPerPacket);
        if (frames == 0)
            return end ? source.size() : 0;
        Decode(source.data(), frames * blockBytes, output);
        return frames * blockBytes;
    }
    if (source.size() >= blockBytes) {
        const int64_t frames = Decode(source.data(), blockBytes, output);
        if (frames != m_layout.framesPerBlock) {
            // A block the decoder rejected keeps its time as silence, so later blocks stay where the length and
            // seeks expect them.
            const size_t want = static_cast<size_t>(m_layout.framesPerBlock) * PcmFrameBytes();
            const size_t have = frames > 0 ? static_cast<size_t>(frames) * PcmFrameBytes() : 0;
            if (have < want)
                output.resize(output.size() + want - have, 0);
            else
                output.resize(output.size() - (have - want));
        }
        return blockBytes;
    }
    if (!end || source.empty())
        return 0;
    // A block cut short at the end of the data gives what the decoder makes of it.
    Decode(source.data(), source.size(), output);
    return source.size();
}
