#include "LameEncoderStream.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <lame/lame.h>

namespace {

constexpr size_t kFramesPerStep = 4096;
constexpr size_t kFlushBytes = 7200;

// kbit/s of layer-3 (MPEG-1 at 32000 Hz and above) and of its low-rate extensions (MPEG-2, MPEG-2.5).
constexpr std::array<uint32_t, 14> kMpeg1BitRates = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
constexpr std::array<uint32_t, 14> kMpeg2BitRates = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
constexpr std::array<uint32_t, 9> kRates = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};

} // namespace

bool LameEncoderStream::IsLayer3BitRate(uint32_t rate, uint32_t bitsPerSecond) {
    if (std::find(kRates.begin(), kRates.end(), rate) == kRates.end() || bitsPerSecond % 1000 != 0)
        return false;
    const uint32_t kbits = bitsPerSecond / 1000;
    const auto& table = rate >= 32000 ? kMpeg1BitRates : kMpeg2BitRates;
    return std::find(table.begin(), table.end(), kbits) != table.end();
}

LameEncoderStream::LameEncoderStream(const WaveFormatRecord& format, const CodecLayout& layout)
    : BufferedCodecStream(format, Direction::Encode, layout) {}

LameEncoderStream::~LameEncoderStream() {
    Stop();
}

std::unique_ptr<LameEncoderStream> LameEncoderStream::Open(const WaveFormatRecord& format, const CodecLayout& layout) {
    if (layout.kind != CodecKind::MpegLayer3 || format.avgBytesPerSec > UINT32_MAX / 8 ||
        !IsLayer3BitRate(format.samplesPerSec, format.avgBytesPerSec * 8))
        return nullptr;
    std::unique_ptr<LameEncoderStream> stream(new LameEncoderStream(format, layout));
    if (!stream->Start())
        return nullptr;
    return stream;
}

bool LameEncoderStream::Start() {
    Stop();
    m_lame = lame_init();
    if (!m_lame)
        return false;
    lame_set_in_samplerate(m_lame, m_layout.rate);
    lame_set_out_samplerate(m_lame, m_layout.rate);
    lame_set_num_channels(m_lame, m_layout.channels);
    lame_set_mode(m_lame, m_layout.channels == 1 ? MONO : JOINT_STEREO);
    lame_set_brate(m_lame, static_cast<int>(m_format.avgBytesPerSec * 8 / 1000));
    lame_set_VBR(m_lame, vbr_off);
    lame_set_bWriteVbrTag(m_lame, 0);
    lame_set_quality(m_lame, 5);
    if (lame_init_params(m_lame) < 0) {
        Stop();
        return false;
    }
    m_flushed = false;
    return true;
}

void LameEncoderStream::Stop() {
    if (m_lame)
        lame_close(m_lame);
    m_lame = nullptr;
}

void LameEncoderStream::Reset() {
    Start();
}

size_t LameEncoderStream::Step(std::span<const uint8_t> source, bool end, std::vector<uint8_t>& output, bool& failed) {
    const size_t frameBytes = PcmFrameBytes();
    const size_t frames = std::min(source.size() / frameBytes, kFramesPerStep);
    if (frames == 0)
        return end ? source.size() : 0;
    if (m_flushed && !Start()) {
        failed = true;
        return frames * frameBytes;
    }
    if (!m_lame) {
        failed = true;
        return frames * frameBytes;
    }
    m_samples.resize(frames * static_cast<size_t>(m_layout.channels));
    std::memcpy(m_samples.data(), source.data(), frames * frameBytes);
    const size_t start = output.size();
    const size_t room = frames + frames / 4 + kFlushBytes;
    output.resize(start + room);
    const int count = static_cast<int>(frames);
    const int written = m_layout.channels == 1
                            ? lame_encode_buffer(m_lame, m_samples.data(), m_samples.data(), count,
                                                 output.data() + start, static_cast<int>(room))
                            : lame_encode_buffer_interleaved(m_lame, m_samples.data(), count, output.data() + start,
                                                             static_cast<int>(room));
    output.resize(start + static_cast<size_t>(std::max(written, 0)));
    if (written < 0)
        failed = true;
    return end && frames == source.size() / frameBytes ? source.size() : frames * frameBytes;
}

void LameEncoderStream::Flush(std::vector<uint8_t>& output, bool& failed) {
    if (!m_lame || m_flushed)
        return;
    const size_t start = output.size();
    output.resize(start + kFlushBytes);
    const int written = lame_encode_flush(m_lame, output.data() + start, static_cast<int>(kFlushBytes));
    output.resize(start + static_cast<size_t>(std::max(written, 0)));
    if (written < 0)
        failed = true;
    m_flushed = true;
}
