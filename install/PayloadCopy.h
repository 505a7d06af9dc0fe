// PayloadCopy: installs the parts of an installer file into an install folder, one block of at most 16384 bytes
// per step. Each part is written under a temporary name (".NAME.new") beside its installed name, the program image
// twice: as "tallowin" and as the uninstaller "uninst". Only when the last block is written and the byte sum
// matches the trailer are the temporaries flushed and renamed over the installed files, so Cancel, a damaged file
// or a failed write leaves an earlier installation as it was; the temporaries are removed.
// One thread: the installer's event loop calls Step whenever it is idle.
//
//   PayloadCopy copy(installerPath, installFolder);
//   if (copy.Open() != PayloadCopy::State::Copying) ...   // unreadable (silent end) or damaged ("Install Error")
//   while (copy.Step() == PayloadCopy::State::Copying) progressBar.setValue(copy.Percent());
#pragma once

#include "install/PayloadTrailer.h"
#include "platform/LFile.h"

#include <cstdint>
#include <string>
#include <vector>

class PayloadCopy {
public:
    static constexpr size_t kBlockBytes = 16384;
    // The second name the program image is installed under.
    static constexpr const char* kUninstallerName = "uninst";

    enum class State {
        Copying,     // opened, or more blocks to copy
        Installed,   // every file is in place
        Unreadable,  // the installer file cannot be opened or read
        Corrupt,     // the trailer does not fit the file, or the byte sum does not match
        WriteFailed, // a file in the install folder cannot be written or renamed into place
        Cancelled,
    };

    // `installFolder` must exist; it may end with '/' or not.
    PayloadCopy(std::string installerPath, std::string installFolder);
    ~PayloadCopy(); // removes temporaries that were not renamed into place
    PayloadCopy(const PayloadCopy&) = delete;
    PayloadCopy& operator=(const PayloadCopy&) = delete;

    // Opens the installer file and checks its trailer against the file's length.
    State Open();
    // Copies one block (after moving past finished parts); the last one ends in the check and the renames.
    State Step();
    // Stops the copy and removes the temporaries; nothing of an earlier installation changes.
    void Cancel();

    State CurrentState() const { return m_state; }
    // Why Open found the file damaged (Fits otherwise).
    TrailerCheck TrailerStatus() const { return m_trailerCheck; }
    uint64_t BytesDone() const { return m_done; }
    uint64_t BytesTotal() const { return m_trailer.PayloadBytes(); }
    // BytesDone() × 100 / BytesTotal(), rounded down: 100 only once the last block is written.
    int Percent() const;

private:
    struct Output {
        std::string temporary;
        std::string target;
        bool program; // "tallowin" or "uninst"
        LFile file;
    };

    bool BeginPart(size_t part);
    bool EndPart();
    void Finish();
    void Fail(State state);
    void RemoveTemporaries();

    std::string m_installerPath;
    std::string m_installFolder;
    State m_state = State::Unreadable;
    TrailerCheck m_trailerCheck = TrailerCheck::Fits;
    LFile m_input;
    PayloadTrailer m_trailer;
    uint32_t m_sum = 0;
    uint64_t m_done = 0;
    uint64_t m_offset = 0;    // of the next block in the installer file
    size_t m_part = 0;        // the part being copied
    uint64_t m_remaining = 0; // bytes of it still to copy
    std::vector<Output> m_current;
    std::vector<Output> m_written; // temporaries complete, waiting for the check
};
