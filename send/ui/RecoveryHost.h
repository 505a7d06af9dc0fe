// RecoveryHost: what the work-progress and recovery dialog asks of the part of the program that owns the
// dictations (the dictation session): where a sent dictation's sound is, and moving one back into the current
// dictations. The dialog itself never moves a file. Main thread only.
//
//   switch (host.RecoverSent(name)) { case StoreResult::Done: accept(); break; case StoreResult::NameTaken: ... }
#pragma once

#include "store/StoreResult.h"

#include <string>

class RecoveryHost {
public:
    virtual ~RecoveryHost() = default;

    // The wave file of the sent dictation `name`.
    virtual std::string SentWavePath(const std::string& name) const = 0;

    // Moves the sent dictation back into "Current Files/", taking it out of the send queue first when it still
    // waits there. Done, or why not, with nothing changed: NameTaken (a current dictation has the name),
    // StillQueued (the queue did not let it go), NotFound (its wave file is gone), NameTooLong or FileError.
    virtual StoreResult RecoverSent(const std::string& name) = 0;
};
