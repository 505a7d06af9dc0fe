#include "sound/tool/ToolText.h"

#include "platform/CodecCatalog.h"
#include "sound/tool/Commands.h"

#include <cstdio>

std::string FormatName(const WaveFormatRecord& format) {
    if (const CodecCatalogEntry* entry = CodecCatalog::FindFor(format))
        return entry->name;
    switch (format.formatTag) {
    case WaveFormatRecord::kTagPcm:
        return "PCM";
    case WaveFormatRecord::kTagFloat:
        return "IEEE float";
    case WaveFormatRecord::kTagALaw:
        return "A-law";
    case WaveFormatRecord::kTagMuLaw:
        return "mu-law";
    case WaveFormatRecord::kTagMsAdpcm:
        return "MS ADPCM";
    case WaveFormatRecord::kTagImaAdpcm:
        return "IMA ADPCM";
    case WaveFormatRecord::kTagGsm610:
        return "GSM 6.10";
    case WaveFormatRecord::kTagMpegLayer3:
        return "MPEG Layer-3";
    default:
        break;
    }
    char text[16];
    std::snprintf(text, sizeof text, "tag 0x%04x", format.formatTag);
    return text;
}

std::string DescribeOpenError(const std::string& path, const WaveFileError& error) {
    std::string text = path + ": " + WaveFileError::CategoryName(error.category) + ": " + error.text;
    if (error.offset >= 0)
        text += " (byte " + std::to_string(error.offset) + ")";
    return text;
}

bool ReportDamage(const std::string& path, const WaveFileLayout& layout) {
    if (layout.IsCutShort()) {
        PrintError(path + ": the data chunk states " + std::to_string(layout.declaredBytes) + " bytes but only " +
                   std::to_string(layout.presentBytes) + " are in the file (cut off); the frames present are read");
        return true;
    }
    if (layout.HasRecoveredBytes()) {
        PrintError(path + ": the data chunk states " + std::to_string(layout.declaredBytes) + " bytes but " +
                   std::to_string(layout.presentBytes) +
                   " follow it (a header not brought up to date); all of them are read");
        return true;
    }
    return false;
}

std::string Trimmed(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    return std::string(text);
}
