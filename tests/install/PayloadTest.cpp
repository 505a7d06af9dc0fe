// The installer file's trailer and checksum, and the copy into an install folder that holds an earlier
// installation: files laid out here field by field, each run to its end through PayloadCopy.
#include "InstallTestHome.h"
#include "install/PayloadCopy.h"

#include <gtest/gtest.h>
#include <numeric>

namespace {

using State = PayloadCopy::State;

// A program of three and a half blocks, a help page and five recordings, the third one empty.
std::array<std::string, kPayloadParts> Parts() {
    std::array<std::string, kPayloadParts> parts;
    for (size_t i = 0; i < 57344; ++i)
        parts[0] += static_cast<char>(i * 131 % 251);
    parts[1] = "<html>help</html>";
    for (size_t page = 1; page <= 5; ++page)
        parts[1 + page] = page == 3 ? "" : "RIFF wave " + std::to_string(page);
    return parts;
}

struct TrailerCase {
    const char* name;
    std::array<uint32_t, kPayloadParts> sizeChange; // added to each true size, modulo 2^32
    uint32_t checksumChange;
    size_t flippedByte; // 0 for none
    TrailerCheck check;
    State end;
};

constexpr TrailerCase kTrailerCases[] = {
    {"a good payload, one part of size 0", {}, 0, 0, TrailerCheck::Fits, State::Installed},
    {"one payload byte changed", {}, 0, 1000, TrailerCheck::Fits, State::Corrupt},
    {"the checksum changed by one", {}, 1, 0, TrailerCheck::Fits, State::Corrupt},
    {"a sum wrapping to the length", {0xFFFFFFFFu - 57344, 57345}, 0, 0, TrailerCheck::SizesDoNotAddUp, State::Corrupt},
    {"a size that runs past the end", {0, 0, 0, 0, 0, 0, 33}, 0, 0, TrailerCheck::SizesDoNotAddUp, State::Corrupt},
    {"sizes that fall short of the trailer", {0, 0, 0xFFFFFFFFu}, 0, 0, TrailerCheck::SizesDoNotAddUp, State::Corrupt},
    {"an empty program", {0u - 57344, 57344}, 0, 0, TrailerCheck::EmptyProgram, State::Corrupt},
};

void AppendLittleEndian(std::string& bytes, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        bytes += static_cast<char>(value >> shift);
}

std::string InstallerFile(const TrailerCase& test) {
    const auto parts = Parts();
    std::string file = std::accumulate(parts.begin(), parts.end(), std::string());
    const uint32_t sum =
        std::accumulate(file.begin(), file.end(), 0u, [](uint32_t total, char c) { return total + uint8_t(c); });
    for (size_t part = 0; part < kPayloadParts; ++part)
        AppendLittleEndian(file, static_cast<uint32_t>(parts[part].size()) + test.sizeChange[part]);
    AppendLittleEndian(file, sum + test.checksumChange);
    if (test.flippedByte != 0)
        file[test.flippedByte] ^= 0x01;
    return file;
}

} // namespace

TEST(PayloadTrailer, EveryTrailerIsCheckedAgainstTheFileBeforeAnythingIsReplaced) {
    for (const TrailerCase& test : kTrailerCases) {
        SCOPED_TRACE(test.name);
        TempFolder downloads;
        TempFolder install; // an earlier installation and the user's data: ten entries
        for (const std::string_view name : kPayloadNames)
            install.Write(name, "old " + std::string(name));
        install.Write("uninst", "old uninst");
        install.Write("settings.ini", "[settings]\n");
        install.Write("Current Files/1.wav", "dictation");
        PayloadCopy copy(downloads.Write("tallowin-setup", InstallerFile(test)), install.Path());
        State state = copy.Open();
        EXPECT_EQ(copy.TrailerStatus(), test.check);
        while (state == State::Copying)
            state = copy.Step();
        EXPECT_EQ(state, test.end);
        EXPECT_EQ(install.Read("settings.ini"), "[settings]\n");
        EXPECT_EQ(install.Read("Current Files/1.wav"), "dictation");
        EXPECT_EQ(ListFolder(install.Path())->size(), 10u) << "temporary files left behind";
        if (test.end != State::Installed) {
            EXPECT_EQ(install.Read("tallowin"), "old tallowin");
            EXPECT_EQ(install.Read("Intro5.wav"), "old Intro5.wav");
            continue;
        }
        const auto parts = Parts();
        for (size_t part = 0; part < kPayloadParts; ++part) {
            EXPECT_EQ(install.Read(kPayloadNames[part]), parts[part]) << kPayloadNames[part];
            EXPECT_EQ(ModeOf(install / kPayloadNames[part]), part == 0 ? 0755u : 0644u) << kPayloadNames[part];
        }
        EXPECT_EQ(install.Read("uninst"), parts[0]);
        EXPECT_EQ(ModeOf(install / "uninst"), 0755u);
    }
}

TEST(PayloadTrailer, ShortMissingOrUnwritableFilesAreRefusedAtOnce) {
    TempFolder folder;
    for (const std::string& bytes : {std::string(), std::string(31, '\x01')}) {
        PayloadCopy copy(folder.Write("tallowin-setup", bytes), folder.Path());
        EXPECT_EQ(copy.Open(), State::Corrupt);
        EXPECT_EQ(copy.TrailerStatus(), TrailerCheck::ShorterThanTrailer);
    }
    const std::string installer = folder.Write("tallowin-setup", InstallerFile(kTrailerCases[0]));
    EXPECT_EQ(PayloadCopy(installer, folder / "missing").Open(), State::WriteFailed);
    EXPECT_EQ(PayloadCopy(folder / "gone", folder.Path()).Open(), State::Unreadable);
}
