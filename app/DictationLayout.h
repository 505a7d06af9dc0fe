// DictationLayout: keeps dictation wave files in the layout the transport records into (our PCM header, 16-bit,
// mono; any rate), converting a foreign file in place through a hidden temporary once the user agreed; names the
// hidden insert recordings beside a dictation, and finds, adopts or discards those a crash left behind. Main thread.
//
//   if (EnsureDictationLayout(wavePath, askUser).outcome == LayoutOutcome::Failed) ShowError(...);
//   for (const OrphanedInsert& orphan : FindOrphanedInserts(settings.currentFolder))
//       if (AskUser(orphan)) AdoptOrphanedInsert(store, orphan.path); else DiscardOrphanedInsert(orphan.path);
#pragma once

#include "sound/WaveFileInfo.h"
#include "store/DictationStore.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Prefixes of the hidden files the transport keeps in "Current Files/" (the store never lists or cleans them).
inline constexpr std::string_view kInsertRecordingPrefix = ".insert-";
inline constexpr std::string_view kSpliceTemporaryPrefix = ".splice-";
inline constexpr std::string_view kConvertTemporaryPrefix = ".convert-";

// True for what the transport records into without conversion: our own header, PCM 16-bit, one channel.
bool IsDictationLayout(const WaveFileLayout& layout);

enum class LayoutOutcome {
    Ready,     // already in the layout, or missing or empty (recording creates it)
    Converted, // converted in place (same rate, its channels mixed into one, 16-bit)
    Declined,  // a foreign file the user chose to keep as it is: left as it was
    Failed     // cannot be read or converted: left as it was; `text` says why
};

// Asked before a foreign file is converted, with the question for the user; true lets the conversion go ahead.
using ConversionConsent = std::function<bool(const std::string& question)>;

struct LayoutResult {
    LayoutOutcome outcome = LayoutOutcome::Failed;
    int32_t rate = 0;   // the rate recordings into it use (8000 for a missing or empty file)
    int32_t frames = 0; // its length in frames
    std::string text;
};

// Makes sure `wavePath` can be recorded into: a foreign file (stereo, 8-bit, float, a codec, extra chunks) is,
// once `mayConvert` agreed, converted to 16-bit mono at its own rate (each frame the mean of its channels) in a
// hidden file beside it, flushed and renamed over it.
LayoutResult EnsureDictationLayout(const std::string& wavePath, const ConversionConsent& mayConvert);

// A new hidden insert recording path for the dictation `wavePath` (".insert-<name>", "-2" ... when taken).
std::string NewInsertRecordingPath(const std::string& wavePath);

struct OrphanedInsert {
    std::string path;
    int32_t length = 0; // 1/10000 s
};

// Insert recordings left in `currentFolder` by a crash, by name; those holding no audio are removed, and so are
// half-built splice and conversion temporaries (their dictations are whole). Call it at start, before anything
// records or splices.
std::vector<OrphanedInsert> FindOrphanedInserts(const std::string& currentFolder);

// Makes the insert recording a new dictation ("Dictation n") of `store`: the name, or a failure with nothing
// lost (the recording stays where it was).
[[nodiscard]] NamedResult AdoptOrphanedInsert(DictationStore& store, const std::string& insertPath);
// Removes an insert recording the user does not want back.
bool DiscardOrphanedInsert(const std::string& insertPath);
