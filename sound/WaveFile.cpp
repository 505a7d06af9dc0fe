#include "sound/WaveFile.h"

#include "internal/StoredSample.h"
#include "internal/WaveChunks.h"
#include "sound/LSNKACMFile.h"
#include "sound/LSNKPCMFile.h"
#include "sound/LSRCACMWave.h"
#include "sound/LSRCPCMFile.h"

#include <cstdio>
#include <limits>

namespace {

using Category = WaveFileError::Category;

std::string TagText(uint16_t tag) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04x", tag);
    return text;
}

template <class T> LSoundSourceHandle MakePcmReader(LFile file, const WaveFileLayout& layout) {
    return MakeHandle<LSRCPCMFile<T>>(std::move(file), static_cast<int32_t>(layout.format.samplesPerSec),
                                      static_cast<uint8_t>(layout.format.channels), layout.dataOffset,
                                      layout.ownLayout);
}

// A PCM or float reader for the layout's format, or empty with `error` set.
LSoundSourceHandle MakeSampleReader(LFile file, const WaveFileLayout& layout, WaveFileError& error) {
    const WaveFormatRecord& format = layout.format;
    const uint16_t bits = format.bitsPerSample;
    if (format.formatTag == WaveFormatRecord::kTagFloat) {
        if (bits == 32)
            return MakePcmReader<LSFFloat32>(std::move(file), layout);
        if (bits == 64)
            return MakePcmReader<LSFFloat64>(std::move(file), layout);
        error = {Category::Unsupported, -1, "Float samples of " + std::to_string(bits) + " bits cannot be read."};
        return {};
    }
    if (bits == 0 || bits > 32) {
        error = {Category::Unsupported, -1, "PCM samples of " + std::to_string(bits) + " bits cannot be read."};
        return {};
    }
    if (bits <= 8)
        return MakePcmReader<LSFU8>(std::move(file), layout);
    if (bits <= 16)
        return MakePcmReader<LSF16>(std::move(file), layout);
    // 17 to 24 bits packed in 3 bytes; otherwise (and up to 32 bits) in 4.
    if (bits <= 24 && format.blockAlign == format.channels * 3)
        return MakePcmReader<LSF24>(std::move(file), layout);
    return MakePcmReader<LSF32>(std::move(file), layout);
}

} // namespace

const char* WaveFileError::CategoryName(Category category) {
    switch (category) {
    case Category::None:
        return "no error";
    case Category::Io:
        return "cannot read";
    case Category::NotWave:
        return "damaged or not a wave file";
    case Category::BadFormat:
        return "damaged format";
    case Category::Unsupported:
        return "unsupported";
    }
    return "unknown";
}

WaveOpenResult OpenWaveFileWithReason(const std::string& path) {
    WaveChunks chunks = OpenWaveChunks(path);
    WaveOpenResult result;
    result.layout = chunks.layout;
    result.error = chunks.error;
    if (chunks.error.IsError())
        return result;

    const WaveFileLayout& layout = chunks.layout;
    const uint16_t tag = layout.format.formatTag;
    if (tag == WaveFormatRecord::kTagPcm || tag == WaveFormatRecord::kTagFloat) {
        result.source = MakeSampleReader(std::move(chunks.file), layout, result.error);
    } else {
        result.source = MakeHandle<LSRCACMWave>(std::move(chunks.file), layout.format, layout.dataOffset,
                                                layout.presentBytes, layout.factFrames);
        if (result.source->IsInvalid()) {
            result.source.Reset();
            result.error = {Category::Unsupported, -1,
                            "No codec here decodes format tag " + TagText(tag) + " with these parameters."};
        }
    }
    if (result.source && result.source->IsInvalid()) {
        result.source.Reset();
        result.error = {Category::BadFormat, -1, "The file's samples cannot be read."};
    }
    return result;
}

LSoundSourceHandle OpenWaveFile(const std::string& path) {
    return OpenWaveFileWithReason(path).source;
}

LSoundSinkHandle CreatePCMFileSink(const std::string& path, int32_t rate, uint8_t channels, int bitsPerSample,
                                   int32_t framesToKeep) {
    if (bitsPerSample <= 8)
        return MakeHandle<LSNKPCMFile<LSFU8>>(path, rate, channels, framesToKeep);
    if (bitsPerSample <= 16)
        return MakeHandle<LSNKPCMFile<LSF16>>(path, rate, channels, framesToKeep);
    return MakeHandle<LSNKPCMFile<LSF32>>(path, rate, channels, framesToKeep);
}

LSoundSinkHandle CreateFileSinkForFormat(const std::string& path, const WaveFormatRecord& format) {
    if (format.formatTag == WaveFormatRecord::kTagPcm) {
        const bool usable = format.channels >= 1 && format.channels <= std::numeric_limits<uint8_t>::max() &&
                            format.samplesPerSec <= static_cast<uint32_t>(std::numeric_limits<int32_t>::max());
        // A record no file can hold gives a sink in error (a rate of 0 never opens the file).
        return CreatePCMFileSink(path, usable ? static_cast<int32_t>(format.samplesPerSec) : 0,
                                 static_cast<uint8_t>(usable ? format.channels : 1), format.bitsPerSample, 0);
    }
    return MakeHandle<LSNKACMFile>(path, format);
}

bool FinishFileSink(LSoundSink& sink) {
    if (auto* pcm = dynamic_cast<LSNKPCMFileBase*>(&sink))
        return pcm->Finish();
    if (auto* codec = dynamic_cast<LSNKACMFile*>(&sink))
        return codec->Finish();
    return !sink.IsInError();
}
