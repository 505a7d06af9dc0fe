// LSNKPCMFile: sink that writes PCM wave files with our 46-byte header. LSNKPCMFileBase does the file work;
// LSNKPCMFile<T> adds the stored sample format (LSFU8, LSF16, LSF32). Used by one thread at a time; readers may
// follow the file while it grows (the header is rewritten every 441000 frames).
//
//   LSNKPCMFile<LSF16> sink(path, 8000, 1, framesToKeep);   // keeps that many frames of an earlier recording
//   sink.Write(block.data(), frames);                       // IsInError() at once when the disk refuses
//   bool written = sink.Finish();                           // else the destructor finishes, unreported
#pragma once

#include "platform/LFile.h"
#include "sound/LSoundSink.h"

#include <cstdint>
#include <string>
#include <vector>

class LSNKPCMFileBase : public LSoundSinkBase {
public:
    // Opens `path` for writing, creating it when missing. Nothing in the file changes until the first Write,
    // Truncate or Finish: then the header is written and the file is cut after the kept frames. Keeping frames
    // (`framesToKeep` > 0) needs an existing file of our layout and format; any other non-empty file puts the sink
    // in error, and so does a file that cannot be opened. At most the frames really in the file are kept.
    LSNKPCMFileBase(const std::string& path, int32_t rate, uint8_t channels, int32_t fullScale, int bytesPerSample,
                    int32_t framesToKeep);
    // Finishes as Finish() does, unless nothing was ever written to a file that held something: that file is left
    // as it was (a recording that never started loses nothing).
    ~LSNKPCMFileBase() override;

    // Any number of frames. A failed write puts the sink in error at once: the header then states the frames that
    // reached the file, and the file is closed.
    void Write(const int32_t* samples, int32_t frames) override;
    // Cuts back to `frames` (not beyond the length; below 0 counts as 0), header and file alike.
    void Truncate(int32_t frames) override;
    // Writes the final header and closes the file; true when every frame and the header reached the file. Later
    // calls return the first answer; frames written afterwards put the sink in error.
    [[nodiscard]] bool Finish();

    // Frames of the earlier file that were kept (the length the sink started from).
    int32_t KeptFrames() const { return m_keptFrames; }

protected:
    // Turns `count` pipeline samples into stored samples.
    virtual void Encode(const int32_t* samples, uint8_t* stored, int64_t count) const = 0;

private:
    bool Start();
    bool WriteHeader();
    // Puts the sink in error: the header states what reached the file, the rest is cut, the file is closed.
    void Fail();

    LFile m_file;
    int m_bytesPerSample = 2;
    int m_blockAlign = 2;
    int32_t m_keptFrames = 0;
    int64_t m_framesStored = 0;      // frames after the header in the file
    int64_t m_framesSinceHeader = 0; // since the header was last written
    int64_t m_maxFrames = 0;         // what the 32-bit size fields can state
    bool m_started = false;
    bool m_createdEmpty = false;
    bool m_finished = false;
    bool m_finishResult = false;
    std::vector<uint8_t> m_staging; // 8192 frames of stored samples
};

template <class T> class LSNKPCMFile final : public LSNKPCMFileBase {
public:
    LSNKPCMFile(const std::string& path, int32_t rate, uint8_t channels, int32_t framesToKeep = 0);

protected:
    void Encode(const int32_t* samples, uint8_t* stored, int64_t count) const override;
};

extern template class LSNKPCMFile<LSFU8>;
extern template class LSNKPCMFile<LSF16>;
extern template class LSNKPCMFile<LSF32>;
