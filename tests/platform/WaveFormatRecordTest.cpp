#include "platform/WaveFormatRecord.h"

#include <gtest/gtest.h>

namespace {

TEST(WaveFormatRecord, UnusableRecordsAreRefused) {
    struct Field {
        size_t offset;
        uint32_t value;
        size_t width;
        const char* what;
    };
    for (const Field& field : {Field{2, 17, 2, "too many channels"}, Field{4, 400000, 4, "rate too high"},
                               Field{12, 0, 2, "block align 0"}, Field{16, 1, 2, "an extra byte that is not there"}}) {
        std::vector<uint8_t> bytes = WaveFormatRecord::Pcm(8000, 1, 16).Serialize();
        for (size_t i = 0; i < field.width; ++i)
            bytes[field.offset + i] = static_cast<uint8_t>(field.value >> (8 * i));
        EXPECT_FALSE(WaveFormatRecord::Parse(bytes)) << field.what;
    }
    EXPECT_FALSE(WaveFormatRecord::Parse(std::vector<uint8_t>(15)));
}

TEST(WaveFormatRecord, ExtensibleMapsToItsSubFormatAndACutOneIsRefused) {
    WaveFormatRecord extensible = WaveFormatRecord::Pcm(44100, 2, 16);
    extensible.formatTag = WaveFormatRecord::kTagExtensible;
    extensible.extra = {16, 0, 3, 0, 0, 0, 0x01, 0x00, 0, 0, 0x10, 0, 0x80, 0, 0, 0xaa, 0, 0x38, 0x9b, 0x71};
    extensible.extra.resize(22);
    const auto format = WaveFormatRecord::Parse(extensible.Serialize());
    ASSERT_TRUE(format);
    EXPECT_EQ(format->formatTag, WaveFormatRecord::kTagPcm);
    EXPECT_EQ(format->channels, 2);
    extensible.extra.resize(10);
    EXPECT_FALSE(WaveFormatRecord::Parse(extensible.Serialize()));
}

} // namespace
