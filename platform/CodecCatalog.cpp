#include "platform/CodecCatalog.h"

#include "internal/codec/CodecLayout.h"
#include "platform/CodecStream.h"

#include <algorithm>

namespace {

// The seven predictor pairs of MS ADPCM.
constexpr int16_t kMsAdpcmCoefficients[7][2] = {{256, 0}, {512, -256}, {0, 0},     {192, 64},
                                                {240, 0}, {460, -208}, {392, -232}};

// MPEGLAYER3WAVEFORMAT values: ID_MPEG, ISO padding (or none when every frame has the same size), one frame per
// block, and the delay of our encoder and a decoder (576 + 529 frames).
constexpr uint16_t kLayer3Id = 1;
constexpr uint32_t kLayer3PaddingIso = 0;
constexpr uint32_t kLayer3PaddingOff = 2;
constexpr uint16_t kLayer3CodecDelay = 1105;

// ADPCM block bytes as the usual writers choose them: 256 bytes a channel up to 11025 Hz, doubled with each
// doubling of the rate after that.
uint16_t AdpcmBlockAlign(uint32_t rate, uint16_t channels) {
    const uint32_t factor = std::max<uint32_t>(1, rate / 11025);
    uint32_t power = 1;
    while (power * 2 <= factor)
        power *= 2;
    return static_cast<uint16_t>(std::min<uint32_t>(256u * channels * power, 8192));
}

// The constant bit rate a layer-3 record gets: about 2 bits a sample for mono at 8000 Hz, growing more slowly
// than the rate; stereo twice that.
uint32_t Layer3KbitRate(uint32_t rate, uint16_t channels) {
    uint32_t kbits = 16;
    if (rate >= 44100)
        kbits = 64;
    else if (rate >= 22050)
        kbits = 32;
    else if (rate >= 11025)
        kbits = 24;
    return kbits * std::max<uint16_t>(channels, 1);
}

CodecCatalogEntry MakeEntry(uint16_t tag, uint16_t bits, const char* name, const char* id) {
    CodecCatalogEntry entry;
    entry.formatTag = tag;
    entry.bitsPerSample = bits;
    entry.name = name;
    entry.id = id;
    return entry;
}

std::vector<CodecCatalogEntry> AllFormats() {
    return {
        MakeEntry(WaveFormatRecord::kTagPcm, 8, "PCM 8-bit", "pcm8"),
        MakeEntry(WaveFormatRecord::kTagPcm, 16, "PCM 16-bit", "pcm16"),
        MakeEntry(WaveFormatRecord::kTagALaw, 0, "CCITT A-Law", "alaw"),
        MakeEntry(WaveFormatRecord::kTagMuLaw, 0, "CCITT u-Law", "mulaw"),
        MakeEntry(WaveFormatRecord::kTagImaAdpcm, 0, "IMA ADPCM", "ima-adpcm"),
        MakeEntry(WaveFormatRecord::kTagMsAdpcm, 0, "MS ADPCM", "ms-adpcm"),
        MakeEntry(WaveFormatRecord::kTagGsm610, 0, "GSM 6.10", "gsm"),
        MakeEntry(WaveFormatRecord::kTagMpegLayer3, 0, "MPEG Layer-3", "mp3"),
    };
}

std::string WithThousands(uint64_t value) {
    const std::string digits = std::to_string(value);
    std::string text;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            text.push_back(',');
        text.push_back(digits[i]);
    }
    return text;
}

} // namespace

bool CodecCatalogEntry::Offers(uint32_t rate, uint16_t channelCount) const {
    return std::find(rates.begin(), rates.end(), rate) != rates.end() &&
           std::find(channels.begin(), channels.end(), channelCount) != channels.end();
}

const std::vector<uint32_t>& CodecCatalog::StandardRates() {
    static const std::vector<uint32_t> rates = {8000, 11025, 22050, 44100};
    return rates;
}

const std::vector<uint16_t>& CodecCatalog::StandardChannels() {
    static const std::vector<uint16_t> channels = {1, 2};
    return channels;
}

const std::vector<CodecCatalogEntry>& CodecCatalog::Entries() {
    static const std::vector<CodecCatalogEntry> entries = [] {
        std::vector<CodecCatalogEntry> present;
        for (CodecCatalogEntry entry : AllFormats()) {
            for (uint32_t rate : StandardRates())
                for (uint16_t channels : StandardChannels())
                    if (CodecStream::CanEncode(BuildFormat(entry, rate, channels))) {
                        if (std::find(entry.rates.begin(), entry.rates.end(), rate) == entry.rates.end())
                            entry.rates.push_back(rate);
                        if (std::find(entry.channels.begin(), entry.channels.end(), channels) == entry.channels.end())
                            entry.channels.push_back(channels);
                    }
            std::sort(entry.channels.begin(), entry.channels.end());
            if (!entry.rates.empty())
                present.push_back(std::move(entry));
        }
        return present;
    }();
    return entries;
}

const CodecCatalogEntry* CodecCatalog::Find(std::string_view id) {
    for (const CodecCatalogEntry& entry : Entries())
        if (entry.id == id)
            return &entry;
    return nullptr;
}

const CodecCatalogEntry* CodecCatalog::FindFor(const WaveFormatRecord& format) {
    for (const CodecCatalogEntry& entry : Entries())
        if (entry.formatTag == format.formatTag &&
            (entry.bitsPerSample == 0 || entry.bitsPerSample == format.bitsPerSample))
            return &entry;
    return nullptr;
}

WaveFormatRecord CodecCatalog::BuildFormat(const CodecCatalogEntry& entry, uint32_t rate, uint16_t channels) {
    WaveFormatRecord format;
    format.formatTag = entry.formatTag;
    format.channels = channels;
    format.samplesPerSec = rate;
    switch (entry.formatTag) {
    case WaveFormatRecord::kTagPcm:
        return WaveFormatRecord::Pcm(rate, channels, entry.bitsPerSample);
    case WaveFormatRecord::kTagALaw:
    case WaveFormatRecord::kTagMuLaw:
        format.bitsPerSample = 8;
        format.blockAlign = channels;
        format.avgBytesPerSec = rate * channels;
        return format;
    case WaveFormatRecord::kTagImaAdpcm:
    case WaveFormatRecord::kTagMsAdpcm: {
        format.bitsPerSample = 4;
        format.blockAlign = AdpcmBlockAlign(rate, channels);
        const std::optional<CodecLayout> layout = CodecLayout::For(format);
        const uint32_t framesPerBlock = layout ? static_cast<uint32_t>(layout->framesPerBlock) : 1;
        format.avgBytesPerSec = static_cast<uint32_t>(static_cast<uint64_t>(rate) * format.blockAlign / framesPerBlock);
        AppendLe16(format.extra, static_cast<uint16_t>(framesPerBlock));
        if (entry.formatTag == WaveFormatRecord::kTagMsAdpcm) {
            AppendLe16(format.extra, 7);
            for (const auto& pair : kMsAdpcmCoefficients) {
                AppendLe16(format.extra, static_cast<uint16_t>(pair[0]));
                AppendLe16(format.extra, static_cast<uint16_t>(pair[1]));
            }
        }
        return format;
    }
    case WaveFormatRecord::kTagGsm610:
        format.bitsPerSample = 0;
        format.blockAlign = CodecLayout::kGsmBlockBytes;
        format.avgBytesPerSec = static_cast<uint32_t>(static_cast<uint64_t>(rate) * CodecLayout::kGsmBlockBytes /
                                                      CodecLayout::kGsmBlockFrames);
        AppendLe16(format.extra, CodecLayout::kGsmBlockFrames);
        return format;
    case WaveFormatRecord::kTagMpegLayer3: {
        const uint32_t kbits = Layer3KbitRate(rate, channels);
        format.bitsPerSample = 0;
        format.blockAlign = 1;
        format.avgBytesPerSec = kbits * 1000 / 8;
        // Bytes of one frame: 1152 samples (MPEG-1) or 576 (the low rates) at the bit rate.
        const uint64_t samplesPerFrame = rate >= 32000 ? 1152 : 576;
        const uint64_t frameBits = samplesPerFrame * kbits * 1000;
        const uint64_t frameBytes = rate == 0 ? 0 : frameBits / 8 / rate;
        const bool even = rate != 0 && frameBits % (8ull * rate) == 0;
        AppendLe16(format.extra, kLayer3Id);
        AppendLe32(format.extra, even ? kLayer3PaddingOff : kLayer3PaddingIso);
        AppendLe16(format.extra, static_cast<uint16_t>(frameBytes));
        AppendLe16(format.extra, 1);
        AppendLe16(format.extra, kLayer3CodecDelay);
        return format;
    }
    default:
        return format;
    }
}

std::optional<WaveFormatRecord> CodecCatalog::MakeFormat(std::string_view id, uint32_t rate, uint16_t channels) {
    const CodecCatalogEntry* entry = Find(id);
    if (!entry)
        return std::nullopt;
    WaveFormatRecord format = BuildFormat(*entry, rate, channels);
    if (!CodecStream::CanEncode(format))
        return std::nullopt;
    return format;
}

std::string CodecCatalog::Describe(const WaveFormatRecord& format) {
    std::string text = WithThousands(format.samplesPerSec) + " Hz, ";
    if (format.formatTag == WaveFormatRecord::kTagPcm)
        text += std::to_string(format.bitsPerSample) + " Bit, ";
    if (format.channels == 1)
        text += "Mono";
    else if (format.channels == 2)
        text += "Stereo";
    else
        text += std::to_string(format.channels) + " Channels";
    return text + ", " + WithThousands(format.avgBytesPerSec) + " bytes/s";
}
