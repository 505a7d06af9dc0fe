// DockHost: what the portable dictaphone transfer asks of the program that owns the dictations (the dictation
// session implements it). The transfer records into the tape's wave file and nothing else: the host creates the
// tape, renames it, keeps its notes, throws it away, and takes it over when it is finished; until then the host
// neither lists, plays, renames, deletes nor sends it. Main thread only.
//
//   const TapeCreated tape = host.CreateTape();          // "Tape 7": record written, number advanced
//   ... record into tape.wavePath ...
//   host.HandOverTape(tape.wavePath, autoSend);          // listed, or sent to the default recipient
#pragma once

#include <string>

struct TapeCreated {
    std::string wavePath; // "" when no tape could be made
    std::string name;     // "Tape 7"
    std::string failure;  // why not, for the user
};

struct TapeRenamed {
    bool renamed = false;
    std::string wavePath; // the tape's wave path after the call: the new one, or the old one when refused
    std::string failure;  // why not, for the user
};

class DockHost {
public:
    virtual ~DockHost() = default;

    // Takes the next dictation number and writes the record of "Tape n" at once; the tape is in use by the
    // transfer from now on.
    virtual TapeCreated CreateTape() = 0;
    // Renames the tape to the typed name (cleaned as every dictation name is); never replaces another dictation.
    virtual TapeRenamed RenameTape(const std::string& wavePath, const std::string& typedName) = 0;
    // Keeps the notes (LF line ends) with the tape; false (with `failure` set) when they could not be saved.
    virtual bool SaveTapeNotes(const std::string& wavePath, const std::string& notes, std::string& failure) = 0;
    // The transfer is finished: the tape is handed over through a queued call, listed, or with `send` sent to the
    // default recipient by the rules of the Send command.
    virtual void HandOverTape(const std::string& wavePath, bool send) = 0;
    // The transfer was cancelled: the tape's files are removed.
    virtual void DiscardTape(const std::string& wavePath) = 0;
};
