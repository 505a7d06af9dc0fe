// The devices, record and play commands of tallowin-audio.
#include "audio/LSoundPlayer.h"
#include "audio/LSoundRecorder.h"
#include "audio/tool/AudioTool.h"
#include "platform/AudioBackend.h"
#include "platform/Poster.h"
#include "sound/LSPSpeed.h"
#include "sound/WaveFile.h"

#include <chrono>
#include <cmath>
#include <cstdio>

namespace {

using namespace std::chrono_literals;

// Passes every notification on to the meter.
class MeterOwner final : public LSoundRecorderNotify, public LSoundPlayerNotify {
public:
    void OnRecordActive(uint32_t) override { m_state = "recording"; }
    void OnRecordWaiting(uint32_t) override { m_state = "waiting"; }
    void OnRecordTime(int32_t time, uint32_t) override { m_time = time; }
    void OnRecordLevels(const LDBMC& levels, uint32_t) override { Show(levels); }
    void OnPlayTime(int32_t time, uint32_t) override { m_time = time; }
    void OnPlayLevels(const LDBMC& levels, uint32_t) override { Show(levels); }
    void OnPlayStart(uint32_t) override { m_state = "playing"; }

    void Show(const LDBMC& levels) {
        if (levels.Count() > 0)
            m_meter.Show(levels, m_time, m_state);
    }
    void Finish() { m_meter.Finish(); }

private:
    LevelMeter m_meter;
    int32_t m_time = 0;
    const char* m_state = "";
};

void PrintList(AudioBackend& backend, AudioDirection direction, const char* title) {
    std::printf("%s\n", title);
    const std::vector<AudioDeviceInfo> devices = backend.Devices(direction);
    for (size_t number = 0; number < devices.size(); ++number)
        std::printf("  %2zu  %s%s%s\n", number, devices[number].description.c_str(),
                    devices[number].name.empty() ? "" : "  ", devices[number].name.c_str());
}

} // namespace

int RunDevices(Arguments arguments) {
    if (!arguments.empty()) {
        PrintError("devices takes no arguments");
        return kExitUsage;
    }
    std::unique_ptr<AudioBackend> backend = CreateAudioBackend();
    PrintList(*backend, AudioDirection::Recording, "recording devices:");
    PrintList(*backend, AudioDirection::Playback, "playback devices:");
    return kExitOk;
}

int RunRecord(Arguments arguments) {
    static constexpr std::string_view kNames[] = {"device", "activate", "seconds", "rate"};
    const ToolOptions options(arguments, kNames);
    const auto device = options.Number("device", -1, 127, -1);
    const auto activate = options.Number("activate", -127, 127, -15);
    const auto seconds = options.Number("seconds", 0, 3600, 0);
    const auto rate = options.Number("rate", 1000, 192000, 8000);
    if (!options.IsValid() || !device || !activate || !seconds || !rate)
        return kExitUsage;
    if (options.File().empty()) {
        PrintError("record wants the wave file to write");
        return kExitUsage;
    }

    std::unique_ptr<AudioBackend> backend = CreateAudioBackend();
    PumpPoster poster;
    MeterOwner owner;
    LSoundRecorder recorder(poster, *backend);
    recorder.device = static_cast<int8_t>(*device);
    recorder.notify = &owner;
    LSoundSinkHandle sink = CreatePCMFileSink(options.File(), static_cast<int32_t>(*rate), 1, 16, 0);
    if (!sink || sink->IsInError()) {
        PrintError("cannot write \"" + options.File() + "\"");
        return kExitFailure;
    }
    CatchStopSignals();
    if (!recorder.Record(sink, 36000000, static_cast<int8_t>(std::lround(*activate)), 30000)) {
        PrintError("cannot record: the device cannot be opened (it may be in use)");
        return kExitFailure;
    }
    sink.Reset();

    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(*seconds);
    while (recorder.IsBusy() && !StopRequested() && (*seconds <= 0 || std::chrono::steady_clock::now() < end))
        poster.WaitAndPump(50ms);
    recorder.StopRecording(); // finishes the file
    owner.Finish();

    switch (recorder.LastStopReason()) {
    case RecordStopReason::DeviceLost:
        PrintError("the recording device went away; what was recorded before is kept");
        return kExitFailure;
    case RecordStopReason::SinkError:
        PrintError("cannot write \"" + options.File() + "\" (disk full?); what was written before is kept");
        return kExitFailure;
    default:
        return kExitOk;
    }
}

int RunPlay(Arguments arguments) {
    static constexpr std::string_view kNames[] = {"device", "speed", "from"};
    const ToolOptions options(arguments, kNames);
    const auto device = options.Number("device", -1, 127, -1);
    const auto speed = options.Number("speed", 0.05, 20, 1);
    const auto from = options.Number("from", 0, 200000, 0);
    if (!options.IsValid() || !device || !speed || !from)
        return kExitUsage;
    if (options.File().empty()) {
        PrintError("play wants the wave file to play");
        return kExitUsage;
    }
    LSoundSourceHandle source = OpenWaveFile(options.File());
    if (!source) {
        PrintError("cannot read \"" + options.File() + "\"");
        return kExitFailure;
    }
    source->Seek(FramesForTime(static_cast<int32_t>(std::lround(*from * 10000)), source->Rate()));
    if (*speed != 1.0)
        LSPSpeed(*speed, *speed, 0).Apply(source, source);

    std::unique_ptr<AudioBackend> backend = CreateAudioBackend();
    PumpPoster poster;
    MeterOwner owner;
    LSoundPlayer player(poster, *backend);
    player.device = static_cast<int8_t>(*device);
    player.notify = &owner;
    player.levelsEnabled = true;
    CatchStopSignals();
    if (!player.Play(source)) {
        PrintError("cannot play: the device cannot be opened");
        return kExitFailure;
    }
    while (player.IsBusy() && !StopRequested())
        poster.WaitAndPump(50ms);
    player.StopPlaying();
    owner.Finish();
    if (player.LastStopReason() == PlayStopReason::DeviceLost || player.LastStopReason() == PlayStopReason::Stalled) {
        PrintError("the playback device went away");
        return kExitFailure;
    }
    return kExitOk;
}
