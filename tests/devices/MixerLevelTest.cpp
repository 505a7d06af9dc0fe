#include "MixerLevel.h"

#include "internal/audio/PulseConnection.h"

#include <gtest/gtest.h>

namespace {

TEST(MixerLevel, DecibelsMapOntoTheMixerScale) {
    EXPECT_EQ(MixerLevelForDb(-127), 0);
    EXPECT_EQ(MixerLevelForDb(-36), 0);
    EXPECT_EQ(MixerLevelForDb(-35), 1424);
    EXPECT_EQ(MixerLevelForDb(0), 51264);
    EXPECT_EQ(MixerLevelForDb(10), 65504);
    EXPECT_EQ(MixerLevelForDb(11), 65535);
    EXPECT_EQ(MixerLevelForDb(127), 65535);
}

TEST(MixerLevel, ALevelKeepsItsDecibelsAsAGainAndOnTheServersScale) {
    EXPECT_EQ(GainForMixerLevel(0), 0.0);
    EXPECT_EQ(GainForMixerLevel(MixerLevelForDb(0)), 1.0);
    EXPECT_NEAR(GainForMixerLevel(MixerLevelForDb(-6)), 0.5012, 1e-4);
    EXPECT_NEAR(GainForMixerLevel(65535), 3.18, 0.01);
    using audio_internal::PulseVolumeForMixerLevel;
    EXPECT_EQ(PulseVolumeForMixerLevel(MixerLevelForDb(0)), PA_VOLUME_NORM);
    EXPECT_EQ(PulseVolumeForMixerLevel(MixerLevelForDb(-12)), 41350u);
    EXPECT_EQ(PulseVolumeForMixerLevel(0), PA_VOLUME_MUTED);
}

} // namespace
