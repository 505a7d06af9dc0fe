// Tests of the loop: the frames it plays, loops of zero and tiny length, and how Seek folds into the loop.
// At 10000 frames per second a time value is a frame count, which keeps the expectations readable.
#include "ConvertTestSupport.h"
#include "LSRCRepeat.h"

#include <gtest/gtest.h>

using namespace convert_test;

namespace {

// Sample value = frame number, so the output tells which upstream frame was played.
LSoundSourceHandle Counting(int32_t frames) {
    std::vector<int32_t> samples(frames);
    for (int32_t i = 0; i < frames; ++i)
        samples[i] = i;
    return Memory(samples, 10000);
}

// The upstream frame that output frame f plays for a loop [start, end) with the given period.
int32_t Expected(int64_t f, int32_t start, int32_t end, int32_t period) {
    return static_cast<int32_t>(f < end ? f : start + (f - end) % period);
}

} // namespace

TEST(Repeat, PlaysUpToTheLoopEndAndThenTheLoopAgainAndAgain) {
    LSRCRepeat repeat(Counting(5000), 1000, 2000);
    EXPECT_EQ(repeat.LoopStartFrame(), 1000);
    EXPECT_EQ(repeat.LoopEndFrame(), 2000);
    const std::vector<int32_t> out = ReadInBlocks(repeat, 6000, {1, 999, 1000, 8192, 3});
    for (int32_t f = 0; f < 6000; ++f)
        ASSERT_EQ(out[f], Expected(f, 1000, 2000, 1000)) << f;
}

TEST(Repeat, AnEndBeforeTheStartIsSwapped) {
    LSRCRepeat repeat(Counting(5000), 2000, 1000);
    EXPECT_EQ(repeat.LoopStartFrame(), 1000);
    EXPECT_EQ(repeat.LoopEndFrame(), 2000);
}

TEST(Repeat, ALoopOfZeroLengthPlays256FramesFromItsStartEachTime) {
    LSRCRepeat repeat(Counting(5000), 1500, 1500);
    EXPECT_EQ(repeat.PeriodFrames(), 256);
    const std::vector<int32_t> out = ReadInBlocks(repeat, 3000, {100});
    for (int32_t f = 0; f < 3000; ++f)
        ASSERT_EQ(out[f], Expected(f, 1500, 1500, 256)) << f;
}

TEST(Repeat, ATinyLoopPlaysTheSameWhateverTheReadSizes) {
    LSRCRepeat whole(Counting(5000), 1000, 1100);
    LSRCRepeat pieces(Counting(5000), 1000, 1100);
    const std::vector<int32_t> expected = ReadInBlocks(whole, 4000, {4000});
    EXPECT_EQ(ReadInBlocks(pieces, 4000, {1, 7, 300, 129}), expected);
    for (int32_t f = 0; f < 4000; ++f)
        ASSERT_EQ(expected[f], Expected(f, 1000, 1100, 256)) << f;
}

TEST(Repeat, SeekFoldsAFrameBeyondTheLoopEndIntoTheLoop) {
    auto upstream = MakeHandle<MemorySource>(std::vector<int32_t>(5000), 10000, 1);
    LSRCRepeat repeat(upstream, 1000, 2000);
    const struct {
        int32_t frame, upstreamFrame;
    } cases[] = {{-20, -20}, {500, 500}, {1999, 1999}, {2000, 1000}, {2999, 1999}, {3000, 1000}, {12345, 1345}};
    for (const auto& c : cases) {
        repeat.Seek(c.frame);
        EXPECT_EQ(upstream->GetPosition(), c.upstreamFrame) << c.frame;
        EXPECT_EQ(repeat.GetPosition(), c.upstreamFrame) << c.frame;
    }
}

TEST(Repeat, AfterASeekTheLoopGoesOnAsIfPlayedFromTheStart) {
    LSRCRepeat repeat(Counting(5000), 1000, 2000);
    for (int32_t frame : {0, 1500, 1999, 2000, 2500, 7777}) {
        repeat.Seek(frame);
        const std::vector<int32_t> out = ReadInBlocks(repeat, 2500, {700});
        for (int32_t i = 0; i < 2500; ++i)
            ASSERT_EQ(out[i], Expected(int64_t{frame} + i, 1000, 2000, 1000)) << frame << " + " << i;
    }
    // A tiny loop folds by its 256-frame period.
    LSRCRepeat tiny(Counting(5000), 1000, 1010);
    tiny.Seek(1010 + 256 * 3 + 17);
    std::vector<int32_t> out(2);
    tiny.Read(out.data(), 2);
    EXPECT_EQ(out, (std::vector<int32_t>{1017, 1018}));
}

TEST(Repeat, UpstreamReadsStayWithin8192Frames) {
    auto upstream = MakeHandle<MemorySource>(std::vector<int32_t>(50000), 10000, 1);
    LSRCRepeat repeat(upstream, 0, 40000);
    std::vector<int32_t> out(100000);
    repeat.Read(out.data(), 100000);
    EXPECT_LE(upstream->LargestRead(), 8192);
}
