#include "app/LogoPicture.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>

namespace {

const QColor kDeep(18, 52, 86);
const QColor kLight(46, 120, 160);
const QColor kAccent(244, 178, 62);
const QColor kPaper(250, 247, 240);

// The emblem: a ring with a microphone in it and three sound waves to its right, inside `box` (a square).
void DrawEmblem(QPainter& painter, const QRectF& box) {
    const qreal unit = box.width() / 100.0;
    const QPointF centre = box.center();

    QRadialGradient disc(centre, box.width() / 2);
    disc.setColorAt(0.0, kPaper);
    disc.setColorAt(1.0, QColor(214, 226, 232));
    painter.setPen(QPen(kAccent, 5 * unit));
    painter.setBrush(disc);
    painter.drawEllipse(box.adjusted(3 * unit, 3 * unit, -3 * unit, -3 * unit));

    // Microphone head, stand and foot, a little left of the centre so the waves fit.
    const qreal micX = centre.x() - 10 * unit;
    const QRectF head(micX - 9 * unit, centre.y() - 30 * unit, 18 * unit, 34 * unit);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kDeep);
    painter.drawRoundedRect(head, 9 * unit, 9 * unit);
    painter.setPen(QPen(kPaper, 1.6 * unit));
    for (int line = 1; line <= 3; ++line) {
        const qreal y = head.top() + line * 7 * unit;
        painter.drawLine(QPointF(head.left() + 4 * unit, y), QPointF(head.right() - 4 * unit, y));
    }
    painter.setPen(QPen(kDeep, 3.5 * unit, Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    const QRectF cradle(micX - 15 * unit, centre.y() - 14 * unit, 30 * unit, 28 * unit);
    painter.drawArc(cradle, 180 * 16, 180 * 16);
    painter.drawLine(QPointF(micX, cradle.bottom()), QPointF(micX, centre.y() + 26 * unit));
    painter.drawLine(QPointF(micX - 11 * unit, centre.y() + 26 * unit),
                     QPointF(micX + 11 * unit, centre.y() + 26 * unit));

    // Sound waves.
    painter.setPen(QPen(kAccent, 3.5 * unit, Qt::SolidLine, Qt::RoundCap));
    for (int wave = 1; wave <= 3; ++wave) {
        const qreal radius = (8 + wave * 8) * unit;
        const QRectF arc(micX + 6 * unit - radius, centre.y() - 13 * unit - radius, 2 * radius, 2 * radius);
        painter.drawArc(arc, -40 * 16, 80 * 16);
    }
}

void DrawName(QPainter& painter, const QRectF& box, qreal pixelSize, Qt::Alignment alignment) {
    QFont name(QStringLiteral("DejaVu Serif"));
    name.setBold(true);
    name.setPixelSize(std::max(8, static_cast<int>(pixelSize)));
    painter.setFont(name);
    painter.setPen(kPaper);
    painter.drawText(box, alignment, QStringLiteral("Tallowin"));
}

} // namespace

QPixmap DrawLogoPicture(QSize size) {
    QPixmap picture(size.expandedTo(QSize(1, 1)));
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient background(0, 0, picture.width(), picture.height());
    background.setColorAt(0.0, kLight);
    background.setColorAt(1.0, kDeep);
    painter.fillRect(picture.rect(), background);

    const qreal width = picture.width();
    const qreal height = picture.height();
    if (width >= height * 1.2) {
        // Wide: the emblem on the left, the name and what it is beside it.
        const qreal side = height * 0.72;
        const QRectF emblem(height * 0.09, (height - side) / 2, side, side);
        DrawEmblem(painter, emblem);
        const QRectF text(emblem.right() + height * 0.08, 0, width - emblem.right() - height * 0.1, height);
        const qreal nameSize = std::min(height * 0.24, text.width() / 5.0);
        DrawName(painter, QRectF(text.left(), 0, text.width(), height / 2 + nameSize * 0.1), nameSize,
                 Qt::AlignBottom | Qt::AlignLeft);
        QFont tagline(QStringLiteral("DejaVu Sans"));
        tagline.setPixelSize(std::max(7, static_cast<int>(nameSize * 0.42)));
        painter.setFont(tagline);
        painter.setPen(kAccent);
        painter.drawText(text.adjusted(0, height / 2 + nameSize * 0.25, 0, 0), Qt::AlignTop | Qt::AlignLeft,
                         QStringLiteral("the dictaphone\non your computer"));
    } else {
        // Tall: the emblem near the top, the name under it.
        const qreal side = std::min(width * 0.8, height * 0.5);
        const QRectF emblem((width - side) / 2, height * 0.08, side, side);
        DrawEmblem(painter, emblem);
        const QRectF text(0, emblem.bottom() + height * 0.03, width, height * 0.15);
        DrawName(painter, text, width / 5.2, Qt::AlignTop | Qt::AlignHCenter);
    }
    return picture;
}
