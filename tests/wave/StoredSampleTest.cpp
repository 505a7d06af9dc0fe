// The writers' stored-sample conversion gives what the sample formats define, saturation included.
#include <gtest/gtest.h>
#include <internal/StoredSample.h>
#include <limits>
#include <vector>

namespace {

std::vector<int32_t> Probes() {
    std::vector<int32_t> probes{std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), 0, 1, -1};
    for (int32_t edge : {16 * 32767, -16 * 32768, 2048 * 127, -2048 * 128, 0x7fff0, 0x3f800})
        for (int32_t delta = -40; delta <= 40; ++delta)
            probes.push_back(edge + delta);
    for (int64_t value = -600000; value <= 600000; value += 997)
        probes.push_back(static_cast<int32_t>(value));
    return probes;
}

template <class T> void ExpectSameAsTheFormat() {
    for (int32_t sample : Probes()) {
        uint8_t stored[4] = {};
        StoreSample<T>(sample, stored);
        EXPECT_EQ(LoadSample<T>(stored), T::ToPipeline(T::FromPipeline(sample))) << sample;
    }
}

} // namespace

TEST(StoredSample, EightBitStoresMatchTheFormatIncludingSaturation) {
    ExpectSameAsTheFormat<LSFU8>();
}
TEST(StoredSample, SixteenBitStoresMatchTheFormatIncludingSaturation) {
    ExpectSameAsTheFormat<LSF16>();
}
TEST(StoredSample, ThirtyTwoBitStoresMatchTheFormatIncludingSaturation) {
    ExpectSameAsTheFormat<LSF32>();
}
