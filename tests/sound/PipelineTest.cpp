#include "LSoundSinkStubBase.h"
#include "LSoundSource.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// Records the order in which pipeline objects are destroyed.
std::vector<std::string> g_destroyed;

class CountingSource final : public LSoundSourceBase {
public:
    CountingSource(int32_t rate, uint8_t channels) : LSoundSourceBase(rate, kFullScale16, channels) {}
    ~CountingSource() override { g_destroyed.push_back("root"); }
    void Read(int32_t* samples, int32_t frames) override {
        for (int32_t i = 0; i < frames * Channels(); ++i)
            samples[i] = m_position * Channels() + i;
        m_position += frames;
    }
    int32_t GetPosition() override { return m_position; }
    int32_t GetLength() override { return 1000; }

private:
    int32_t m_position = 0;
};

// Adds one to every sample it passes on.
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

// Collects what it is given.
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

TEST(Pipeline, ReleasingTheHeadOfAChainDestroysItFromTheHeadDown) {
    g_destroyed.clear();
    LSoundSourceHandle root = MakeHandle<CountingSource>(8000, 1);
    LSoundSourceHandle chain = MakeHandle<AddOne>(MakeHandle<AddOne>(root, "middle"), "head");
    root.Reset();
    std::vector<int32_t> block(4);
    chain->Read(block.data(), 4);
    EXPECT_EQ(block, (std::vector<int32_t>{2, 3, 4, 5}));
    chain.Reset();
    EXPECT_EQ(g_destroyed, (std::vector<std::string>{"head", "middle", "root"}));
}

TEST(Pipeline, AnExtraHandleKeepsTheRootAliveAfterTheRestIsGone) {
    g_destroyed.clear();
    LSoundSourceHandle root = MakeHandle<CountingSource>(8000, 1);
    LSoundSourceHandle chain = MakeHandle<AddOne>(root, "head");
    EXPECT_EQ(root->ReferenceCount(), 2u);
    chain.Reset();
    EXPECT_EQ(g_destroyed, (std::vector<std::string>{"head"}));
    EXPECT_EQ(root->ReferenceCount(), 1u);
    root.Reset();
    EXPECT_EQ(g_destroyed, (std::vector<std::string>{"head", "root"}));
}

TEST(Pipeline, AProcessorTakesItsFormatFromItsUpstreamAndIsInvalidWithoutOne) {
    LSoundSourceHandle stereo = MakeHandle<AddOne>(MakeHandle<CountingSource>(11025, 2), "p");
    EXPECT_EQ(stereo->Rate(), 11025);
    EXPECT_EQ(stereo->Channels(), 2);
    EXPECT_EQ(stereo->FullScale(), kFullScale16);
    EXPECT_FALSE(stereo->IsInvalid());

    LSoundSourceHandle orphan = MakeHandle<AddOne>(LSoundSourceHandle(), "p");
    EXPECT_TRUE(orphan->IsInvalid());
    EXPECT_EQ(orphan->Rate(), kDefaultRate);
    EXPECT_EQ(orphan->FullScale(), kFullScaleUnknown);
    std::vector<int32_t> block(3, 77);
    orphan->Read(block.data(), 3);
    EXPECT_EQ(block, (std::vector<int32_t>{1, 1, 1})); // zeros from the empty upstream, then its own step
    EXPECT_EQ(orphan->GetPosition(), 0);
    EXPECT_EQ(orphan->GetLength(), 0);

    LSoundSourceHandle overInvalid = MakeHandle<AddOne>(MakeHandle<CountingSource>(0, 0), "p");
    EXPECT_TRUE(overInvalid->IsInvalid());
}

TEST(Pipeline, ASourceWithNoRateOrChannelsIsInvalidWithTheDefaults) {
    const CountingSource source(0, 0);
    EXPECT_TRUE(source.IsInvalid());
    EXPECT_EQ(source.Rate(), 44100);
    EXPECT_EQ(source.Channels(), 1);
}

TEST(Sinks, ASinkAskedForZeroChannelsWritesOne) {
    const CollectingSink sink(8000, 0);
    EXPECT_EQ(sink.Channels(), 1);
    EXPECT_FALSE(sink.IsInError());
    LSoundSinkStubBase stub(8000, 0);
    stub.Write(nullptr, 10);
    EXPECT_EQ(stub.Length(), 10);
    EXPECT_EQ(stub.Channels(), 1);
}

TEST(Sinks, ASplitSinkNeedsTwoMonoSinksOfOneRate) {
    EXPECT_TRUE(LSoundSinkSplitBase(MakeHandle<CollectingSink>(8000, 1), MakeHandle<CollectingSink>(11025, 1)).IsInError());
    EXPECT_TRUE(LSoundSinkSplitBase(MakeHandle<CollectingSink>(8000, 2), MakeHandle<CollectingSink>(8000, 1)).IsInError());
    EXPECT_FALSE(LSoundSinkSplitBase(LSoundSinkHandle(), MakeHandle<CollectingSink>(44100, 1)).IsInError());
}

TEST(Sinks, ASplitSinkSendsEachChannelToItsSinkEvenForLongWrites) {
    auto left = MakeHandle<CollectingSink>(8000, 1);
    auto right = MakeHandle<CollectingSink>(8000, 1);
    LSoundSinkSplitBase split(left, right);
    std::vector<int32_t> frames(2 * 10000);
    for (size_t i = 0; i < frames.size(); ++i)
        frames[i] = static_cast<int32_t>(i);
    split.Write(frames.data(), 10000);
    EXPECT_EQ(split.Length(), 10000);
    ASSERT_EQ(left->written.size(), 10000u);
    ASSERT_EQ(right->written.size(), 10000u);
    EXPECT_EQ(left->written[9999], 2 * 9999);
    EXPECT_EQ(right->written[9999], 2 * 9999 + 1);
}
