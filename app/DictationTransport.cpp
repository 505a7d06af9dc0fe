#include "app/DictationTransport.h"

#include "app/DictationLayout.h"
#include "app/InsertSplice.h"
#include "audio/DeviceNameKeys.h"
#include "audio/Mixer.h"
#include "platform/AudioBackend.h"
#include "platform/FileOps.h"
#include "sound/LSPSpeed.h"
#include "sound/SampleFormat.h"
#include "sound/WaveFile.h"
#include "store/IniValues.h"
#include "store/SettingsKeys.h"

#include <algorithm>
#include <limits>

namespace {

constexpr int32_t kScrubBackStep = 3000;  // a rewind during playback starts this far before the playing point
constexpr int32_t kScrubStillStep = 5000; // a scrub from a stop starts this far from the position
constexpr int32_t kScrubRamp = 80000;     // the speed ramp of a scrub (8 s)
constexpr int32_t kUnknownRate = 44100;   // assumed when no source can be opened

} // namespace

DictationTransport::DictationTransport(TransportHost& host, LSoundPlayer& player, LSoundRecorder& recorder,
                                       std::string settingsFile, std::string currentFolder, AudioBackend* backend)
    : m_host(host), m_player(player), m_recorder(recorder), m_settingsFile(std::move(settingsFile)),
      m_currentFolder(std::move(currentFolder)), m_backend(backend) {
    m_player.notify = this;
    m_player.notifyCookie = kCookie;
    m_recorder.notify = this;
    m_recorder.notifyCookie = kCookie;
}

DictationTransport::~DictationTransport() {
    // The view may be half gone here: detach without telling it anything. A running insert recording is then
    // finished by the recorder and stays as a hidden file, which the next start offers back.
    if (m_player.notify == this)
        m_player.notify = nullptr;
    if (m_recorder.notify == this)
        m_recorder.notify = nullptr;
}

void DictationTransport::Shutdown() {
    if (!m_attached)
        return;
    // Stopping while still attached splices a running insert recording in before anything goes away.
    StopBoth();
    m_attached = false;
    if (m_player.notify == this)
        m_player.notify = nullptr;
    if (m_recorder.notify == this)
        m_recorder.notify = nullptr;
}

int DictationTransport::ScrollThumbFor(int32_t position, int32_t length) {
    if (length < 1)
        return 0;
    const double thumb = static_cast<double>(position) / length * kScrollRange;
    return static_cast<int>(std::clamp(thumb, 0.0, static_cast<double>(kScrollRange)));
}

void DictationTransport::SetCurrent(const std::string& wavePath) {
    if (!m_attached)
        return;
    StopBoth();
    m_currentPath = wavePath;
    int32_t rate = 0;
    int32_t frames = 0;
    ReadDictationFacts(rate, frames);
    m_length = TimeForFrames(frames, rate);
    m_position = m_length;
    m_host.ShowPosition(m_position, m_length);
}

void DictationTransport::SetInsertMode(bool on) {
    m_insertMode = on;
    if (!m_recorder.IsBusy())
        ShowRecordIdle();
}

void DictationTransport::ReadDictationFacts(int32_t& rate, int32_t& lengthFrames) const {
    rate = kUnknownRate;
    lengthFrames = 0;
    if (m_currentPath.empty())
        return;
    LSoundSourceHandle source = OpenWaveFile(m_currentPath);
    if (!source)
        return;
    rate = source->Rate();
    lengthFrames = std::max(source->GetLength(), 0);
}

void DictationTransport::StopBoth() {
    m_player.StopPlaying();
    m_recorder.StopRecording();
}

void DictationTransport::PrepareOutput() {
    m_player.levelsEnabled = true;
    if (!m_backend) {
        m_player.device = static_cast<int8_t>(ReadIntValue(m_settingsFile, SettingsKeys::kSoundOutDevice));
        return;
    }
    const OutputSelection output =
        ReadOutputSelection(*m_backend, m_settingsFile, SettingsKeys::kSoundOutDevice, DeviceNameKeys::kSoundOutName);
    m_player.device = output.device;
    (void)SetPlayVolume(*m_backend, output.device, ReadDbValue(m_settingsFile, SettingsKeys::kSoundOutVolume));
}

bool DictationTransport::PlayFrom(int32_t time, bool endRule) {
    if (m_currentPath.empty())
        return false;
    PrepareOutput();
    LSoundSourceHandle source = OpenWaveFile(m_currentPath);
    if (!source)
        return false;
    const int32_t rate = source->Rate();
    const int32_t length = TimeForFrames(source->GetLength(), rate);
    if (!endRule || time < length - kEndMargin)
        source->Seek(FramesForTime(std::max(time, 0), rate));
    else
        source->Seek(0);
    m_playRate = rate;
    return m_player.Play(source);
}

bool DictationTransport::PlayScrub(int32_t time, double startSpeed, double endSpeed) {
    PrepareOutput();
    LSoundSourceHandle source = OpenWaveFile(m_currentPath);
    if (!source)
        return false;
    source->Seek(FramesForTime(time, source->Rate()));
    m_playRate = source->Rate();
    LSPSpeed(startSpeed, endSpeed, kScrubRamp).Apply(source, source);
    return m_player.Play(source);
}

void DictationTransport::Play() {
    if (!Accepting())
        return;
    StopBoth();
    if (m_currentPath.empty())
        return;
    if (!OpenWaveFile(m_currentPath))
        return; // a wave file that cannot be opened plays nothing
    if (!PlayFrom(m_position, true))
        m_host.ShowDeviceError(kCannotPlayText);
}

void DictationTransport::Stop() {
    if (!Accepting())
        return;
    StopBoth();
}

void DictationTransport::Record() {
    if (!Accepting())
        return;
    StopBoth();
    if (m_currentPath.empty()) {
        const std::string created = m_host.CreateDictationForRecording();
        if (created.empty())
            return;
        SetCurrent(created);
    }

    // A foreign file is brought into our layout first, if the user agrees; recording keeps the dictation's own rate.
    const std::string asked = m_currentPath;
    const LayoutResult layout =
        EnsureDictationLayout(asked, [this](const std::string& question) { return m_host.AskToConvert(question); });
    if (layout.outcome == LayoutOutcome::Failed) {
        m_host.ShowEditError(layout.text);
        return;
    }
    // Declined, or the program closed or another dictation became current while the question was open.
    if (layout.outcome == LayoutOutcome::Declined || !Accepting() || m_currentPath != asked)
        return;
    const int32_t rate = layout.rate;
    m_length = TimeForFrames(layout.frames, rate);
    const int32_t positionFrame = std::clamp(FramesForTime(std::max(m_position, 0), rate), 0, layout.frames);

    if (m_backend) {
        const InputSelection input =
            ReadInputSelection(*m_backend, m_settingsFile, SettingsKeys::kSoundIn, SettingsKeys::kSoundInChan,
                               DeviceNameKeys::kSoundInName, "MIC");
        m_recorder.device = input.device;
        m_recorder.inputChannel = static_cast<int8_t>(input.RecordLine());
        NoteUnpluggedLine(input);
    } else {
        m_recorder.device = static_cast<int8_t>(ReadIntValue(m_settingsFile, SettingsKeys::kSoundIn));
        m_recorder.inputChannel = static_cast<int8_t>(ReadIntValue(m_settingsFile, SettingsKeys::kSoundInChan));
    }
    m_recorder.recordVolume = ReadDbValue(m_settingsFile, SettingsKeys::kRecordVolume);
    if (m_backend)
        (void)SelectRecordInput(*m_backend, m_recorder.device, m_recorder.inputChannel,
                                ReadRecordLevel(m_settingsFile, SettingsKeys::kRecordVolume));

    // Inserting at the end is appending: that records straight into the dictation, like recording over.
    const bool inserting = m_insertMode && positionFrame < layout.frames;
    m_recordPath = m_currentPath;
    m_recordInsertImage = m_insertMode;
    LSoundSinkHandle sink;
    if (inserting) {
        m_insertTempPath = NewInsertRecordingPath(m_currentPath);
        m_insertFrame = positionFrame;
        m_insertPoint = TimeForFrames(positionFrame, rate);
        sink = CreatePCMFileSink(m_insertTempPath, rate, 1, 16, 0);
    } else {
        // The sink cuts the dictation at the position only with the first block recorded: a device that does
        // not open, or a recording that never hears sound, leaves the dictation whole.
        sink = CreatePCMFileSink(m_currentPath, rate, 1, 16, positionFrame);
    }
    if (!sink || sink->IsInError()) {
        sink.Reset();
        if (inserting)
            RemoveFile(m_insertTempPath);
        m_insertTempPath.clear();
        m_host.ShowEditError("The dictation's wave file cannot be written.");
        return;
    }
    const int8_t activation = ReadDbValue(m_settingsFile, SettingsKeys::kVoiceActivate);
    if (!m_recorder.Record(sink, kMaxRecordTime, activation, kHangTime)) {
        sink.Reset(); // unwritten: the file stays as it was
        if (inserting)
            RemoveFile(m_insertTempPath);
        m_insertTempPath.clear();
        m_recordPath.clear();
        ShowRecordIdle();
        m_host.ShowDeviceError(kCannotRecordText);
    }
}

void DictationTransport::NoteUnpluggedLine(const InputSelection& input) {
    std::optional<std::pair<int, int>> unplugged;
    if (input.lineUnplugged)
        unplugged.emplace(input.device, input.line);
    if (unplugged && unplugged != m_notedUnplugged)
        m_host.ShowNote(UnpluggedLineMessage(InputLineName(*m_backend, input.device, input.line)));
    m_notedUnplugged = unplugged;
}

void DictationTransport::GoToStart() {
    if (!Accepting())
        return;
    if (m_player.IsBusy()) {
        m_player.SeekPlaying(0);
        return;
    }
    if (m_recorder.IsBusy())
        m_recorder.StopRecording();
    SetPosition(0);
}

void DictationTransport::GoToEnd() {
    if (!Accepting())
        return;
    if (m_player.IsBusy()) {
        const int32_t rate = m_player.Source() ? m_player.Source()->Rate() : m_playRate;
        m_player.SeekPlaying(m_player.SourceLength() - FramesForTime(kEndMargin, rate));
        return;
    }
    if (m_recorder.IsBusy())
        m_recorder.StopRecording();
    if (m_currentPath.empty())
        return;
    int32_t rate = 0;
    int32_t frames = 0;
    ReadDictationFacts(rate, frames);
    SetPosition(TimeForFrames(frames, rate));
}

void DictationTransport::RewindPress() {
    if (!Accepting())
        return;
    int32_t start = 0;
    if (m_player.IsBusy()) {
        if (m_rewinding)
            return;
        start = m_position - kScrubBackStep; // the player's last reported position
        m_resumeAfterScrub = true;
    } else {
        start = m_position - kScrubStillStep;
        m_resumeAfterScrub = false;
    }
    if (m_recorder.IsBusy()) {
        const LSoundSinkHandle& sink = m_recorder.Sink();
        int32_t recorded = sink ? TimeForFrames(sink->Length(), sink->Rate()) : m_position;
        if (!m_insertTempPath.empty())
            recorded += m_insertPoint;
        start = recorded - kScrubBackStep;
        m_recorder.StopRecording();
        m_resumeAfterScrub = true;
    }
    start = std::max(start, 0);
    if (m_currentPath.empty() || m_splicing)
        return;
    if (PlayScrub(start, -0.5, -7.0))
        m_rewinding = true;
}

void DictationTransport::ForwardPress() {
    if (!Accepting())
        return;
    int32_t start = 0;
    if (m_player.IsBusy()) {
        if (m_forwarding)
            return;
        start = m_position;
        m_resumeAfterScrub = true;
    } else {
        start = m_position + kScrubStillStep;
        m_resumeAfterScrub = false;
    }
    if (m_recorder.IsBusy()) {
        m_recorder.StopRecording(); // and nothing else
        return;
    }
    if (m_currentPath.empty())
        return;
    LSoundSourceHandle source = OpenWaveFile(m_currentPath);
    if (!source)
        return;
    if (start > TimeForFrames(source->GetLength(), source->Rate())) {
        source.Reset();
        GoToEnd();
        return;
    }
    source.Reset();
    if (PlayScrub(start, 0.5, 7.0))
        m_forwarding = true;
}

void DictationTransport::ScrubRelease() {
    if (!Accepting())
        return;
    m_player.StopPlaying();
    if (m_resumeAfterScrub) {
        m_resumeAfterScrub = false;
        Play();
    }
}

void DictationTransport::Scroll(ScrollAction action, int thumb) {
    if (!Accepting())
        return;
    switch (action) {
    case ScrollAction::LineLeft:
    case ScrollAction::PageLeft:
        GoTo(std::max(m_position - kScrollStep, 0));
        break;
    case ScrollAction::LineRight:
    case ScrollAction::PageRight:
        GoTo(std::min(m_position + kScrollStep, m_length));
        break;
    case ScrollAction::Thumb:
        GoTo(static_cast<int32_t>(m_length * (std::clamp(thumb, 0, kScrollRange) * 0.05)));
        break;
    case ScrollAction::Top:
        GoToStart();
        break;
    case ScrollAction::Bottom:
        GoToEnd();
        break;
    }
}

void DictationTransport::GoTo(int32_t time) {
    time = std::max(time, 0);
    if (m_player.IsBusy()) {
        m_player.SeekPlaying(FramesForTime(time, m_playRate));
        return;
    }
    if (m_recorder.IsBusy()) {
        m_recorder.StopRecording();
        (void)PlayFrom(time, false); // no one-second rule and no message here
        return;
    }
    SetPosition(time);
}

void DictationTransport::SetPosition(int32_t time) {
    m_position = time;
    m_length = std::max(m_length, m_position);
    m_host.ShowPosition(m_position, m_length);
}

void DictationTransport::ShowRecordIdle() {
    m_host.ShowRecording(RecordImage::Idle, m_insertMode);
}

void DictationTransport::OnPlayStart(uint32_t) {
    m_host.ShowPlaying(true);
}

void DictationTransport::OnPlayStop(uint32_t) {
    m_host.ShowPlaying(false);
    m_host.ShowLevels(nullptr);
    m_rewinding = false;
    m_forwarding = false;
}

void DictationTransport::OnPlayTime(int32_t time, uint32_t) {
    if (m_player.IsBusy())
        SetPosition(time);
}

void DictationTransport::OnPlayLevels(const LDBMC& levels, uint32_t) {
    if (m_player.IsBusy() && levels.Count() > 0)
        m_host.ShowLevels(&levels);
}

void DictationTransport::OnRecordActive(uint32_t) {
    m_host.ShowRecording(RecordImage::Recording, m_recordInsertImage);
}

void DictationTransport::OnRecordWaiting(uint32_t) {
    m_host.ShowRecording(RecordImage::Waiting, m_recordInsertImage);
}

void DictationTransport::OnRecordTime(int32_t time, uint32_t) {
    if (m_recorder.State() != RecordState::Recording || m_recordPath != m_currentPath)
        return;
    SetPosition(m_insertTempPath.empty() ? time : m_insertPoint + time);
}

void DictationTransport::OnRecordLevels(const LDBMC& levels, uint32_t) {
    if (m_recorder.IsBusy() && levels.Count() > 0)
        m_host.ShowLevels(&levels);
}

void DictationTransport::OnRecordStop(uint32_t) {
    if (m_recorder.LastStopReason() == RecordStopReason::SinkError)
        m_host.ShowEditError("Recording stopped because the recording could not be written (the disk may be full). "
                             "What was recorded before is kept.");
    if (!m_insertTempPath.empty())
        FinishInsert();
    else if (!m_recordPath.empty() && m_recordPath == m_currentPath) {
        int32_t rate = 0;
        int32_t frames = 0;
        ReadDictationFacts(rate, frames);
        m_length = TimeForFrames(frames, rate);
        m_position = std::min(m_position, m_length);
        m_host.ShowPosition(m_position, m_length);
    }
    m_recordPath.clear();
    ShowRecordIdle();
    m_host.ShowLevels(nullptr);
    m_rewinding = false;
    m_forwarding = false;
}

void DictationTransport::FinishInsert() {
    const std::string insertPath = m_insertTempPath;
    m_insertTempPath.clear();
    {
        LSoundSourceHandle recorded = OpenWaveFile(insertPath);
        if (recorded && recorded->GetLength() <= 0) {
            recorded.Reset();
            RemoveFile(insertPath); // nothing was heard: nothing to insert
            return;
        }
    }
    InsertSplice splice(m_recordPath, insertPath, m_insertFrame);
    m_splicing = true;
    m_host.SetSpliceBusy(true);
    (void)m_host.RunSplice(splice);
    if (splice.Result() == SpliceResult::NotRun)
        (void)splice.Run(nullptr); // the view could not show its dialog: splice without one
    m_splicing = false;
    m_host.SetSpliceBusy(false);

    switch (splice.Result()) {
    case SpliceResult::Spliced:
        RemoveFile(insertPath);
        if (m_recordPath == m_currentPath) {
            m_length = TimeForFrames(splice.ResultFrames(), splice.Rate());
            m_position = std::clamp(TimeForFrames(static_cast<int32_t>(std::min<int64_t>(
                                                      static_cast<int64_t>(m_insertFrame) + splice.RecordingFrames(),
                                                      splice.ResultFrames())),
                                                  splice.Rate()),
                                    0, m_length);
            m_host.ShowPosition(m_position, m_length);
        }
        break;
    case SpliceResult::Cancelled:
        RemoveFile(insertPath); // the user chose not to insert it
        break;
    case SpliceResult::NotRun:
    case SpliceResult::Failed:
        // The dictation is whole and the recording is kept: the next start offers it back as a dictation.
        m_host.ShowEditError("The recording could not be inserted into the dictation. " + splice.ErrorText() +
                             " The recording is kept and offered back at the next start.");
        break;
    }
}
