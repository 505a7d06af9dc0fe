#include "audio/ui/LDBEdit.h"

#include "store/IniValues.h"

#include <QFontMetrics>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace {
constexpr int kKnobMargin = 3; // the knob reaches this far either side of its column
}

LDBEdit::LDBEdit(QWidget* parent, int8_t minimum, int8_t maximum)
    : QWidget(parent), m_edit(new QLineEdit(this)), m_minimum(minimum), m_maximum(std::max(minimum, maximum)),
      m_span(std::max<int32_t>(1, int32_t{m_maximum} - m_minimum)) {
    m_edit->setProperty("controlId", kEditId);
    m_edit->setFrame(false);
    // The old 32 pixels fit the text in the old dialog font; wider fonts get the room "-36dB" needs, so a sign is
    // never scrolled out of sight.
    const QFontMetrics metrics(m_edit->font());
    m_editWidth = std::max(kMinimumEditWidth, metrics.horizontalAdvance(QStringLiteral("-36dB")) + 8);
    setFocusPolicy(Qt::StrongFocus);
    connect(m_edit, &QLineEdit::textChanged, this, &LDBEdit::TextEdited);
    m_value = std::clamp<int8_t>(0, m_minimum, m_maximum);
    m_edit->setText(QString::fromStdString(DbText(m_value)));
}

void LDBEdit::SetValue(int db) {
    const int8_t limited = static_cast<int8_t>(std::clamp(db, int{m_minimum}, int{m_maximum}));
    const QString text = QString::fromStdString(DbText(limited));
    if (m_edit->text() == text) {
        // The same text reports no change; the value may still differ (after typing beyond the range).
        TextEdited(text);
        return;
    }
    m_edit->setText(text);
}

int LDBEdit::BarPosition(int db) const {
    return m_editWidth + static_cast<int>(((int64_t{db} - m_minimum) * BarWidth()) / m_span);
}

int LDBEdit::DrawnPosition(int db) const {
    return std::clamp(BarPosition(db), m_editWidth, std::max(m_editWidth, width()));
}

int LDBEdit::ValueAt(int x) const {
    const int barWidth = BarWidth();
    if (barWidth <= 0)
        return m_value;
    const int offset = std::clamp(x - m_editWidth, 0, barWidth);
    return std::clamp(offset * m_span / barWidth + m_minimum, -127, 127);
}

void LDBEdit::TextEdited(const QString& text) {
    const int8_t old = m_value;
    m_value = ParseDbText(text.left(kCharactersParsed).toStdString());
    RedrawBetween(old, m_value);
    emit valueEdited(m_value);
}

void LDBEdit::RedrawBetween(int oldValue, int newValue) {
    const int zero = DrawnPosition(0);
    int left = std::min({DrawnPosition(oldValue), DrawnPosition(newValue), zero});
    int right = std::max({DrawnPosition(oldValue), DrawnPosition(newValue), zero});
    left = std::max(m_editWidth, left - kKnobMargin);
    right = right + kKnobMargin;
    update(QRect(left, 0, right - left + 1, height()));
}

void LDBEdit::paintEvent(QPaintEvent*) {
    const int barWidth = BarWidth();
    if (barWidth <= 0 || height() <= 0)
        return;
    QPainter painter(this);
    const QRect bar(m_editWidth, 0, barWidth, height());
    if (!isEnabled()) {
        painter.fillRect(bar, kLightGrey);
        return;
    }
    const int right = m_editWidth + barWidth;
    const int greenEnd = DrawnPosition(std::min<int>(m_value, 0));
    const int zero = DrawnPosition(0);
    const int valueAt = DrawnPosition(m_value);
    painter.fillRect(QRect(m_editWidth, 0, greenEnd - m_editWidth, height()), kBelowZero);
    if (m_value > 0)
        painter.fillRect(QRect(zero, 0, valueAt - zero, height()), kAboveZero);
    const int restStart = std::max(greenEnd, m_value > 0 ? valueAt : greenEnd);
    painter.fillRect(QRect(restStart, 0, right - restStart, height()), kRest);

    // The knob: 2 pixels of light grey with a white edge left and top and a black edge right and bottom, kept
    // inside the bar.
    const int knobLeft = std::clamp(valueAt - 2, m_editWidth, std::max(m_editWidth, right - 4));
    const QRect knob(knobLeft, 0, 4, height());
    painter.fillRect(knob, kLightGrey);
    painter.fillRect(QRect(knob.left(), 0, 1, height()), Qt::white);
    painter.fillRect(QRect(knob.left(), 0, 4, 1), Qt::white);
    painter.fillRect(QRect(knob.right(), 0, 1, height()), Qt::black);
    painter.fillRect(QRect(knob.left() + 1, height() - 1, 3, 1), Qt::black);
}

void LDBEdit::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_edit->setFocus(Qt::MouseFocusReason);
    const int x = static_cast<int>(event->position().x());
    if (x < m_editWidth)
        return;
    m_dragging = true;
    SetValue(ValueAt(x));
}

void LDBEdit::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragging && (event->buttons() & Qt::LeftButton))
        SetValue(ValueAt(static_cast<int>(event->position().x())));
}

void LDBEdit::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
}

void LDBEdit::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    m_edit->setFocus(event->reason());
    m_edit->selectAll();
}

void LDBEdit::resizeEvent(QResizeEvent*) {
    m_edit->setGeometry(0, 0, std::min(m_editWidth, width()), height());
}

void LDBEdit::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange)
        update();
    QWidget::changeEvent(event);
}
