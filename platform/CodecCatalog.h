// CodecCatalog: the wave formats the codec layer can write here (only those whose encoder is present), each with
// the rates and channel counts it offers, and the exact format record for a (format, rate, channels) choice.
//
//   for (const CodecCatalogEntry& entry : CodecCatalog::Entries()) std::puts(entry.id.c_str());
//   std::optional<WaveFormatRecord> gsm = CodecCatalog::MakeFormat("gsm", 8000, 1);   // nothing if not encodable
#pragma once

#include "platform/WaveFormatRecord.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct CodecCatalogEntry {
    uint16_t formatTag = WaveFormatRecord::kTagPcm;
    uint16_t bitsPerSample = 0;     // tells the PCM entries apart; 0 where the tag alone names the format
    std::string name;               // as the format chooser shows it: "GSM 6.10"
    std::string id;                 // short form for command lines: "gsm"
    std::vector<uint32_t> rates;    // frames per second it encodes, ascending
    std::vector<uint16_t> channels; // channel counts it encodes, ascending

    bool Offers(uint32_t rate, uint16_t channelCount) const;
};

class CodecCatalog {
public:
    // The standard choices every format is offered with (the chooser's rate and channel lists).
    static const std::vector<uint32_t>& StandardRates();    // 8000, 11025, 22050, 44100
    static const std::vector<uint16_t>& StandardChannels(); // 1, 2

    // The formats this build can encode, in the chooser's order: pcm8, pcm16, alaw, mulaw, ima-adpcm, ms-adpcm,
    // gsm, mp3 (each present only when its encoder is).
    static const std::vector<CodecCatalogEntry>& Entries();
    static const CodecCatalogEntry* Find(std::string_view id);
    // The entry a record belongs to (by tag, and bits for PCM), or null.
    static const CodecCatalogEntry* FindFor(const WaveFormatRecord& format);

    // The record for `entry` at `rate` and `channels` with the format's standard block align, byte rate and extra
    // bytes, whether or not the codec can produce that combination (GSM 6.10 at 11025 Hz gives a record that
    // cannot be encoded).
    static WaveFormatRecord BuildFormat(const CodecCatalogEntry& entry, uint32_t rate, uint16_t channels);
    // The record for (id, rate, channels) when this build can encode it; nothing otherwise.
    static std::optional<WaveFormatRecord> MakeFormat(std::string_view id, uint32_t rate, uint16_t channels);

    // Attributes as the chooser shows them: "8,000 Hz, Mono, 1,625 bytes/s" ("8,000 Hz, 16 Bit, Mono, ..." for PCM).
    static std::string Describe(const WaveFormatRecord& format);
};
