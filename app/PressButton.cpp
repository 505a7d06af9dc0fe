#include "app/PressButton.h"

#include <QMouseEvent>
#include <QVariant>

PressButton::PressButton(QWidget* parent) : QPushButton(parent) {
    setAutoDefault(false);
}

void PressButton::Press() {
    if (m_held)
        return;
    m_held = true;
    setDown(true);
    Report(Edge::Press);
}

void PressButton::Release() {
    if (!m_held)
        return;
    m_held = false;
    setDown(false);
    Report(Edge::Release);
}

void PressButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        QPushButton::mousePressEvent(event);
        return;
    }
    // Qt grabs the mouse for the pressed widget until the button goes up, so the release comes here even when
    // the pointer has left the button meanwhile.
    event->accept();
    Press();
}

void PressButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QPushButton::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    Release();
}

void PressButton::mouseMoveEvent(QMouseEvent* event) {
    // No click tracking: the button stays down while held, wherever the pointer goes.
    event->accept();
}

void PressButton::Report(Edge edge) {
    if (m_handler)
        m_handler(edge, property("controlId").toInt());
}
