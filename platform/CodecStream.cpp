#include "platform/CodecStream.h"

#include "internal/codec/AvDecoderStream.h"
#include "internal/codec/AvEncoderStream.h"
#include "internal/codec/CodecLayout.h"
#include "internal/codec/LameEncoderStream.h"
#include "internal/codec/PcmCodecStream.h"

std::unique_ptr<CodecStream> CodecStream::Open(const WaveFormatRecord& format, Direction direction) {
    const std::optional<CodecLayout> layout = CodecLayout::For(format);
    if (!layout)
        return nullptr;
    if (layout->kind == CodecKind::Pcm)
        return std::make_unique<PcmCodecStream>(format, direction, *layout);
    if (direction == Direction::Decode)
        return AvDecoderStream::Open(format, *layout);
    if (layout->kind == CodecKind::MpegLayer3)
        return LameEncoderStream::Open(format, *layout);
    return AvEncoderStream::Open(format, *layout);
}

bool CodecStream::CanEncode(const WaveFormatRecord& format) {
    return Open(format, Direction::Encode) != nullptr;
}
