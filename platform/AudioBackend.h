// AudioBackend: the sound system one process records from and plays to: its device lists, its recording and playback
// devices, and its mixer (input line, record level, our own playback level). Three kinds: the desktop's sound
// server, ALSA's "default" device where no server runs, and wave files standing in for a sound card.
//
//   std::unique_ptr<AudioBackend> audio = CreateAudioBackend();        // once, at start
//   std::vector<AudioDeviceInfo> inputs = audio->Devices(AudioDirection::Recording);   // [0] "Default device"
//   audio->SetRecordLevel(device, MixerLevelForDb(-12)); std::unique_ptr<WaveIn> in = audio->CreateWaveIn();
//
// CreateAudioBackend chooses by the environment:
//   TALLOWIN_AUDIO_FILE_IN=path.wav   recording reads this 16-bit PCM wave file in real time (then silence);
//   TALLOWIN_AUDIO_FILE_OUT=path.wav  playback writes a wave file there (each playback starts it anew);
//     either one selects the file backend (without FILE_OUT playback is timed and discarded; without FILE_IN
//     recording gives silence); TALLOWIN_AUDIO_FILE_PACE=fast gives blocks as fast as they are taken;
//   TALLOWIN_AUDIO=pulse or alsa      that back end only;
//   otherwise the sound server when one answers (within about three seconds), else ALSA.
#pragma once

#include "platform/AudioTypes.h"
#include "platform/WaveIn.h"
#include "platform/WaveOut.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace audio_internal {
class PlaybackLevelHub;
}

// Its calls may come from any thread; the devices it creates may outlive it.
class AudioBackend {
public:
    AudioBackend();
    virtual ~AudioBackend();
    AudioBackend(const AudioBackend&) = delete;
    AudioBackend& operator=(const AudioBackend&) = delete;

    virtual AudioBackendKind Kind() const = 0;

    // The devices of one direction: entry 0 is "Default device", then the devices by description in a stable
    // order (the server's). A server that no longer answers gives entry 0 alone.
    virtual std::vector<AudioDeviceInfo> Devices(AudioDirection direction) = 0;

    virtual std::unique_ptr<WaveIn> CreateWaveIn() = 0;
    virtual std::unique_ptr<WaveOut> CreateWaveOut() = 0;

    // The input lines (ports) of recording device `device` in the server's order. Empty when the device has no
    // ports; nothing when there is no such device or its mixer cannot be read. Device -1 and 0: the default device.
    virtual std::optional<std::vector<AudioInputLine>> InputLines(int device) = 0;

    // Makes line `line` (an index into InputLines) the one the device records from. False, with nothing changed,
    // when there is no such device or line.
    [[nodiscard]] virtual bool SelectInputLine(int device, int line) = 0;

    // Sets the recording device's own level (every program recording from it hears the change, as with a
    // hardware mixer). False when there is no such device or it has no level to set.
    [[nodiscard]] virtual bool SetRecordLevel(int device, uint16_t mixerLevel) = 0;

    // Sets the level of our own playback: the devices open now and those opened later. Never the desktop's
    // master volume.
    void SetPlaybackLevel(uint16_t mixerLevel);
    uint16_t PlaybackLevel() const;

    // The description of device `device` (-1: entry 0), or empty text when there is no such entry.
    std::string DeviceDescription(AudioDirection direction, int device);

    // The device number that a remembered choice stands for now: the entry named `name` where it is listed;
    // without a name the remembered number when it is still in the list; otherwise 0 (the default device).
    int DeviceNumberFor(AudioDirection direction, std::string_view name, int rememberedNumber);

protected:
    const std::shared_ptr<audio_internal::PlaybackLevelHub>& LevelHub() const { return m_levelHub; }

private:
    std::shared_ptr<audio_internal::PlaybackLevelHub> m_levelHub;
};

// How the file backend's recording device delivers the file.
enum class FilePacing {
    RealTime, // one block every block's duration, by the steady clock, then silence at the same pace
    Fast      // a block whenever one is queued, until the file ends; then nothing more (as if time stood still)
};

enum class FileInputEnd {
    Continue,  // go on (RealTime: silence; Fast: nothing more)
    DeviceLost // report the device lost once the file's frames were delivered (the last block padded with silence)
};

struct FileAudioOptions {
    std::string inputPath;  // wave file (16-bit PCM) to record from; empty: silence
    std::string outputPath; // wave file that playback writes; empty: playback is timed and discarded
    FilePacing pacing = FilePacing::RealTime;
    FileInputEnd inputEnd = FileInputEnd::Continue;
    std::vector<AudioDeviceInfo> extraInputDevices;  // listed after entry 0 and the file's own entry
    std::vector<AudioDeviceInfo> extraOutputDevices; // likewise
    std::vector<std::string> inputLines;             // the recording device's port descriptions; the first is active
};

// The backend the environment asks for (see the top of this file); never null.
std::unique_ptr<AudioBackend> CreateAudioBackend();

// The sound server's backend, or null when no server answers within about three seconds. `server` as libpulse takes
// it ("unix:/run/user/1000/pulse/native"); empty: the usual one of this user. Never starts a server.
std::unique_ptr<AudioBackend> CreatePulseBackend(const std::string& server = {});

// ALSA's PCM `pcmName` (default: "default"); play and record only, one device, no input lines, software levels.
std::unique_ptr<AudioBackend> CreateAlsaBackend(const std::string& pcmName = "default");

// Wave files standing in for a sound card.
std::unique_ptr<AudioBackend> CreateFileBackend(const FileAudioOptions& options);
