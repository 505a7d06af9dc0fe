// LSoundSource: a pulled stream of interleaved 32-bit frames with a rate, channel count and full scale.
// LSoundSourceBase sets those from its constructor; LSoundProcessBase is a source that pulls from an upstream.
// Used by one thread at a time; takes no locks.
//
//   std::vector<int32_t> block(frames * source->Channels());
//   source->Read(block.data(), frames);   // fills all of it, silence outside the data
#pragma once

#include "sound/LHandle.h"
#include "sound/SampleFormat.h"

#include <cstdint>

class LSoundSource : public LCounted {
public:
    // Fills `frames` frames (frames × Channels() samples) and advances the position by `frames`.
    virtual void Read(int32_t* samples, int32_t frames) = 0;
    // Moves the position; processors reset their internal state.
    virtual void Seek(int32_t frame) = 0;
    virtual int32_t GetPosition() = 0;
    // The length in frames as far as known now.
    virtual int32_t GetLength() = 0;

    int32_t Rate() const { return m_rate; }
    int32_t FullScale() const { return m_fullScale; }
    uint8_t Channels() const { return m_channels; }
    bool IsInvalid() const { return (m_flags & kInvalid) != 0; }

protected:
    static constexpr uint16_t kInvalid = 1;

    void MarkInvalid() { m_flags |= kInvalid; }

    int32_t m_rate = kDefaultRate;
    int32_t m_fullScale = kFullScaleUnknown;
    uint8_t m_channels = 1;
    uint16_t m_flags = 0;
};

using LSoundSourceHandle = LHandle<LSoundSource>;

class LSoundSourceBase : public LSoundSource {
public:
    // A rate below 1 marks the source invalid and stores 44100; zero channels mark it invalid and store 1.
    LSoundSourceBase(int32_t rate, int32_t fullScale, uint8_t channels);
    void Seek(int32_t frame) override;
};

class LSoundProcessBase : public LSoundSource {
public:
    // Copies rate, full scale and channels from `upstream` (the defaults when it is empty); invalid when the
    // upstream is empty or invalid.
    explicit LSoundProcessBase(LSoundSourceHandle upstream);

    void Seek(int32_t frame) override;
    int32_t GetPosition() override;
    int32_t GetLength() override;

protected:
    // Reads from the upstream; an empty upstream gives frames × 1 zero samples.
    void ReadUpstream(int32_t* samples, int32_t frames);

    LSoundSourceHandle m_upstream;
};
