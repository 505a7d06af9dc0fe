// LDBDisplay: shows levels as one horizontal strip per channel on a fixed -36..+12 dB scale (0 dB at three
// quarters of the width): bright green up to 0 dB, bright red above, black for the rest. Main thread.
//
//   auto* meter = new LDBDisplay(dialog);
//   meter->SetLevels(recorder.levels);   // on each level report; redraws only what changed
#pragma once

#include "audio/LDBMC.h"

#include <QColor>
#include <QWidget>

class LDBDisplay final : public QWidget {
public:
    static constexpr int kMinimum = -36;
    static constexpr int kMaximum = 12;

    static inline const QColor kBelowZero{0, 255, 0};
    static inline const QColor kAboveZero{255, 0, 0};
    static inline const QColor kRest{0, 0, 0};
    static inline const QColor kEmpty{192, 192, 192};

    explicit LDBDisplay(QWidget* parent = nullptr);

    // Takes the levels, each limited to -36..+12; with the same channel count only the changed parts of the
    // strips are redrawn, with another count the whole control.
    void SetLevels(const LDBMC& levels);
    const LDBMC& Levels() const { return m_levels; }

    // The pixel column of a level on the scale.
    int Position(int db) const;
    // The rows of channel `channel` (of the current count).
    QRect StripRect(int channel) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    LDBMC m_levels;
};
