// TransportTestSupport: a TransportView that writes down what it was asked to show, ramps that tell the pieces of
// a splice apart, and a fixture with a player and a recorder on the file device (blocks as fast as they are
// taken, the poster pumped by the test) around a DictationTransport.
#pragma once

#include "DictationTransport.h"
#include "EngineTestSupport.h"
#include "InsertSplice.h"
#include "TempFolder.h"

#include <AudioBackend.h>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

// `frames` samples counting up from `first` by one, wrapping within +-12000: every stretch is recognisable.
Samples Ramp(int32_t frames, int32_t first = -12000);
// What the recorder writes for `input` that starts loud and ends with a whole block: half a block of silence
// before it (its pre-roll), then the input.
Samples AsRecorded(const Samples& input, int32_t rate = 8000);
// `frames` rounded down to whole recorder blocks at `rate`.
int32_t WholeBlocks(int32_t frames, int32_t rate);
// The part [first, first + count) of `samples`.
Samples Part(const Samples& samples, int32_t first, int32_t count);
// The names in `folder` that start with '.'.
std::vector<std::string> HiddenFiles(const std::string& folder);

class FakeView final : public TransportView {
public:
    void ShowPosition(int32_t position, int32_t length) override {
        positions.push_back(position);
        lastLength = length;
    }
    void ShowPlaying(bool playing) override { playingShown.push_back(playing); }
    void ShowRecording(RecordImage image, bool insertMode) override {
        images.push_back(image);
        lastInsertImage = insertMode;
    }
    void ShowLevels(const LDBMC* levels) override { levels ? ++levelsShown : ++levelsDisabled; }
    void ShowDeviceError(const std::string& text) override { deviceErrors.push_back(text); }
    std::string CreateDictationForRecording() override {
        ++dictationsCreated;
        return newDictationPath;
    }
    bool RunSplice(InsertSplice& splice) override;
    void SetSpliceBusy(bool busy) override { busyCalls.push_back(busy); }
    void ShowEditError(const std::string& text) override { editErrors.push_back(text); }

    int32_t LastPosition() const { return positions.empty() ? -1 : positions.back(); }

    std::vector<int32_t> positions;
    int32_t lastLength = -1;
    std::vector<bool> playingShown;
    std::vector<RecordImage> images;
    bool lastInsertImage = false;
    int levelsShown = 0;
    int levelsDisabled = 0;
    std::vector<std::string> deviceErrors;
    std::vector<std::string> editErrors;
    std::string newDictationPath;
    int dictationsCreated = 0;
    std::vector<bool> busyCalls;
    int splicesRun = 0;
    SpliceProgress* progress = nullptr; // handed to the splice
    std::function<void()> duringSplice; // runs before the splice (commands that must be refused)
};

class TransportFixture : public ::testing::Test {
protected:
    void SetUp() override;
    // Engines on the file device recording `input` (at `rate`), and the transport over them; without
    // `withBackend` the transport sets the engines' devices from the settings alone.
    void Start(const Samples& input = {}, int32_t rate = 8000, bool withBackend = true);
    // Writes a dictation wave file in "Current Files/" and makes it current; returns its path.
    std::string MakeCurrent(const Samples& samples, int32_t rate = 8000, uint8_t channels = 1,
                            const std::string& name = "Dictation 1");
    // Records the whole input and stops.
    void RecordAll();
    // Moves the position while stopped through the scroll bar's thumb (0 to 20).
    void ThumbTo(int thumb) { m_transport->Scroll(DictationTransport::ScrollAction::Thumb, thumb); }

    TempFolder m_folder;
    std::string m_current;  // "Current Files/"
    std::string m_settings; // settings.ini
    PumpPoster m_poster;
    std::unique_ptr<AudioBackend> m_backend;
    std::unique_ptr<LSoundPlayer> m_player;
    std::unique_ptr<LSoundRecorder> m_recorder;
    FakeView m_view;
    std::unique_ptr<DictationTransport> m_transport;
};
