#include "store/StoreResult.h"

std::string_view StoreResultName(StoreResult result) {
    switch (result) {
    case StoreResult::Done:
        return "Done";
    case StoreResult::NotFound:
        return "NotFound";
    case StoreResult::NameEmpty:
        return "NameEmpty";
    case StoreResult::NameTooLong:
        return "NameTooLong";
    case StoreResult::NameInvalid:
        return "NameInvalid";
    case StoreResult::NameTaken:
        return "NameTaken";
    case StoreResult::SentNameTaken:
        return "SentNameTaken";
    case StoreResult::StillQueued:
        return "StillQueued";
    case StoreResult::NotesTooLong:
        return "NotesTooLong";
    case StoreResult::QueueFailed:
        return "QueueFailed";
    case StoreResult::NoFreeNumber:
        return "NoFreeNumber";
    case StoreResult::FileError:
        return "FileError";
    }
    return "Unknown";
}
