// AudioTypes: the small value types of the audio device layer: the 16-bit PCM format a device is opened with,
// device list entries, recording input lines, and which kind of back end serves a process.
#pragma once

#include <cstdint>
#include <string>

// Interleaved signed 16-bit native-order PCM at `rate` frames per second with `channels` samples per frame:
// the only sample layout the devices take and deliver.
struct PcmFormat {
    static constexpr uint32_t kMinRate = 1000;
    static constexpr uint32_t kMaxRate = 384000;
    static constexpr uint16_t kMaxChannels = 16;

    uint32_t rate = 8000;
    uint16_t channels = 1;

    uint32_t BytesPerFrame() const { return channels * 2u; }
    bool IsValid() const { return rate >= kMinRate && rate <= kMaxRate && channels >= 1 && channels <= kMaxChannels; }
    bool operator==(const PcmFormat&) const = default;
};

enum class AudioDirection { Recording, Playback };

enum class AudioBackendKind {
    Pulse, // the desktop's sound server through its client library
    Alsa,  // ALSA's "default" device where no server answers: play and record only
    File   // wave files standing in for a sound card (tests, headless runs)
};

// One entry of a device list. Entry 0 of every list is the default device (empty `name`), which follows the
// server's default; device number -1 means the same entry.
struct AudioDeviceInfo {
    std::string name;        // the server's name of the device, stable across re-plugging; empty for entry 0
    std::string description; // what the user sees: "Default device", "Built-in Audio Analog Stereo" ...
};

// Whether something is plugged into an input line, as far as the sound system knows.
enum class LineAvailability {
    Unknown,   // the system cannot tell (ALSA, the file device, ports without jack detection)
    Available, // something is plugged in
    Unplugged  // nothing is plugged in: recording from it gives silence
};

// One input line (port) of a recording device.
struct AudioInputLine {
    std::string name;        // the server's name of the port
    std::string description; // "Microphone", "Line In", "Headset Microphone" ...
    bool active = false;     // the port the device records from now
    LineAvailability availability = LineAvailability::Unknown;
};

// The text of entry 0 of every device list.
inline constexpr const char* kDefaultDeviceDescription = "Default device";
