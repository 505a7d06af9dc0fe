#include "app/TransportIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>

namespace {

// Every picture is drawn on this canvas; the buttons scale it to their icon size.
constexpr int kWidth = 48;
constexpr int kHeight = 32;

const QColor kInk(32, 32, 32);
const QColor kGrey(160, 160, 160);
const QColor kPlayActive(0, 160, 40);
const QColor kRecordIdle(150, 0, 0);
const QColor kRecordActive(255, 32, 32);
const QColor kRecordWaiting(230, 160, 0);
const QColor kInsertMarker(30, 80, 200);

QColor InkFor(GlyphState state) {
    return state == GlyphState::Greyed ? kGrey : kInk;
}

void FillPolygon(QPainter& painter, std::initializer_list<QPointF> points, const QColor& color) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawPolygon(QPolygonF(QList<QPointF>(points)));
}

void DrawRecord(QPainter& painter, GlyphState state, bool insertVariant) {
    const QPointF centre(insertVariant ? 21 : 24, 16);
    switch (state) {
    case GlyphState::Waiting:
        // A ring: armed, listening for sound.
        painter.setPen(QPen(kRecordWaiting, 3));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(centre, 7.5, 7.5);
        painter.setPen(Qt::NoPen);
        painter.setBrush(kRecordIdle);
        painter.drawEllipse(centre, 3, 3);
        break;
    case GlyphState::Active:
        painter.setPen(QPen(QColor(255, 160, 160), 2));
        painter.setBrush(kRecordActive);
        painter.drawEllipse(centre, 9, 9);
        break;
    default:
        painter.setPen(Qt::NoPen);
        painter.setBrush(state == GlyphState::Greyed ? kGrey : kRecordIdle);
        painter.drawEllipse(centre, 8, 8);
        break;
    }
    if (insertVariant) {
        // A text cursor beside the dot: what is recorded goes in between.
        painter.setPen(QPen(kInsertMarker, 2.5, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(QPointF(37, 7), QPointF(37, 25));
        painter.drawLine(QPointF(33, 7), QPointF(41, 7));
        painter.drawLine(QPointF(33, 25), QPointF(41, 25));
    }
}

void DrawDock(QPainter& painter, GlyphState state) {
    const QColor ink = InkFor(state);
    painter.setPen(QPen(ink, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(14, 5, 20, 23), 3, 3);
    // The small dictaphone's two reels and the arrow of the transfer.
    painter.drawEllipse(QPointF(20, 12), 2.5, 2.5);
    painter.drawEllipse(QPointF(28, 12), 2.5, 2.5);
    FillPolygon(painter, {{19, 19}, {29, 19}, {24, 25}}, ink);
}

QPixmap Draw(TransportGlyph glyph, GlyphState state, bool insertVariant) {
    QPixmap pixmap(kWidth, kHeight);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor ink = InkFor(state);
    switch (glyph) {
    case TransportGlyph::Play:
        FillPolygon(painter, {{18, 7}, {18, 25}, {33, 16}}, state == GlyphState::Active ? kPlayActive : ink);
        break;
    case TransportGlyph::Record:
        DrawRecord(painter, state, insertVariant);
        break;
    case TransportGlyph::Stop:
        painter.setPen(Qt::NoPen);
        painter.setBrush(state == GlyphState::Active ? kInk : kGrey);
        painter.drawRect(QRectF(17, 9, 14, 14));
        break;
    case TransportGlyph::Start:
        painter.fillRect(QRectF(14, 8, 3, 16), ink);
        FillPolygon(painter, {{32, 8}, {32, 24}, {18, 16}}, ink);
        break;
    case TransportGlyph::Rewind:
        FillPolygon(painter, {{24, 8}, {24, 24}, {12, 16}}, ink);
        FillPolygon(painter, {{36, 8}, {36, 24}, {24, 16}}, ink);
        break;
    case TransportGlyph::Forward:
        FillPolygon(painter, {{12, 8}, {12, 24}, {24, 16}}, ink);
        FillPolygon(painter, {{24, 8}, {24, 24}, {36, 16}}, ink);
        break;
    case TransportGlyph::End:
        FillPolygon(painter, {{16, 8}, {16, 24}, {30, 16}}, ink);
        painter.fillRect(QRectF(31, 8, 3, 16), ink);
        break;
    case TransportGlyph::Dock:
        DrawDock(painter, state);
        break;
    }
    return pixmap;
}

} // namespace

QString TransportIconName(TransportGlyph glyph, GlyphState state, bool insertVariant) {
    static const char* const kGlyphs[] = {"play", "record", "stop", "start", "rewind", "forward", "end", "dock"};
    static const char* const kStates[] = {"normal", "greyed", "active", "waiting"};
    QString name = QStringLiteral("%1-%2").arg(QLatin1String(kGlyphs[static_cast<int>(glyph)]),
                                               QLatin1String(kStates[static_cast<int>(state)]));
    if (insertVariant)
        name += QStringLiteral("-insert");
    return name;
}

QIcon TransportIcon(TransportGlyph glyph, GlyphState state, bool insertVariant) {
    // Drawn afresh each time (a few dozen pixels): no picture outlives the application object.
    return QIcon(Draw(glyph, state, insertVariant));
}
