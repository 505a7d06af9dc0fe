#include "internal/audio/PcmWaveLayout.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace {

// A wave file in memory, for the layout reader.
struct WaveBytes {
    std::string bytes;
    int64_t ReadAt(void* buffer, size_t count, int64_t offset) const {
        if (offset < 0 || static_cast<size_t>(offset) > bytes.size())
            return -1;
        const size_t take = std::min(count, bytes.size() - static_cast<size_t>(offset));
        if (take > 0)
            std::memcpy(buffer, bytes.data() + offset, take);
        return static_cast<int64_t>(take);
    }
    std::optional<audio_internal::PcmWaveLayout> Layout() const {
        return audio_internal::ReadPcmWaveLayout(
            [this](void* buffer, size_t count, int64_t offset) { return ReadAt(buffer, count, offset); },
            static_cast<int64_t>(bytes.size()));
    }
};

std::string Le32(uint32_t value) {
    return {static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
            static_cast<char>(value >> 24)};
}

std::string Chunk(const std::string& id, const std::string& body) {
    std::string chunk = id + Le32(static_cast<uint32_t>(body.size())) + body;
    if (body.size() % 2)
        chunk += '\0';
    return chunk;
}

std::string Format(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
    const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
    std::string body = std::string{static_cast<char>(tag), static_cast<char>(tag >> 8), static_cast<char>(channels),
                                   static_cast<char>(channels >> 8)} +
                       Le32(rate) + Le32(rate * align) +
                       std::string{static_cast<char>(align), 0, static_cast<char>(bits), 0};
    return Chunk("fmt ", body);
}

std::string Riff(const std::string& chunks) {
    return "RIFF" + Le32(static_cast<uint32_t>(chunks.size() + 4)) + "WAVE" + chunks;
}

TEST(PcmWaveLayout, FindsTheFramesPastOtherChunksOfOddSize) {
    const WaveBytes wave{Riff(Chunk("LIST", "odd") + Format(1, 2, 22050, 16) + Chunk("data", std::string(40, 'x')))};
    const auto layout = wave.Layout();
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->format, (PcmFormat{22050, 2}));
    EXPECT_EQ(layout->frames, 10);
    EXPECT_EQ(layout->dataOffset, static_cast<int64_t>(wave.bytes.size()) - 40);
}

TEST(PcmWaveLayout, ADataChunkCutShortIsTakenAsFarAsTheFileGoes) {
    WaveBytes wave{Riff(Format(1, 1, 8000, 16) + "data" + Le32(1000000) + std::string(101, 'x'))};
    const auto layout = wave.Layout();
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->frames, 50);
}

TEST(PcmWaveLayout, AnythingButSixteenBitPcmIsRefused) {
    EXPECT_FALSE((WaveBytes{Riff(Format(1, 1, 8000, 8) + Chunk("data", "xx"))}.Layout()));
    EXPECT_FALSE((WaveBytes{Riff(Format(7, 1, 8000, 8) + Chunk("data", "xx"))}.Layout()));
    EXPECT_FALSE((WaveBytes{Riff(Format(1, 0, 8000, 16) + Chunk("data", "xx"))}.Layout()));
    EXPECT_FALSE((WaveBytes{Riff(Chunk("data", "xx"))}.Layout()));
    EXPECT_FALSE((WaveBytes{Riff(Chunk("fmt ", "") + Format(1, 1, 8000, 16) + Chunk("data", "xx"))}.Layout()));
    EXPECT_FALSE((WaveBytes{Riff(Format(1, 1, 8000, 16))}.Layout()));
    EXPECT_FALSE((WaveBytes{"RIFX" + Le32(4) + "WAVE"}.Layout()));
    EXPECT_FALSE((WaveBytes{""}.Layout()));
}

TEST(PcmWaveLayout, TheHeaderWeWriteReadsBack) {
    const auto header = audio_internal::PcmWaveHeader({44100, 2}, 400);
    WaveBytes wave{std::string(header.begin(), header.end()) + std::string(400, '\0')};
    const auto layout = wave.Layout();
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->format, (PcmFormat{44100, 2}));
    EXPECT_EQ(layout->frames, 100);
    EXPECT_EQ(layout->dataOffset, 44);
}

} // namespace
