// Ramps that tell the pieces of a splice apart, what the recorder makes of its input, and a fixture that drives the
// transport of a dictation session on the file device.
#pragma once

#include "SessionTestSupport.h"
#include "app/DictationTransport.h"
#include "platform/FileOps.h"

// `frames` samples counting up from `first` by one, wrapping within +-12000: every stretch is recognisable.
inline Samples Ramp(int32_t frames, int32_t first = -12000) {
    Samples samples(static_cast<size_t>(frames));
    for (int32_t i = 0; i < frames; ++i)
        samples[size_t(i)] = static_cast<int16_t>((first + 12000 + i) % 24000 - 12000);
    return samples;
}

// What the recorder writes for an input that starts loud: half a block of silence (its pre-roll), then the input.
inline Samples AsRecorded(const Samples& input, int32_t rate = 8000) {
    const int32_t block = LSoundRecorder::FramesPerBufferFor(rate);
    return Joined({Silence(block - block / 2), input});
}

// The part [first, first + count) of `samples`.
inline Samples Part(const Samples& samples, int32_t first, int32_t count) {
    return Samples(samples.begin() + first, samples.begin() + first + count);
}

// Each sample of `mono` once per channel.
inline Samples Interleaved(const Samples& mono, uint8_t channels) {
    Samples samples;
    for (const int16_t sample : mono)
        samples.insert(samples.end(), channels, sample);
    return samples;
}

// Whether `folder` holds a hidden file (an insert recording or a temporary).
inline bool HoldsHiddenFiles(const std::string& folder) {
    const std::vector<std::string> names = ListFolder(folder).value_or(std::vector<std::string>{});
    return std::ranges::any_of(names, [](const std::string& name) { return name.size() > 2 && name[0] == '.'; });
}

class TransportTest : public SessionTest {
protected:
    // Writes "Dictation 1" and opens the session on it: it is current, at its end.
    DictationTransport& OpenOn(const Samples& samples, int32_t rate = 8000, uint8_t channels = 1) {
        EXPECT_TRUE(WriteWave(PathOf(StoreFolder::Current, "Dictation 1"), samples, rate, channels));
        Open().Select("Dictation 1");
        return Transport();
    }
    DictationTransport& Transport() { return m_session->Transport(); }
    // Moves the position through the scroll bar's thumb (0 to 20).
    void ThumbTo(int thumb) { Transport().Scroll(DictationTransport::ScrollAction::Thumb, thumb); }
};
