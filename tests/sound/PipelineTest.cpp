// The pipeline framework: handles that own chains, processors over good and unusable upstreams, and the sinks; and
// the texts of times. How samples are stored and scaled, and the Q24 gain product, are checked through the writers,
// readers and processors.
#include "MemorySource.h"
#include "sound/LSoundSinkStubBase.h"
#include "sound/TimeText.h"

#include <climits>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::vector<std::string> g_destroyed; // the processors destroyed, in order

class AddOne final : public LSoundProcessBase {
public:
    AddOne(LSoundSourceHandle upstream, std::string name)
        : LSoundProcessBase(std::move(upstream)), m_name(std::move(name)) {}
    ~AddOne() override { g_destroyed.push_back(m_name); }
    void Read(int32_t* samples, int32_t frames) override {
        ReadUpstream(samples, frames);
        for (int32_t i = 0; i < frames * Channels(); ++i)
            ++samples[i];
    }

private:
    std::string m_name;
};

class CollectingSink final : public LSoundSinkBase {
public:
    CollectingSink(int32_t rate, uint8_t channels) : LSoundSinkBase(rate, kFullScale16, channels) {}
    void Write(const int32_t* samples, int32_t frames) override {
        m_length += frames;
        written.insert(written.end(), samples, samples + frames * Channels());
    }
    std::vector<int32_t> written;
};

} // namespace

TEST(Pipeline, ReleasingTheHeadDestroysTheChainFromTheHeadDownToWhatAnotherHandleKeeps) {
    g_destroyed.clear();
    LSoundSourceHandle root =
        MakeHandle<AddOne>(MakeHandle<MemorySource>(std::vector<int32_t>{0, 1, 2, 3}, 8000, 1), "root");
    LSoundSourceHandle chain = MakeHandle<AddOne>(MakeHandle<AddOne>(root, "middle"), "head");
    EXPECT_EQ(root->ReferenceCount(), 2u);
    std::vector<int32_t> block(4);
    chain->Read(block.data(), 4);
    EXPECT_EQ(block, (std::vector<int32_t>{3, 4, 5, 6}));
    chain.Reset();
    EXPECT_EQ(g_destroyed, (std::vector<std::string>{"head", "middle"}));
    EXPECT_EQ(root->ReferenceCount(), 1u);
    chain = MakeHandle<AddOne>(root, "second head");
    root.Reset();
    chain.Reset();
    EXPECT_EQ(g_destroyed, (std::vector<std::string>{"head", "middle", "second head", "root"}));
}

TEST(Sinks, ZeroChannelsWriteOneAndASplitSinkSendsEachChannelOfLongWritesToItsOwnMonoSinkOfOneRate) {
    LSoundSinkStubBase stub(8000, 0);
    stub.Write(nullptr, 10);
    EXPECT_EQ(std::make_tuple(stub.Length(), int{stub.Channels()}, stub.IsInError()), std::make_tuple(10, 1, false));
    EXPECT_TRUE(
        LSoundSinkSplitBase(MakeHandle<CollectingSink>(8000, 1), MakeHandle<CollectingSink>(11025, 1)).IsInError());
    EXPECT_TRUE(
        LSoundSinkSplitBase(MakeHandle<CollectingSink>(8000, 2), MakeHandle<CollectingSink>(8000, 1)).IsInError());
    EXPECT_FALSE(LSoundSinkSplitBase(LSoundSinkHandle(), MakeHandle<CollectingSink>(44100, 1)).IsInError());

    auto left = MakeHandle<CollectingSink>(8000, 0);
    auto right = MakeHandle<CollectingSink>(8000, 1);
    LSoundSinkSplitBase split(left, right);
    std::vector<int32_t> frames(2 * 10000); // longer than one call to each sink
    for (size_t i = 0; i < frames.size(); ++i)
        frames[i] = static_cast<int32_t>(i);
    split.Write(frames.data(), 10000);
    EXPECT_EQ(split.Length(), 10000);
    ASSERT_EQ(std::make_pair(left->written.size(), right->written.size()),
              std::make_pair(size_t{10000}, size_t{10000}));
    EXPECT_EQ(std::make_pair(left->written[9999], right->written[9999]), std::make_pair(2 * 9999, 2 * 9999 + 1));
}

TEST(TimeText, TenthsRoundHalvesUpAndHoursAreNotLimitedToTwoDigits) {
    EXPECT_EQ(TimeTextTenths(9499), " 0:00:00.9");
    EXPECT_EQ(TimeTextTenths(9500), " 0:00:01.0");
    EXPECT_EQ(TimeTextTenths(-15000), "-0:00:01.5");
    EXPECT_EQ(TimeTextHundredths(36000000 * 50 + 6000000 + 10000 * 7 + 1234), " 50:10:07.12");
    EXPECT_EQ(TimeTextMilliseconds(INT_MIN), "-59:39:08.365");
    EXPECT_EQ(TimeTextTenths(INT_MAX), " 59:39:08.4");
}
