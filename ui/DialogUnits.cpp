#include "ui/DialogUnits.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QVariant>
#include <QWidget>
#include <algorithm>

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    // The old average: the width of the 52 letters, halved and rounded, divided by 26.
    const int letters =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_baseWidth = std::max(1, (letters / 26 + 1) / 2);
    m_baseHeight = std::max(1, metrics.height());
}

QRect DialogUnits::ToPixels(int x, int y, int width, int height) const {
    return QRect(x * m_baseWidth / 4, y * m_baseHeight / 8, width * m_baseWidth / 4, height * m_baseHeight / 8);
}

QSize DialogUnits::ToPixels(int width, int height) const {
    return QSize(width * m_baseWidth / 4, height * m_baseHeight / 8);
}

void DialogUnits::Place(QWidget* control, int id, int x, int y, int width, int height) const {
    QRect rect = ToPixels(x, y, width, height);
    // A drop-down's template height is its opened list's; the closed box is one line high.
    if (auto* dropDown = qobject_cast<QComboBox*>(control))
        rect.setHeight(std::min(rect.height(), dropDown->sizeHint().height()));
    control->setGeometry(rect);
    control->setProperty("controlId", id);
}

QWidget* FindControl(const QWidget* dialog, int id) {
    for (QWidget* child : dialog->findChildren<QWidget*>()) {
        if (child->property("controlId").toInt() == id && child->property("controlId").isValid())
            return child;
    }
    return nullptr;
}
