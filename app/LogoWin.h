// LogoWin: the splash shown at start: a pop-up without caption, centred on the desktop, with the logo (340 × 198
// pixels) and the name "Tallowin" under it. It closes and deletes itself after 8000 ms (timer 9) or on a left
// click; whoever keeps it holds a QPointer, which the deletion clears. UI thread only.
//
//   m_splash = ShowSplash(this);   // QPointer<LogoWin>; null again once the splash has gone
#pragma once

#include <QBasicTimer>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

class LogoWin final : public QWidget {
public:
    static constexpr int kTimerNumber = 9;
    static constexpr int kTimeoutMs = 8000;
    // Room around the logo (2 pixels each side) and under it (88 pixels less the frame) for the name.
    static constexpr int kExtraWidth = 4;
    static constexpr int kExtraHeight = 88;

    // A child window of `owner` (deleted with it at the latest); null owner: a window of its own.
    explicit LogoWin(QWidget* owner);

    // Shows the splash centred on the owner's screen and starts its timer.
    void Start();
    // The running timer's id (for a test that fires it); 0 when it is not running.
    int TimerId() const { return m_timer.timerId(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    QPixmap m_logo;
    QBasicTimer m_timer;
};

// Creates, centres and shows the splash over `owner`.
QPointer<LogoWin> ShowSplash(QWidget* owner);
