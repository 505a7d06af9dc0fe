#include "audio/ui/LDBDisplay.h"

#include <QPainter>
#include <algorithm>

namespace {

int8_t Limited(int8_t db) {
    return static_cast<int8_t>(std::clamp<int>(db, LDBDisplay::kMinimum, LDBDisplay::kMaximum));
}

} // namespace

LDBDisplay::LDBDisplay(QWidget* parent) : QWidget(parent) {}

int LDBDisplay::Position(int db) const {
    return ((db - kMinimum) * width()) / (kMaximum - kMinimum);
}

QRect LDBDisplay::StripRect(int channel) const {
    const int count = m_levels.Count();
    if (count == 0)
        return {};
    const int top = (channel * height()) / count;
    const int bottom = ((channel + 1) * height()) / count;
    return QRect(0, top, width(), bottom - top);
}

void LDBDisplay::SetLevels(const LDBMC& levels) {
    if (levels.Count() != m_levels.Count()) {
        m_levels = levels;
        for (uint8_t c = 0; c < m_levels.Count(); ++c)
            m_levels[c] = Limited(m_levels[c]);
        update();
        return;
    }
    for (uint8_t c = 0; c < m_levels.Count(); ++c) {
        const int8_t level = Limited(levels[c]);
        if (level == m_levels[c])
            continue;
        const int oldPosition = Position(m_levels[c]);
        const int newPosition = Position(level);
        // The part between the old and the new position, and the colour change at 0 dB when it lies between.
        const int left = std::min({oldPosition, newPosition});
        const int right = std::max({oldPosition, newPosition});
        m_levels[c] = level;
        const QRect strip = StripRect(c);
        update(QRect(left, strip.top(), right - left + 1, strip.height()));
    }
}

void LDBDisplay::paintEvent(QPaintEvent*) {
    if (width() <= 0 || height() <= 0)
        return;
    QPainter painter(this);
    if (m_levels.Count() == 0) {
        painter.fillRect(rect(), kEmpty);
        return;
    }
    const int zero = Position(0);
    for (uint8_t c = 0; c < m_levels.Count(); ++c) {
        const QRect strip = StripRect(c);
        if (strip.height() <= 0)
            continue;
        const int level = m_levels[c];
        const int greenEnd = Position(std::min(level, 0));
        painter.fillRect(QRect(0, strip.top(), greenEnd, strip.height()), kBelowZero);
        int restStart = greenEnd;
        if (level > 0) {
            restStart = Position(level);
            painter.fillRect(QRect(zero, strip.top(), restStart - zero, strip.height()), kAboveZero);
        }
        painter.fillRect(QRect(restStart, strip.top(), width() - restStart, strip.height()), kRest);
    }
}
