// DialogUnits: places controls of a fixed dialog template by dialog units, converted from the dialog font as the
// old templates were (horizontal unit = average character width / 4, vertical unit = character height / 8),
// and tags each control with its template id (property "controlId") so commands and tests can find it.
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

class QWidget;

class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    QRect ToPixels(int x, int y, int width, int height) const;
    QSize ToPixels(int width, int height) const;

    // Sets the control's geometry from dialog units and its "controlId" property. A drop-down's height is that of
    // its opened list in the templates: the closed box takes its own single-line height within it.
    void Place(QWidget* control, int id, int x, int y, int width, int height) const;

private:
    int m_baseWidth;  // average character width in pixels
    int m_baseHeight; // character height in pixels
};

// The child of `dialog` whose "controlId" is `id`, or null.
QWidget* FindControl(const QWidget* dialog, int id);
