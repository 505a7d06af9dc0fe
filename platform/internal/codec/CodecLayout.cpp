#include "CodecLayout.h"

#include <limits>

namespace {

constexpr int64_t kSaturated = std::numeric_limits<int64_t>::max() / 4;

int64_t Saturate(__int128 value) {
    if (value > kSaturated)
        return kSaturated;
    if (value < -kSaturated)
        return -kSaturated;
    return static_cast<int64_t>(value);
}

} // namespace

int64_t FramesAtByteRate(int64_t bytes, uint32_t avgBytesPerSec, uint32_t rate) {
    if (avgBytesPerSec == 0)
        return bytes;
    const __int128 whole = static_cast<__int128>(bytes / avgBytesPerSec) * rate;
    const __int128 part = static_cast<__int128>(bytes % avgBytesPerSec) * rate / avgBytesPerSec;
    return Saturate(whole + part);
}

int64_t BytesAtByteRate(int64_t frame, uint32_t avgBytesPerSec, uint32_t rate) {
    if (rate == 0)
        return 0;
    const __int128 whole = static_cast<__int128>(frame / rate) * avgBytesPerSec;
    const __int128 part = static_cast<__int128>(frame % rate) * avgBytesPerSec / rate;
    return Saturate(whole + part);
}

std::optional<CodecLayout> CodecLayout::For(const WaveFormatRecord& format) {
    if (format.channels < 1 || format.channels > kMaxChannels || format.samplesPerSec < 1 ||
        format.samplesPerSec > kMaxRate)
        return std::nullopt;
    CodecLayout layout;
    layout.channels = format.channels;
    layout.rate = static_cast<int>(format.samplesPerSec);
    layout.bitsPerSample = format.bitsPerSample;
    const int channels = layout.channels;
    switch (format.formatTag) {
    case WaveFormatRecord::kTagPcm:
        if (format.bitsPerSample != 8 && format.bitsPerSample != 16)
            return std::nullopt;
        layout.kind = CodecKind::Pcm;
        layout.bytesPerBlock = channels * format.bitsPerSample / 8;
        layout.framesPerBlock = 1;
        return layout;
    case WaveFormatRecord::kTagALaw:
    case WaveFormatRecord::kTagMuLaw:
        // Eight bits a sample whatever the record claims; the record's block align is not needed to decode.
        layout.kind = format.formatTag == WaveFormatRecord::kTagALaw ? CodecKind::ALaw : CodecKind::MuLaw;
        layout.bitsPerSample = 8;
        layout.bytesPerBlock = channels;
        layout.framesPerBlock = 1;
        return layout;
    case WaveFormatRecord::kTagImaAdpcm: {
        // A block: a 4-byte header per channel (its first sample included), then groups of 4 bytes per channel
        // holding 8 samples each at 4 bits (other widths group differently).
        const int bits = format.bitsPerSample == 0 ? 4 : format.bitsPerSample;
        if (bits < 2 || bits > 5 || format.blockAlign <= 4 * channels)
            return std::nullopt;
        layout.kind = CodecKind::ImaAdpcm;
        layout.bitsPerSample = bits;
        layout.bytesPerBlock = format.blockAlign;
        layout.framesPerBlock = layout.FramesInPartialBlock(format.blockAlign);
        return layout.framesPerBlock > 0 ? std::optional(layout) : std::nullopt;
    }
    case WaveFormatRecord::kTagMsAdpcm:
        // A block: a 7-byte header per channel (two samples included), then 4-bit samples.
        if (format.blockAlign < 7 * channels)
            return std::nullopt;
        layout.kind = CodecKind::MsAdpcm;
        layout.bitsPerSample = 4;
        layout.bytesPerBlock = format.blockAlign;
        layout.framesPerBlock = layout.FramesInPartialBlock(format.blockAlign);
        return layout;
    case WaveFormatRecord::kTagGsm610:
        if (format.blockAlign != kGsmBlockBytes || channels != 1)
            return std::nullopt;
        layout.kind = CodecKind::Gsm610;
        layout.bitsPerSample = 0;
        layout.bytesPerBlock = kGsmBlockBytes;
        layout.framesPerBlock = kGsmBlockFrames;
        return layout;
    case WaveFormatRecord::kTagMpegLayer3:
        if (channels > 2)
            return std::nullopt;
        layout.kind = CodecKind::MpegLayer3;
        layout.bitsPerSample = 0;
        // Layer-3 frames sit anywhere in the data (the parser finds the next one), so any byte is a place to
        // start from, whatever block align the record states.
        layout.bytesPerBlock = 1;
        layout.framesPerBlock = 0;
        return layout;
    default:
        return std::nullopt;
    }
}

int64_t CodecLayout::FramesInPartialBlock(int64_t bytes) const {
    switch (kind) {
    case CodecKind::ImaAdpcm: {
        // After the headers, groups of (group bytes × channels) hold (group samples) per channel; by bits 2..5.
        static constexpr int kGroupBytes[] = {4, 12, 4, 20};
        static constexpr int kGroupSamples[] = {16, 32, 8, 32};
        if (bytes < 4 * channels)
            return 0;
        const int index = bitsPerSample - 2;
        return 1 +
               (bytes - 4 * channels) / (static_cast<int64_t>(kGroupBytes[index]) * channels) * kGroupSamples[index];
    }
    case CodecKind::MsAdpcm:
        if (bytes < 7 * channels)
            return 0;
        return (bytes - 7 * channels) * 2 / channels + 2;
    case CodecKind::Gsm610:
        return bytes >= kGsmBlockBytes ? kGsmBlockFrames : 0;
    case CodecKind::MpegLayer3:
        return 0;
    default:
        return bytes / bytesPerBlock;
    }
}

int64_t CodecLayout::FramesForBytes(int64_t bytes, const WaveFormatRecord& format) const {
    if (bytes <= 0)
        return 0;
    if (!HasBlocks())
        return FramesAtByteRate(bytes, format.avgBytesPerSec, format.samplesPerSec);
    const int64_t blocks = bytes / bytesPerBlock;
    const __int128 frames =
        static_cast<__int128>(blocks) * framesPerBlock + FramesInPartialBlock(bytes % bytesPerBlock);
    return frames > std::numeric_limits<int64_t>::max() / 4 ? std::numeric_limits<int64_t>::max() / 4
                                                            : static_cast<int64_t>(frames);
}
