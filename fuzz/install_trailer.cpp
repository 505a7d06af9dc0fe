// Fuzzes the installer's reading of its own file: the bytes become an installer file that is installed into a
// temporary folder. The trailer must be accepted exactly when its sizes and the trailer make up the file with a
// program part; the copy must end within its block count, installed exactly when the byte sum matches, with each
// installed file equal to its part, and never leave a temporary file behind.
#include "FuzzInputFolder.h"
#include "install/PayloadCopy.h"
#include "platform/FileOps.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

namespace {

const std::string& Folder() {
    return FuzzInputFolder::Path("install-trailer");
}

void Check(bool condition) {
    if (!condition)
        std::abort();
}

uint32_t LittleEndian(std::string_view bytes, size_t offset) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
        value |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[offset + i])) << (8 * i);
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string installer = Folder() + "tallowin-setup";
    const std::string install = Folder() + "install/";
    std::error_code ignored;
    std::filesystem::remove_all(install, ignored);
    Check(MakeFolders(install) && WriteFileAtomically(installer, bytes));

    uint64_t sizes[kPayloadParts] = {};
    uint64_t payload = 0;
    uint32_t checksum = 0;
    bool fits = size >= kTrailerSize;
    if (fits) {
        for (size_t part = 0; part < kPayloadParts; ++part)
            payload += sizes[part] = LittleEndian(bytes, size - kTrailerSize + 4 * part);
        checksum = LittleEndian(bytes, size - 4);
        fits = payload == size - kTrailerSize && sizes[0] > 0;
    }

    PayloadCopy copy(installer, install);
    PayloadCopy::State state = copy.Open();
    Check((state == PayloadCopy::State::Copying) == fits);
    Check(fits || state == PayloadCopy::State::Corrupt);
    uint64_t steps = 0;
    int percent = 0;
    while (state == PayloadCopy::State::Copying) {
        state = copy.Step();
        Check(copy.Percent() >= percent && copy.Percent() <= 100);
        percent = copy.Percent();
        Check(++steps <= payload / PayloadCopy::kBlockBytes + kPayloadParts + 1);
    }
    uint32_t sum = 0;
    for (const char c : bytes.substr(0, payload))
        sum += static_cast<uint8_t>(c);
    const bool installed = fits && sum == checksum;
    Check(state == (installed ? PayloadCopy::State::Installed : PayloadCopy::State::Corrupt));

    const std::optional<std::vector<std::string>> names = ListFolder(install);
    Check(names && names->size() == (installed ? kPayloadParts + 1 : 0));
    uint64_t offset = 0;
    for (size_t part = 0; installed && part < kPayloadParts; ++part) {
        const std::string_view expected = bytes.substr(offset, sizes[part]);
        Check(ReadFileBytes(install + std::string(kPayloadNames[part])) == expected);
        if (part == 0)
            Check(ReadFileBytes(install + PayloadCopy::kUninstallerName) == expected);
        offset += sizes[part];
    }
    return 0;
}
