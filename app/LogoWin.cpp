#include "app/LogoWin.h"

#include "app/LogoPicture.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimerEvent>

LogoWin::LogoWin(QWidget* owner)
    : QWidget(owner, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_logo(DrawLogoPicture(kLogoSize)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(kLogoSize.width() + kExtraWidth, kLogoSize.height() + kExtraHeight);
}

void LogoWin::Start() {
    QScreen* screen = parentWidget() != nullptr ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (screen != nullptr) {
        QRect frame = rect();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    show();
    m_timer.start(kTimeoutMs, this);
}

void LogoWin::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(250, 247, 240));
    // The frame around the window, 2 pixels as a sizing border would take.
    painter.setPen(QPen(QColor(18, 52, 86), 2));
    painter.drawRect(rect().adjusted(1, 1, -1, -1));
    painter.drawPixmap(2, 2, m_logo);

    const QRect band(2, 2 + m_logo.height(), width() - 4, height() - 4 - m_logo.height());
    QFont name(QStringLiteral("DejaVu Serif"));
    name.setBold(true);
    name.setPixelSize(40);
    painter.setFont(name);
    painter.setPen(QColor(18, 52, 86));
    painter.drawText(band, Qt::AlignCenter, QStringLiteral("Tallowin"));
}

void LogoWin::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_timer.stop();
        close();
        return;
    }
    QWidget::mousePressEvent(event);
}

void LogoWin::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_timer.timerId()) {
        QWidget::timerEvent(event);
        return;
    }
    m_timer.stop();
    close();
}

QPointer<LogoWin> ShowSplash(QWidget* owner) {
    auto* splash = new LogoWin(owner);
    splash->Start();
    return splash;
}
