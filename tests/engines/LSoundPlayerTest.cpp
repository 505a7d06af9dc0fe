#include "LSoundPlayer.h"

#include "EngineTestSupport.h"
#include "MemorySource.h"
#include "TempFolder.h"

#include <AudioBackend.h>
#include <Poster.h>
#include <algorithm>
#include <gtest/gtest.h>
#include <thread>

namespace {

constexpr uint32_t kCookie = 9;

std::vector<int32_t> Pipeline(const Samples& samples) {
    std::vector<int32_t> pipeline(samples.size());
    std::transform(samples.begin(), samples.end(), pipeline.begin(), LSF16::ToPipeline);
    return pipeline;
}

Samples Tail(const Samples& samples, size_t count) {
    return Samples(samples.end() - static_cast<std::ptrdiff_t>(std::min(count, samples.size())), samples.end());
}

class Playing : public ::testing::Test {
protected:
    void SetUp() override {
        FileAudioOptions options;
        options.outputPath = m_folder / "played.wav";
        options.pacing = FilePacing::Fast;
        m_backend = CreateFileBackend(options);
        m_player = std::make_unique<LSoundPlayer>(m_poster, *m_backend);
        m_player->notify = &m_log;
        m_player->notifyCookie = kCookie;
        m_player->levelsEnabled = true;
    }

    LSoundSourceHandle SourceOf(const Samples& samples, int32_t fullScale = kFullScale16) {
        return MakeHandle<MemorySource>(Pipeline(samples), 8000, uint8_t{1}, fullScale);
    }

    bool PlayToTheEnd() {
        return PumpUntil(m_poster, [this] { return !m_player || !m_player->IsBusy(); });
    }

    Samples Played() { return ReadWave(m_folder / "played.wav"); }

    TempFolder m_folder;
    PumpPoster m_poster;
    std::unique_ptr<AudioBackend> m_backend;
    std::unique_ptr<LSoundPlayer> m_player;
    EventLog m_log;
};

TEST_F(Playing, ASourceIsPlayedToItsEndAndTheOwnerHearsStartPositionsAndStop) {
    const Samples sound = Tone(20000, 8000);
    LSoundSourceHandle source = SourceOf(sound);
    ASSERT_TRUE(m_player->Play(source));
    // The worker may already have queued its first three blocks and let the device run.
    EXPECT_NE(m_player->PlayState() & LSoundPlayer::kActive, 0);
    EXPECT_EQ(m_player->SourceLength(), 20000);
    ASSERT_TRUE(PlayToTheEnd());

    EXPECT_EQ(Played(), sound);
    ASSERT_GE(m_log.lines.size(), 5u);
    EXPECT_EQ(m_log.lines[0], "Start 9");
    EXPECT_EQ(m_log.lines[1], "Time 0 9");
    const std::vector<std::string> last(m_log.lines.end() - 3, m_log.lines.end());
    EXPECT_EQ(last, (std::vector<std::string>{"Stop 9", "Time 0 9", "Levels [] 9"}));
    const std::vector<int32_t> times = m_log.Times();
    EXPECT_TRUE(std::is_sorted(times.begin(), times.end() - 1));
    EXPECT_LT(times[times.size() - 2], 25000); // positions stay within the source
    EXPECT_EQ(m_player->LastStopReason(), PlayStopReason::End);
    EXPECT_EQ(m_player->PlayedPosition(), 0);
    EXPECT_EQ(m_log.Count("Stop 9"), 1u);
}

TEST_F(Playing, ASourceShorterThanThreeBuffersStillPlays) {
    const Samples sound = Tone(1000, 8000);
    LSoundSourceHandle source = SourceOf(sound);
    ASSERT_TRUE(m_player->Play(source));
    ASSERT_TRUE(PlayToTheEnd());

    EXPECT_EQ(Played(), Joined({sound, Silence(600)})); // whole blocks: the rest is silence
    EXPECT_EQ(m_log.Count("Stop 9"), 1u);
}

TEST_F(Playing, SeekingDuringPlaybackReportsTheNewPositionFirstAndPlaysOnFromThere) {
    const Samples sound = Tone(80000, 8000);
    LSoundSourceHandle source = SourceOf(sound);
    ASSERT_TRUE(m_player->Play(source));
    m_player->SeekPlaying(40000);
    ASSERT_EQ(m_log.lines.size(), 3u);
    EXPECT_EQ(m_log.lines[2], "Time 50000 9");
    EXPECT_EQ(m_player->PlayedPosition(), 40000);
    ASSERT_TRUE(PlayToTheEnd());

    const std::vector<int32_t> times = m_log.Times();
    EXPECT_TRUE(std::all_of(times.begin() + 1, times.end() - 1, [](int32_t time) { return time >= 50000; }));
    EXPECT_EQ(Tail(Played(), 40000), Samples(sound.begin() + 40000, sound.end()));
}

TEST_F(Playing, SeekingToTheEndOrBeyondEndsPlayback) {
    for (const int32_t frame : {16000, 90000}) {
        LSoundSourceHandle source = SourceOf(Tone(16000, 8000));
        ASSERT_TRUE(m_player->Play(source));
        m_player->SeekPlaying(frame);
        ASSERT_TRUE(PlayToTheEnd());
        EXPECT_EQ(m_player->LastStopReason(), PlayStopReason::End);
    }
    EXPECT_EQ(m_log.Count("Stop 9"), 2u);
}

TEST_F(Playing, ASeekAfterTheWorkerFoundTheEndButBeforeTheOwnerHeardOfItPlaysOn) {
    const Samples sound = Tone(1600, 8000);
    LSoundSourceHandle source = SourceOf(sound);
    ASSERT_TRUE(m_player->Play(source));
    // The worker plays both blocks and ends; the end waits in the poster.
    for (int spins = 0; (Played().size() < sound.size() || m_player->IsRunning()) && spins < 1000000; ++spins)
        std::this_thread::yield();
    ASSERT_FALSE(m_player->IsRunning());
    ASSERT_TRUE(m_player->IsBusy());

    m_player->SeekPlaying(0);
    ASSERT_TRUE(PlayToTheEnd());

    EXPECT_EQ(Played(), Joined({sound, sound}));
    EXPECT_EQ(m_player->LastStopReason(), PlayStopReason::End);
}

TEST_F(Playing, SeekingToANegativeFramePlaysThatMuchSilenceFirstAndCountsUpFromIt) {
    const Samples sound = Tone(8000, 8000);
    LSoundSourceHandle source = SourceOf(sound);
    ASSERT_TRUE(m_player->Play(source));
    m_player->SeekPlaying(-8000);
    ASSERT_TRUE(PlayToTheEnd());

    const std::vector<int32_t> times = m_log.Times();
    ASSERT_GE(times.size(), 3u);
    EXPECT_EQ(times[1], -10000);
    EXPECT_TRUE(std::is_sorted(times.begin() + 1, times.end() - 1));
    EXPECT_EQ(Tail(Played(), 16000), Joined({Silence(8000), sound}));
}

TEST_F(Playing, ALimiterIsPutInExactlyWhenTheFullScaleExceedsThe16BitRange) {
    for (const auto& [fullScale, limited] : std::vector<std::pair<int32_t, bool>>{
             {kFullScale16, false}, {kFullScale16 + 1, true}, {kFullScaleUnknown, true}, {kFullScale8, false}}) {
        LSoundSourceHandle source = SourceOf(Tone(800, 100), fullScale);
        ASSERT_TRUE(m_player->Play(source));
        EXPECT_EQ(m_player->UsesLimiter(), limited) << fullScale;
        EXPECT_EQ(m_player->Source() == source, !limited);
        m_player->StopPlaying();
    }
}

TEST_F(Playing, LevelsAreMeanSquareLevelsOfTheBlockThatFinishedPlaying) {
    // A device that plays in real time, so that blocks are seen finishing one by one (half a second).
    FileAudioOptions options;
    options.outputPath = m_folder / "played.wav";
    std::unique_ptr<AudioBackend> backend = CreateFileBackend(options);
    m_player = std::make_unique<LSoundPlayer>(m_poster, *backend);
    m_player->notify = &m_log;
    m_player->notifyCookie = kCookie;
    m_player->levelsEnabled = true;
    std::vector<int32_t> constant(4000, 92704); // 2897 after the shift by 5: 0 dB
    std::fill(constant.begin() + 2400, constant.end(), 0);
    LSoundSourceHandle source = MakeHandle<MemorySource>(constant, 8000, uint8_t{1});
    ASSERT_TRUE(m_player->Play(source));
    ASSERT_TRUE(PlayToTheEnd());

    const std::vector<std::string> levels = m_log.Only("Levels");
    ASSERT_GE(levels.size(), 3u);
    EXPECT_EQ(levels.front(), "Levels 0 9");
    EXPECT_NE(std::find(levels.begin(), levels.end(), "Levels -127 9"), levels.end());
    EXPECT_EQ(levels.back(), "Levels [] 9");
    m_player.reset();

    m_log.lines.clear();
    m_player = std::make_unique<LSoundPlayer>(m_poster, *backend);
    m_player->notify = &m_log;
    ASSERT_TRUE(m_player->Play(source = SourceOf(Tone(2400, 8000))));
    ASSERT_TRUE(PlayToTheEnd());
    EXPECT_GE(m_log.Only("Time").size(), 3u);
    EXPECT_TRUE(m_log.Only("Levels").empty()); // not enabled
    m_player.reset();
}

TEST_F(Playing, TheOwnersStopEndsPlaybackAtOnceWithItsNotifications) {
    LSoundSourceHandle source = SourceOf(Tone(80000, 8000));
    ASSERT_TRUE(m_player->Play(source));
    m_player->StopPlaying();
    EXPECT_EQ(m_player->PlayState(), 0);
    EXPECT_FALSE(m_player->Source());
    EXPECT_EQ(m_log.lines, (std::vector<std::string>{"Start 9", "Time 0 9", "Stop 9", "Time 0 9", "Levels [] 9"}));
    EXPECT_EQ(m_player->LastStopReason(), PlayStopReason::Owner);
    m_poster.Pump(); // a report the worker posted before the stop finds nothing to say
    EXPECT_EQ(m_log.lines.size(), 5u);
    m_player->StopPlaying();
    EXPECT_EQ(m_log.lines.size(), 5u);
}

TEST_F(Playing, PlayFailsWithoutANotificationForAnEmptyOrInvalidSourceOrAMissingDevice) {
    LSoundSourceHandle empty;
    EXPECT_FALSE(m_player->Play(empty));
    LSoundSourceHandle invalid = MakeHandle<MemorySource>(std::vector<int32_t>{1, 2}, 0, uint8_t{1});
    EXPECT_FALSE(m_player->Play(invalid));
    LSoundSourceHandle source = SourceOf(Tone(800, 100));
    m_player->device = 9;
    EXPECT_FALSE(m_player->Play(source));
    EXPECT_TRUE(m_log.lines.empty());
    EXPECT_EQ(source->ReferenceCount(), 1u);
}

TEST_F(Playing, TheOwnerMayStopOrDestroyThePlayerFromInsideANotification) {
    m_log.onEvent = [this](const std::string& line) {
        if (line.rfind("Time ", 0) == 0 && line != "Time 0 9")
            m_player->StopPlaying();
    };
    LSoundSourceHandle source = SourceOf(Tone(80000, 8000));
    ASSERT_TRUE(m_player->Play(source));
    ASSERT_TRUE(PlayToTheEnd());
    const std::vector<std::string> last(m_log.lines.end() - 3, m_log.lines.end());
    EXPECT_EQ(last, (std::vector<std::string>{"Stop 9", "Time 0 9", "Levels [] 9"}));
    EXPECT_EQ(m_log.Only("Levels").size(), 1u); // the stop came before the level report of that pass

    m_log.lines.clear();
    m_log.onEvent = [this](const std::string& line) {
        if (line.rfind("Time ", 0) == 0 && line != "Time 0 9")
            m_player.reset();
    };
    ASSERT_TRUE(m_player->Play(source));
    ASSERT_TRUE(PlayToTheEnd());
    EXPECT_EQ(m_player, nullptr);
    EXPECT_EQ(m_log.lines.back().rfind("Time ", 0), 0u);
    m_poster.Pump();
}

} // namespace
