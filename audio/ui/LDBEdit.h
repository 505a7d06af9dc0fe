// LDBEdit: a decibel level control: an edit box (id 100) on the left showing the level as text (32 pixels, or as
// wide as the font needs for "-36dB"), and a level bar on the rest that the mouse sets. Every new value, typed or set,
// is signalled as valueEdited.
//
//   auto* level = new LDBEdit(dialog, -36, 12);
//   level->SetValue(ReadDbValue(settingsFile, SettingsKeys::kRecordVolume));
//   connect(level, &LDBEdit::valueEdited, [](int db) { ... });
#pragma once

#include <QColor>
#include <QWidget>
#include <cstdint>

class QLineEdit;

class LDBEdit final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kEditId = 100;
    static constexpr int kMinimumEditWidth = 32;
    static constexpr int kCharactersParsed = 7;

    static inline const QColor kBelowZero{0, 128, 0};
    static inline const QColor kAboveZero{196, 0, 0};
    static inline const QColor kRest{128, 128, 128};
    static inline const QColor kLightGrey{192, 192, 192};

    LDBEdit(QWidget* parent, int8_t minimum, int8_t maximum);

    // Limits `db` to minimum..maximum, shows its text in the edit box and redraws the bar.
    void SetValue(int db);
    // The last value set or typed; typed values are not limited to minimum..maximum.
    int8_t Value() const { return m_value; }
    int8_t Minimum() const { return m_minimum; }
    int8_t Maximum() const { return m_maximum; }
    QLineEdit* Edit() const { return m_edit; }
    // The width of the edit box: where the bar starts.
    int EditWidth() const { return m_editWidth; }

    // The bar's pixel column for a level `db` (the bar's own range, not limited).
    int BarPosition(int db) const;
    // The value for the pointer at column `x` of the control.
    int ValueAt(int x) const;

signals:
    void valueEdited(int db);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void TextEdited(const QString& text);
    void RedrawBetween(int oldValue, int newValue);
    int BarWidth() const { return width() - m_editWidth; }
    int DrawnPosition(int db) const; // limited to the bar

    QLineEdit* m_edit;
    int m_editWidth = kMinimumEditWidth;
    const int8_t m_minimum;
    const int8_t m_maximum;
    const int32_t m_span;
    int8_t m_value = 0;
    bool m_dragging = false;
};
