// TransportIcons: the pictures of the main window's transport and Dock buttons, drawn with QPainter (no image
// files): play, record, stop, go to start, rewind, fast forward, go to end and the dock, each in its states.
// Main thread (QPixmap).
//
//   button->setIcon(TransportIcon(TransportGlyph::Record, GlyphState::Waiting, /*insertVariant=*/true));
#pragma once

#include <QIcon>
#include <QString>

enum class TransportGlyph { Play, Record, Stop, Start, Rewind, Forward, End, Dock };

enum class GlyphState {
    Normal, // usable (Record: idle)
    Greyed, // no dictation to act on (Stop: idle)
    Active, // playing, recording, or Stop while either runs
    Waiting // Record only: listening for sound above the activation level
};

// The picture of `glyph` in `state`; `insertVariant` adds the insert marker (Record only).
QIcon TransportIcon(TransportGlyph glyph, GlyphState state, bool insertVariant = false);

// A short name of the picture ("record-waiting-insert"), kept on each button as its "image" property so the
// state shown can be read back.
QString TransportIconName(TransportGlyph glyph, GlyphState state, bool insertVariant = false);
