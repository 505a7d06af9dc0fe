// Tests of the channel converters and their descriptor.
#include "ConvertTestSupport.h"
#include "LSPConvChannels.h"
#include "LSRCConvChannelsN.h"
#include "LSRCConvMonoStereo.h"
#include "LSRCConvStereoMono.h"

#include <gtest/gtest.h>

using namespace convert_test;

TEST(ChannelConverter, StereoToMonoKeepsTheLeftChannelExactly) {
    const std::vector<int32_t> stereo = Noise(2 * 9001, 500000, 3);
    auto upstream = MakeHandle<MemorySource>(stereo, 8000, 2);
    LSRCConvStereoMono converter(upstream);
    EXPECT_EQ(converter.Channels(), 1);
    // An odd count beyond the 8192-frame buffer: served in two steps.
    const std::vector<int32_t> out = ReadInBlocks(converter, 9001, {9001});
    for (int32_t frame = 0; frame < 9001; ++frame)
        ASSERT_EQ(out[frame], stereo[2 * frame]) << frame;
    EXPECT_LE(upstream->LargestRead(), 8192);
    EXPECT_EQ(converter.GetPosition(), 9001);
}

TEST(ChannelConverter, MonoToStereoGivesTwoIdenticalChannels) {
    const std::vector<int32_t> mono = Noise(777, 500000, 4);
    LSRCConvMonoStereo converter(Memory(mono, 11025, 1));
    EXPECT_EQ(converter.Channels(), 2);
    const std::vector<int32_t> out = ReadInBlocks(converter, 777, {1, 3, 5});
    for (int32_t frame = 0; frame < 777; ++frame) {
        ASSERT_EQ(out[2 * frame], mono[frame]);
        ASSERT_EQ(out[2 * frame + 1], mono[frame]);
    }
}

TEST(ChannelConverter, AnyOtherPairRepeatsTheInputChannelsInTurn) {
    // Three channels to five: 0 1 2 0 1; and back down to two: 0 1.
    std::vector<int32_t> three;
    for (int frame = 0; frame < 5; ++frame)
        for (int channel = 0; channel < 3; ++channel)
            three.push_back(frame * 10 + channel);
    LSoundSourceHandle up = MakeHandle<LSRCConvChannelsN>(Memory(three, 8000, 3), 5);
    const std::vector<int32_t> five = ReadAll(*up, 5);
    EXPECT_EQ(std::vector<int32_t>(five.begin(), five.begin() + 10),
              (std::vector<int32_t>{0, 1, 2, 0, 1, 10, 11, 12, 10, 11}));
    LSRCConvChannelsN down(up, 2);
    up->Seek(0);
    EXPECT_EQ(ReadAll(down, 3), (std::vector<int32_t>{0, 1, 10, 11, 20, 21}));
}

TEST(ChannelConverter, SeekPositionAndLengthAreTheUpstreams) {
    auto upstream = MakeHandle<MemorySource>(std::vector<int32_t>(2 * 1000, 1), 8000, 2);
    LSRCConvStereoMono converter(upstream);
    converter.Seek(123);
    EXPECT_EQ(upstream->GetPosition(), 123);
    EXPECT_EQ(converter.GetPosition(), 123);
    EXPECT_EQ(converter.GetLength(), 1000);
}

TEST(ChannelConverter, AConverterOverTheWrongChannelCountIsInvalidAndSilent) {
    LSRCConvStereoMono fromMono(Memory(std::vector<int32_t>(100, 7), 8000, 1));
    LSRCConvMonoStereo fromStereo(Memory(std::vector<int32_t>(200, 7), 8000, 2));
    LSRCConvChannelsN tooMany(Memory(std::vector<int32_t>(100, 7), 8000, 1), 300);
    for (LSoundSource* converter : std::initializer_list<LSoundSource*>{&fromMono, &fromStereo, &tooMany}) {
        EXPECT_TRUE(converter->IsInvalid());
        std::vector<int32_t> out(10 * converter->Channels(), 0x5555);
        converter->Read(out.data(), 10);
        EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](int32_t v) { return v == 0; }));
    }
}

TEST(ChannelConverterApply, PicksTheConverterByThePairOfCounts) {
    LSoundSourceHandle mono = Memory(std::vector<int32_t>(10), 8000, 1);
    LSoundSourceHandle stereo = Memory(std::vector<int32_t>(20), 8000, 2);
    LSoundSourceHandle result;
    LSPConvChannels(1).Apply(result, stereo);
    EXPECT_NE(dynamic_cast<LSRCConvStereoMono*>(result.Get()), nullptr);
    LSPConvChannels(2).Apply(result, mono);
    EXPECT_NE(dynamic_cast<LSRCConvMonoStereo*>(result.Get()), nullptr);
    LSPConvChannels(6).Apply(result, stereo);
    EXPECT_NE(dynamic_cast<LSRCConvChannelsN*>(result.Get()), nullptr);
    EXPECT_EQ(result->Channels(), 6);

    LSPConvChannels(0).Apply(result, stereo);
    EXPECT_EQ(result, stereo);
    LSPConvChannels(2).Apply(result, stereo);
    EXPECT_EQ(result, stereo);
    LSPConvChannels(256).Apply(result, stereo);
    EXPECT_EQ(result, stereo);
    LSoundSourceHandle invalid = InvalidSource();
    LSPConvChannels(2).Apply(result, invalid);
    EXPECT_EQ(result, invalid);
    LSoundSourceHandle empty;
    LSPConvChannels(2).Apply(result, empty);
    EXPECT_FALSE(result);
}
