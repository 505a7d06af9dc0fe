// LogoPicture: draws the program's logo (an emblem of a microphone in a ring with sound waves, and the name
// "Tallowin") at any size: side by side when the picture is wide, the name under the emblem when it is tall.
#pragma once

#include <QPixmap>
#include <QSize>

// The splash's logo size in pixels.
inline constexpr QSize kLogoSize{340, 198};

QPixmap DrawLogoPicture(QSize size);
