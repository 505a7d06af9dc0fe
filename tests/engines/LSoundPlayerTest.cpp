#include "audio/LSoundPlayer.h"

#include "DeviceTestSupport.h"
#include "EngineTestSupport.h"
#include "MemorySource.h"
#include "PulseServer.h"
#include "TempFolder.h"
#include "platform/AudioBackend.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <thread>

namespace {

using Lines = std::vector<std::string>;
const Lines kStopped = {"Stop 9", "Time 0 9", "Levels [] 9"};

// A player with cookie 9 on the file device (as fast as blocks are taken unless asked otherwise) into "played.wav".
class Playing : public ::testing::Test {
protected:
    void SetUp() override { UseDevice(FilePacing::Fast); }
    void UseDevice(FilePacing pacing, bool levels = true) {
        m_player.reset();
        FileAudioOptions options;
        options.outputPath = m_folder / "played.wav";
        options.pacing = pacing;
        m_backend = CreateFileBackend(options);
        m_player = std::make_unique<LSoundPlayer>(m_poster, *m_backend);
        m_player->notify = &m_log;
        m_player->notifyCookie = 9;
        m_player->levelsEnabled = levels;
        m_log.lines.clear();
    }
    static LSoundSourceHandle SourceOf(const Samples& samples, int32_t fullScale = kFullScale16) {
        std::vector<int32_t> pipeline(samples.size());
        std::transform(samples.begin(), samples.end(), pipeline.begin(), LSF16::ToPipeline);
        return MakeHandle<MemorySource>(std::move(pipeline), 8000, uint8_t{1}, fullScale);
    }
    // Plays `source` (after `seek`, when given) to its end.
    void PlayToTheEnd(LSoundSourceHandle source, std::optional<int32_t> seek = {}) {
        ASSERT_TRUE(m_player->Play(source));
        if (seek)
            m_player->SeekPlaying(*seek);
        ASSERT_TRUE(PumpUntil(m_poster, [this] { return !m_player || !m_player->IsBusy(); }));
    }
    Samples Played(size_t last = SIZE_MAX) {
        const Samples played = ReadWave(m_folder / "played.wav");
        return Samples(played.end() - static_cast<std::ptrdiff_t>(std::min(last, played.size())), played.end());
    }
    Lines LastLines(size_t count) const {
        return {m_log.lines.end() - static_cast<std::ptrdiff_t>(count), m_log.lines.end()};
    }

    TempFolder m_folder;
    PumpPoster m_poster;
    std::unique_ptr<AudioBackend> m_backend;
    std::unique_ptr<LSoundPlayer> m_player;
    EventLog m_log;
};

TEST_F(Playing, ASourceIsPlayedToItsEndInWholeBlocksAndTheOwnerHearsStartPositionsAndStop) {
    for (const int32_t length : {20000, 1000}) { // the second shorter than the three blocks the player queues
        SCOPED_TRACE(length);
        m_log.lines.clear();
        const Samples sound = Tone(length, 8000);
        LSoundSourceHandle source = SourceOf(sound);
        ASSERT_TRUE(m_player->Play(source));
        EXPECT_NE(m_player->PlayState() & LSoundPlayer::kActive, 0);
        EXPECT_EQ(m_player->SourceLength(), length);
        ASSERT_TRUE(PumpUntil(m_poster, [this] { return !m_player->IsBusy(); }));
        EXPECT_EQ(Played(), Joined({sound, Silence(length % 800 ? 800 - length % 800 : 0)}));
        EXPECT_EQ(Lines(m_log.lines.begin(), m_log.lines.begin() + 2), (Lines{"Start 9", "Time 0 9"}));
        EXPECT_EQ(LastLines(3), kStopped);
        const std::vector<int32_t> times = m_log.Times();
        EXPECT_TRUE(std::is_sorted(times.begin(), times.end() - 1));
        EXPECT_LT(times[times.size() - 2], length * 5 / 4 + 1000) << "positions stay within the source";
        EXPECT_EQ(m_player->LastStopReason(), PlayStopReason::End);
        EXPECT_EQ(m_player->PlayedPosition(), 0);
    }
}

TEST_F(Playing, SeekingToTheEndOrBeyondEndsPlaybackAndASeekBeforeTheOwnerHeardOfTheEndPlaysOn) {
    for (const int32_t frame : {8000, 90000}) {
        PlayToTheEnd(SourceOf(Tone(8000, 8000)), frame);
        EXPECT_EQ(m_player->LastStopReason(), PlayStopReason::End);
    }
    const Samples sound = Tone(1600, 8000);
    LSoundSourceHandle source = SourceOf(sound);
    ASSERT_TRUE(m_player->Play(source));
    // The worker plays both blocks and ends; the end waits in the poster.
    for (int spins = 0; (Played().size() < sound.size() || m_player->IsRunning()) && spins < 1000000; ++spins)
        std::this_thread::yield();
    ASSERT_FALSE(m_player->IsRunning());
    ASSERT_TRUE(m_player->IsBusy());
    m_player->SeekPlaying(0);
    ASSERT_TRUE(PumpUntil(m_poster, [this] { return !m_player->IsBusy(); }));
    EXPECT_EQ(Played(), Joined({sound, sound}));
    EXPECT_EQ(m_log.Count("Stop 9"), 3u);
}

TEST_F(Playing, ALimiterIsPutInExactlyWhenTheFullScaleExceedsThe16BitRange) {
    m_player->notify = nullptr; // an owner that listens to nothing
    for (const auto& [fullScale, limited] : std::vector<std::pair<int32_t, bool>>{
             {kFullScale16, false}, {kFullScale16 + 1, true}, {kFullScaleUnknown, true}}) {
        LSoundSourceHandle source = SourceOf(Tone(800, 100), fullScale);
        ASSERT_TRUE(m_player->Play(source));
        EXPECT_EQ(m_player->UsesLimiter(), limited) << fullScale;
        EXPECT_EQ(m_player->Source() == source, !limited);
        m_player->StopPlaying();
    }
}

TEST_F(Playing, TheOwnersStopEndsPlaybackAtOnceAndAReportPostedBeforeItSaysNothing) {
    LSoundSourceHandle source = SourceOf(Tone(80000, 8000));
    ASSERT_TRUE(m_player->Play(source));
    m_player->StopPlaying();
    EXPECT_EQ(m_player->PlayState(), 0);
    EXPECT_FALSE(m_player->Source());
    EXPECT_EQ(m_player->LastStopReason(), PlayStopReason::Owner);
    m_poster.Pump();
    m_player->StopPlaying();
    EXPECT_EQ(m_log.lines, (Lines{"Start 9", "Time 0 9", "Stop 9", "Time 0 9", "Levels [] 9"}));
}

TEST_F(Playing, PlayFailsWithoutANotificationForAnEmptyOrInvalidSourceOrAMissingDevice) {
    LSoundSourceHandle empty, invalid = MakeHandle<MemorySource>(std::vector<int32_t>{1, 2}, 0, uint8_t{1});
    EXPECT_FALSE(m_player->Play(empty));
    EXPECT_FALSE(m_player->Play(invalid));
    LSoundSourceHandle source = SourceOf(Tone(800, 100));
    m_player->device = 9;
    EXPECT_FALSE(m_player->Play(source));
    EXPECT_TRUE(m_log.lines.empty());
    EXPECT_EQ(source->ReferenceCount(), 1u);
}

TEST_F(Playing, TheOwnerMayStopOrDestroyThePlayerFromInsideANotification) {
    for (const bool destroy : {false, true}) {
        UseDevice(FilePacing::RealTime); // positions are reported before the end
        m_log.onEvent = [&](const std::string& line) {
            if (line.rfind("Time ", 0) == 0 && line != "Time 0 9")
                destroy ? m_player.reset() : m_player->StopPlaying();
        };
        PlayToTheEnd(SourceOf(Tone(80000, 8000)));
        if (!destroy) {
            EXPECT_EQ(LastLines(3), kStopped);
            EXPECT_EQ(m_log.Only("Levels").size(), 1u) << "the stop came before the level report of that pass";
        }
    }
    EXPECT_EQ(m_player, nullptr);
    EXPECT_EQ(m_log.lines.back().rfind("Time ", 0), 0u) << "nothing after it";
    m_poster.Pump();
}

TEST(PlayingOnASoundServer, APlayerWhoseServerDiesEndsAsAtTheEndOfTheSourceTellingItsOwnerOnce) {
    PulseServer server(PulseServer::LossServerFolder());
    ASSERT_TRUE(server.IsRunning());
    std::unique_ptr<AudioBackend> backend = CreatePulseBackend(server.Address());
    ASSERT_NE(backend, nullptr);
    PumpPoster poster;
    EventLog log;
    LSoundPlayer player(poster, *backend);
    player.notify = &log;
    LSoundSourceHandle source = MakeHandle<MemorySource>(std::vector<int32_t>(80000, 80000), 8000, uint8_t{1});
    ASSERT_TRUE(player.Play(source));
    ASSERT_TRUE(PumpUntil(poster, [&] { return player.PlayedPosition() > 0; }));
    server.Kill();
    ASSERT_TRUE(PumpUntil(
        poster, [&] { return !player.IsBusy(); }, std::chrono::milliseconds(6000)));
    EXPECT_EQ(player.LastStopReason(), PlayStopReason::DeviceLost);
    EXPECT_EQ(log.Count("Stop 0"), 1u);
}

} // namespace
