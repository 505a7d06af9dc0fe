// NotesLimit: keeps a notes box within the bytes its notes may take on disk (UTF-8, each line end stored as CR LF),
// cutting what is typed or pasted beyond the limit at a whole character and telling the owner once per cut, so
// nothing the user sees is thrown away later. Main thread.
//
//   LimitNotes(notesBox, kNotesLimit, [this] { ShowStatus("The notes are full ..."); });
#pragma once

#include <cstddef>
#include <functional>

class QPlainTextEdit;
class QString;

// The bytes `text` takes on disk: its UTF-8 bytes with each LF counted as CR LF.
size_t StoredNotesBytes(const QString& text);

// From now on, text beyond `limit` stored bytes is cut off as it arrives; `onCut` runs after each cut.
void LimitNotes(QPlainTextEdit* box, size_t limit, std::function<void()> onCut = {});
