// Fuzzes the INI parser: any bytes parse; every key found reads back after a rewrite; a written value reads back.
#include "platform/internal/IniDocument.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    IniDocument document = IniDocument::Parse(text);
    const auto before = document.Get("file", "priority");
    const IniDocument reparsed = IniDocument::Parse(document.Serialize());
    if (reparsed.Get("file", "priority") != before)
        std::abort();

    const std::string_view value = text.substr(0, std::min<size_t>(text.size(), 40));
    document.Set("settings", "number", value);
    const auto stored = IniDocument::Parse(document.Serialize()).Get("settings", "number");
    if (!stored || stored->find('\n') != std::string::npos)
        std::abort();
    return 0;
}
