// StoreResult: what an operation of the dictation store did. Every value but Done means the dictation's files
// are as they were before the call (a move that failed half-way was moved back), unless the value says otherwise.
#pragma once

#include <string>
#include <string_view>

enum class StoreResult {
    Done,
    NotFound,      // the dictation has no files, or no wave file where the operation needs one
    NameEmpty,     // nothing but blanks once the forbidden characters were replaced
    NameTooLong,   // its file names or its wave path would be too long in the folder it goes to
    NameInvalid,   // not UTF-8 text
    NameTaken,     // "Current Files/" holds a dictation of that name, the case of letters aside
    SentNameTaken, // "Sent Files/" holds a dictation of that name and no "<name> (n)" fits beside it
    StillQueued,   // the dictation waits in the send queue and stays in "Sent Files/"
    NotesTooLong,  // more than kNotesLimit bytes; the priority was saved, the notes file left as it was
    QueueFailed,   // the send queue did not take the dictation; it is back in "Current Files/"
    NoFreeNumber,  // the dictation numbers are used up
    FileError,     // a folder could not be listed or a file not be written, moved or removed
};

// A result with the name it concerns: the new dictation's name, or the name a dictation was renamed to.
struct NamedResult {
    StoreResult result = StoreResult::FileError;
    std::string name;
};

// A short English word for logs and test output ("NameTaken").
std::string_view StoreResultName(StoreResult result);
