// LSoundSinkStubBase: a null sink that only counts what it is given; LSoundSinkSplitBase: a stereo sink that
// writes the left and right channels to two mono sinks.
#pragma once

#include "sound/LSoundSink.h"

#include <vector>

class LSoundSinkStubBase final : public LSoundSink {
public:
    LSoundSinkStubBase(int32_t rate, uint8_t channels);
    void Write(const int32_t* samples, int32_t frames) override;
};

class LSoundSinkSplitBase final : public LSoundSink {
public:
    // In error when the two sinks' rates differ or either does not have exactly one channel
    // (an empty handle counts as 44100 frames per second, one channel).
    LSoundSinkSplitBase(LSoundSinkHandle left, LSoundSinkHandle right);
    // Any number of frames; they are handed on in calls of at most 8192.
    void Write(const int32_t* samples, int32_t frames) override;

private:
    void WriteChannel(LSoundSink& sink, const int32_t* samples, int32_t frames, int channel);

    LSoundSinkHandle m_left;
    LSoundSinkHandle m_right;
    std::vector<int32_t> m_buffer;
};
