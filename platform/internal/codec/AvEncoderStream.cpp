#include "AvEncoderStream.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
}

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t kVariableBatch = 4096;

// The seven predictor pairs of MS ADPCM, as every writer stores them after the samples per block.
constexpr int16_t kMsAdpcmCoefficients[7][2] = {{256, 0}, {512, -256}, {0, 0},     {192, 64},
                                                {240, 0}, {460, -208}, {392, -232}};

const char* EncoderName(CodecKind kind) {
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
        return "libgsm_ms";
    default:
        return nullptr;
    }
}

// True when the record's extra bytes say what the encoder will produce (they are optional only where the format
// has none).
bool ExtraMatches(const WaveFormatRecord& format, const CodecLayout& layout) {
    const std::vector<uint8_t>& extra = format.extra;
    switch (layout.kind) {
    case CodecKind::ImaAdpcm:
    case CodecKind::Gsm610:
        return extra.size() >= 2 && ReadLe16(extra.data()) == layout.framesPerBlock;
    case CodecKind::MsAdpcm: {
        if (extra.size() < 4 + 7 * 4 || ReadLe16(extra.data()) != layout.framesPerBlock || ReadLe16(&extra[2]) != 7)
            return false;
        for (int i = 0; i < 7; ++i)
            for (int j = 0; j < 2; ++j)
                if (static_cast<int16_t>(ReadLe16(&extra[4 + i * 4 + j * 2])) != kMsAdpcmCoefficients[i][j])
                    return false;
        return true;
    }
    default:
        return true;
    }
}

} // namespace

AvEncoderStream::AvEncoderStream(const WaveFormatRecord& format, const CodecLayout& layout, const AVCodec* codec)
    : BufferedCodecStream(format, Direction::Encode, layout), m_codec(codec) {}

std::unique_ptr<AvEncoderStream> AvEncoderStream::Open(const WaveFormatRecord& format, const CodecLayout& layout) {
    const char* name = EncoderName(layout.kind);
    if (!name)
        return nullptr;
    if ((layout.kind == CodecKind::ImaAdpcm && layout.bitsPerSample != 4) || !ExtraMatches(format, layout))
        return nullptr;
    QuietAvLog();
    const AVCodec* codec = avcodec_find_encoder_by_name(name);
    if (!codec)
        return nullptr;
    std::unique_ptr<AvEncoderStream> stream(new AvEncoderStream(format, layout, codec));
    if (!stream->OpenContext())
        return nullptr;
    return stream;
}

bool AvEncoderStream::OpenContext() {
    if (!m_av.Allocate(m_codec, m_layout.rate, m_layout.channels))
        return false;
    AVCodecContext* context = m_av.context.get();
    context->sample_fmt = AV_SAMPLE_FMT_NONE;
    for (const AVSampleFormat* format = m_codec->sample_fmts; format && *format != AV_SAMPLE_FMT_NONE; ++format)
        if (*format == AV_SAMPLE_FMT_S16 || *format == AV_SAMPLE_FMT_S16P) {
            context->sample_fmt = *format;
            break;
        }
    if (context->sample_fmt == AV_SAMPLE_FMT_NONE)
        return false;
    AVDictionary* options = nullptr;
    if (m_layout.kind == CodecKind::ImaAdpcm || m_layout.kind == CodecKind::MsAdpcm)
        av_dict_set_int(&options, "block_size", m_layout.bytesPerBlock, 0);
    const int opened = avcodec_open2(context, m_codec, &options);
    av_dict_free(&options);
    if (opened < 0)
        return false;

    m_variable = !m_layout.HasBlocks() || m_layout.framesPerBlock == 1;
    if (m_variable) {
        m_framesPerCall = kVariableBatch;
    } else {
        if (context->frame_size != m_layout.framesPerBlock || context->block_align != m_layout.bytesPerBlock)
            return false;
        m_framesPerCall = static_cast<size_t>(context->frame_size);
    }
    m_av.frame->format = context->sample_fmt;
    m_av.frame->nb_samples = static_cast<int>(m_framesPerCall);
    if (av_channel_layout_copy(&m_av.frame->ch_layout, &context->ch_layout) < 0 ||
        av_frame_get_buffer(m_av.frame.get(), 0) < 0)
        return false;
    return true;
}

void AvEncoderStream::Reset() {
    // Encoders keep state across blocks (the ADPCM step index) and most cannot be flushed: start a new context.
    m_av.frame.reset();
    m_av.packet.reset();
    if (!OpenContext())
        m_av.context.reset();
}

bool AvEncoderStream::Encode(const uint8_t* pcm, size_t frames, std::vector<uint8_t>& output) {
    if (!m_av.context || av_frame_make_writable(m_av.frame.get()) < 0)
        return false;
    const size_t channels = static_cast<size_t>(m_layout.channels);
    const size_t framesInCall = m_variable ? frames : m_framesPerCall;
    m_av.frame->nb_samples = static_cast<int>(framesInCall);
    if (m_av.context->sample_fmt == AV_SAMPLE_FMT_S16) {
        uint8_t* plane = m_av.frame->data[0];
        std::memcpy(plane, pcm, frames * channels * 2);
        std::memset(plane + frames * channels * 2, 0, (framesInCall - frames) * channels * 2);
    } else {
        for (size_t channel = 0; channel < channels; ++channel) {
            auto* plane = reinterpret_cast<int16_t*>(m_av.frame->data[channel]);
            for (size_t frame = 0; frame < frames; ++frame)
                std::memcpy(&plane[frame], pcm + (frame * channels + channel) * 2, 2);
            std::fill(plane + frames, plane + framesInCall, int16_t{0});
        }
    }
    if (avcodec_send_frame(m_av.context.get(), m_av.frame.get()) < 0)
        return false;
    int received;
    while ((received = avcodec_receive_packet(m_av.context.get(), m_av.packet.get())) == 0) {
        output.insert(output.end(), m_av.packet->data, m_av.packet->data + m_av.packet->size);
        av_packet_unref(m_av.packet.get());
    }
    return received == AVERROR(EAGAIN) || received == AVERROR_EOF;
}

size_t AvEncoderStream::Step(std::span<const uint8_t> source, bool end, std::vector<uint8_t>& output, bool& failed) {
    const size_t frameBytes = PcmFrameBytes();
    const size_t available = source.size() / frameBytes;
    size_t frames = std::min(available, m_framesPerCall);
    if (frames < m_framesPerCall && !m_variable && !end)
        return 0; // wait for a whole block
    if (frames == 0)
        return end ? source.size() : 0; // a stray partial frame at the end carries nothing
    if (!Encode(source.data(), frames, output))
        failed = true;
    // At the end the last (padded) block takes the stray bytes of a partial frame with it.
    return end && frames == available ? source.size() : frames * frameBytes;
}
