// transport_driver: runs the dictation transport (or a splice) in a process of its own, so the crash tests can
// kill it at a known point.
//
//   transport_driver record FOLDER WAVE over|insert THUMB MARKER   records from the audio device named by the
//       environment into WAVE (position: scroll thumb THUMB of 20); MARKER appears once sound is being written
//   transport_driver splice WAVE RECORDING FRAME MARKER            splices and stops half-way: MARKER appears
#include "app/DictationTransport.h"
#include "app/InsertSplice.h"
#include "platform/AudioBackend.h"
#include "platform/FileOps.h"
#include "platform/Poster.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

class MarkingView final : public TransportHost {
public:
    explicit MarkingView(std::string marker) : m_marker(std::move(marker)) {}
    void ShowPosition(int32_t, int32_t) override {}
    void ShowPlaying(bool) override {}
    void ShowRecording(RecordImage image, bool) override {
        if (image == RecordImage::Recording)
            (void)WriteFileAtomically(m_marker, "recording\n");
    }
    void ShowLevels(const LDBMC*) override {}
    void ShowDeviceError(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
    std::string CreateDictationForRecording() override { return {}; }
    bool RunSplice(InsertSplice& splice) override { return splice.Run(nullptr) == SpliceResult::Spliced; }
    void SetSpliceBusy(bool) override {}
    void ShowEditError(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }

private:
    std::string m_marker;
};

// Half-way through, marks the file and waits to be killed.
class StopHalfWay final : public SpliceProgress {
public:
    explicit StopHalfWay(std::string marker) : m_marker(std::move(marker)) {}
    void SetProgress(int percent) override { m_percent = percent; }
    bool IsCancelled() override {
        if (m_percent >= 50) {
            (void)WriteFileAtomically(m_marker, "splicing\n");
            for (;;)
                ::pause();
        }
        return false;
    }

private:
    std::string m_marker;
    int m_percent = 0;
};

int Record(const std::string& folder, const std::string& wave, bool insert, int thumb, const std::string& marker) {
    PumpPoster poster;
    std::unique_ptr<AudioBackend> backend = CreateAudioBackend();
    LSoundPlayer player(poster, *backend);
    LSoundRecorder recorder(poster, *backend);
    MarkingView view(marker);
    DictationTransport transport(view, player, recorder, folder + "settings.ini", folder, backend.get());
    transport.SetCurrent(wave);
    transport.Scroll(DictationTransport::ScrollAction::Thumb, thumb);
    transport.SetInsertMode(insert);
    transport.Record();
    if (!transport.IsRecording())
        return 2;
    for (;;)
        poster.WaitAndPump(std::chrono::milliseconds(100));
}

int Splice(const std::string& wave, const std::string& recording, int32_t frame, const std::string& marker) {
    InsertSplice splice(wave, recording, frame);
    StopHalfWay progress(marker);
    return splice.Run(&progress) == SpliceResult::Spliced ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "record" && argc == 7)
        return Record(argv[2], argv[3], std::string(argv[4]) == "insert", std::atoi(argv[5]), argv[6]);
    if (mode == "splice" && argc == 6)
        return Splice(argv[2], argv[3], std::atoi(argv[4]), argv[5]);
    std::fprintf(stderr, "usage: transport_driver record FOLDER WAVE over|insert THUMB MARKER\n"
                         "       transport_driver splice WAVE RECORDING FRAME MARKER\n");
    return 64;
}
