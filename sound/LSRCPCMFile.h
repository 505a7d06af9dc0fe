// LSRCPCMFile: source that reads the PCM samples of a wave file's data chunk. LSRCPCMFileBase does the file work;
// LSRCPCMFile<T> adds the stored sample format (LSFU8, LSF16, LSF32). Owns the file. Pulled by one thread at a
// time; another process (a recorder) may grow the file meanwhile.
//
//   LSRCPCMFile<LSF16> reader(std::move(file), 8000, 1, dataOffset, ownLayout);
//   reader.Read(block.data(), 8192);   // silence before frame 0 and past the end
#pragma once

#include "platform/LFile.h"
#include "sound/LSoundSource.h"

#include <cstdint>
#include <vector>

class LSRCPCMFileBase : public LSoundSourceBase {
public:
    // `file` is open on the wave file; the samples start at `dataOffset`, 4 bytes after the data chunk's size
    // field. `ownLayout`: the file has our writers' 46-byte header, so bytes past a stale size field are audio.
    // Invalid when the file is not open or rate or channels are out of range.
    LSRCPCMFileBase(LFile file, int32_t rate, uint8_t channels, int32_t fullScale, int bytesPerSample,
                    int64_t dataOffset, bool ownLayout);

    // Any number of frames, served 8192 at a time. Frames before 0 and past the length are silence; frames the
    // file does not supply are silence too. An invalid reader fills silence.
    void Read(int32_t* samples, int32_t frames) override;
    // Any frame; the length is refreshed when `frame` lies beyond it.
    void Seek(int32_t frame) override;
    int32_t GetPosition() override;
    // Refreshed from the file first when the position has reached it.
    int32_t GetLength() override;

protected:
    // Turns `count` stored samples into pipeline samples.
    virtual void Decode(const uint8_t* stored, int32_t* samples, int64_t count) const = 0;

private:
    void ReadStep(int32_t* samples, int32_t frames);
    // Re-reads the data chunk's size field (positionally: the reading position stays) and the file's size.
    void RefreshLength();

    LFile m_file;
    int64_t m_dataOffset = 0;
    int64_t m_sizeFieldOffset = 0;
    bool m_ownLayout = false;
    int m_bytesPerSample = 2;
    int m_blockAlign = 2;
    int32_t m_position = 0;
    int32_t m_length = 0;
    std::vector<uint8_t> m_staging; // 8192 frames of stored samples
};

template <class T> class LSRCPCMFile final : public LSRCPCMFileBase {
public:
    LSRCPCMFile(LFile file, int32_t rate, uint8_t channels, int64_t dataOffset, bool ownLayout);

protected:
    void Decode(const uint8_t* stored, int32_t* samples, int64_t count) const override;
};

extern template class LSRCPCMFile<LSFU8>;
extern template class LSRCPCMFile<LSF16>;
extern template class LSRCPCMFile<LSF32>;
